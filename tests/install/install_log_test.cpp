// The install's own log, line by line at the debug level, for each way a run ends: the texts are
// written out here as the installer has always logged them, so that a changed or lost line shows.
#include <gtest/gtest.h>

#include <functional>
#include <memory>
#include <string>
#include <vector>

#include "install/install_transaction.h"
#include "tests/install/install_fixture.h"

namespace installtest {
namespace {

const std::vector<Item> kPrevious = {{1, u"Stara szafa"}, {2, u"Zostaje"}};
const std::vector<Item> kPackage = {{1, u"Nowa szafa"}, {3, u"Dodany stół"}};

const Text kLibrary = u"C:\\Nordeka\\CAD A\\dodatki\\";
const Text kPackageFolder = kLibrary + u"P\\";
const Text kDatabase = kPackageFolder + u"dodatki.mdb";

using Lines = std::vector<Text>;

Lines join(std::initializer_list<Lines> parts) {
  Lines all;
  for (const Lines& p : parts) all.insert(all.end(), p.begin(), p.end());
  return all;
}

// The room check before anything is touched: the package's files in whole 4 KiB clusters (7 and 8
// bytes, and a database of 22 clusters) and the merged database, as large as the package's and
// the previous one (22 clusters) together; and what the fake disk has free.
Lines room(const char16_t* packageBytes) {
  return {u"D Pakiet zajmie " + Text(packageBytes) + u" bajtów, wolne jest 1099511627776 bajtów"};
}
const Lines kStart = {u"D Trwa instalowanie pakietu...", u"D MDB: " + kDatabase};
const Lines kJournal = {u"D Zapisujemy dziennik instalacji: " + kPackageFolder +
                        u"dodatki_install.jrn"};
const Lines kBackup = {u"D zmieniamy " + kDatabase + u" na dodatki_old.mdb"};
const Lines kSetAside = {u"D Odkładamy plik " + kPackageFolder + u"model.dwg"};
const Lines kCommit = {u"D Zapisujemy w dzienniku zakończenie instalacji",
                       u"D Poprawnie zakończono instalację."};
const Lines kJournalGone = {u"D Kasujemy dziennik instalacji"};
const Lines kUnpackStart = {u"D Zaczynamy rozpakowywanie pliku ZIP do: " + kLibrary};
const Lines kUnpackAll = {u"D maxFiles = 4", u"D P\\tekstury\\a.jpg", u"D P\\model.dwg",
                          u"D P\\dodatki.mdb"};
const Lines kCreate = {
    u"D Zaczynamy obsługę bazy dodatki.mdb", u"D Brak pliku docelowego. Tworzymy nowy.",
    u"D Tworzenie pliku bazy danych.",       u"D Tworzenie tabeli `info_roducent`",
    u"D Tworzenie tabeli `Dodatki`",         u"D Utworzono pustą bazę danych."};
const Lines kFinally = {u"D FINALLY kończymy instalację."};
const Lines kFailed = {u"I Wystąpił błąd instalacji. Spróbuj ponownie."};

struct LogCase {
  const char* name;
  std::function<void(Scenario&)> arrange;
  Lines expected;  // "D " or "I " and the line
};

void PrintTo(const LogCase& c, std::ostream* os) {
  *os << c.name;
}

class InstallLog : public testing::TestWithParam<LogCase> {};

TEST_P(InstallLog, IsTheWholeSequence) {
  Scenario s;
  GetParam().arrange(s);
  Lines lines;
  const logs::Log log(logs::DEBUG, [&](logs::Level level, const Text& line) {
    lines.push_back((level == logs::IMPORTANT ? u"I " : u"D ") + line);
  });
  install::Observer noWindow;
  install::run(s.fs, {Text(Scenario::kHost), u"P", s.form.sourceZip}, log, noWindow);
  EXPECT_EQ(apptest::utf8(lines), apptest::utf8(GetParam().expected));
}

INSTANTIATE_TEST_SUITE_P(
    Runs, InstallLog,
    testing::Values(
        LogCase{
            "update",
            [](Scenario& s) {
              s.makePrevious(kPrevious);
              s.makePreviousFiles();
              s.makePackage(kPackage);
            },
            join({room(u"278528"),
                  kStart,
                  kJournal,
                  kBackup,
                  kSetAside,
                  kUnpackStart,
                  kUnpackAll,
                  kCreate,
                  {u"D Znaleniono oba istniejące pliki z dazą danych.",
                   u"D Tworzymy połączenie do " + kDatabase,
                   u"D Tworzymy połączenie do " + kLibrary + u"P\\dodatki_old.mdb",
                   u"D Tworzymy połączenie do " + kLibrary + u"P\\dodatki_new.mdb",
                   u"D Przenosimy z dodatki_new.mdb", u"D [1] : Stara szafa", u"D 1 : 1",
                   u"D [2] : Zostaje", u"D 1 : 2", u"D 3 : 2",
                   u"D Przenosimy dodatki z dodatki_new.mdb", u"D [NW] 1 : Nowa szafa - dopisano",
                   u"D [DN] 1", u"D [NW] 3 : Dodany stół - dopisano", u"D [DN] 1", u"D [DN] 2",
                   u"D Poprawnie przeniesiono dane."},
                  kCommit,
                  kFinally,
                  {u"D Kasujemy odłożony plik " + kPackageFolder + u"dodatki_install.old\\1\\1",
                   u"D Usuwamy folder " + kPackageFolder + u"dodatki_install.old\\1",
                   u"D Usuwamy folder " + kPackageFolder + u"dodatki_install.old\\",
                   u"D Kasujemy niepotrzebny plik dodatki_old.mdb"},
                  kJournalGone})},
        LogCase{"first_install", [](Scenario& s) { s.makePackage(kPackage); },
                join({room(u"188416"),
                      kStart,
                      {u"D Tworzymy folder pakietu: " + kPackageFolder},
                      kJournal,
                      kUnpackStart,
                      kUnpackAll,
                      kCreate,
                      {u"D Znaleniono oba istniejące pliki z dazą danych.",
                       u"D Tworzymy połączenie do " + kDatabase,
                       u"D Tworzymy połączenie do " + kLibrary + u"P\\dodatki_new.mdb",
                       u"D Przenosimy z dodatki_new.mdb", u"D Przenosimy dodatki z dodatki_new.mdb",
                       u"D [NW] 1 : Nowa szafa - dopisano", u"D [NW] 3 : Dodany stół - dopisano",
                       u"D [DN] 1", u"D Poprawnie przeniesiono dane."},
                      kCommit,
                      kFinally,
                      kJournalGone})},
        // A package without its database: the merge finds nothing to take.
        LogCase{"failed_merge",
                [](Scenario& s) {
                  s.makePrevious(kPrevious);
                  s.makePackage(std::nullopt);
                },
                join({room(u"98304"),
                      kStart,
                      kJournal,
                      kBackup,
                      kUnpackStart,
                      {u"D maxFiles = 3", u"D P\\tekstury\\a.jpg", u"D P\\model.dwg"},
                      kCreate,
                      {u"I Brak pliku: " + kLibrary + u"P\\dodatki_new.mdb"},
                      kFailed,
                      {u"D Usuwamy plik " + kPackageFolder + u"model.dwg",
                       u"D Usuwamy plik " + kPackageFolder + u"tekstury\\a.jpg",
                       u"D Kasujemy uszkodzony plik dodatki.mdb",
                       u"D Zmiana nazwy pliku z dodatki_old.mdb na dodatki.mdb",
                       u"D Usuwamy folder " + kPackageFolder + u"tekstury"},
                      kJournalGone,
                      kFinally})},
        LogCase{"failed_extraction",
                [](Scenario& s) {
                  s.makePrevious(kPrevious);
                  s.makePreviousFiles();
                  s.makePackage(kPackage);
                  s.fs.shouldFail = [](fake::Op op, const Text& path) {
                    return op == fake::Op::Write &&
                           fake::pathKey(path) == fake::pathKey(kPackageFolder + u"model.dwg");
                  };
                },
                join({room(u"278528"),
                      kStart,
                      kJournal,
                      kBackup,
                      kSetAside,
                      kUnpackStart,
                      {u"D maxFiles = 4", u"D P\\tekstury\\a.jpg",
                       u"I Błąd zapisu pliku `" + kPackageFolder + u"model.dwg`."},
                      kFailed,
                      {u"D Usuwamy plik " + kPackageFolder + u"tekstury\\a.jpg",
                       u"D Przywracamy plik " + kPackageFolder + u"model.dwg",
                       u"D Zmiana nazwy pliku z dodatki_old.mdb na dodatki.mdb",
                       u"D Usuwamy folder " + kPackageFolder + u"dodatki_install.old\\1",
                       u"D Usuwamy folder " + kPackageFolder + u"dodatki_install.old\\",
                       u"D Usuwamy folder " + kPackageFolder + u"tekstury"},
                      kJournalGone,
                      kFinally})},
        LogCase{"archive_missing",
                [](Scenario& s) { s.makePrevious(kPrevious); },
                {u"I Wystąpił błąd instalacji. Brak pliku: C:\\Users\\user\\AppData\\Local\\"
                 u"Temp\\instalator-4242-0\\packages.zip"}},
        // The check before the run renames the database away and back; the backup's rename is
        // the database's second move, and fails with the system's reason.
        LogCase{"failed_backup_rename",
                [](Scenario& s) {
                  s.makePrevious(kPrevious);
                  s.makePackage(kPackage);
                  auto moves = std::make_shared<int>(0);
                  s.fs.shouldFail = [moves](fake::Op op, const Text& path) {
                    return op == fake::Op::Move &&
                           fake::pathKey(path) == fake::pathKey(kDatabase) && ++*moves == 2;
                  };
                },
                join({room(u"278528"),
                      kStart,
                      kJournal,
                      kBackup,
                      {u"I Błąd zmiany nazwy pliku dodatki.mdb na dodatki_old.mdb. "
                       u"Awaria dysku testowego."},
                      kFailed,
                      kJournalGone,
                      kFinally})}),
    [](const testing::TestParamInfo<LogCase>& info) { return std::string(info.param.name); });

}  // namespace
}  // namespace installtest
