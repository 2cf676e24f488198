#include "tests/install/install_fixture.h"

#include <map>

#include "accessorydb/connection_strings.h"
#include "accessorydb/jet/ado.h"
#include "accessorydb/mdb_create.h"
#include "archive/installer_layout.h"
#include "archive/zip_writer.h"
#include "tests/support/test_pictures.h"

namespace installtest {

namespace {

// An open connection and a cursor on the Dodatki table of the database at path.
struct DodatkiTable {
  jet::ado::Connection connection;
  jet::ado::TableCursor cursor;

  DodatkiTable(fake::FakePlatform& fs, const Text& path, bool readOnly) : connection(fs) {
    connection.ConnectionString = accessorydb::openConnectionString(path);
    connection.LoginPrompt = false;
    connection.open();
    cursor.connection = &connection;
    cursor.TableName = u"Dodatki";
    cursor.ReadOnly = readOnly;
    cursor.open();
  }
  ~DodatkiTable() {
    cursor.close();
    connection.close();
  }
};

}  // namespace

void makeDatabase(fake::FakePlatform& fs, const Text& path, const std::vector<Item>& items) {
  ASSERT_TRUE(accessorydb::createDatabase(fs, path, logs::Log()).created());
  DodatkiTable table(fs, path, false);
  auto& t = table.cursor;
  for (const auto& item : items) {
    t.insert();
    t.set(u"ID", item.id);
    t.set(u"Nazwa", item.nazwa);
    t.set(u"Producent", Text(u"Meblar"));
    t.post();
  }
}

std::vector<Item> readItems(fake::FakePlatform& fs, const Text& path) {
  DodatkiTable table(fs, path, true);
  auto& t = table.cursor;
  std::vector<Item> out;
  for (; !t.eof(); t.next()) {
    out.push_back({std::get<int32_t>(t.value(u"ID")), t.asText(u"Nazwa")});
  }
  return out;
}

Scenario::Scenario() {
  fs.args = {u"/debug"};
  form.FormCreate();
  fs.mkdirs(Text(kHost) + u"dodatki");
  form.packageName = u"P";
  form.formCover = true;
  form.pack = true;
  window.setEdit1(kHost);
  window.setVisible(app::Ctl::Edit1, true);
  form.bnInstallSetEnable();
}

void Scenario::makePackage(const std::optional<std::vector<Item>>& packageItems) {
  std::optional<std::string> db;
  if (packageItems) {
    const Text scratch = u"C:\\scratch\\dodatki.mdb";
    fs.mkdirs(u"C:\\scratch");
    makeDatabase(fs, scratch, *packageItems);
    db = fs.readFile(scratch);
    ASSERT_TRUE(fs.deleteFile(scratch));
  }
  makePackageWithDatabase(db);
}

void Scenario::makePackageWithDatabase(const std::optional<std::string>& db) {
  zipkit::ZipWriter zip(fs, form.sourceZip);
  zip.addFile(u"P.jpg", fake::jpegFile(1040, 585));
  zip.addFile(u"P.txt", "opis");
  zip.addFile(u"P\\tekstury\\a.jpg", "texture");
  zip.addFile(u"P\\model.dwg", "model v2");
  if (db) zip.addFile(u"P\\dodatki.mdb", *db);
  zip.finish();
}

void Scenario::makePrevious(const std::vector<Item>& items) {
  fs.mkdirs(kPackageDir);
  makeDatabase(fs, file(u"dodatki.mdb"), items);
}

void Scenario::makePreviousFiles() {
  fs.writeFile(file(u"model.dwg"), "model v1");
  fs.setReadOnly(file(u"model.dwg"));
  fs.mkdirs(file(u"stare"));
  fs.writeFile(file(u"stare\\b.jpg"), "host's own");
}

Scenario::LibraryState Scenario::library() {
  const Text library = Text(kHost) + u"dodatki";
  LibraryState state;
  for (const Text& path : fs.listFiles(library)) {
    state.files[path] = (fs.isReadOnly(path) ? "read-only:" : "") + fs.readFile(path);
  }
  state.folders = fs.listFolders(library);
  return state;
}

void Scenario::expectInstalled(const std::vector<Item>& merged, const std::string& where) {
  ASSERT_TRUE(has(u"dodatki.mdb")) << where;
  EXPECT_EQ(readItems(fs, file(u"dodatki.mdb")), merged) << where;
  EXPECT_EQ(bytes(u"model.dwg"), "model v2") << where;
  EXPECT_EQ(bytes(u"tekstury\\a.jpg"), "texture") << where;
  for (const char16_t* own : {u"dodatki_old.mdb", u"dodatki_new.mdb", u"dodatki_install.jrn"}) {
    EXPECT_FALSE(has(own)) << where << ": " << text::toUtf8(own) << " left";
  }
  EXPECT_FALSE(fs.directoryExists(file(u"dodatki_install.old"))) << where;
  EXPECT_FALSE(fs.fileExists(Text(kHost) + u"dodatki\\P.dodatki_install.lock")) << where;
}

void Scenario::wrapIntoExecutable() {
  const std::string program = "MZ program";
  fs.mkdirs(fs.tempDir);
  fs.writeFile(fs.exePath, program + fs.readFile(form.sourceZip) + layout::kMark +
                               layout::formatTrailer(program.size()));
  ASSERT_TRUE(fs.deleteFile(form.sourceZip));
}

int runWithEachSingleFault(const std::function<void(Scenario&)>& prepare,
                           const std::function<void(Scenario&, const std::string& where)>& click) {
  const fake::Op kinds[] = {fake::Op::Move,      fake::Op::Delete,    fake::Op::Open,
                            fake::Op::Write,     fake::Op::Truncate,  fake::Op::ForceDirs,
                            fake::Op::CreateDir, fake::Op::Read,      fake::Op::Flush,
                            fake::Op::FileFlush, fake::Op::Attributes};
  // A clean run tells how many operations of each kind the click performs.
  std::map<fake::Op, int> clean;
  {
    Scenario s;
    prepare(s);
    const auto before = s.fs.opCount;
    click(s, "no fault");
    for (fake::Op k : kinds) clean[k] = s.fs.opCount[k] - (before.count(k) ? before.at(k) : 0);
  }
  int runs = 0;
  for (fake::Op kind : kinds) {
    for (int k = 1; k <= clean[kind]; ++k) {
      Scenario s;
      prepare(s);
      int seen = 0;
      s.fs.shouldFail = [&](fake::Op op, const Text&) { return op == kind && ++seen == k; };
      click(s, "fault at operation " + std::to_string(static_cast<int>(kind)) + " #" +
                   std::to_string(k));
      ++runs;
    }
  }
  return runs;
}

}  // namespace installtest
