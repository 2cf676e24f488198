// The extended-length form the Windows layer gives long paths: only absolute ones, cleaned up
// as Windows would clean them, since the form skips that clean-up.
#include "platform/long_path.h"

#include <gtest/gtest.h>

namespace {

using text::Text;

// A folder name that makes any path below it long enough for the extended form.
const Text kDeep(250, u'd');

struct Case {
  const char* what;
  Text path;
  Text windowsGets;
};

TEST(ExtendedLengthPath, OnlyLongAbsolutePathsTakeTheFormCleanedUp) {
  const Text shortest(plat::kExtendedPathFrom - 4, u'x');
  const Case cases[] = {
      {"short paths stay as they are", u"C:\\a\\..\\b/c.txt", u"C:\\a\\..\\b/c.txt"},
      {"one below the limit", u"C:\\" + Text(plat::kExtendedPathFrom - 4, u'x'),
       u"C:\\" + Text(plat::kExtendedPathFrom - 4, u'x')},
      {"at the limit", u"C:\\" + shortest + u"y", u"\\\\?\\C:\\" + shortest + u"y"},
      {"a file deep down", u"D:\\Nordeka\\" + kDeep + u"\\P\\a.jpg",
       u"\\\\?\\D:\\Nordeka\\" + kDeep + u"\\P\\a.jpg"},
      {"a folder keeps its closing separator", u"c:\\" + kDeep + u"\\",
       u"\\\\?\\c:\\" + kDeep + u"\\"},
      {"slashes, doubled separators and dot steps", u"C:/" + kDeep + u"//.\\P/./a.jpg",
       u"\\\\?\\C:\\" + kDeep + u"\\P\\a.jpg"},
      {"parent steps are taken back", u"C:\\" + kDeep + u"\\x\\..\\P\\a.jpg",
       u"\\\\?\\C:\\" + kDeep + u"\\P\\a.jpg"},
      {"never above the drive", u"C:\\..\\..\\" + kDeep, u"\\\\?\\C:\\" + kDeep},
      {"a share", u"\\\\serwer\\pakiety\\" + kDeep + u"\\a.exe",
       u"\\\\?\\UNC\\serwer\\pakiety\\" + kDeep + u"\\a.exe"},
      {"never above the share", u"\\\\serwer\\pakiety\\..\\..\\" + kDeep,
       u"\\\\?\\UNC\\serwer\\pakiety\\" + kDeep},
      {"already extended", u"\\\\?\\C:\\" + kDeep + u"\\..", u"\\\\?\\C:\\" + kDeep + u"\\.."},
      {"a device path", u"\\\\.\\" + kDeep, u"\\\\.\\" + kDeep},
      {"relative paths are left to Windows", u"tmp\\" + kDeep, u"tmp\\" + kDeep},
      {"drive-relative paths too", u"C:" + kDeep, u"C:" + kDeep},
      {"rooted without a drive too", u"\\" + kDeep, u"\\" + kDeep},
      {"a share without its name", u"\\\\serwer\\" + kDeep + u"\\",
       u"\\\\?\\UNC\\serwer\\" + kDeep + u"\\"},
  };
  for (const Case& c : cases) {
    EXPECT_EQ(plat::extendedLengthPath(c.path), c.windowsGets) << c.what;
  }
}

}  // namespace
