// jet::adox::Catalog over the fake Windows platform: creating the file, appending tables, the
// connection strings it takes, and what it does when the file system fails or the file changes.
#include <gtest/gtest.h>

#include <functional>
#include <memory>

#include "accessorydb/jet/ado.h"
#include "accessorydb/jet/connection_string.h"
#include "accessorydb/jet/database.h"
#include "tests/jet/jet_test_support.h"
#include "tests/support/fake_platform.h"

namespace {

using jet::Text;

const Text kPath = u"C:\\db\\nowa baza.mdb";
const Text kCreate =
    u"Provider=Microsoft.Jet.OLEDB.4.0;Jet OLEDB:Engine Type=5;Data Source=" + kPath;
const Text kConnect = u"Provider=Microsoft.Jet.OLEDB.4.0;Data Source=" + kPath +
                      u";Mode=ReadWrite|Share Deny None;Persist Security Info=False;";

jet::adox::Column column(const Text& name, int32_t type, std::optional<int32_t> size) {
  jet::adox::Column c;
  c.Name = name;
  c.Type = type;
  c.DefinedSize = size;
  return c;
}

jet::adox::Table keyedTable(const Text& name) {
  jet::adox::Table t;
  t.Name = name;
  t.Columns = {column(u"ID", jet::adInteger, std::nullopt), column(u"Opis", jet::adVarWChar, 20),
               column(u"Tak", jet::adBoolean, 0), column(u"Bez rozmiaru", jet::adVarWChar, {})};
  jet::adox::Key key;
  key.Name = u"Primary";
  key.Columns = {u"ID"};
  t.Keys = {key};
  return t;
}

std::vector<uint8_t> fileBytes(fake::FakePlatform& fs) {
  const std::string s = fs.readFile(kPath);
  return std::vector<uint8_t>(s.begin(), s.end());
}

struct CatalogTest : ::testing::Test {
  CatalogTest() { fs.mkdirs(u"C:\\db"); }
  fake::FakePlatform fs;
};

TEST_F(CatalogTest, CreatesTheFileAndAppendsTables) {
  jet::adox::Catalog catalog(fs);
  catalog.Create(kCreate);
  EXPECT_EQ(jettest::readEverything(fileBytes(fs)), 24u) << "8 catalog and 16 permission rows";
  catalog.setActiveConnection(kConnect);
  catalog.appendTable(keyedTable(u"Pierwsza"));
  catalog.appendTable(keyedTable(u"Druga"));

  jet::Database db;
  jettest::openBytes(db, fileBytes(fs));
  EXPECT_EQ(db.tableNames(), (std::vector<Text>{u"Pierwsza", u"Druga"}));
  const jet::TableDef& t = db.table(u"Druga");
  ASSERT_EQ(t.columns.size(), 4u);
  EXPECT_TRUE(t.columns[0].is(jet::ColumnType::Long));
  EXPECT_EQ(t.columns[1].length, 40);
  EXPECT_TRUE(t.columns[2].is(jet::ColumnType::Boolean));
  EXPECT_EQ(t.columns[3].length, 510) << "a text column without a size holds 255 characters";
  ASSERT_EQ(t.indexes.size(), 1u);
  EXPECT_TRUE(t.indexes[0].primaryKey());
}

TEST_F(CatalogTest, RefusesToOverwriteAFile) {
  fs.writeFile(kPath, std::string("not a database"));
  jet::adox::Catalog catalog(fs);
  EXPECT_THROW(catalog.Create(kCreate), jet::Error);
  EXPECT_EQ(fs.readFile(kPath), "not a database");
}

TEST_F(CatalogTest, ReportsAFolderThatDoesNotExist) {
  jet::adox::Catalog catalog(fs);
  try {
    catalog.Create(u"Data Source=C:\\missing\\a.mdb");
    FAIL() << "created";
  } catch (const jet::Error& e) {
    EXPECT_NE(std::string(e.what()).find("Cannot create the database C:\\missing\\a.mdb"),
              std::string::npos)
        << e.what();
  }
  EXPECT_FALSE(fs.fileExists(u"C:\\missing\\a.mdb"));
}

// Writes of the file that `step` makes (each a commit of the catalog).
int writesOf(fake::FakePlatform& fs, const std::function<void()>& step) {
  int writes = 0;
  fs.shouldFail = [&](fake::Op op, const Text&) {
    writes += op == fake::Op::Write;
    return false;
  };
  step();
  fs.shouldFail = nullptr;
  return writes;
}

// A write that fails while the file is being made, at any write, leaves no file behind.
TEST_F(CatalogTest, FailedCreateLeavesNoFile) {
  const int commitWrites = writesOf(fs, [&] { jet::adox::Catalog(fs).Create(kCreate); });
  ASSERT_GT(commitWrites, 1);
  ASSERT_TRUE(fs.deleteFile(kPath));
  for (int failAt = 1; failAt <= commitWrites; ++failAt) {
    SCOPED_TRACE(failAt);
    int writes = 0;
    fs.shouldFail = [&](fake::Op op, const Text&) {
      return op == fake::Op::Write && ++writes == failAt;
    };
    jet::adox::Catalog catalog(fs);
    EXPECT_THROW(catalog.Create(kCreate), jet::Error);
    EXPECT_FALSE(fs.fileExists(kPath));
  }
}

// An append is a commit: when any of its writes fails, the pages it wrote are put back and the
// file shortened again, so the file is as before and the append can be tried again.
TEST_F(CatalogTest, FailedAppendCanBeRetried) {
  const auto created = [&] {
    auto catalog = std::make_unique<jet::adox::Catalog>(fs);
    catalog->Create(kCreate);
    catalog->setActiveConnection(kConnect);
    return catalog;
  };
  int commitWrites = 0;
  {
    const auto catalog = created();
    commitWrites = writesOf(fs, [&] { catalog->appendTable(keyedTable(u"Pierwsza")); });
  }
  ASSERT_GT(commitWrites, 2) << "new pages and changed ones";
  for (int failAt = 1; failAt <= commitWrites; ++failAt) {
    SCOPED_TRACE(failAt);
    ASSERT_TRUE(fs.deleteFile(kPath));
    const auto catalog = created();
    const std::vector<uint8_t> before = fileBytes(fs);
    int writes = 0;
    fs.shouldFail = [&](fake::Op op, const Text&) {
      return op == fake::Op::Write && ++writes == failAt;
    };
    EXPECT_THROW(catalog->appendTable(keyedTable(u"Pierwsza")), jet::Error);
    fs.shouldFail = nullptr;
    EXPECT_EQ(fileBytes(fs), before);
    catalog->appendTable(keyedTable(u"Pierwsza"));
    jet::Database db;
    jettest::openBytes(db, fileBytes(fs));
    EXPECT_EQ(db.tableNames(), std::vector<Text>{u"Pierwsza"});
  }
  ASSERT_TRUE(fs.deleteFile(kPath));
  const auto catalog = created();
  fs.shouldFail = [&](fake::Op op, const Text&) { return op == fake::Op::Write; };
  try {
    catalog->appendTable(keyedTable(u"Pierwsza"));
    FAIL() << "appended";
  } catch (const jet::Error& e) {
    EXPECT_NE(std::string(e.what()).find("could not be put back"), std::string::npos) << e.what();
  }
}

// The catalog rewrites the system tables from what it wrote; it will not do so over a file that
// someone else has changed since.
TEST_F(CatalogTest, RefusesToAppendToAChangedFile) {
  jet::adox::Catalog catalog(fs);
  catalog.Create(kCreate);
  catalog.setActiveConnection(kConnect);
  std::vector<uint8_t> changed = fileBytes(fs);
  changed.resize(changed.size() + 4096, 0);
  fs.writeFile(kPath, changed);
  EXPECT_THROW(catalog.appendTable(keyedTable(u"Pierwsza")), jet::Error);
  EXPECT_EQ(fileBytes(fs), changed);
}

TEST_F(CatalogTest, AppendNeedsTheCreatedDatabaseAsConnection) {
  jet::adox::Catalog catalog(fs);
  EXPECT_THROW(catalog.appendTable(keyedTable(u"T")), jet::Error) << "no connection";
  EXPECT_THROW(catalog.setActiveConnection(kConnect), jet::Error) << "nothing created yet";
  catalog.Create(kCreate);
  EXPECT_THROW(catalog.appendTable(keyedTable(u"T")), jet::Error) << "not yet connected";
  EXPECT_THROW(catalog.setActiveConnection(u"Data Source=C:\\db\\other.mdb"), jet::Error);
  catalog.setActiveConnection(u"Data Source=c:\\DB\\NOWA BAZA.mdb");  // Windows names ignore case
  catalog.appendTable(keyedTable(u"T"));
}

TEST_F(CatalogTest, RefusesWhatTheEngineCannotMake) {
  const auto withColumn = [](jet::adox::Column c) {
    jet::adox::Table t = keyedTable(u"T");
    t.Columns.push_back(c);
    return t;
  };
  const auto withKey = [](std::vector<Text> columns, int32_t type) {
    jet::adox::Table t = keyedTable(u"T");
    t.Keys.front().Columns = columns;
    t.Keys.front().Type = type;
    return t;
  };
  jet::adox::Table twoKeys = keyedTable(u"T");
  twoKeys.Keys.push_back(twoKeys.Keys.front());
  const std::pair<const char*, jet::adox::Table> cases[] = {
      {"ADO type 5 (double)", withColumn(column(u"X", 5, {}))},
      {"text of 256 characters", withColumn(column(u"X", jet::adVarWChar, 256))},
      {"text of -1 characters", withColumn(column(u"X", jet::adVarWChar, -1))},
      {"key over two columns", withKey({u"ID", u"Opis"}, jet::adKeyPrimary)},
      {"unique key", withKey({u"ID"}, 3)},
      {"two primary keys", twoKeys},
  };
  jet::adox::Catalog catalog(fs);
  catalog.Create(kCreate);
  catalog.setActiveConnection(kConnect);
  const std::vector<uint8_t> before = fileBytes(fs);
  for (const auto& [what, table] : cases) {
    SCOPED_TRACE(what);
    EXPECT_THROW(catalog.appendTable(table), jet::Error);
    EXPECT_EQ(fileBytes(fs), before);
  }
}

TEST(ConnectionString, DataSource) {
  const std::pair<Text, Text> cases[] = {
      {u"Provider=Microsoft.Jet.OLEDB.4.0;Jet OLEDB:Engine Type=5;Data Source=C:\\a b\\d.mdb",
       u"C:\\a b\\d.mdb"},
      {u"Data Source=C:\\d.mdb;Mode=ReadWrite|Share Deny None;Persist Security Info=False;",
       u"C:\\d.mdb"},
      {u"  data source = C:\\d.mdb  ;", u"C:\\d.mdb"},
      {u"Data Source=\"C:\\semi;colon.mdb\";Mode=Read", u"C:\\semi;colon.mdb"},
      {u"Data Source='C:\\q.mdb'", u"C:\\q.mdb"},
      {u";;Data Source=C:\\first.mdb;Data Source=C:\\last.mdb", u"C:\\last.mdb"},
  };
  for (const auto& [cs, path] : cases) EXPECT_EQ(jet::dataSource(cs), path) << text::toUtf8(cs);
}

TEST(ConnectionString, Malformed) {
  for (const Text cs :
       {u"", u"Provider=Microsoft.Jet.OLEDB.4.0", u"C:\\d.mdb", u"Data Source=",
        u"=x;Data Source=C:\\d.mdb", u"Data Source=\"C:\\d.mdb", u"Data Source=\"C:\\d.mdb\" x"}) {
    EXPECT_THROW(jet::dataSource(cs), jet::Error) << text::toUtf8(cs);
  }
}

TEST_F(CatalogTest, RefusesOtherProvidersEnginesAndPasswords) {
  for (const Text cs : {u"Provider=SQLOLEDB;Data Source=C:\\db\\x.mdb",
                        u"Jet OLEDB:Engine Type=4;Data Source=C:\\db\\x.mdb",
                        u"Jet OLEDB:Database Password=tajne;Data Source=C:\\db\\x.mdb"}) {
    jet::adox::Catalog catalog(fs);
    EXPECT_THROW(catalog.Create(cs), jet::Error) << text::toUtf8(cs);
    EXPECT_FALSE(fs.fileExists(u"C:\\db\\x.mdb"));
  }
}

}  // namespace
