// mdbtool check FILE [TABLE]: the strict check of the file as a whole (header, page census,
// catalog; without TABLE) and of every user table (or one): row count, data pages and usage
// maps, free-space figures, and each index walked page by page.
#include <cstdio>

#include "accessorydb/jet/database.h"
#include "accessorydb/jet/file_check.h"
#include "accessorydb/jet/table_check.h"
#include "tools/mdbtool/commands.h"

namespace mdbtool {

int runCheck(plat::Platform& fs, const Args& args) {
  requireArgs(args, 1, 2, "check FILE [TABLE]");
  jet::Database db;
  db.open(fs, args[0], true);
  const std::vector<Text> tables = args.size() == 2 ? std::vector<Text>{args[1]} : db.tableNames();
  size_t faults = 0;
  if (args.size() == 1) {
    // The file as a whole: header, every page accounted for, the catalog.
    const std::vector<std::string> problems = jet::checkFile(db);
    std::printf("file: %u pages%s\n", db.pages().pageCount(), problems.empty() ? ", sound" : "");
    for (const std::string& p : problems) std::printf("  %s\n", p.c_str());
    faults += problems.size();
  }
  for (const Text& name : tables) {
    const std::vector<std::string> problems = jet::checkTable(db, name);
    const jet::TableDef& def = db.table(name);
    std::string line = text::toUtf8(def.name) + ": " + std::to_string(def.rowCount) + " rows";
    for (size_t i = 0; i < def.realIndexes.size(); ++i) {
      const jet::IndexWalk w = jet::walkIndex(db.pages(), def.realIndexes[i].firstPage, def.page());
      line += ", index " + std::to_string(i) + ": " + std::to_string(w.leafEntries.size()) +
              " entries on " + std::to_string(w.pages.size()) + " pages, " +
              std::to_string(w.depth + 1) + " levels";
    }
    std::printf("%s%s\n", line.c_str(), problems.empty() ? ", sound" : "");
    for (const std::string& p : problems) std::printf("  %s\n", p.c_str());
    faults += problems.size();
  }
  return faults == 0 ? 0 : 1;
}

}  // namespace mdbtool
