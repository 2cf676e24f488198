#include "accessorydb/error_text.h"

#include "accessorydb/jet/error.h"

namespace accessorydb {

namespace {

using jet::ErrorKind;
using text::Text;

Text quoted(const Text& name) {
  return u"`" + name + u"`";
}

// A file error's message names the file and the system's reason; the engine's sentence goes first.
Text withCause(const Text& sentence, const Text& cause) {
  return cause.empty() ? sentence : sentence + u" " + cause;
}

Text engineText(const jet::Error& e) {
  const jet::ErrorArgs& a = e.args();
  switch (e.kind()) {
    case ErrorKind::Damaged:
      return u"Plik bazy danych jest uszkodzony.";
    case ErrorKind::NotJet4:
      return u"Plik nie jest bazą danych MDB w formacie Jet 4.";
    case ErrorKind::Encrypted:
      return u"Baza danych jest zaszyfrowana lub chroniona hasłem.";
    case ErrorKind::Unsupported:
      return a.column.empty() ? u"Ten rodzaj bazy danych nie jest obsługiwany."
                              : u"Wartości kolumny " + quoted(a.column) + u" nie są obsługiwane.";
    case ErrorKind::TooLarge:
      return u"Baza danych przekroczyła największy rozmiar dozwolony w formacie Jet 4.";
    case ErrorKind::OpenFailed:
      return withCause(u"Nie można otworzyć bazy danych " + quoted(a.path) + u".", a.cause);
    case ErrorKind::CreateFailed:
      return withCause(u"Nie można utworzyć bazy danych " + quoted(a.path) + u".", a.cause);
    case ErrorKind::WriteFailed:
      // A page cache knows its file, not the file's name.
      return withCause(a.path.empty() ? Text(u"Nie można zapisać bazy danych.")
                                      : u"Nie można zapisać bazy danych " + quoted(a.path) + u".",
                       a.cause);
    case ErrorKind::Exists:
      return u"Baza danych " + quoted(a.path) + u" już istnieje.";
    case ErrorKind::ReadOnly:
      return a.table.empty() ? u"Baza danych jest otwarta tylko do odczytu."
                             : u"Tabela " + quoted(a.table) + u" jest otwarta tylko do odczytu.";
    case ErrorKind::NoTable:
      return u"Baza danych nie ma tabeli " + quoted(a.table) + u".";
    case ErrorKind::NoColumn:
      return u"Tabela " + quoted(a.table) + u" nie ma kolumny " + quoted(a.column) + u".";
    case ErrorKind::MissingValue:
      return u"Tabela " + quoted(a.table) + u" wymaga wartości w kolumnie " + quoted(a.column) +
             u".";
    case ErrorKind::DuplicateKey:
      return u"Tabela " + quoted(a.table) + u" ma już wiersz o kluczu " + quoted(a.value) + u".";
    case ErrorKind::BadValue:
      return u"Wartość kolumny " + quoted(a.column) + u" nie pasuje do jej typu.";
    case ErrorKind::OutOfRange:
      return u"Wartość kolumny " + quoted(a.column) + u" jest poza zakresem jej typu.";
    case ErrorKind::TooLong:
      return u"Wartość kolumny " + quoted(a.column) + u" jest za długa.";
    case ErrorKind::RowTooLong:
      return u"Wiersz jest za długi dla tabeli " + quoted(a.table) + u".";
    case ErrorKind::KeyTooLarge:
      return u"Klucz wiersza " + quoted(a.value) + u" w indeksie na kolumnie " + quoted(a.column) +
             u" tabeli " + quoted(a.table) + u" jest za duży, by zmieścić się na stronie indeksu.";
    case ErrorKind::KeylessText:
      return u"Tekst " + quoted(a.value) +
             (a.column.empty() ? Text() : u" kolumny " + quoted(a.column)) + u" zawiera znak " +
             a.character + u", którego program nie umie zapisać w indeksie" +
             (a.column.empty() ? Text(u".") : Text(u"; nie można dopisać tego wiersza."));
    case ErrorKind::UnencodedSortOrder:
      return a.table.empty()
                 ? u"Kolumna " + quoted(a.column) + u" ma porządek sortowania " + a.value +
                       u", którego program nie obsługuje."
                 : u"Tabela " + quoted(a.table) + u" ma indeks na tekście kolumny " +
                       quoted(a.column) + u" w porządku sortowania " + a.value +
                       u", którego program nie obsługuje; nie można dopisać do niej wierszy.";
    case ErrorKind::BadDefinition:
      return a.table.empty() ? u"Nieprawidłowa definicja tabeli bazy danych."
                             : u"Nieprawidłowa definicja tabeli " + quoted(a.table) + u".";
    case ErrorKind::Misuse:
    case ErrorKind::Internal:
      break;
  }
  return u"Błąd wewnętrzny obsługi bazy danych.";
}

}  // namespace

Text errorText(const text::Error& e) {
  if (const auto* engine = dynamic_cast<const jet::Error*>(&e)) return engineText(*engine);
  return e.message();
}

}  // namespace accessorydb
