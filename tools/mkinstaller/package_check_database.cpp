// The package database: the installer merges it, table by table and column by column, into a
// database it creates with the accessory schema, keyed on Dodatki's ID.
#include <algorithm>
#include <unordered_set>

#include "accessorydb/accessory_schema.h"
#include "accessorydb/jet/ado_type.h"
#include "accessorydb/jet/create_database.h"
#include "accessorydb/jet/database.h"
#include "tools/mkinstaller/package_check.h"

namespace mkinstaller {

namespace {

using accessorydb::ColumnSchema;
using accessorydb::TableSchema;
using jet::ColumnDef;
using jet::ColumnType;
using text::num;

// Repeated key values named in a finding; the row count tells how many there are in all.
constexpr size_t kKeysShown = 5;

// Type names as Access shows them in a table's design.
Text typeName(uint8_t type) {
  switch (static_cast<ColumnType>(type)) {
    case ColumnType::Boolean:
      return u"Yes/No";
    case ColumnType::Byte:
      return u"Byte";
    case ColumnType::Integer:
      return u"Integer";
    case ColumnType::Long:
      return u"Long Integer";
    case ColumnType::Currency:
      return u"Currency";
    case ColumnType::Single:
      return u"Single";
    case ColumnType::Double:
      return u"Double";
    case ColumnType::DateTime:
      return u"Date/Time";
    case ColumnType::Binary:
      return u"Binary";
    case ColumnType::Text:
      return u"Text";
    case ColumnType::Ole:
      return u"OLE Object";
    case ColumnType::Memo:
      return u"Memo";
    case ColumnType::Guid:
      return u"Replication ID";
    case ColumnType::Decimal:
      return u"Decimal";
  }
  return u"unknown type " + num(type);
}

class DatabaseCheck {
 public:
  DatabaseCheck(jet::Database& db, const Text& shownName, Findings& findings)
      : db_(db), shownName_(shownName), findings_(findings) {}

  DatabaseSummary run() {
    const std::vector<Text> present = db_.tableNames();
    for (const Text& name : present) {
      if (!schemaTable(name)) {
        warning(u"table " + name +
                u" is not part of the accessory database: the installer does not copy it, so it "
                u"is lost on install; remove it");
      }
    }
    DatabaseSummary summary;
    for (const TableSchema& schema : accessorydb::accessoryTables()) {
      const auto found = std::find_if(present.begin(), present.end(), [&](const Text& name) {
        return text::equalsIgnoreAsciiCase(name, schema.name);
      });
      if (found == present.end()) {
        error(u"the table " + schema.name +
              u" is missing: the installer merges both info_producent and Dodatki; add it with "
              u"the accessory database's columns");
        continue;
      }
      const jet::TableDef& def = db_.table(*found);
      checkColumns(schema, def);
      const uint64_t rows = scanRows(schema, def);
      (schema.name == u"Dodatki" ? summary.dodatkiRows : summary.producentRows) = rows;
    }
    return summary;
  }

 private:
  void error(const Text& problem) { findings_.push_back({Severity::Error, shownName_, problem}); }
  void warning(const Text& problem) {
    findings_.push_back({Severity::Warning, shownName_, problem});
  }

  static const TableSchema* schemaTable(const Text& name) {
    for (const TableSchema& t : accessorydb::accessoryTables()) {
      if (text::equalsIgnoreAsciiCase(t.name, name)) return &t;
    }
    return nullptr;
  }

