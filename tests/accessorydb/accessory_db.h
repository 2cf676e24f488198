// Accessory databases for the tests: rows as values in the tables' column order, databases
// made through the installer's own MDBCreate and filled through the engine's cursors, and read
// back in table order.
#pragma once

#include <cstdint>
#include <functional>
#include <string>
#include <utility>
#include <vector>

#include "accessorydb/jet/value.h"
#include "platform/platform.h"

namespace accdbtest {

using text::Text;
using Row = std::vector<jet::Value>;  // one row: the table's columns in creation order

// A row of the table with the given columns set and the others null.
Row tableRow(const Text& table, const std::vector<std::pair<Text, jet::Value>>& columns);

// Rows whose key and name are given; a few other columns, of every kind the tables have (short
// and long texts, the yes/no flag), carry values derived from tag, the rest stay null, so that
// a copy is checked column by column.
Row producer(const jet::Value& producent, const jet::Value& nazwa, const Text& tag = u"p");
Row item(const jet::Value& id, const jet::Value& nazwa, const Text& tag = u"i");

struct Content {
  std::vector<Row> producers;  // info_producent
  std::vector<Row> items;      // Dodatki
  bool operator==(const Content&) const = default;
};

// A new accessory database (made by the installer's creation step) holding the rows, in this
// order.
void writeDatabase(plat::Platform& fs, const Text& path, const Content& content);
// Appends the rows to an existing database.
void appendRows(plat::Platform& fs, const Text& path, const Content& content);
// Both tables in table order.
Content readDatabase(plat::Platform& fs, const Text& path);

// Errors the engine does not name, as a step may meet them: out of memory and a program error,
// each with the lines the step logs for it and the cause it returns.
struct UnexpectedError {
  const char* name;
  std::function<void()> raise;
  std::vector<std::pair<int32_t, Text>> lines;
  Text cause;
};
std::vector<UnexpectedError> unexpectedErrors();

}  // namespace accdbtest
