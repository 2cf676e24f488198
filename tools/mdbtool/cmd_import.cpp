// mdbtool import FILE TABLE: rows from JSON Lines on stdin (the format of `mdbtool export`: keys
// are column names, missing keys are null) appended to the table. The first refused line stops
// the import with its line number; the lines before it stay imported. The rows go into a copy
// of FILE, which replaces FILE only once it is whole, so FILE is never left half-written.
#include <cstdio>
#include <memory>
#include <optional>
#include <string>
#include <string_view>
#include <unordered_map>

#include "accessorydb/jet/database.h"
#include "accessorydb/jet/table_writer.h"
#include "archive/installer_layout.h"
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

// What an import into the copy ended with.
struct Imported {
  size_t rows = 0;
  Text table;
  std::optional<Text> refusal;  // the refused line and why
  jet::PageIo io;
};

Imported importRows(plat::Platform& fs, const Text& path, const Text& table, FILE* in) {
  jet::Database db;
  db.open(fs, path, false);
  const jet::TableDef& def = db.table(table);
  Imported out;
  out.table = def.name;
  jet::TableWriter writer(db.pages(), def);
  RowBuilder rows(def);
  LineReader input(in);
  std::string_view line;
  size_t lineNo = 0;
  while (input.next(line)) {
    ++lineNo;
    if (!line.empty() && line.back() == '\r') line.remove_suffix(1);
    if (line.find_first_not_of(" \t") == std::string::npos) continue;
    try {
      writer.insert(rows.row(parseJsonObject(line)));
    } catch (const text::Error& e) {
      // A row refused before it changed anything ends the import; any other error fails it.
      if (db.pages().failure()) throw;
      out.refusal = u"line " + text::num(static_cast<int64_t>(lineNo)) + u": " + e.message();
      break;
    }
    ++out.rows;
  }
  db.commit();
  out.io = db.pages().io();
  db.close();
  return out;
}

void copyFile(plat::Platform& fs, const Text& from, const Text& to) {
  const std::unique_ptr<plat::File> in = fs.open(from, plat::OpenMode::Read);
  const std::unique_ptr<plat::File> out = fs.open(to, plat::OpenMode::Create);
  layout::copyRange(*in, 0, in->size(), *out, 0);
  out->flush();
}

}  // namespace

int runImport(plat::Platform& fs, const Args& args) {
  requireArgs(args, 2, 2, "import FILE TABLE");
  return importInto(fs, args[0], args[1], stdin);
}

int importInto(plat::Platform& fs, const Text& path, const Text& table, FILE* in) {
  const Text copy = path + u".import";
  Imported result;
  try {
    copyFile(fs, path, copy);
    result = importRows(fs, copy, table, in);
    if (const plat::Status replaced = fs.replaceFile(copy, path); !replaced) {
      throw text::Error(u"cannot replace " + path + u" with the imported copy " + copy + u": " +
                        replaced.reason());
    }
  } catch (const text::Error&) {
    (void)fs.deleteFile(copy);  // the copy is of no use; FILE is as it was; the error is the cause
    throw;
  }
  const auto count = static_cast<int64_t>(result.rows);
  if (result.refusal) {
    throw text::Error(*result.refusal + u" (" + text::num(count) +
                      u" rows before it were imported)");
  }
  std::printf("%s: imported %zu rows into %s; page reads %llu, page writes %llu\n",
              text::toUtf8(path).c_str(), result.rows, text::toUtf8(result.table).c_str(),
              static_cast<unsigned long long>(result.io.reads),
              static_cast<unsigned long long>(result.io.writes));
  return 0;
}

}  // namespace mdbtool
