// The ADO connection and table cursor over the engine's reader (Database, TableScanner) and
// writer (TableWriter).
#include "accessorydb/jet/ado.h"

#include <map>
#include <unordered_map>

#include "accessorydb/jet/connection_string.h"
#include "accessorydb/jet/database.h"
#include "accessorydb/jet/table_writer.h"
#include "accessorydb/jet/value_text.h"

namespace jet::ado {

namespace {

// Mode=Read opens the file read-only; ReadWrite, Write, no Mode or only sharing flags (Share
// Deny ...) open it read-write.
bool readOnlyMode(const Text& connectionString) {
  const std::optional<Text> mode =
      connectionProperty(parseConnectionString(connectionString), u"Mode");
  if (!mode) return false;
  bool read = false;
  bool write = false;
  size_t start = 0;
  for (;;) {
    const size_t bar = mode->find(u'|', start);
    const Text token = text::lowerAscii(text::trim(mode->substr(start, bar - start)));
    read = read || token == u"read";
    write = write || token == u"write" || token == u"readwrite";
    if (bar == Text::npos) break;
    start = bar + 1;
  }
  return read && !write;
}

}  // namespace

struct Connection::Impl {
  plat::Platform& fs;
  Database db;
  bool readOnly = false;
  std::map<uint32_t, std::unique_ptr<TableWriter>> writers;  // by TDEF page

  explicit Impl(plat::Platform& f) : fs(f) {}

  Database& database() {
    if (!db.isOpen()) throw Error(ErrorKind::Misuse, u"The connection is not open");
    return db;
  }
  TableWriter& writerFor(const TableDef& def) {
    std::unique_ptr<TableWriter>& w = writers[def.page()];
    if (!w) w = std::make_unique<TableWriter>(database().pages(), def);
    return *w;
  }
};

Connection::Connection(plat::Platform& fs) : impl_(std::make_unique<Impl>(fs)) {}
Connection::~Connection() = default;

void Connection::open() {
  close();
  const Text path = dataSource(ConnectionString);
  if (path.empty()) throw Error(ErrorKind::Misuse, u"The connection string names no Data Source");
  impl_->readOnly = readOnlyMode(ConnectionString);
  if (impl_->readOnly) {
    impl_->db.open(impl_->fs, path, true);
    return;
  }
  try {
    impl_->db.open(impl_->fs, path, false);
  } catch (const Error& e) {
    // A file that cannot be written (read-only, on a read-only medium) still serves read-only
    // cursors; inserts then fail. When it cannot even be read, the first cause is reported.
    try {
      impl_->db.open(impl_->fs, path, true);
    } catch (const Error&) {
      throw e;
    }
    impl_->readOnly = true;
  }
}

void Connection::commit() {
  impl_->database().commit();
}

bool Connection::close() noexcept {
  impl_->writers.clear();
  return impl_->db.close();
}

bool Connection::connected() const {
  return impl_->db.isOpen();
}

struct TableCursor::Impl {
  Connection::Impl* conn = nullptr;
  const TableDef* def = nullptr;
  // Column positions by name as stored, for the table now open: rows are read and posted column
  // by column, by name, nearly always spelled as stored.
  std::unordered_map<Text, size_t> columnByName;
  std::optional<TableScanner> scanner;
  bool atEnd = true;
  bool inserting = false;
  // The new row, kept from row to row so that texts set into it reuse their storage.
  std::vector<Value> pending;
  std::vector<bool> pendingSet;  // the columns the new row has set

