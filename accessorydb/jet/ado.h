// The engine's public face, shaped like the ADOX catalog objects and the ADO connection and
// table cursor that the accessory database code is written against. It knows nothing of the
// installer: any Jet 4 file, any table.
#pragma once

#include <cstdint>
#include <memory>
#include <optional>
#include <string>
#include <variant>
#include <vector>

#include "accessorydb/jet/error.h"
#include "accessorydb/jet/value.h"
#include "platform/platform.h"
#include "platform/text.h"

namespace jet {

using text::Text;

// ADO data type numbers, as ADOX columns take them.
enum AdoType : int32_t {
  adInteger = 3,
  adBoolean = 11,
  adVarWChar = 202,
};

enum KeyType : int32_t { adKeyPrimary = 1 };

namespace adox {

class Catalog;

class Column {
 public:
  Catalog* ParentCatalog = nullptr;
  Text Name;
  int32_t Type = adVarWChar;
  std::optional<int32_t> DefinedSize;  // not set for ID
};

class Key {
 public:
  Text Name;
  int32_t Type = adKeyPrimary;
  std::vector<Text> Columns;  // column names
};

class Table {
 public:
  Text Name;
  std::vector<Column> Columns;
  std::vector<Key> Keys;
};

// Creates a database file and appends tables to it.
class Catalog {
 public:
  // Files are opened through the given platform (the real one, or a test's fake).
  explicit Catalog(plat::Platform& fs);
  ~Catalog();
  Catalog(const Catalog&) = delete;
  Catalog& operator=(const Catalog&) = delete;

  // "Provider=...;Jet OLEDB:Engine Type=5;Data Source=PATH": creates an empty Jet 4 database
  // at PATH; fails when the file exists or cannot be made.
  void Create(const Text& connectionString);
  // Opens the file named by Data Source= for the following appends.
  void setActiveConnection(const Text& connectionString);
  // Creates the table with its columns (in order) and keys in the file.
  void appendTable(const Table& table);

 private:
  struct Impl;
  std::unique_ptr<Impl> impl_;
};

}  // namespace adox

namespace ado {

class Connection {
 public:
  explicit Connection(plat::Platform& fs);
  ~Connection();
  Connection(const Connection&) = delete;
  Connection& operator=(const Connection&) = delete;

  Text ConnectionString;
  bool LoginPrompt = true;
  // Opens the file named by Data Source= (read-write unless the cursor asks for read-only).
  void open();
  // Writes the rows posted so far to the file; throws Error with the cause (also the cause of
  // an earlier failed post or table close, after which nothing more is written).
  void commit();
  // Commits unless an error came first, and closes; false when posted rows were discarded.
  // Never throws.
  bool close() noexcept;
  bool connected() const;

 private:
  friend class TableCursor;
  struct Impl;
  std::unique_ptr<Impl> impl_;
};

// A cursor over one table: scans in table order, reads columns by name, inserts rows.
class TableCursor {
 public:
  TableCursor();
  ~TableCursor();
  TableCursor(const TableCursor&) = delete;
  TableCursor& operator=(const TableCursor&) = delete;

  Connection* connection = nullptr;
  Text TableName;
  bool ReadOnly = false;

  void open();  // positions on the first row
  // Commits the connection's posted rows; a failure is kept for the connection's commit() and
  // close(). Never throws.
  void close() noexcept;
  void first();
  void next();
  bool eof() const;

  // The current row's column; fails for an unknown column name.
  Value value(const Text& column) const;
  // The same as text; null reads as empty text.
  Text asText(const Text& column) const;
  // A column's place in table order (fails for an unknown name), and the current row's value at
  // that place: a faster way to read the same column of many rows.
  size_t fieldIndex(const Text& column) const;
  const Value& fieldValue(size_t field) const;

  // The current row's bookmark, and the way back to the row that has it: another cursor on the
  // same table may take it, so that one cursor scans while another looks rows up.
  uint32_t bookmark() const;
  void gotoBookmark(uint32_t bookmark);

  // Starts a new row, sets its columns, posts it into the connection's pending pages; a refused
  // post (duplicate primary key, text too long, unknown column) raises an Error and changes
  // nothing. The rows reach the file at the connection's commit or close, at this cursor's
  // close, or when the pending pages reach their bound.
  void insert();
  void set(const Text& column, const Value& v);
  void setField(size_t field, const Value& v);  // by fieldIndex()
  void post();

  // Column names in table order.
  std::vector<Text> columnNames() const;

 private:
  struct Impl;
  std::unique_ptr<Impl> impl_;
};

}  // namespace ado

// "Data Source=" of a connection string, up to the next ";" (or the end).
Text dataSource(const Text& connectionString);

}  // namespace jet
