// The working folders under the user's temporary folder: each run makes its own, and removes
// those of earlier runs whose process is gone, which a killed run leaves behind.
#include "app/work_folder.h"

#include <gtest/gtest.h>

#include "tests/support/fake_platform.h"

namespace {

using text::Text;

constexpr uint32_t kAlive = 777;  // another installer still running
constexpr uint32_t kGone = 555;

struct Folder {
  const char* what;
  Text name;
  std::vector<Text> files;  // below the folder; a name ending with "\" is a folder
  bool removed;
};

TEST(WorkFolder, RemovesOnlyTheFoldersOfRunsThatAreGone) {
  fake::FakePlatform fs;
  fs.mkdirs(fs.tempDir);
  fs.processList = {{fs.ownPid, u"installer.exe"}, {kAlive, u"Kuchnie.exe"}};
  const Text gone = u"instalator-" + text::num(kGone) + u"-";
  const Folder folders[] = {
      {"a killed run's copy and cover",
       gone + u"0",
       {u"packages.zip", u"cover.jpg", u"P.jpg"},
       true},
      {"an empty one", gone + u"1", {}, true},
      {"a running installer's", u"instalator-" + text::num(kAlive) + u"-0", {u"cover.jpg"}, false},
      {"one kept on purpose", gone + u"2", {u"cover.jpg", u"NODELETE"}, false},
      {"one holding a folder", gone + u"3", {u"cover.jpg", u"dane\\"}, false},
      {"another program's", u"instalator-setup", {u"a.txt"}, false},
      {"a number too large for a process", u"instalator-99999999999-0", {u"a.txt"}, false},
      {"no run number", gone, {u"a.txt"}, false},
  };
  for (const Folder& f : folders) {
    const Text folder = fs.tempDir + f.name + u"\\";
    fs.mkdirs(folder);
    for (const Text& file : f.files) {
      if (file.back() == u'\\') {
        fs.mkdirs(folder + file);
      } else {
        fs.writeFile(folder + file, "x");
      }
    }
  }
  std::vector<Text> lines;
  const logs::Log log(logs::DEBUG, [&](logs::Level, const Text& l) { lines.push_back(l); });

  const Text own = app::makeWorkFolder(fs, log);

  EXPECT_EQ(own, fs.tempDir + u"instalator-" + text::num(fs.ownPid) + u"-0\\");
  EXPECT_TRUE(fs.directoryExists(own));
  std::vector<Text> expectedLines;
  for (const Folder& f : folders) {
    const Text folder = fs.tempDir + f.name + u"\\";
    EXPECT_EQ(fs.directoryExists(folder), !f.removed) << f.what;
    if (f.removed) {
      expectedLines.push_back(u"Usunięto folder roboczy wcześniejszego uruchomienia: " + folder);
    } else {
      for (const Text& file : f.files) {
        EXPECT_TRUE(fs.fileExists(folder + file) || fs.directoryExists(folder + file)) << f.what;
      }
    }
  }
  EXPECT_EQ(lines, expectedLines);
}

// The owner of a folder cannot be told: nothing is removed.
TEST(WorkFolder, KeepsEveryFolderWhenTheProcessesCannotBeListed) {
  fake::FakePlatform fs;
  const Text stale = fs.tempDir + u"instalator-" + text::num(kGone) + u"-0\\";
  fs.writeFile(stale + u"packages.zip", "x");
  fs.shouldFail = [](fake::Op op, const Text&) { return op == fake::Op::Processes; };
  const logs::Log log(logs::DEBUG, [](logs::Level, const Text&) {});
  app::makeWorkFolder(fs, log);
  EXPECT_TRUE(fs.fileExists(stale + u"packages.zip"));
}

}  // namespace
