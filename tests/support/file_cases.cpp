#include "tests/support/file_cases.h"

#include <gtest/gtest.h>

#include <algorithm>
#include <cstring>
#include <functional>
#include <string>
#include <vector>

namespace filecases {
namespace {

using plat::OpenMode;

void writeFile(plat::Platform& fs, const Text& path, const std::string& content) {
  auto f = fs.open(path, OpenMode::Create);
  f->writeAt(0, content.data(), content.size());
}

std::string readFile(plat::Platform& fs, const Text& path) {
  auto f = fs.open(path, OpenMode::Read);
  std::string s(static_cast<size_t>(f->size()), '\0');
  s.resize(f->readAt(0, s.data(), s.size()));
  return s;
}

struct Case {
  const char* name;
  std::function<void(Place& place, plat::Platform& fs)> run;
};

void PrintTo(const Case& c, std::ostream* os) {
  *os << c.name;
}

const Case kCases[] = {
    {"ExistenceTellsFilesFromFolders",
     [](Place& place, plat::Platform& fs) {
       writeFile(fs, place.at(u"plik.txt"), "x");
       ASSERT_TRUE(fs.createDirectory(place.at(u"folder")));
       struct {
         Text name;
         bool file, folder;
       } cases[] = {{u"plik.txt", true, false},
                    {u"PLIK.TXT", true, false},  // names ignore letter case
                    {u"folder", false, true},
                    {u"folder\\", false, true},
                    {u"brak", false, false}};
       for (const auto& c : cases) {
         SCOPED_TRACE(text::toUtf8(c.name));
         EXPECT_EQ(fs.fileExists(place.at(c.name)), c.file);
         EXPECT_EQ(fs.directoryExists(place.at(c.name)), c.folder);
       }
     }},
    {"MoveFailsOnExistingTargetAndKeepsBoth",
     [](Place& place, plat::Platform& fs) {
       writeFile(fs, place.at(u"a.mdb"), "old");
       writeFile(fs, place.at(u"b.mdb"), "new");
       EXPECT_FALSE(fs.moveFile(place.at(u"a.mdb"), place.at(u"b.mdb")));
       EXPECT_FALSE(fs.moveFile(place.at(u"a.mdb"), place.at(u"B.MDB")));
       EXPECT_EQ(readFile(fs, place.at(u"a.mdb")), "old");
       EXPECT_EQ(readFile(fs, place.at(u"b.mdb")), "new");
       EXPECT_TRUE(fs.moveFile(place.at(u"a.mdb"), place.at(u"c.mdb")));
       EXPECT_FALSE(fs.fileExists(place.at(u"a.mdb")));
       EXPECT_EQ(readFile(fs, place.at(u"c.mdb")), "old");
       EXPECT_FALSE(fs.moveFile(place.at(u"a.mdb"), place.at(u"d.mdb")));  // gone already
     }},
    // A finished copy takes the place of the file it replaces, but never of a folder, a
    // read-only file or a file held open.
    {"ReplaceTakesThePlaceOfAnExistingFile",
     [](Place& place, plat::Platform& fs) {
       writeFile(fs, place.at(u"kopia.mdb"), "new");
       writeFile(fs, place.at(u"dodatki.mdb"), "old");
       EXPECT_TRUE(fs.replaceFile(place.at(u"kopia.mdb"), place.at(u"DODATKI.mdb")));
       EXPECT_FALSE(fs.fileExists(place.at(u"kopia.mdb")));
       EXPECT_EQ(readFile(fs, place.at(u"dodatki.mdb")), "new");
       writeFile(fs, place.at(u"kopia.mdb"), "next");
       EXPECT_TRUE(fs.replaceFile(place.at(u"kopia.mdb"), place.at(u"nowa.mdb")))
           << "no target: a plain rename";
       EXPECT_EQ(readFile(fs, place.at(u"nowa.mdb")), "next");
       EXPECT_FALSE(fs.replaceFile(place.at(u"brak.mdb"), place.at(u"nowa.mdb")));
       writeFile(fs, place.at(u"kopia.mdb"), "again");
       ASSERT_TRUE(fs.createDirectory(place.at(u"folder")));
       EXPECT_FALSE(fs.replaceFile(place.at(u"kopia.mdb"), place.at(u"folder")));
       {
         auto held = fs.open(place.at(u"nowa.mdb"), OpenMode::Read);
         EXPECT_FALSE(fs.replaceFile(place.at(u"kopia.mdb"), place.at(u"nowa.mdb")));
       }
       EXPECT_EQ(readFile(fs, place.at(u"kopia.mdb")), "again");
       EXPECT_EQ(readFile(fs, place.at(u"nowa.mdb")), "next");
     }},
    // A database held open by another program must not be renamed or deleted under it.
    {"FileHeldOpenCannotBeRenamedOrDeleted",
     [](Place& place, plat::Platform& fs) {
       for (OpenMode mode : {OpenMode::Read, OpenMode::ReadWrite, OpenMode::Create}) {
         SCOPED_TRACE(static_cast<int>(mode));
         const Text path = place.at(u"dodatki.mdb");
         writeFile(fs, path, "data");
         {
           auto held = fs.open(path, mode);
           EXPECT_FALSE(fs.moveFile(path, place.at(u"dodatki_old.mdb")));
           EXPECT_FALSE(fs.deleteFile(path));
           EXPECT_TRUE(fs.fileExists(path));
         }
         EXPECT_TRUE(fs.moveFile(path, place.at(u"dodatki_old.mdb")));
         EXPECT_TRUE(fs.deleteFile(place.at(u"dodatki_old.mdb")));
       }
     }},
    {"DeleteRemovesOnlyAPlainFile",
     [](Place& place, plat::Platform& fs) {
       writeFile(fs, place.at(u"plik"), "x");
       ASSERT_TRUE(fs.createDirectory(place.at(u"folder")));
       EXPECT_FALSE(fs.deleteFile(place.at(u"brak")));
       EXPECT_FALSE(fs.deleteFile(place.at(u"folder")));
       EXPECT_TRUE(fs.directoryExists(place.at(u"folder")));
       EXPECT_TRUE(fs.deleteFile(place.at(u"PLIK")));
       EXPECT_FALSE(fs.fileExists(place.at(u"plik")));
     }},
    // A reader lets others read but never write; a writer lets others read, so a second reader,
    // who would not share writing, is refused.
    {"OpenModesShareReadingOnly",
     [](Place& place, plat::Platform& fs) {
       const Text path = place.at(u"shared.bin");
       writeFile(fs, path, "abc");
       struct {
         OpenMode first, second;
         bool secondOpens;
       } cases[] = {{OpenMode::Read, OpenMode::Read, true},
                    {OpenMode::Read, OpenMode::ReadWrite, false},
                    {OpenMode::Read, OpenMode::Create, false},
                    {OpenMode::ReadWrite, OpenMode::Read, false},
                    {OpenMode::ReadWrite, OpenMode::ReadWrite, false}};
       for (const auto& c : cases) {
         SCOPED_TRACE(std::to_string(static_cast<int>(c.first)) + " then " +
                      std::to_string(static_cast<int>(c.second)));
         auto first = fs.open(path, c.first);
         if (c.secondOpens) {
           EXPECT_NO_THROW(fs.open(path, c.second));
         } else {
           EXPECT_THROW(fs.open(path, c.second), plat::FileError);
         }
       }
     }},
    {"ReadOnlyFileIsReadButNeitherWrittenNorDeleted",
     [](Place& place, plat::Platform& fs) {
       const Text path = place.at(u"dodatki.mdb");
       writeFile(fs, path, "data");
       place.setReadOnly(path, true);
       EXPECT_EQ(readFile(fs, path), "data");
       if (place.readOnlyKeepsWritersOut()) {
         EXPECT_THROW(fs.open(path, OpenMode::ReadWrite), plat::FileError);
         EXPECT_THROW(fs.open(path, OpenMode::Create), plat::FileError);
       }
       EXPECT_FALSE(fs.deleteFile(path));
       EXPECT_EQ(readFile(fs, path), "data");
       place.setReadOnly(path, false);
       EXPECT_TRUE(fs.deleteFile(path));
     }},
    // The attribute the installer reads, clears and gives back to a host's database.
    {"ReadOnlyAttributeIsReadAndSet",
     [](Place& place, plat::Platform& fs) {
       const Text path = place.at(u"dodatki.mdb");
       writeFile(fs, path, "data");
       EXPECT_FALSE(fs.isReadOnly(path));
       ASSERT_TRUE(fs.setReadOnlyAttribute(path, true));
       EXPECT_TRUE(fs.isReadOnly(path));
       EXPECT_FALSE(fs.deleteFile(path));
       ASSERT_TRUE(fs.setReadOnlyAttribute(path, false));
       EXPECT_FALSE(fs.isReadOnly(path));
       EXPECT_TRUE(fs.deleteFile(path));
       EXPECT_FALSE(fs.isReadOnly(path));
       EXPECT_FALSE(fs.setReadOnlyAttribute(path, true));  // gone
     }},
    // Flushing opens the closed file for writing, so not one held open.
    {"FlushNeedsAClosedWritableFile",
     [](Place& place, plat::Platform& fs) {
       const Text path = place.at(u"dodatki.mdb");
       writeFile(fs, path, "data");
       EXPECT_TRUE(fs.flushToDisk(path));
       EXPECT_EQ(readFile(fs, path), "data");
       {
         auto held = fs.open(path, OpenMode::Read);
         EXPECT_FALSE(fs.flushToDisk(path));
       }
       EXPECT_FALSE(fs.flushToDisk(place.at(u"brak.mdb")));
     }},
    {"ReadsWritesAndResizesAtPositions",
     [](Place& place, plat::Platform& fs) {
       const Text path = place.at(u"data.bin");
       writeFile(fs, path, "0123456789");
       {
         auto f = fs.open(path, OpenMode::Create);  // truncates
         EXPECT_EQ(f->size(), 0u);
         f->writeAt(4, "abcd", 4);  // beyond the end: the gap is zeros
         EXPECT_EQ(f->size(), 8u);
         char buf[16] = {};
         EXPECT_EQ(f->readAt(2, buf, sizeof buf), 6u);  // short only at the end
         EXPECT_EQ(std::memcmp(buf, "\0\0abcd", 6), 0);
         EXPECT_EQ(f->readAt(8, buf, 4), 0u);
         f->truncate(5);
         EXPECT_EQ(f->size(), 5u);
       }
       {
         auto f = fs.open(path, OpenMode::ReadWrite);
         f->writeAt(0, "Z", 1);
         f->flush();
       }
       EXPECT_EQ(readFile(fs, path), std::string("Z\0\0\0a", 5));
     }},
    {"SubFoldersAndFilesAreListedApart",
     [](Place& place, plat::Platform& fs) {
       for (Text name : {u"CAD A", u"ukryty", u"systemowy"}) {
         ASSERT_TRUE(fs.createDirectory(place.at(name)));
       }
       writeFile(fs, place.at(u"CAD plik"), "x");
       place.setHidden(place.at(u"ukryty"), true);
       place.setHidden(place.at(u"systemowy"), true);
       place.setSystem(place.at(u"systemowy"), true);
       for (const Text& dir : {place.dir(), place.dir() + u"\\"}) {
         auto names = fs.subFolders(dir);
         std::sort(names.begin(), names.end());
         EXPECT_EQ(names, (std::vector<Text>{u"CAD A", u"systemowy", u"ukryty"}));
         EXPECT_EQ(fs.filesIn(dir), std::vector<Text>{u"CAD plik"});
       }
       EXPECT_TRUE(fs.subFolders(place.at(u"brak")).empty());
       EXPECT_TRUE(fs.filesIn(place.at(u"brak")).empty());
       place.setHidden(place.at(u"ukryty"), false);
       place.setSystem(place.at(u"systemowy"), false);
       place.setHidden(place.at(u"systemowy"), false);
     }},
    // A failed operation says why, in the words the log shows.
    {"FailuresCarryTheSystemsReason",
     [](Place& place, plat::Platform& fs) {
       using plat::Reason;
       writeFile(fs, place.at(u"a.mdb"), "a");
       writeFile(fs, place.at(u"b.mdb"), "b");
       writeFile(fs, place.at(u"tylko.mdb"), "r");
       place.setReadOnly(place.at(u"tylko.mdb"), true);
       ASSERT_TRUE(fs.createDirectory(place.at(u"folder")));
       writeFile(fs, place.at(u"folder\\plik"), "x");
       auto held = fs.open(place.at(u"b.mdb"), OpenMode::Read);
       const struct {
         const char* name;
         std::function<plat::Status()> operation;
         Reason reason;
       } cases[] = {
           {"rename onto an existing file",
            [&] { return fs.moveFile(place.at(u"a.mdb"), place.at(u"tylko.mdb")); },
            Reason::AlreadyExists},
           {"rename of a missing file",
            [&] { return fs.moveFile(place.at(u"brak.mdb"), place.at(u"c.mdb")); },
            Reason::FileNotFound},
           {"rename of a file held open",
            [&] { return fs.moveFile(place.at(u"b.mdb"), place.at(u"c.mdb")); }, Reason::InUse},
           {"deletion of a file held open", [&] { return fs.deleteFile(place.at(u"b.mdb")); },
            Reason::InUse},
           {"deletion of a missing file", [&] { return fs.deleteFile(place.at(u"brak.mdb")); },
            Reason::FileNotFound},
           {"deletion of a read-only file", [&] { return fs.deleteFile(place.at(u"tylko.mdb")); },
            Reason::AccessDenied},
           {"folder made twice", [&] { return fs.createDirectory(place.at(u"folder")); },
            Reason::AlreadyExists},
           {"folder without its parent", [&] { return fs.createDirectory(place.at(u"x\\y")); },
            Reason::PathNotFound},
           {"removal of a folder with a file",
            [&] { return fs.removeDirectory(place.at(u"folder")); }, Reason::NotEmpty},
       };
       for (const auto& c : cases) {
         SCOPED_TRACE(c.name);
         const plat::Status status = c.operation();
         EXPECT_FALSE(status.ok());
         EXPECT_EQ(text::toUtf8(status.reason()), text::toUtf8(plat::reasonText(c.reason)));
       }
       place.setReadOnly(place.at(u"tylko.mdb"), false);
     }},
    // The install compares a package's size with it; a missing folder has no volume to ask.
    {"FreeSpaceOfAFolderOnly",
     [](Place& place, plat::Platform& fs) {
       const std::optional<uint64_t> free = fs.freeSpace(place.dir() + u"\\");
       ASSERT_TRUE(free.has_value());
       EXPECT_GT(*free, 0u);
       EXPECT_FALSE(fs.freeSpace(place.at(u"brak\\")).has_value());
       const std::optional<uint64_t> cluster = fs.clusterSize(place.dir() + u"\\");
       ASSERT_TRUE(cluster.has_value());
       EXPECT_GE(*cluster, 512u);
       EXPECT_EQ(*cluster & (*cluster - 1), 0u) << "a power of two";
     }},
    // A package may lie deeper than MAX_PATH (260) allows a plain path on Windows.
    {"PathsBeyondMaxPathWorkLikeShortOnes",
     [](Place& place, plat::Platform& fs) {
       const Text step(100, u'k');
       const Text deep = place.at(step + u"\\" + step + u"\\" + step);
       ASSERT_GT(deep.size(), 300u);
       fs.forceDirectories(deep + u"\\");
       ASSERT_TRUE(fs.directoryExists(deep));
       ASSERT_TRUE(fs.createDirectory(deep + u"\\" + step));
       const Text file = deep + u"\\" + step + u"\\" + step + u".txt";
       writeFile(fs, file, "data");
       EXPECT_TRUE(fs.fileExists(file));
       EXPECT_EQ(fs.filesIn(deep + u"\\" + step + u"\\"), std::vector<Text>{step + u".txt"});
       const Text moved = deep + u"\\" + step + u".txt";
       ASSERT_TRUE(fs.moveFile(file, moved));
       writeFile(fs, file, "next");
       ASSERT_TRUE(fs.replaceFile(file, moved));
       EXPECT_EQ(readFile(fs, moved), "next");
       ASSERT_TRUE(fs.setReadOnlyAttribute(moved, true));
       EXPECT_TRUE(fs.isReadOnly(moved));
       ASSERT_TRUE(fs.setReadOnlyAttribute(moved, false));
       EXPECT_TRUE(fs.flushToDisk(moved));
       EXPECT_TRUE(fs.deleteFile(moved));
       EXPECT_TRUE(fs.isDirectoryEmpty(deep + u"\\" + step));
       EXPECT_TRUE(fs.removeDirectory(deep + u"\\" + step));
       EXPECT_FALSE(fs.directoryExists(deep + u"\\" + step));
     }},
    // Two installers must never both hold one package: the second finds the file held, cannot
    // touch it, and the file goes with the hold.
    {"HeldFileKeepsEveryoneElseOutAndGoesWithTheHold",
     [](Place& place, plat::Platform& fs) {
       const Text path = place.at(u"zajety.lock");
       std::unique_ptr<plat::HeldFile> held = fs.holdFile(path);
       ASSERT_NE(held, nullptr);
       EXPECT_TRUE(fs.fileExists(path));
       EXPECT_EQ(fs.holdFile(path), nullptr);
       EXPECT_THROW(fs.open(path, OpenMode::Read), plat::FileError);
       EXPECT_FALSE(fs.deleteFile(path));
       EXPECT_FALSE(fs.moveFile(path, place.at(u"inny.lock")));
       held.reset();
       EXPECT_FALSE(fs.fileExists(path));
       held = fs.holdFile(path);
       EXPECT_NE(held, nullptr);
       held.reset();
       // A file left by a holder that never let go (a power cut) is taken over.
       writeFile(fs, path, "");
       EXPECT_NE(fs.holdFile(path), nullptr);
       EXPECT_FALSE(fs.fileExists(path));
       EXPECT_THROW(fs.holdFile(place.at(u"brak\\x.lock")), plat::FileError);
     }},
    {"EmptyFolderTestAndRemoval",
     [](Place& place, plat::Platform& fs) {
       const Text dir = place.at(u"tmp");
       ASSERT_TRUE(fs.createDirectory(dir));
       EXPECT_FALSE(fs.createDirectory(dir));  // one level, once
       EXPECT_FALSE(fs.createDirectory(place.at(u"a\\b")));
       EXPECT_TRUE(fs.isDirectoryEmpty(dir));
       writeFile(fs, dir + u"\\NODELETE", "");
       place.setHidden(dir + u"\\NODELETE", true);
       EXPECT_FALSE(fs.isDirectoryEmpty(dir));  // a hidden file counts
       EXPECT_FALSE(fs.removeDirectory(dir));
       place.setHidden(dir + u"\\NODELETE", false);
       ASSERT_TRUE(fs.deleteFile(dir + u"\\NODELETE"));
       EXPECT_TRUE(fs.removeDirectory(dir));
       EXPECT_FALSE(fs.isDirectoryEmpty(dir));  // a missing folder is not an empty one
     }},
};

class FileCases : public testing::TestWithParam<Case> {
 protected:
  std::unique_ptr<Place> place_ = makePlace();
};

TEST_P(FileCases, Hold) {
  GetParam().run(*place_, place_->platform());
}

INSTANTIATE_TEST_SUITE_P(Platform, FileCases, testing::ValuesIn(kCases),
                         [](const testing::TestParamInfo<Case>& info) { return info.param.name; });

}  // namespace
}  // namespace filecases
