#include "tests/accessorydb/accessory_db.h"

#include <new>
#include <stdexcept>

#include "accessorydb/accessory_schema.h"
#include "accessorydb/connection_strings.h"
#include "accessorydb/jet/ado.h"
#include "accessorydb/mdb_create.h"

namespace accdbtest {

namespace {

const accessorydb::TableSchema& producers() {
  return accessorydb::accessoryTable(u"info_producent");
}
const accessorydb::TableSchema& items() {
  return accessorydb::accessoryTable(u"Dodatki");
}

}  // namespace

Row tableRow(const Text& table, const std::vector<std::pair<Text, jet::Value>>& columns) {
  const accessorydb::TableSchema& schema = accessorydb::accessoryTable(table);
  Row row(schema.columns.size(), jet::Null{});
  for (const auto& [name, value] : columns) {
    bool found = false;
    for (size_t i = 0; i < schema.columns.size(); ++i) {
      if (schema.columns[i].name == name) {
        row[i] = value;
        found = true;
      }
    }
    if (!found) throw std::logic_error("no column " + text::toUtf8(name));
  }
  return row;
}

namespace {

void insertRows(jet::ado::Connection& connection, const accessorydb::TableSchema& schema,
                const std::vector<Row>& rows) {
  jet::ado::TableCursor cursor;
  cursor.connection = &connection;
  cursor.TableName = schema.name;
  cursor.open();
  for (const Row& row : rows) {
    cursor.insert();
    for (size_t i = 0; i < row.size(); ++i) cursor.set(schema.columns[i].name, row[i]);
    cursor.post();
  }
  cursor.close();
}

std::vector<Row> readRows(jet::ado::Connection& connection,
                          const accessorydb::TableSchema& schema) {
  jet::ado::TableCursor cursor;
  cursor.connection = &connection;
  cursor.TableName = schema.name;
  cursor.ReadOnly = true;
  cursor.open();
  std::vector<Row> rows;
  for (; !cursor.eof(); cursor.next()) {
    Row row;
    for (const auto& c : schema.columns) row.push_back(cursor.value(c.name));
    rows.push_back(std::move(row));
  }
  cursor.close();
  return rows;
}

}  // namespace

Row producer(const jet::Value& producent, const jet::Value& nazwa, const Text& tag) {
  return tableRow(u"info_producent", {{u"Producent", producent},
                                      {u"Nazwa", nazwa},
                                      {u"Ulica", u"ul. " + tag},
                                      {u"kod", tag.substr(0, 10)},
                                      {u"osoba", tag}});
}

Row item(const jet::Value& id, const jet::Value& nazwa, const Text& tag) {
  return tableRow(u"Dodatki", {{u"ID", id},
                               {u"Nazwa", nazwa},
                               {u"Producent", Text(u"Meblar")},
                               {u"Dodatek_wst", tag.size() % 2 == 0},
                               {u"Kod_Wstawiania", tag.substr(0, 3)},
                               {u"Opis_Produktu", u"opis " + tag},
                               {u"wymiar X", tag},
                               {u"typ_standardowy", tag + u" std"}});
}

void writeDatabase(plat::Platform& fs, const Text& path, const Content& content) {
  const accessorydb::Creation made = accessorydb::createDatabase(fs, path, logs::Log());
  if (!made.created()) {
    throw std::runtime_error("creating " + text::toUtf8(path) + ": " + text::toUtf8(made.cause));
  }
  appendRows(fs, path, content);
}

void appendRows(plat::Platform& fs, const Text& path, const Content& content) {
  jet::ado::Connection connection(fs);
  connection.ConnectionString = accessorydb::openConnectionString(path);
  connection.LoginPrompt = false;
  connection.open();
  insertRows(connection, producers(), content.producers);
  insertRows(connection, items(), content.items);
  connection.commit();
  connection.close();
}

Content readDatabase(plat::Platform& fs, const Text& path) {
  jet::ado::Connection connection(fs);
  connection.ConnectionString = accessorydb::openConnectionString(path);
  connection.LoginPrompt = false;
  connection.open();
  Content content{readRows(connection, producers()), readRows(connection, items())};
  connection.close();
  return content;
}

std::vector<UnexpectedError> unexpectedErrors() {
  return {
      {"out of memory",
       [] { throw std::bad_alloc(); },
       {{logs::IMPORTANT, u"Za mało pamięci, aby dokończyć instalację."}},
       u"Za mało pamięci, aby dokończyć instalację."},
      {"program error",
       [] { throw std::logic_error("indeks poza zakresem"); },
       {{logs::IMPORTANT, u"Nieoczekiwany błąd programu."}, {logs::DEBUG, u"indeks poza zakresem"}},
       u"indeks poza zakresem"}};
}

}  // namespace accdbtest
