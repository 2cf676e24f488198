// Creating an empty accessory database: its tables and limits, the replaced file, the failures.
#include "accessorydb/mdb_create.h"

#include <gtest/gtest.h>

#include <functional>
#include <new>
#include <stdexcept>
#include <utility>

#include "accessorydb/connection_strings.h"
#include "accessorydb/jet/ado.h"
#include "accessorydb/jet/database.h"
#include "tests/accessorydb/accessory_db.h"
#include "tests/accessorydb/step_fixture.h"
#include "tests/accessorydb/test_print.h"

namespace accdbtest {
namespace {

using text::Text;

const Text kDb = u"C:\\P\\dodatki.mdb";
const std::vector<Text> kCreationLog = {
    u"Tworzenie pliku bazy danych.", u"Tworzenie tabeli `info_roducent`",
    u"Tworzenie tabeli `Dodatki`", u"Utworzono pustą bazę danych."};

class MdbCreate : public StepTest {
 protected:
  MdbCreate() { fs.mkdirs(u"C:\\P"); }

  // Opens one table of kDb for writing.
  void openTable(const Text& table) {
    connection.ConnectionString = accessorydb::openConnectionString(kDb);
    connection.LoginPrompt = false;
    connection.open();
    cursor.connection = &connection;
    cursor.TableName = table;
    cursor.open();
  }
  // Posts a row with the given columns; false when the database refuses it.
  bool post(const std::vector<std::pair<Text, jet::Value>>& columns) {
    try {
      cursor.insert();
      for (const auto& [name, value] : columns) cursor.set(name, value);
      cursor.post();
      return true;
    } catch (const jet::Error&) {
      return false;
    }
  }

