// mdbtool import FILE TABLE: rows from JSON Lines on stdin (the format of `mdbtool export`: keys
// are column names, missing keys are null) appended to the table, each posted on its own. The
// first refused line stops the import with its line number; the lines before it stay imported.
#include <cstdio>
#include <string>
#include <string_view>
#include <unordered_map>

#include "accessorydb/jet/database.h"
#include "accessorydb/jet/table_writer.h"
#include "tools/mdbtool/commands.h"
#include "tools/mdbtool/json_parse.h"

namespace mdbtool {

namespace {

// Lines of a stream, read in large blocks.
class LineReader {
 public:
  explicit LineReader(FILE* in) : in_(in) {}

  // The next line without its '\n'; false at the end of the input.
  bool next(std::string_view& line) {
    for (;;) {
      const size_t eol = buf_.find('\n', pos_);
      if (eol != std::string::npos) {
        line = std::string_view(buf_).substr(pos_, eol - pos_);
        pos_ = eol + 1;
        return true;
      }
      buf_.erase(0, pos_);
      pos_ = 0;
      char block[1 << 16];
      const size_t got = std::fread(block, 1, sizeof block, in_);
      if (got == 0) {
        if (std::ferror(in_)) throw text::Error(u"cannot read the input");
        if (buf_.empty()) return false;
        line = buf_;  // a last line without '\n'
        pos_ = buf_.size();
        return true;
      }
      buf_.append(block, got);
    }
  }

 private:
  FILE* in_;
  std::string buf_;
  size_t pos_ = 0;
};

jet::Value engineValue(JsonScalar v) {
  return std::visit(
      [](auto& x) -> jet::Value {
        using T = std::decay_t<decltype(x)>;
        if constexpr (std::is_same_v<T, JsonNull>) {
          return jet::Null{};
        } else if constexpr (std::is_same_v<T, int64_t>) {
          // Wider integers go on as doubles, so that the column's range check names the value.
          if (x >= INT32_MIN && x <= INT32_MAX) return static_cast<int32_t>(x);
          return static_cast<double>(x);
        } else {
          return std::move(x);
        }
      },
      v);
}

// Rows from JSON objects; the column of each key is looked up once.
class RowBuilder {
 public:
  explicit RowBuilder(const jet::TableDef& def) : def_(def) {}

  std::vector<jet::Value> row(JsonObject object) {
    std::vector<jet::Value> out(def_.columns.size(), jet::Null{});
    for (auto& [name, value] : object) out[column(name)] = engineValue(std::move(value));
    return out;
  }

 private:
  size_t column(const Text& name) {
    if (auto it = columns_.find(name); it != columns_.end()) return it->second;
    const std::optional<size_t> i = def_.columnIndex(name);
    if (!i)
      throw jet::Error(jet::ErrorKind::NoColumn,
                       u"table " + def_.name + u" has no column \"" + name + u"\"",
                       {.table = def_.name, .column = name});
    columns_.emplace(name, *i);
    return *i;
  }

  const jet::TableDef& def_;
  std::unordered_map<Text, size_t> columns_;
};

}  // namespace

int runImport(plat::Platform& fs, const Args& args) {
  requireArgs(args, 2, 2, "import FILE TABLE");
  jet::Database db;
  db.open(fs, args[0], false);
  const jet::TableDef& def = db.table(args[1]);
  jet::TableWriter writer(db.pages(), def);
  RowBuilder rows(def);
  LineReader input(stdin);
  std::string_view line;
  size_t lineNo = 0;
  size_t imported = 0;
  while (input.next(line)) {
    ++lineNo;
    if (!line.empty() && line.back() == '\r') line.remove_suffix(1);
    if (line.find_first_not_of(" \t") == std::string::npos) continue;
    try {
      writer.insert(rows.row(parseJsonObject(line)));
    } catch (const text::Error& e) {
      db.pages().flush();
      throw text::Error(u"line " + text::num(static_cast<int64_t>(lineNo)) + u": " + e.message() +
                        u" (" + text::num(static_cast<int64_t>(imported)) +
                        u" rows before it were imported)");
    }
    ++imported;
  }
  db.pages().flush();
  std::printf("%s: imported %zu rows into %s\n", text::toUtf8(args[0]).c_str(), imported,
              text::toUtf8(def.name).c_str());
  return 0;
}

}  // namespace mdbtool
