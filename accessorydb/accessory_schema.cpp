#include "accessorydb/accessory_schema.h"

#include "accessorydb/jet/ado.h"

namespace accessorydb {

namespace {

ColumnSchema text(const char16_t* name, int32_t size) {
  return {name, jet::adVarWChar, size};
}

TableSchema infoProducent() {
  return {u"info_producent",
          {text(u"Producent", 50), text(u"Nazwa", 50), text(u"Ulica", 50), text(u"Miasto", 50),
           text(u"kod", 10), text(u"Tel", 50), text(u"Fax", 50), text(u"e_mail", 50),
           text(u"osoba", 50)},
          {},
          {}};
}

TableSchema dodatki() {
  return {u"Dodatki",
          {{u"ID", jet::adInteger, std::nullopt},
           text(u"Producent", 30),
           text(u"Grupa", 30),
           text(u"Typ", 30),
           text(u"Nazwa", 100),
           text(u"JPG", 30),
           text(u"Kod_Producenta", 30),
           {u"Dodatek_wst", jet::adBoolean, 0},
           text(u"Kod_Wstawiania", 3),
           text(u"Kolor", 30),
           text(u"DWG", 30),
           text(u"Wysokosc", 10),
           text(u"Opis_Produktu", 255),
           text(u"Kod_Dodatku1", 30),
           text(u"Kod_Dodatku2", 30),
           text(u"Kod_Dodatku3", 30),
           text(u"Kod_Dodatku4", 30),
           text(u"Opis_Koloru", 255),
           text(u"cena", 50),
           text(u"vat", 50),
           text(u"marza", 50),
           text(u"upust", 50),
           text(u"kolorystyka", 50),
           text(u"wymiar X", 50),
           text(u"wymiar Y", 50),
           text(u"wymiar Z", 50),
           text(u"typ_standardowy", 250)},
          u"Primary",
          u"ID"};
}

}  // namespace

const std::vector<TableSchema>& accessoryTables() {
  static const std::vector<TableSchema> tables = {infoProducent(), dodatki()};
  return tables;
}

const TableSchema& accessoryTable(const Text& name) {
  for (const TableSchema& t : accessoryTables()) {
    if (t.name == name) return t;
  }
  throw text::Error(u"Baza dodatków nie ma tabeli `" + name + u"`.");
}

}  // namespace accessorydb
