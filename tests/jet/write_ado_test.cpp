// The ADO connection and table cursor over a new accessory database in the fake file system.
#include <gtest/gtest.h>

#include "accessorydb/jet/ado.h"
#include "accessorydb/jet/value_text.h"
#include "tests/jet/jet_test_support.h"
#include "tests/jet/write_support.h"
#include "tests/support/fake_platform.h"

namespace {

using jet::Null;
using jet::Value;

const std::u16string kPath = u"C:\\db\\dodatki.mdb";

std::u16string connectionString(const std::u16string& mode = u"ReadWrite|Share Deny None") {
  return u"Provider=Microsoft.Jet.OLEDB.4.0;Data Source=" + kPath + u";Mode=" + mode +
         u";Persist Security Info=False;";
}

class WriteAdo : public ::testing::Test {
 protected:
  void SetUp() override {
    fs.mkdirs(u"C:\\db");
    fs.writeFile(kPath, *jettest::accessoryDatabase());
    conn.ConnectionString = connectionString();
    conn.LoginPrompt = false;
    conn.open();
    table.connection = &conn;
    table.TableName = u"Dodatki";
    table.open();
  }

  void add(int32_t id, const Value& nazwa, bool wst, const Value& opis = Null{}) {
    table.insert();
    table.set(u"ID", id);
    table.set(u"Nazwa", nazwa);
    table.set(u"Dodatek_wst", wst);
    table.set(u"Opis_Produktu", opis);
    table.post();
  }

