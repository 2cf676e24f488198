// mdbtool check FILE [TABLE]: the check of the file as a whole (header, page census, catalog;
// without TABLE) and of every user table (or one): row count, data pages and usage maps,
// free-space figures, and each index walked page by page and sought row by row. Faults are
// printed as "fault:", what Access itself leaves as "note:"; the exit code is 1 only for faults.
#include <cstdio>

#include "accessorydb/jet/database.h"
#include "accessorydb/jet/file_check.h"
#include "accessorydb/jet/index_keys.h"
#include "accessorydb/jet/table_check.h"
#include "tools/mdbtool/commands.h"

namespace mdbtool {

namespace {

void print(const std::string& line, const jet::CheckFindings& f) {
  std::printf("%s%s\n", line.c_str(), f.sound() ? ", sound" : "");
  for (const std::string& p : f.faults) std::printf("  fault: %s\n", p.c_str());
  for (const std::string& p : f.notes) std::printf("  note: %s\n", p.c_str());
}

// The table's summary: rows, and each index's entries, pages and levels.
std::string summary(jet::Database& db, const Text& name) {
  const jet::TableDef& def = db.table(name);
  std::string line = text::toUtf8(def.name) + ": " + std::to_string(def.rowCount) + " rows";
  for (size_t i = 0; i < def.realIndexes.size(); ++i) {
    const jet::IndexWalk w = jet::walkIndex(db.pages(), def.realIndexes[i].firstPage, def.page());
    line += ", index " + std::to_string(i) + ": " + std::to_string(w.leafEntries.size()) +
            " entries on " + std::to_string(w.pages.size()) + " pages, " +
            std::to_string(w.depth + 1) + " levels";
  }
  return line;
}

}  // namespace

int runCheck(plat::Platform& fs, const Args& args) {
  requireArgs(args, 1, 2, "check FILE [TABLE]");
  jet::Database db;
  db.open(fs, args[0], true);
  const std::vector<Text> tables = args.size() == 2 ? std::vector<Text>{args[1]} : db.tableNames();
  bool faulty = false;
  if (args.size() == 1) {
    // The file as a whole: header, every page accounted for, the catalog.
    const jet::CheckFindings f = jet::checkFile(db);
    std::string line = "file: " + std::to_string(db.pages().pageCount()) + " pages";
    const uint16_t order = db.header().sortOrder;
    if (!jet::encodedSortOrder(order)) {
      line += ", sort order " + std::to_string(order) + " (text keys not verified)";
    }
    print(line, f);
    faulty |= !f.sound();
  }
  for (const Text& name : tables) {
    const jet::CheckFindings f = jet::checkTable(db, name);
    std::string line;
    try {
      line = summary(db, name);
    } catch (const jet::Error& e) {
      line = text::toUtf8(name) + ": " + e.what();
    }
    print(line, f);
    faulty |= !f.sound();
  }
  return faulty ? 1 : 0;
}

}  // namespace mdbtool