  void checkColumns(const TableSchema& schema, const jet::TableDef& def) {
    for (const ColumnSchema& want : schema.columns) {
      const Text where = u"column " + schema.name + u"." + want.name;
      const std::optional<size_t> index = def.columnIndex(want.name);
      if (!index) {
        error(where +
              u" is missing: the installer copies every column of the accessory "
              u"database; add it");
        continue;
      }
      const ColumnDef& have = def.columns[*index];
      if (have.name != want.name) {
        warning(where + u" is spelled " + have.name +
                u"; Jet ignores the letter case, but name it as the host's database does");
      }
      // The schema holds only types the engine creates.
      const ColumnType type = jet::storedType(want.type).value();
      if (!have.is(type)) {
        error(where + u" is " + typeName(have.type) + u", but the installer needs " +
              typeName(static_cast<uint8_t>(type)) + u"; change its type");
      } else if (type == ColumnType::Text &&
                 have.length != 2 * jet::storedTextChars(want.definedSize)) {
        error(where + u" holds " + num(have.length / 2) +
              u" characters, but the installer "
              u"needs " +
              num(jet::storedTextChars(want.definedSize)) + u"; change its field size");
      }
    }
    for (const ColumnDef& have : def.columns) {
      const bool known = std::any_of(
          schema.columns.begin(), schema.columns.end(),
          [&](const ColumnSchema& c) { return text::equalsIgnoreAsciiCase(c.name, have.name); });
      if (!known) {
        warning(u"column " + schema.name + u"." + have.name +
                u" is not part of the accessory database: the installer does not copy it, so its "
                u"values are lost on install; remove it");
      }
    }
  }

  // Counts the rows; for the keyed table also checks that every key is there and unique. The
  // merge matches rows on the key, so rows with one key would all but one be lost.
  uint64_t scanRows(const TableSchema& schema, const jet::TableDef& def) {
    std::optional<size_t> key;
    if (!schema.primaryKeyColumn.empty()) key = def.columnIndex(schema.primaryKeyColumn);
    std::unordered_set<int32_t> seen;
    std::vector<int32_t> duplicates;
    uint64_t rows = 0;
    uint64_t nulls = 0;
    uint64_t repeats = 0;
    bool moreDuplicates = false;
    jet::TableScanner scanner = db_.scan(def);
    while (scanner.next()) {
      ++rows;
      if (!key) continue;
      const jet::Value& value = scanner.values()[*key];
      if (jet::isNull(value)) {
        ++nulls;
      } else if (const int32_t* id = std::get_if<int32_t>(&value); id && !seen.insert(*id).second) {
        ++repeats;
        if (std::find(duplicates.begin(), duplicates.end(), *id) == duplicates.end()) {
          if (duplicates.size() < kKeysShown) {
            duplicates.push_back(*id);
          } else {
            moreDuplicates = true;
          }
        }
      }
    }
    const Text where = schema.name + u"." + schema.primaryKeyColumn;
    if (nulls > 0) {
      error(num(static_cast<int64_t>(nulls)) + u" rows of " + schema.name + u" have no " +
            schema.primaryKeyColumn + u": the installer matches rows on " + where +
            u" and cannot store a row without it; give every row its own " +
            schema.primaryKeyColumn);
    }
    if (repeats > 0) {
      Text shown;
      for (int32_t id : duplicates) shown += (shown.empty() ? u"" : u", ") + num(id);
      error(where + u" values repeat (" + shown + (moreDuplicates ? u", ..." : u"") + u"; " +
            num(static_cast<int64_t>(repeats)) +
            u" rows in all): the installer keeps only the first row of each; give every row its "
            u"own " +
            schema.primaryKeyColumn);
    }
    return rows;
  }

  jet::Database& db_;
  const Text& shownName_;
  Findings& findings_;
};

}  // namespace

std::optional<DatabaseSummary> checkDatabase(plat::Platform& fs, const Text& path,
                                             const Text& shownName, Findings& findings) {
  if (!fs.fileExists(path)) {
    findings.push_back({Severity::Error, shownName,
                        u"missing: the installer merges the package's database into the host's; "
                        u"add it"});
    return std::nullopt;
  }
  jet::Database db;
  try {
    db.open(fs, path, /*readOnly=*/true);
  } catch (const jet::Error& e) {
    findings.push_back({Severity::Error, shownName,
                        u"cannot be read as a Jet 4 database (" + e.message() +
                            u"); save it as an Access 2000-2003 database (.mdb)"});
    return std::nullopt;
  }
  try {
    return DatabaseCheck(db, shownName, findings).run();
  } catch (const text::Error& e) {
    findings.push_back({Severity::Error, shownName,
                        u"is damaged (" + e.message() +
                            u"); repair it with Access's Compact and Repair, or export it again"});
    return std::nullopt;
  }
}

}  // namespace mkinstaller