  fake::FakePlatform fs;
  jet::ado::Connection conn{fs};
  jet::ado::TableCursor table;
};

TEST_F(WriteAdo, PostedRowsAreSeenByTheNextScanWithTheirValuesAndTexts) {
  EXPECT_TRUE(table.eof());
  add(12, std::u16string(u"Półka narożna"), true, std::u16string(255, u'ż'));
  add(-3, std::u16string(), false);
  add(7, Null{}, false);
  EXPECT_TRUE(table.eof());  // posting does not move the cursor
  table.first();
  struct Expected {
    const char16_t* id;
    const char16_t* nazwa;
    const char16_t* wst;
    bool nazwaNull;
  };
  const Expected expected[] = {{u"12", u"Półka narożna", u"True", false},
                               {u"-3", u"", u"False", false},
                               {u"7", u"", u"False", true}};
  for (const Expected& e : expected) {
    ASSERT_FALSE(table.eof());
    EXPECT_EQ(table.asText(u"ID"), e.id);
    EXPECT_EQ(table.asText(u"Nazwa"), e.nazwa);
    EXPECT_EQ(jet::isNull(table.value(u"Nazwa")), e.nazwaNull) << "empty text is not null";
    EXPECT_EQ(table.asText(u"Dodatek_wst"), e.wst);
    EXPECT_EQ(table.asText(u"Producent"), u"");
    table.next();
  }
  EXPECT_TRUE(table.eof());
  table.first();
  EXPECT_EQ(table.value(u"Opis_Produktu"), Value(std::u16string(255, u'ż')));
  EXPECT_EQ(table.value(u"ID"), Value(int32_t{12}));
  // Column names are matched without regard to letter case, as Jet does.
  EXPECT_EQ(table.value(u"id"), Value(int32_t{12}));
  EXPECT_EQ(table.asText(u"NAZWA"), u"Półka narożna");
  EXPECT_EQ(table.asText(u"WYMIAR x"), u"");
}

TEST_F(WriteAdo, ColumnNamesInTableOrder) {
  const std::vector<std::u16string> names = table.columnNames();
  ASSERT_EQ(names.size(), 27u);
  EXPECT_EQ(names[0], u"ID");
  EXPECT_EQ(names[7], u"Dodatek_wst");
  EXPECT_EQ(names[23], u"wymiar X");
  EXPECT_EQ(names[26], u"typ_standardowy");
}

TEST_F(WriteAdo, RefusalsNameTheirCauseAndWriteNothing) {
  add(1, std::u16string(u"first"), false);
  conn.commit();
  const std::string before = fs.readFile(kPath);
  struct Case {
    const char* what;
    std::function<void()> act;
    const char* message;
  };
  const std::vector<Case> cases = {
      {"unknown column to set",
       [&] {
         table.insert();
         table.set(u"Nazwisko", int32_t{1});
       },
       "Table Dodatki has no column \"Nazwisko\""},
      {"duplicate ID", [&] { add(1, std::u16string(u"again"), true); },
       "Table Dodatki already has a row with ID = 1"},
      {"text too long", [&] { add(2, std::u16string(101, u'x'), true); },
       "column Nazwa is too long: 101 characters, at most 100"},
      {"a row without insert", [&] { table.post(); }, "No new row of table Dodatki to post"},
  };
  for (const Case& c : cases) {
    try {
      c.act();
      ADD_FAILURE() << c.what << ": no error";
    } catch (const jet::Error& e) {
      EXPECT_NE(std::string(e.what()).find(c.message), std::string::npos)
          << c.what << ": " << e.what();
    }
    conn.commit();
    EXPECT_EQ(fs.readFile(kPath), before) << c.what;
  }
  table.first();
  EXPECT_THROW(table.value(u"Nazwisko"), jet::Error);
  try {
    table.asText(u"nazwisko2");
  } catch (const jet::Error& e) {
    EXPECT_NE(std::string(e.what()).find("nazwisko2"), std::string::npos);
  }
}

// Posted rows reach the file when the table closes, when the connection commits or closes.
TEST_F(WriteAdo, PostedRowsReachTheFileAtCommitPoints) {
  const auto rowsInFile = [&] {
    jet::Database db;
    const std::string bytes = fs.readFile(kPath);
    jettest::openBytes(db, std::vector<uint8_t>(bytes.begin(), bytes.end()));
    size_t n = 0;
    for (jet::TableScanner scan = db.scan(db.table(u"Dodatki")); scan.next();) ++n;
    return n;
  };
  add(1, std::u16string(u"a"), false);
  EXPECT_EQ(rowsInFile(), 0u);
  table.close();
  EXPECT_EQ(rowsInFile(), 1u) << "the table's close";
  table.open();
  add(2, std::u16string(u"b"), false);
  conn.commit();
  EXPECT_EQ(rowsInFile(), 2u) << "the connection's commit";
  add(3, std::u16string(u"c"), false);
  EXPECT_TRUE(conn.close());
  EXPECT_EQ(rowsInFile(), 3u) << "the connection's close";
}

// A commit that fails at any of its writes fails the connection: the table's close and the
// connection's close do not throw, the close discards what is pending and writes nothing more.
TEST_F(WriteAdo, AFailedCommitFailsTheConnection) {
  for (int i = 1; i <= 40; ++i) add(i, std::u16string(u"wiersz"), true, std::u16string(200, u'x'));
  int writes = 0;
  fs.shouldFail = [&](fake::Op op, const std::u16string&) {
    return op == fake::Op::Write && ++writes >= 2;
  };
  table.close();
  EXPECT_EQ(writes, 2) << "the close stops at the failed write";
  try {
    conn.commit();
    FAIL() << "committed";
  } catch (const jet::Error& e) {
    EXPECT_NE(std::string(e.what()).find(text::toUtf8(kPath)), std::string::npos) << e.what();
  }
  EXPECT_FALSE(conn.close());
  EXPECT_EQ(writes, 2) << "written after the failure";
}

TEST_F(WriteAdo, ReadOnlyCursorsAndConnectionsRefuseInserts) {
  jet::ado::TableCursor readOnly;
  readOnly.connection = &conn;
  readOnly.TableName = u"info_producent";
  readOnly.ReadOnly = true;
  readOnly.open();
  EXPECT_THROW(readOnly.insert(), jet::Error);

  for (const char16_t* mode : {u"Read", u"Read|Share Deny Write", u" read "}) {
    table.close();
    conn.close();
    conn.ConnectionString = connectionString(mode);
    conn.open();
    table.open();
    EXPECT_THROW(table.insert(), jet::Error) << text::toUtf8(mode);
  }
  table.close();
  conn.close();
  conn.ConnectionString = connectionString(u"Share Deny None");
  conn.open();
  table.open();
  table.insert();
  table.set(u"ID", int32_t{1});
  table.post();
}

TEST_F(WriteAdo, RowsOfOneCursorAreSeenByAnotherOnTheSameConnection) {
  jet::ado::TableCursor second;
  second.connection = &conn;
  second.TableName = u"Dodatki";
  second.ReadOnly = true;
  second.open();
  EXPECT_TRUE(second.eof());
  add(5, std::u16string(u"x"), true);
  second.first();
  ASSERT_FALSE(second.eof());
  EXPECT_EQ(second.asText(u"ID"), u"5");
}

TEST_F(WriteAdo, AReadOnlyFileServesReadingCursors) {
  table.close();
  conn.close();
  fs.setReadOnly(kPath);
  conn.open();
  table.open();
  EXPECT_TRUE(table.eof());
  EXPECT_THROW(table.insert(), jet::Error);
}

TEST_F(WriteAdo, UnknownTableAndMissingFileFail) {
  jet::ado::TableCursor other;
  other.connection = &conn;
  other.TableName = u"Nope";
  EXPECT_THROW(other.open(), jet::Error);
  jet::ado::Connection missing(fs);
  missing.ConnectionString = u"Provider=Microsoft.Jet.OLEDB.4.0;Data Source=C:\\db\\none.mdb";
  EXPECT_THROW(missing.open(), jet::Error);
}

TEST(WriteAdoText, ValuesReadAsTextAsAnAdoFieldGivesThem) {
  const std::vector<std::pair<Value, std::u16string>> cases = {
      {Null{}, u""},
      {true, u"True"},
      {false, u"False"},
      {uint8_t{255}, u"255"},
      {int16_t{-32768}, u"-32768"},
      {int32_t{-2147483647 - 1}, u"-2147483648"},
      {2.5, u"2.5"},
      {0.1f, u"0.100000001490116"},
      {jet::Currency{-12345}, u"-1.2345"},
      {jet::Currency{5}, u"0.0005"},
      {jet::DateTime{27293.75}, u"1974-09-21 18:00:00"},
      {jet::DateTime{-1.25}, u"1899-12-29 06:00:00"},
      {jet::Decimal{true, {1234, 0, 0}, 18, 2}, u"-12.34"},
      {jet::Bytes{0x00, 0xAB}, u"00AB"},
      {std::u16string(u"Żółw"), u"Żółw"},
  };
  for (const auto& [value, expected] : cases) EXPECT_EQ(jet::valueText(value), expected);
}

}  // namespace
