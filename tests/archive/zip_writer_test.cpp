// What the writer records beyond the round trips of the reader tests: fixed stamps for
// repeatable archives, MS-DOS attributes, and ZIP64 end records once the entry count needs them.
#include <gtest/gtest.h>

#include "archive/zip_format.h"
#include "archive/zip_reader.h"
#include "tests/archive/zip_fixtures.h"
#include "tests/support/fake_platform.h"

namespace {

using text::Text;
namespace fmt = zipkit::fmt;

uint16_t get16(const std::string& z, size_t at) {
  return fmt::get16(reinterpret_cast<const uint8_t*>(z.data() + at));
}
uint32_t get32(const std::string& z, size_t at) {
  return fmt::get32(reinterpret_cast<const uint8_t*>(z.data() + at));
}

TEST(ZipWriter, FixedStampGivesRepeatableArchives) {
  fake::FakePlatform fs;
  zipkit::WriterOptions options;
  options.fixedTime = zipkit::DosTime{0x6000, 0x5821};  // 2024-01-01 12:00:00
  for (const Text path : {u"C:\\1.zip", u"C:\\2.zip"}) {
    zipkit::ZipWriter w(fs, path, options);
    w.addFile(u"P\\a.txt", "abc");
    w.addFolder(u"P\\sub\\");
    w.finish();
  }
  const std::string zip = fs.readFile(u"C:\\1.zip");
  EXPECT_EQ(zip, fs.readFile(u"C:\\2.zip"));
  for (size_t k = 0; k < 2; ++k) {
    const size_t h = ziptest::centralHeaderAt(zip, k);
    EXPECT_EQ(get16(zip, h + fmt::central::time), 0x6000);
    EXPECT_EQ(get16(zip, h + fmt::central::date), 0x5821);
    EXPECT_EQ(get16(zip, h + fmt::central::flags) & fmt::kFlagUtf8, fmt::kFlagUtf8);
    EXPECT_EQ(get32(zip, h + fmt::central::externalAttr), k == 0 ? 0x20u : 0x10u);
  }
}

TEST(ZipWriter, SwitchesToZip64WhenTheEntryCountNeedsIt) {
  fake::FakePlatform fs;
  {
    zipkit::ZipWriter w(fs, u"C:\\many.zip", {zipkit::DosTime{}});
    for (int i = 0; i < 0x10000; ++i) w.addFile(u"f" + text::num(i), "", zipkit::Method::Stored);
    w.finish();
  }
  const std::string zip = fs.readFile(u"C:\\many.zip");
  EXPECT_EQ(get16(zip, ziptest::endRecordAt(zip) + fmt::end::entries), 0xFFFF);
  zipkit::ZipReader reader(fs);
  reader.open(u"C:\\many.zip");
  ASSERT_EQ(reader.count(), 0x10000u);
  EXPECT_EQ(reader.names().back(), u"f65535");
  EXPECT_EQ(reader.indexOf(u"F65535"), 0xFFFF);
}

}  // namespace
