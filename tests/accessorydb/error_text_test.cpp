// The installer's Polish wording of every engine error kind, and the messages of the other
// errors passed on as they are.
#include "accessorydb/error_text.h"

#include <gtest/gtest.h>

#include "accessorydb/jet/error.h"
#include "platform/file.h"
#include "tests/support/english_words.h"

namespace {

using jet::ErrorArgs;
using jet::ErrorKind;
using text::Text;

struct Case {
  ErrorKind kind;
  ErrorArgs args;
  const char16_t* polish;
};

const Text kPath = u"C:\\CAD A\\dodatki\\P\\dodatki.mdb";
const Text kCause =
    u"Nie można utworzyć pliku `C:\\CAD A\\dodatki\\P\\dodatki.mdb`. Odmowa dostępu.";

TEST(ErrorText, EveryEngineKindIsWordedInPolishWithItsNames) {
  const Case cases[] = {
      {ErrorKind::Damaged, {}, u"Plik bazy danych jest uszkodzony."},
      {ErrorKind::NotJet4, {}, u"Plik nie jest bazą danych MDB w formacie Jet 4."},
      {ErrorKind::Encrypted, {}, u"Baza danych jest zaszyfrowana lub chroniona hasłem."},
      {ErrorKind::Unsupported, {}, u"Ten rodzaj bazy danych nie jest obsługiwany."},
      {ErrorKind::Unsupported, {.column = u"opis"}, u"Wartości kolumny `opis` nie są obsługiwane."},
      {ErrorKind::TooLarge,
       {},
       u"Baza danych przekroczyła największy rozmiar dozwolony w formacie Jet 4."},
      {ErrorKind::OpenFailed,
       {.path = kPath, .cause = kCause},
       u"Nie można otworzyć bazy danych `C:\\CAD A\\dodatki\\P\\dodatki.mdb`. Nie można utworzyć "
       u"pliku `C:\\CAD A\\dodatki\\P\\dodatki.mdb`. Odmowa dostępu."},
      {ErrorKind::CreateFailed,
       {.path = kPath},
       u"Nie można utworzyć bazy danych `C:\\CAD A\\dodatki\\P\\dodatki.mdb`."},
      {ErrorKind::WriteFailed,
       {.path = kPath},
       u"Nie można zapisać bazy danych `C:\\CAD A\\dodatki\\P\\dodatki.mdb`."},
      {ErrorKind::Exists,
       {.path = kPath},
       u"Baza danych `C:\\CAD A\\dodatki\\P\\dodatki.mdb` już istnieje."},
      {ErrorKind::ReadOnly, {}, u"Baza danych jest otwarta tylko do odczytu."},
      {ErrorKind::ReadOnly,
       {.table = u"Dodatki"},
       u"Tabela `Dodatki` jest otwarta tylko do odczytu."},
      {ErrorKind::NoTable, {.table = u"Dodatki"}, u"Baza danych nie ma tabeli `Dodatki`."},
      {ErrorKind::NoColumn,
       {.table = u"Dodatki", .column = u"cena"},
       u"Tabela `Dodatki` nie ma kolumny `cena`."},
      {ErrorKind::MissingValue,
       {.table = u"Dodatki", .column = u"ID"},
       u"Tabela `Dodatki` wymaga wartości w kolumnie `ID`."},
      {ErrorKind::DuplicateKey,
       {.table = u"Dodatki", .value = u"ID = 4"},
       u"Tabela `Dodatki` ma już wiersz o kluczu `ID = 4`."},
      {ErrorKind::BadValue, {.column = u"ID"}, u"Wartość kolumny `ID` nie pasuje do jej typu."},
      {ErrorKind::OutOfRange,
       {.column = u"ID"},
       u"Wartość kolumny `ID` jest poza zakresem jej typu."},
      {ErrorKind::TooLong, {.column = u"Nazwa"}, u"Wartość kolumny `Nazwa` jest za długa."},
      {ErrorKind::RowTooLong, {.table = u"Dodatki"}, u"Wiersz jest za długi dla tabeli `Dodatki`."},
      {ErrorKind::KeyTooLarge,
       {.table = u"Dodatki", .column = u"Nazwa", .value = u"ID = 4"},
       u"Klucz wiersza `ID = 4` w indeksie na kolumnie `Nazwa` tabeli `Dodatki` jest za duży, by "
       u"zmieścić się na stronie indeksu."},
      {ErrorKind::KeylessText,
       {.value = u"a\u0378b", .character = u"U+0378"},
       u"Tekst `a\u0378b` zawiera znak U+0378, którego program nie umie zapisać w indeksie."},
      {ErrorKind::KeylessText,
       {.column = u"Nazwa", .value = u"Zażółć", .character = u"U+017C"},
       u"Tekst `Zażółć` kolumny `Nazwa` zawiera znak U+017C, którego program nie umie zapisać w "
       u"indeksie; nie można dopisać tego wiersza."},
      {ErrorKind::UnencodedSortOrder,
       {.table = u"Dodatki", .column = u"Nazwa", .value = u"2052"},
       u"Tabela `Dodatki` ma indeks na tekście kolumny `Nazwa` w porządku sortowania 2052, "
       u"którego program nie obsługuje; nie można dopisać do niej wierszy."},
      {ErrorKind::UnencodedSortOrder,
       {.column = u"Nazwa", .value = u"2052"},
       u"Kolumna `Nazwa` ma porządek sortowania 2052, którego program nie obsługuje."},
      {ErrorKind::BadDefinition, {}, u"Nieprawidłowa definicja tabeli bazy danych."},
      {ErrorKind::BadDefinition,
       {.table = u"Dodatki"},
       u"Nieprawidłowa definicja tabeli `Dodatki`."},
      {ErrorKind::Misuse, {}, u"Błąd wewnętrzny obsługi bazy danych."},
      {ErrorKind::Internal, {}, u"Błąd wewnętrzny obsługi bazy danych."},
  };
  for (const Case& c : cases) {
    const jet::Error e(c.kind, u"The English text for the engine's tools", c.args);
    const Text polish = accessorydb::errorText(e);
    EXPECT_EQ(text::toUtf8(polish), text::toUtf8(c.polish));
    EXPECT_TRUE(apptest::englishWords(polish).empty()) << text::toUtf8(polish);
  }
}

TEST(ErrorText, OtherErrorsKeepTheirMessage) {
  EXPECT_EQ(accessorydb::errorText(plat::FileError(kCause)), kCause);
  EXPECT_EQ(accessorydb::errorText(text::Error(u"Plik nie jest archiwum ZIP.")),
            u"Plik nie jest archiwum ZIP.");
}

TEST(EnglishWords, FindsListedWordsWholeAndInAnyCase) {
  EXPECT_EQ(apptest::englishWords(u"Cannot create the database"),
            (std::vector<std::string>{"cannot", "the", "database"}));
  EXPECT_EQ(apptest::englishWords(u"Table `Dodatki` has no column \"cena\""),
            (std::vector<std::string>{"table", "column"}));
  EXPECT_TRUE(apptest::englishWords(u"Tabela `Dodatki` nie ma kolumny `cena`.").empty());
  EXPECT_TRUE(apptest::englishWords(u"notes.txt, Thea, filezilla, ąnot").empty());
}

}  // namespace
