// The package checks on small bad packages: each finding the installer's way of reading a
// package calls for, and a good package that passes without one.
#include "tools/mkinstaller/package_check.h"

#include <gtest/gtest.h>

#include <fstream>
#include <functional>
#include <iterator>
#include <sstream>

#include "accessorydb/accessory_schema.h"
#include "accessorydb/jet/ado.h"
#include "tests/support/fake_platform.h"
#include "tests/support/test_pictures.h"

namespace mkinstaller {
namespace {

using Names = std::vector<Text>;

// A finding expected: its severity, its file and words its problem must contain.
struct Expected {
  Severity severity;
  Text file;
  std::vector<Text> words;
};

std::string describe(const Findings& findings) {
  std::ostringstream out;
  printFindings(out, findings);
  return out.str();
}

bool matches(const Finding& f, const Expected& e) {
  if (f.severity != e.severity || f.file != e.file) return false;
  for (const Text& w : e.words) {
    if (f.problem.find(w) == Text::npos) return false;
  }
  return true;
}

// Exactly the expected findings, in any order.
void expectFindings(const Findings& found, const std::vector<Expected>& expected) {
  EXPECT_EQ(found.size(), expected.size()) << describe(found);
  for (const Expected& e : expected) {
    EXPECT_TRUE(
        std::any_of(found.begin(), found.end(), [&](const Finding& f) { return matches(f, e); }))
        << "no finding for " << text::toUtf8(e.file) << " with "
        << text::toUtf8(e.words.empty() ? Text() : e.words.front()) << " in:\n"
        << describe(found);
  }
}

Text repeated(size_t n) {
  return Text(n, u'a');
}

constexpr Severity kError = Severity::Error;
constexpr Severity kWarning = Severity::Warning;

TEST(PackageCheckOutput, PrintsOneVisibleLinePerFindingAndTellsErrorsFromWarnings) {
  const Findings warningOnly = {{kWarning, u"P\\ź😀.txt", u"move it"}};
  const Findings both = {warningOnly.front(),
                         {kError, {}, u"no package database"},
                         {kError, u"P\\a\x01\x1f.jpg", u"rename it"}};
  std::ostringstream out;
  printFindings(out, both);
  EXPECT_EQ(out.str(),
            "warning: P\\ź😀.txt: move it\nerror: no package database\n"
            "error: P\\a<0x01><0x1F>.jpg: rename it\n");
  EXPECT_FALSE(hasErrors(warningOnly));
  EXPECT_TRUE(hasErrors(both));
  EXPECT_FALSE(hasErrors({}));
}

TEST(PackageCheck, FindPackageTakesTheOneDatabaseAndExplainsNearMisses) {
  struct Case {
    const char* what;
    Names names;
    std::optional<Text> package;
    std::vector<Expected> findings;
  };
  const std::vector<Case> cases = {
      {"one package",
       {u"Meblar.jpg", u"Meblar\\a\\dodatki.mdb", u"Meblar\\dodatki.mdb"},
       u"Meblar",
       {}},
      {"no database at all",
       {u"P.jpg", u"P\\a.jpg"},
       std::nullopt,
       {{kError, {}, {u"no package database", u"FOLDER\\dodatki.mdb"}}}},
      {"capital letter",
       {u"P.jpg", u"P\\Dodatki.mdb"},
       std::nullopt,
       {{kError, u"P\\Dodatki.mdb", {u"lower case", u"name it P\\dodatki.mdb"}}}},
      {"forward slash", {u"P/dodatki.mdb"}, u"P", {}},
      {"one folder too deep",
       {u"P\\sub\\dodatki.mdb"},
       std::nullopt,
       {{kError, u"P\\sub\\dodatki.mdb", {u"sub-folder", u"name it P\\dodatki.mdb"}}}},
      {"top level",
       {u"dodatki.mdb"},
       std::nullopt,
       {{kError, u"dodatki.mdb", {u"outside any package folder", u"FOLDER\\dodatki.mdb"}}}},
      {"doubled backslash",
       {u"P\\\\dodatki.mdb"},
       std::nullopt,
       {{kError, u"P\\\\dodatki.mdb", {u"empty folder name", u"name it P\\dodatki.mdb"}}}},
      {"two packages",
       {u"A\\dodatki.mdb", u"B\\x.jpg", u"B\\dodatki.mdb"},
       std::nullopt,
       {{kError, {}, {u"2 package databases (in A, B)", u"one installer for each"}}}},
  };
  for (const Case& c : cases) {
    SCOPED_TRACE(c.what);
    Findings findings;
    EXPECT_EQ(findPackage(c.names, findings), c.package);
    expectFindings(findings, c.findings);
  }
}

TEST(PackageCheck, EntryNamesAsTheInstallerUnpacksThem) {
  // Under "C:\Nordeka\CAD 2024\dodatki\" (28 characters) "P\" + n characters make a path of
  // 30 + n: a file may take 259, a folder 247.
  const Text longestFile = u"P\\" + repeated(229);
  const Text longestFolder = u"P\\" + repeated(217) + u"\\";
  const Text tooLongFolder = u"P\\" + repeated(218) + u"\\";
  struct Case {
    const char* what;
    Names names;
    std::vector<Expected> findings;
  };
  const std::vector<Case> cases = {
      {"good package",
       {u"P.jpg", u"P.txt", u"P\\", u"P\\img\\a.jpg", u"P/img/b.jpg", u"P\\dodatki.mdb",
        longestFile, longestFolder + u"x.jpg"},
       {}},
      {"no cover", {u"P\\dodatki.mdb"}, {{kError, u"P.jpg", {u"missing"}}}},
      {"cover and description in capitals", {u"P.JPG", u"P.TXT", u"P\\dodatki.mdb"}, {}},
      {"a second cover in capitals",
       {u"P.jpg", u"P.JPG", u"P\\dodatki.mdb"},
       {{kError, u"P.JPG", {u"refuses", u"only in letter case"}}}},
      {"names differing in case",
       {u"P.jpg", u"P\\tex\\a.jpg", u"P\\Tex\\A.JPG"},
       {{kError, u"P\\Tex\\A.JPG", {u"only in letter case", u"write P\\tex\\a.jpg twice"}}}},
      {"a name twice",
       {u"P.jpg", u"P\\a.jpg", u"P\\a.jpg"},
       {{kError, u"P\\a.jpg", {u"appears twice"}}}},
      {"slash and backslash",
       {u"P.jpg", u"P\\x\\a.jpg", u"P/x/a.jpg"},
       {{kError, u"P/x/a.jpg", {u"same file as P\\x\\a.jpg"}}}},
      {"file path too long",
       {u"P.jpg", longestFile + u"a"},
       {{kError, longestFile + u"a", {u"260 characters", u"259"}}}},
      {"folder path too long, reported once",
       {u"P.jpg", tooLongFolder + u"a.jpg", tooLongFolder + u"b\\c.jpg"},
       {{kError, tooLongFolder, {u"248 characters", u"247"}}}},
      {"files beside the package folder",
       {u"P.jpg", u"P.TXT", u"readme.txt", u"Q\\a.jpg", u"p\\lower.jpg"},
       {{kError, u"readme.txt", {u"refuses", u"outside the package folder P\\"}},
        {kError, u"Q\\a.jpg", {u"refuses", u"outside the package folder P\\"}}}},
      {"names the installer gives its own files",
       {u"P.jpg", u"P\\dodatki_old.mdb", u"p/DODATKI_NEW.MDB", u"P\\dodatki.mdb.old",
        u"P\\sub\\dodatki_old.mdb"},
       {{kError, u"P\\dodatki_old.mdb", {u"refuses", u"remove P\\dodatki_old.mdb"}},
        {kError, u"p/DODATKI_NEW.MDB", {u"refuses", u"remove p/DODATKI_NEW.MDB"}},
        {kError, u"P\\dodatki.mdb.old", {u"refuses", u"remove P\\dodatki.mdb.old"}}}},
      {"the database as a folder",
       {u"P.jpg", u"P\\dodatki.mdb\\", u"P/Dodatki.mdb/a.jpg"},
       {{kError, u"P\\dodatki.mdb\\", {u"must be a file", u"remove P\\dodatki.mdb\\"}},
        {kError, u"P/Dodatki.mdb/a.jpg", {u"must be a file", u"remove P/Dodatki.mdb/a.jpg"}}}},
      {"short names",
       {u"P.jpg", u"P\\DODATK~1.MDB", u"P\\TEKSTU~2\\a.jpg", u"P\\a~b.jpg"},
       {{kError, u"P\\DODATK~1.MDB", {u"refuses", u"short name"}},
        {kError, u"P\\TEKSTU~2\\a.jpg", {u"refuses", u"short name"}}}},
      {"names the installer refuses",
       {u"P.jpg", u"P\\..\\..\\evil.dll", u"C:\\x.dll", u"\\root.dll", u"P\\a\x01.jpg",
        u"P\\tex\\Con.jpg", u"P\\lpt1 .txt\\a.jpg", u"P\\conout$", u"P\\a.jpg.", u"P\\dir \\b.jpg",
        u"P\\a<b>.jpg", u"P\\\"q\".jpg", u"P\\a|b\\c.jpg", u"P\\*.jpg"},
       {{kError, u"P\\..\\..\\evil.dll", {u"refuses", u"climbs out"}},
        {kError, u"C:\\x.dll", {u"refuses", u"drive"}},
        {kError, u"\\root.dll", {u"refuses", u"absolute"}},
        {kError, u"P\\a\x01.jpg", {u"refuses", u"control character"}},
        {kError, u"P\\tex\\Con.jpg", {u"refuses", u"Con.jpg", u"device"}},
        {kError, u"P\\lpt1 .txt\\a.jpg", {u"refuses", u"lpt1 .txt", u"device"}},
        {kError, u"P\\conout$", {u"refuses", u"conout$", u"device"}},
        {kError, u"P\\a.jpg.", {u"refuses", u"a.jpg.", u"ends with a dot or a blank"}},
        {kError, u"P\\dir \\b.jpg", {u"refuses", u"dir ", u"ends with a dot or a blank"}},
        {kError, u"P\\a<b>.jpg", {u"refuses", u"< > \" | ? *"}},
        {kError, u"P\\\"q\".jpg", {u"refuses", u"< > \" | ? *"}},
        {kError, u"P\\a|b\\c.jpg", {u"refuses", u"< > \" | ? *"}},
        {kError, u"P\\*.jpg", {u"refuses", u"< > \" | ? *"}}}},
  };
  for (const Case& c : cases) {
    SCOPED_TRACE(c.what);
    Findings findings;
    checkEntryNames(c.names, u"P", findings);
    expectFindings(findings, c.findings);
  }
}

// A JPEG header with the frame marker replaced (C2 progressive, C3 lossless, C9 arithmetic).
std::vector<uint8_t> jpegWithFrame(uint8_t marker, int width, int height) {
  std::vector<uint8_t> bytes = fake::jpegHeader(width, height);
  bytes[3] = marker;
  return bytes;
}

// A cover whose frame follows `segments` full-size metadata segments (APP1, 64 KiB each).
std::vector<uint8_t> jpegAfterMetadata(int segments) {
  std::vector<uint8_t> bytes = {0xFF, 0xD8};
  for (int i = 0; i < segments; ++i) {
    bytes.insert(bytes.end(), {0xFF, 0xE1, 0xFF, 0xFF});
    bytes.insert(bytes.end(), 0xFFFF - 2, 0x00);
  }
  const std::vector<uint8_t> frame = fake::jpegHeader(1040, 585);
  bytes.insert(bytes.end(), frame.begin() + 2, frame.end());
  return bytes;
}

TEST(PackageCheck, CoverMustBeAJpegTheInstallerCanShow) {
  const Text path = u"C:\\pkg\\P.jpg";
  const Text kUse = u"use a cover at most 1280 x 720 and at least 658 pixels wide, best 1040 x 585";
  struct Case {
    const char* what;
    std::optional<std::vector<uint8_t>> bytes;  // none: no file
    std::vector<Expected> findings;
    bool unreadable = false;
  };
  const std::vector<Case> cases = {
      {"baseline cover", fake::jpegHeader(1040, 585), {}},
      {"progressive cover", jpegWithFrame(0xC2, 1040, 585), {}},
      {"frame after 200 KiB of metadata", jpegAfterMetadata(3), {}},
      {"other size",
       fake::jpegHeader(800, 600),
       {{kWarning, u"P.jpg", {u"800 x 600", u"1040 x 585"}}}},
      // On a 1280 x 720 screen a cover that fits sizes the window; a larger one is scaled to
      // 832 pixels wide, its height following. The folder field needs a window 658 wide.
      {"largest that fits the screen",
       fake::jpegHeader(1280, 720),
       {{kWarning, u"P.jpg", {u"1280 x 720", u"resize it to 1040 x 585"}}}},
      {"scaled down to the screen's height",
       fake::jpegHeader(1300, 1125),
       {{kWarning, u"P.jpg", {u"1300 x 1125"}}}},
      {"scaled down to a pixel more than the screen's height",
       fake::jpegHeader(1300, 1126),
       {{kError, u"P.jpg", {u"1280 x 720 screen", u"832 x 721", u"Close", kUse}}}},
      {"fits the width, a pixel too high",
       fake::jpegHeader(832, 721),
       {{kError, u"P.jpg", {u"1280 x 720 screen", u"832 x 721", kUse}}}},
      {"narrowest",
       fake::jpegHeader(658, 370),
       {{kWarning, u"P.jpg", {u"658 x 370", u"resize it to 1040 x 585"}}}},
      {"a pixel too narrow",
       fake::jpegHeader(657, 370),
       {{kError, u"P.jpg", {u"657 pixels wide", u"folder field", kUse}}}},
      {"narrow and tall",
       fake::jpegHeader(600, 900),
       {{kError, u"P.jpg", {u"832 x 1248", kUse}}, {kError, u"P.jpg", {u"600 pixels wide", kUse}}}},
      {"lossless", jpegWithFrame(0xC3, 1040, 585), {{kError, u"P.jpg", {u"cannot show"}}}},
      {"arithmetic-coded", jpegWithFrame(0xC9, 1040, 585), {{kError, u"P.jpg", {u"cannot show"}}}},
      {"frame beyond the first MiB", jpegAfterMetadata(17), {{kError, u"P.jpg", {u"first MiB"}}}},
      {"a GIF",
       std::vector<uint8_t>{'G', 'I', 'F', '8', '9', 'a', 1, 0, 1, 0},
       {{kError, u"P.jpg", {u"not a JPEG"}}}},
      {"empty file", std::vector<uint8_t>{}, {{kError, u"P.jpg", {u"not a JPEG"}}}},
      {"no file", std::nullopt, {{kError, u"P.jpg", {u"missing"}}}},
      {"unreadable", fake::jpegHeader(1040, 585), {{kError, u"P.jpg", {u"cannot be read"}}}, true},
  };
  for (const Case& c : cases) {
    SCOPED_TRACE(c.what);
    fake::FakePlatform fs;
    fs.mkdirs(u"C:\\pkg");
    if (c.bytes) fs.writeFile(path, *c.bytes);
    if (c.unreadable) fs.shouldFail = [](fake::Op op, const Text&) { return op == fake::Op::Read; };
    Findings findings;
    checkCover(fs, path, u"P.jpg", findings);
    expectFindings(findings, c.findings);
  }
}

using accessorydb::ColumnSchema;
using accessorydb::TableSchema;
using Schema = std::vector<TableSchema>;

TableSchema& tableOf(Schema& schema, const Text& name) {
  return *std::find_if(schema.begin(), schema.end(),
                       [&](const TableSchema& t) { return t.name == name; });
}

ColumnSchema& columnOf(Schema& schema, const Text& table, const Text& column) {
  auto& columns = tableOf(schema, table).columns;
  return *std::find_if(columns.begin(), columns.end(),
                       [&](const ColumnSchema& c) { return c.name == column; });
}

void removeColumn(Schema& schema, const Text& table, const Text& column) {
  auto& columns = tableOf(schema, table).columns;
  columns.erase(std::find_if(columns.begin(), columns.end(),
                             [&](const ColumnSchema& c) { return c.name == column; }));
}

// Dodatki without its primary key, so that the engine lets repeated and missing IDs in.
void dropDodatkiKey(Schema& schema) {
  tableOf(schema, u"Dodatki").primaryKeyName.clear();
  tableOf(schema, u"Dodatki").primaryKeyColumn.clear();
}

Text connectionTo(const Text& path) {
  return u"Provider=Microsoft.Jet.OLEDB.4.0;Jet OLEDB:Engine Type=5;Data Source=" + path;
}

// A database with the given tables; Dodatki (when there) gets one row per ID, with a name.
void makeDatabase(plat::Platform& fs, const Text& path, const Schema& schema,
                  const std::vector<jet::Value>& ids) {
  jet::adox::Catalog catalog(fs);
  catalog.Create(connectionTo(path));
  catalog.setActiveConnection(connectionTo(path));
  bool hasDodatki = false;
  for (const TableSchema& t : schema) {
    jet::adox::Table table;
    table.Name = t.name;
    for (const ColumnSchema& c : t.columns)
      table.Columns.push_back({nullptr, c.name, c.type, c.definedSize});
    if (!t.primaryKeyColumn.empty()) {
      table.Keys.push_back({t.primaryKeyName, jet::adKeyPrimary, {t.primaryKeyColumn}});
    }
    catalog.appendTable(table);
    hasDodatki = hasDodatki || t.name == u"Dodatki";
  }
  if (!hasDodatki || ids.empty()) return;
  jet::ado::Connection connection(fs);
  connection.ConnectionString = connectionTo(path);
  connection.LoginPrompt = false;
  connection.open();
  jet::ado::TableCursor cursor;
  cursor.connection = &connection;
  cursor.TableName = u"Dodatki";
  cursor.open();
  for (const jet::Value& id : ids) {
    cursor.insert();
    cursor.set(u"ID", id);
    cursor.set(u"Nazwa", Text(u"Półka"));
    cursor.post();
  }
  cursor.close();
  connection.close();
}

std::vector<jet::Value> idsOf(std::initializer_list<int32_t> ids) {
  return {ids.begin(), ids.end()};
}

TEST(PackageCheck, DatabaseMustHoldTheAccessoryTablesWithUniqueIds) {
  const Text path = u"C:\\pkg\\dodatki.mdb";
  const Text shown = u"P\\dodatki.mdb";
  struct Case {
    const char* what;
    std::function<void(Schema&)> change;
    std::vector<jet::Value> ids;
    std::optional<DatabaseSummary> summary;  // rows of info_producent and Dodatki
    std::vector<Expected> findings;
  };
  const std::vector<Case> cases = {
      {"good database", [](Schema&) {}, idsOf({3, 1, 2}), DatabaseSummary{0, 3}, {}},
      {"missing table",
       [](Schema& s) { s.erase(s.begin()); },
       idsOf({1}),
       DatabaseSummary{0, 1},
       {{kError, shown, {u"table info_producent is missing"}}}},
      {"text too short",
       [](Schema& s) { columnOf(s, u"Dodatki", u"Nazwa").definedSize = 50; },
       {},
       DatabaseSummary{},
       {{kError, shown, {u"column Dodatki.Nazwa holds 50 characters", u"needs 100"}}}},
      {"wrong type",
       [](Schema& s) {
         columnOf(s, u"info_producent", u"kod") = {u"kod", jet::adInteger, std::nullopt};
         columnOf(s, u"Dodatki", u"Dodatek_wst") = {u"Dodatek_wst", jet::adVarWChar, 5};
       },
       {},
       DatabaseSummary{},
       {{kError, shown, {u"column info_producent.kod is Long Integer", u"needs Text"}},
        {kError, shown, {u"column Dodatki.Dodatek_wst is Text", u"needs Yes/No"}}}},
      {"missing column",
       [](Schema& s) { removeColumn(s, u"Dodatki", u"Kolor"); },
       {},
       DatabaseSummary{},
       {{kError, shown, {u"column Dodatki.Kolor is missing"}}}},
      {"extra column, extra table, column in other case",
       [](Schema& s) {
         tableOf(s, u"Dodatki").columns.push_back({u"Uwagi", jet::adVarWChar, 20});
         columnOf(s, u"info_producent", u"Tel").name = u"TEL";
         s.push_back({u"Notatki", {{u"Tekst", jet::adVarWChar, 10}}, {}, {}});
       },
       {},
       DatabaseSummary{},
       {{kWarning, shown, {u"column Dodatki.Uwagi", u"does not copy it", u"lost"}},
        {kWarning, shown, {u"column info_producent.Tel is spelled TEL"}},
        {kWarning, shown, {u"table Notatki", u"lost"}}}},
      {"repeated IDs",
       dropDodatkiKey,
       idsOf({1, 2, 2, 3, 3, 3, 4, 5, 6, 7, 8, 4, 5, 6, 7, 8}),
       DatabaseSummary{0, 16},
       {{kError, shown, {u"Dodatki.ID values repeat (2, 3, 4, 5, 6, ...; 8 rows in all)"}}}},
      {"missing IDs",
       dropDodatkiKey,
       {jet::Null{}, jet::Value(int32_t{1}), jet::Null{}},
       DatabaseSummary{0, 3},
       {{kError, shown, {u"2 rows of Dodatki have no ID"}}}},
  };
  for (const Case& c : cases) {
    SCOPED_TRACE(c.what);
    fake::FakePlatform fs;
    fs.mkdirs(u"C:\\pkg");
    Schema schema = accessorydb::accessoryTables();
    c.change(schema);
    makeDatabase(fs, path, schema, c.ids);
    Findings findings;
    const std::optional<DatabaseSummary> summary = checkDatabase(fs, path, shown, findings);
    ASSERT_EQ(summary.has_value(), c.summary.has_value());
    if (summary) {
      EXPECT_EQ(summary->producentRows, c.summary->producentRows);
      EXPECT_EQ(summary->dodatkiRows, c.summary->dodatkiRows);
    }
    expectFindings(findings, c.findings);
  }
}

TEST(PackageCheck, DatabaseMadeByAccessIsReadWithItsOwnTables) {
  std::ifstream in(FIXTURES_DIR "/basic_types.mdb", std::ios::binary);
  ASSERT_TRUE(in) << FIXTURES_DIR;
  const std::string bytes{std::istreambuf_iterator<char>(in), std::istreambuf_iterator<char>()};
  fake::FakePlatform fs;
  fs.writeFile(u"C:\\dodatki.mdb", bytes);
  Findings findings;
  const std::optional<DatabaseSummary> summary =
      checkDatabase(fs, u"C:\\dodatki.mdb", u"P\\dodatki.mdb", findings);
  ASSERT_TRUE(summary);
  EXPECT_EQ(summary->producentRows + summary->dodatkiRows, 0u);
  expectFindings(findings, {{kError, u"P\\dodatki.mdb", {u"table info_producent is missing"}},
                            {kError, u"P\\dodatki.mdb", {u"table Dodatki is missing"}},
                            {kWarning, u"P\\dodatki.mdb", {u"table Table1", u"lost"}}});
}

TEST(PackageCheck, DatabaseThatCannotBeReadIsAnErrorWithItsCause) {
  const Text path = u"C:\\pkg\\dodatki.mdb";
  fake::FakePlatform good;
  good.mkdirs(u"C:\\pkg");
  makeDatabase(good, path, accessorydb::accessoryTables(), idsOf({1, 2}));
  const std::string database = good.readFile(path);
  // The header page and the catalog survive; the tables' pages, made last, do not.
  const std::string cutShort = database.substr(0, database.size() - 2 * 4096);
  struct Case {
    const char* what;
    std::optional<std::string> bytes;
    std::vector<Text> words;
  };
  const std::vector<Case> cases = {
      {"not a database", std::string(8192, 'x'), {u"cannot be read as a Jet 4 database"}},
      {"too short", std::string("Standard Jet DB"), {u"cannot be read as a Jet 4 database"}},
      {"no file", std::nullopt, {u"missing"}},
      {"tables cut off", cutShort, {u"damaged"}},
  };
  for (const Case& c : cases) {
    SCOPED_TRACE(c.what);
    fake::FakePlatform fs;
    fs.mkdirs(u"C:\\pkg");
    if (c.bytes) fs.writeFile(path, *c.bytes);
    Findings findings;
    EXPECT_FALSE(checkDatabase(fs, path, u"P\\dodatki.mdb", findings));
    expectFindings(findings, {{kError, u"P\\dodatki.mdb", c.words}});
  }
}

}  // namespace
}  // namespace mkinstaller
