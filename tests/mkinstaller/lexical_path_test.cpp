// Paths compared as text, before the build command opens anything.
#include "tools/mkinstaller/lexical_path.h"

#include <gtest/gtest.h>

namespace {

using mkinstaller::isInsideFolder;
using mkinstaller::isSamePath;
using text::Text;

TEST(LexicalPath, SpellingsOfOneFileAreTheSamePath) {
  struct Case {
    Text a, b, cwd;
    bool same;
  };
  const Case cases[] = {
      {u"C:\\Pakiety\\out.exe", u"c:/pakiety/./OUT.EXE", u"D:\\", true},
      {u"out.exe", u"C:\\work\\out.exe", u"C:\\work", true},
      {u"..\\out.exe", u"C:\\out.exe", u"C:\\work\\", true},
      {u"C:\\..\\..\\out.exe", u"C:\\out.exe", u"D:\\", true},  // no climbing out of a drive
      {u"/tmp/a/../b/out.exe", u"/tmp/b/out.exe", u"/", true},
      {u"b/out.exe", u"/tmp/b/out.exe", u"/tmp", true},
      {u"C:\\out.exe", u"D:\\out.exe", u"C:\\", false},
      {u"out.exe", u"out.exe.part", u"C:\\", false},
  };
  for (const auto& c : cases) {
    EXPECT_EQ(isSamePath(c.a, c.b, c.cwd), c.same)
        << text::toUtf8(c.a) << " vs " << text::toUtf8(c.b);
  }
}

TEST(LexicalPath, InsideMeansBelowTheFolderNotBesideIt) {
  struct Case {
    Text path, folder;
    bool inside;
  };
  const Case cases[] = {
      {u"C:\\pkg\\Meble\\out.exe", u"C:\\pkg", true},
      {u"C:\\PKG\\out.exe", u"c:\\pkg\\", true},
      {u"pkg\\x\\..\\out.exe", u"C:\\work\\pkg", true},
      {u"C:\\pkg", u"C:\\pkg", false},
      {u"C:\\pkg.exe", u"C:\\pkg", false},
      {u"C:\\pkg2\\out.exe", u"C:\\pkg", false},
      {u"C:\\pkg\\..\\out.exe", u"C:\\pkg", false},
      {u"/out.exe", u"/", true},
  };
  for (const auto& c : cases) {
    EXPECT_EQ(isInsideFolder(c.path, c.folder, u"C:\\work"), c.inside)
        << text::toUtf8(c.path) << " in " << text::toUtf8(c.folder);
  }
}

}  // namespace
