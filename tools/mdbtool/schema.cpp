// mdbtool schema FILE [TABLE]: per table its columns in order (type, size, flags) and its
// indexes (columns, primary key, unique). Tab-separated lines:
//   table   NAME
//   column  NAME  TYPE  SIZE  FLAGS
//   index   NAME  COLUMNS  PROPERTIES
#include <cstdio>
#include <string>

#include "accessorydb/jet/database.h"
#include "tools/mdbtool/commands.h"

namespace mdbtool {

namespace {

using jet::ColumnDef;
using jet::ColumnType;

// Type names as Access shows them.
std::string typeName(const ColumnDef& c) {
  switch (static_cast<ColumnType>(c.type)) {
    case ColumnType::Boolean:
      return "Boolean";
    case ColumnType::Byte:
      return "Byte";
    case ColumnType::Integer:
      return "Integer";
    case ColumnType::Long:
      return "Long Integer";
    case ColumnType::Currency:
      return "Currency";
    case ColumnType::Single:
      return "Single";
    case ColumnType::Double:
      return "Double";
    case ColumnType::DateTime:
      return "DateTime";
    case ColumnType::Binary:
      return "Binary (" + std::to_string(c.length) + ")";
    case ColumnType::Text:
      return "Text (" + std::to_string(c.length / 2) + ")";
    case ColumnType::Ole:
      return "OLE";
    case ColumnType::Memo:
      return "Memo";
    case ColumnType::Guid:
      return "Replication ID";
    case ColumnType::Decimal:
      return "Numeric (" + std::to_string(c.precision) + ", " + std::to_string(c.scale) + ")";
  }
  char code[16];
  std::snprintf(code, sizeof code, "Unknown 0x%02X", c.type);
  return code;
}

void addFlag(std::string& flags, bool on, const char* name) {
  if (!on) return;
  if (!flags.empty()) flags += ", ";
  flags += name;
}

std::string columnFlags(const ColumnDef& c) {
  std::string flags;
  addFlag(flags, c.fixed(), "fixed");
  addFlag(flags, !c.fixed(), "variable");
  addFlag(flags, (c.flags & jet::kColumnAutoLong) != 0, "auto-number");
  addFlag(flags, (c.flags & jet::kColumnAutoGuid) != 0, "auto-GUID");
  addFlag(flags, (c.flags & jet::kColumnHyperlink) != 0, "hyperlink");
  addFlag(flags, (c.extraFlags & jet::kColumnCompressedUnicode) != 0, "compressed unicode");
  return flags;
}

std::string indexColumns(const jet::TableDef& t, const jet::RealIndex& r) {
  std::string out;
  for (const jet::IndexColumn& ic : r.columns) {
    if (!out.empty()) out += ", ";
    out += text::toUtf8(t.columnByNumber(ic.columnNumber)->name);
    if (!ic.ascending) out += " DESC";
  }
  return out;
}

std::string indexProperties(const jet::LogicalIndex& l, const jet::RealIndex& r) {
  std::string props;
  addFlag(props, l.primaryKey(), "primary key");
  addFlag(props, l.foreignKey(), "foreign key");
  addFlag(props, r.unique(), "unique");
  addFlag(props, r.ignoreNulls(), "ignore nulls");
  addFlag(props, r.required(), "required");
  return props;
}

void printTable(const jet::TableDef& t) {
  std::printf("table\t%s\n", text::toUtf8(t.name).c_str());
  for (const ColumnDef& c : t.columns) {
    std::printf("column\t%s\t%s\t%u\t%s\n", text::toUtf8(c.name).c_str(), typeName(c).c_str(),
                c.length, columnFlags(c).c_str());
  }
  for (const jet::LogicalIndex& l : t.indexes) {
    const jet::RealIndex& r = t.realIndexes[l.realIndex];
    std::printf("index\t%s\t%s\t%s\n", text::toUtf8(l.name).c_str(), indexColumns(t, r).c_str(),
                indexProperties(l, r).c_str());
  }
}

}  // namespace

int runSchema(plat::Platform& fs, const Args& args) {
  requireArgs(args, 1, 2, "schema FILE [TABLE]");
  jet::Database db;
  db.open(fs, args[0], true);
  const std::vector<Text> names = args.size() == 2 ? std::vector<Text>{args[1]} : db.tableNames();
  for (const Text& name : names) printTable(db.table(name));
  return 0;
}

}  // namespace mdbtool