  jet::ado::Connection connection{fs};
  jet::ado::TableCursor cursor;
};

TEST_F(MdbCreate, MakesBothTablesEmptyWithTheirColumnsInOrder) {
  ASSERT_TRUE(accessorydb::createDatabase(fs, kDb, log()).created());
  EXPECT_EQ(lines, kCreationLog);
  EXPECT_EQ(readDatabase(fs, kDb), Content{});

  openTable(u"info_producent");
  EXPECT_EQ(cursor.columnNames(), (std::vector<Text>{u"Producent", u"Nazwa", u"Ulica", u"Miasto",
                                                     u"kod", u"Tel", u"Fax", u"e_mail", u"osoba"}));
  openTable(u"Dodatki");
  EXPECT_EQ(cursor.columnNames(), (std::vector<Text>{u"ID",
                                                     u"Producent",
                                                     u"Grupa",
                                                     u"Typ",
                                                     u"Nazwa",
                                                     u"JPG",
                                                     u"Kod_Producenta",
                                                     u"Dodatek_wst",
                                                     u"Kod_Wstawiania",
                                                     u"Kolor",
                                                     u"DWG",
                                                     u"Wysokosc",
                                                     u"Opis_Produktu",
                                                     u"Kod_Dodatku1",
                                                     u"Kod_Dodatku2",
                                                     u"Kod_Dodatku3",
                                                     u"Kod_Dodatku4",
                                                     u"Opis_Koloru",
                                                     u"cena",
                                                     u"vat",
                                                     u"marza",
                                                     u"upust",
                                                     u"kolorystyka",
                                                     u"wymiar X",
                                                     u"wymiar Y",
                                                     u"wymiar Z",
                                                     u"typ_standardowy"}));
}

TEST_F(MdbCreate, TextColumnsHoldTheirDefinedSizeAndNoMore) {
  ASSERT_TRUE(accessorydb::createDatabase(fs, kDb, log()).created());
  struct Case {
    const char16_t* table;
    const char16_t* column;
    size_t size;
  };
  const Case cases[] = {{u"Dodatki", u"Kod_Wstawiania", 3},    {u"Dodatki", u"Opis_Produktu", 255},
                        {u"Dodatki", u"typ_standardowy", 250}, {u"Dodatki", u"Nazwa", 100},
                        {u"Dodatki", u"wymiar Z", 50},         {u"info_producent", u"Nazwa", 50},
                        {u"info_producent", u"kod", 10}};
  int32_t id = 0;
  for (const Case& c : cases) {
    SCOPED_TRACE(text::toUtf8(Text(c.table) + u"." + c.column));
    openTable(c.table);
    const bool items = Text(c.table) == u"Dodatki";
    const auto row = [&](size_t length) {
      std::vector<std::pair<Text, jet::Value>> columns{{c.column, Text(length, u'ż')}};
      if (items) columns.push_back({u"ID", ++id});
      return columns;
    };
    EXPECT_TRUE(post(row(c.size)));
    EXPECT_FALSE(post(row(c.size + 1)));
  }
}

TEST_F(MdbCreate, IdIsAPrimaryKeyTheCallerFills) {
  ASSERT_TRUE(accessorydb::createDatabase(fs, kDb, log()).created());
  openTable(u"Dodatki");
  EXPECT_TRUE(post({{u"ID", int32_t{-7}}, {u"Dodatek_wst", true}}));
  EXPECT_TRUE(post({{u"ID", int32_t{2147483647}}}));
  EXPECT_FALSE(post({{u"ID", int32_t{-7}}})) << "a second row with one ID";
  openTable(u"info_producent");
  EXPECT_TRUE(post({{u"Producent", Text(u"A")}, {u"Nazwa", Text(u"x")}}));
  EXPECT_TRUE(post({{u"Producent", Text(u"A")}, {u"Nazwa", Text(u"x")}})) << "no key here";
  cursor.close();
  connection.close();
  const Content c = readDatabase(fs, kDb);
  EXPECT_EQ(c.items.size(), 2u);
  EXPECT_EQ(c.items[0][0], jet::Value(int32_t{-7}));
  EXPECT_EQ(c.producers.size(), 2u);
}

TEST_F(MdbCreate, ReplacesAnExistingFile) {
  writeDatabase(fs, kDb, {{producer(Text(u"A"), Text(u"x"))}, {item(int32_t{1}, Text(u"a"))}});
  ASSERT_TRUE(accessorydb::createDatabase(fs, kDb, log()).created());
  std::vector<Text> expected = {u"Znaleniono istniejący plik z dazą danych.",
                                u"Usunięto istniejący plik z dazą danych."};
  expected.insert(expected.end(), kCreationLog.begin(), kCreationLog.end());
  EXPECT_EQ(lines, expected);
  EXPECT_EQ(readDatabase(fs, kDb), Content{});
}

TEST_F(MdbCreate, AtTheNormalLevelASuccessLogsNothing) {
  level = logs::IMPORTANT;
  fs.writeFile(kDb, std::string("not a database"));
  ASSERT_TRUE(accessorydb::createDatabase(fs, kDb, log()).created());
  EXPECT_TRUE(lines.empty());
  EXPECT_EQ(lastImportant, u"");
}

TEST_F(MdbCreate, IntoAMissingFolderFailsWithTheEngineMessage) {
  const Text path = u"C:\\brak\\dodatki.mdb";
  EXPECT_FALSE(accessorydb::createDatabase(fs, path, log()).created());
  ASSERT_EQ(lines.size(), 2u);
  const Text prefix = u"[Błąd tworzenia bazy danych MDB.] ";
  EXPECT_EQ(lines[1].substr(0, prefix.size()), prefix);
  EXPECT_GT(lines[1].size(), prefix.size()) << "the engine's own message follows";
  EXPECT_EQ(lastImportant, lines[1]);
  EXPECT_FALSE(fs.fileExists(path));
}

// Writes counted on a fresh platform: those of the whole creation, or of the empty file alone.
int writesOf(const std::function<void(fake::FakePlatform&)>& step) {
  fake::FakePlatform counting;
  counting.mkdirs(u"C:\\P");
  step(counting);
  return counting.opCount[fake::Op::Write];
}

// A write failing while the tables are added leaves no file behind: the catalog lets go of the
// half-made file before it is deleted (an open file could not be deleted).
TEST_F(MdbCreate, AFailedWriteRemovesTheHalfMadeFile) {
  const int all = writesOf([](fake::FakePlatform& p) {
    ASSERT_TRUE(accessorydb::createDatabase(p, kDb, logs::Log()).created());
  });
  const int emptyFile = writesOf([](fake::FakePlatform& p) {
    jet::adox::Catalog(p).Create(u"Provider=Microsoft.Jet.OLEDB.4.0;Data Source=" + kDb);
  });
  ASSERT_GT(all, emptyFile);
  for (const int failing : {emptyFile + 1, (emptyFile + all) / 2, all}) {
    SCOPED_TRACE(failing);
    fake::FakePlatform local;
    local.mkdirs(u"C:\\P");
    int seen = 0;
    local.shouldFail = [&](fake::Op op, const Text&) {
      return op == fake::Op::Write && ++seen == failing;
    };
    std::vector<Text> logged;
    Text important;
    const logs::Log log(logs::DEBUG, [&](logs::Level level, const Text& line) {
      logged.push_back(line);
      if (level == logs::IMPORTANT) important = line;
    });
    EXPECT_FALSE(accessorydb::createDatabase(local, kDb, log).created());
    ASSERT_GE(logged.size(), 3u);
    EXPECT_EQ(logged[logged.size() - 2].rfind(u"[Błąd tworzenia bazy danych MDB.] ", 0), 0u);
    EXPECT_EQ(logged.back(), u"Usunięto błędnie utworzony plik z dazą danych.");
    EXPECT_EQ(important, logged.back());
    EXPECT_FALSE(local.fileExists(kDb));
  }
}

// An error the engine does not name, thrown while the tables are added, takes the same clean-up:
// the catalog lets go of the file, the file goes, and the cause is logged.
TEST(MdbCreateUnexpected, AnyErrorTakesTheCleanUpAndIsLogged) {
  const int all = writesOf([](fake::FakePlatform& p) {
    ASSERT_TRUE(accessorydb::createDatabase(p, kDb, logs::Log()).created());
  });
  for (const accdbtest::UnexpectedError& c : accdbtest::unexpectedErrors()) {
    SCOPED_TRACE(c.name);
    fake::FakePlatform local;
    local.mkdirs(u"C:\\P");
    int seen = 0;
    local.shouldFail = [&](fake::Op op, const Text&) {
      if (op == fake::Op::Write && ++seen == all) c.raise();
      return false;
    };
    std::vector<std::pair<int32_t, Text>> lines;
    const logs::Log log(
        logs::DEBUG, [&](logs::Level level, const Text& line) { lines.emplace_back(level, line); });
    accessorydb::Creation creation;
    ASSERT_NO_THROW(creation = accessorydb::createDatabase(local, kDb, log));
    EXPECT_FALSE(creation.created());
    EXPECT_EQ(creation.cause, c.cause);
    std::vector<std::pair<int32_t, Text>> expected = c.lines;
    expected.emplace_back(logs::IMPORTANT, u"Usunięto błędnie utworzony plik z dazą danych.");
    ASSERT_GE(lines.size(), expected.size());
    const std::vector<std::pair<int32_t, Text>> last(
        lines.end() - static_cast<std::ptrdiff_t>(expected.size()), lines.end());
    EXPECT_EQ(last, expected);
    EXPECT_FALSE(local.fileExists(kDb));
  }
}

TEST_F(MdbCreate, AFileThatCannotBeDeletedIsReportedAndStays) {
  fs.writeFile(kDb, std::string("held by another program"));
  fs.holdOpen(kDb);
  EXPECT_FALSE(accessorydb::createDatabase(fs, kDb, log()).created());
  ASSERT_EQ(lines.size(), 5u);
  EXPECT_EQ(lines[0], u"Znaleniono istniejący plik z dazą danych.");
  const Text inUse = u"Plik jest używany przez inny program.";
  EXPECT_EQ(lines[1], u"Błąd kasowania istniejącego pliku z dazą danych. " + inUse);
  EXPECT_EQ(lines[2], u"Tworzenie pliku bazy danych.");
  EXPECT_EQ(lines[3].rfind(u"[Błąd tworzenia bazy danych MDB.] ", 0), 0u);
  // The clean-up tries the same deletion, and says that the file stays.
  EXPECT_EQ(lines[4],
            u"Nie można usunąć błędnie utworzonego pliku z bazą danych: " + kDb + u". " + inUse);
  EXPECT_EQ(fs.readFile(kDb), "held by another program");
}

}  // namespace
}  // namespace accdbtest