  const TableDef& table() const {
    if (!def) throw Error(ErrorKind::Misuse, u"The table is not open");
    return *def;
  }
  size_t column(const Text& name) const {
    if (const auto it = columnByName.find(name); it != columnByName.end()) return it->second;
    const std::optional<size_t> i = table().columnIndex(name);  // another letter case
    if (!i)
      throw Error(ErrorKind::NoColumn,
                  u"Table " + table().name + u" has no column \"" + name + u"\"",
                  {.table = table().name, .column = name});
    return *i;
  }
  void setTable(const TableDef* table) {
    def = table;
    columnByName.clear();
    if (!table) return;
    for (size_t i = 0; i < table->columns.size(); ++i) {
      columnByName.emplace(table->columns[i].name, i);
    }
  }
  void first() {
    scanner.emplace(conn->database().scan(table()));
    atEnd = !scanner->next();
  }
};

TableCursor::TableCursor() : impl_(std::make_unique<Impl>()) {}
TableCursor::~TableCursor() = default;

void TableCursor::open() {
  close();
  if (!connection)
    throw Error(ErrorKind::Misuse, u"The table " + TableName + u" has no connection");
  Connection::Impl* conn = connection->impl_.get();
  const TableDef& def = conn->database().table(TableName);
  impl_->conn = conn;
  impl_->setTable(&def);
  impl_->first();
}

void TableCursor::close() noexcept {
  if (impl_->conn && !impl_->conn->readOnly && impl_->conn->db.isOpen()) {
    try {
      impl_->conn->db.commit();
    } catch (const std::exception&) {
      // The PageFile keeps the cause (a general one when the commit failed for want of memory):
      // the connection's commit() throws it, its close() discards the pending pages.
      impl_->conn->db.pages().fail(u"the rows of table " + TableName + u" could not be written");
    }
  }
  impl_->scanner.reset();
  impl_->setTable(nullptr);
  impl_->conn = nullptr;
  impl_->atEnd = true;
  impl_->inserting = false;
  impl_->pending.clear();
}

void TableCursor::first() {
  impl_->table();
  impl_->first();
}

void TableCursor::next() {
  impl_->table();
  if (impl_->atEnd)
    throw Error(ErrorKind::Misuse,
                u"No current row in table " + TableName + u": the end is reached");
  impl_->atEnd = !impl_->scanner->next();
}

bool TableCursor::eof() const {
  return impl_->atEnd;
}

Value TableCursor::value(const Text& column) const {
  const size_t i = impl_->column(column);
  if (impl_->atEnd) {
    throw Error(ErrorKind::Misuse, u"No current row in table " + impl_->table().name +
                                       u" to read column " + column + u" from");
  }
  return impl_->scanner->values()[i];
}

size_t TableCursor::fieldIndex(const Text& column) const {
  return impl_->column(column);
}

const Value& TableCursor::fieldValue(size_t field) const {
  const TableDef& def = impl_->table();
  if (field >= def.columns.size())
    throw Error(ErrorKind::Misuse,
                u"Table " + def.name + u" has no column " + text::num(static_cast<int64_t>(field)));
  if (impl_->atEnd) {
    throw Error(ErrorKind::Misuse, u"No current row in table " + def.name + u" to read column " +
                                       def.columns[field].name + u" from");
  }
  return impl_->scanner->values()[field];
}

uint32_t TableCursor::bookmark() const {
  impl_->table();
  if (impl_->atEnd)
    throw Error(ErrorKind::Misuse, u"No current row in table " + TableName + u" to mark");
  return impl_->scanner->position().encode();
}

void TableCursor::gotoBookmark(uint32_t bookmark) {
  impl_->table();
  impl_->atEnd = true;
  impl_->scanner->seek(RowPointer::decode(bookmark));
  impl_->atEnd = false;
}

Text TableCursor::asText(const Text& column) const {
  return valueText(value(column));
}

void TableCursor::insert() {
  const TableDef& def = impl_->table();
  if (ReadOnly || impl_->conn->readOnly) {
    throw Error(ErrorKind::ReadOnly,
                u"The table " + def.name + u" is open read-only: no rows can be added",
                {.table = def.name});
  }
  impl_->pending.resize(def.columns.size());
  impl_->pendingSet.assign(def.columns.size(), false);
  impl_->inserting = true;
}

void TableCursor::set(const Text& column, const Value& v) {
  setField(impl_->column(column), v);
}

void TableCursor::setField(size_t field, const Value& v) {
  const TableDef& def = impl_->table();
  if (field >= def.columns.size())
    throw Error(ErrorKind::Misuse,
                u"Table " + def.name + u" has no column " + text::num(static_cast<int64_t>(field)));
  if (!impl_->inserting) {
    throw Error(ErrorKind::Misuse, u"Column " + def.columns[field].name + u" of table " + def.name +
                                       u" can only be set in a new row (call insert first)");
  }
  impl_->pending[field] = v;
  impl_->pendingSet[field] = true;
}

void TableCursor::post() {
  const TableDef& def = impl_->table();
  if (!impl_->inserting)
    throw Error(ErrorKind::Misuse, u"No new row of table " + def.name + u" to post");
  // Posted or refused, the new row is done with.
  impl_->inserting = false;
  std::vector<Value>& row = impl_->pending;
  for (size_t i = 0; i < row.size(); ++i) {
    if (!impl_->pendingSet[i]) row[i] = Null{};
  }
  impl_->conn->writerFor(def).insert(row);
}

std::vector<Text> TableCursor::columnNames() const {
  std::vector<Text> names;
  for (const ColumnDef& c : impl_->table().columns) names.push_back(c.name);
  return names;
}

}  // namespace jet::ado
