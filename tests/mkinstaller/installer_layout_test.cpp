#include "archive/installer_layout.h"

#include <gtest/gtest.h>

#include <cstdint>
#include <limits>

#include "tests/mkinstaller/pattern_file.h"
#include "tests/support/memory_file.h"

using namespace std::string_literals;

namespace {

using MemFile = testsupport::MemoryFile;
using testfiles::PatternFile;

constexpr size_t kTrailerSize = layout::kTrailerSize;

TEST(FormatTrailer, RightAlignsTheOffsetInTwentyCharacters) {
  struct Case {
    uint64_t offset;
    std::string trailer;
  };
  const Case cases[] = {
      {1, std::string(19, ' ') + "1"},
      {12345678, std::string(12, ' ') + "12345678"},
      {uint64_t{std::numeric_limits<int64_t>::max()}, " 9223372036854775807"},
  };
  for (const auto& c : cases) {
    SCOPED_TRACE(c.offset);
    EXPECT_EQ(layout::formatTrailer(c.offset), c.trailer);
    EXPECT_EQ(layout::formatTrailer(c.offset).size(), kTrailerSize);
  }
}

TEST(FormatTrailer, RejectsOffsetsTheInstallerCannotUse) {
  // 0 reads back as "no package"; above INT64_MAX the installer's signed parse overflows.
  for (uint64_t offset : {uint64_t{0}, uint64_t{std::numeric_limits<int64_t>::max()} + 1}) {
    SCOPED_TRACE(offset);
    EXPECT_THROW(layout::formatTrailer(offset), text::Error);
  }
}

TEST(WriteInstaller, WritesProgramArchiveMarkAndTrailerInOrder) {
  MemFile program("MZ\x90\0program"s);
  MemFile archive("PK\x03\x04 zip bytes PK\x05\x06"s);
  MemFile out;
  const layout::Written w = layout::writeInstaller(program, archive, out);

  const std::string expected = program.bytes() + archive.bytes() + "\xEF\xBB\xBF" +
                               std::string(18, ' ') + std::to_string(program.bytes().size());
  EXPECT_EQ(out.bytes(), expected);
  EXPECT_EQ(w.archiveOffset, program.bytes().size());
  EXPECT_EQ(w.totalSize, expected.size());
}

TEST(WriteInstaller, ReplacesALongerEarlierContentCompletely) {
  MemFile program("stub");
  MemFile archive("zip");
  MemFile out(std::string(500, 'x'));
  layout::writeInstaller(program, archive, out);
  EXPECT_EQ(out.bytes().size(), 4 + 3 + 3 + kTrailerSize);
}

TEST(WriteInstaller, StreamsLargeFilesInBlocks) {
  // Sizes that straddle block boundaries, so every partial block is exercised.
  const uint64_t programSize = layout::kCopyBlock + 5;
  const uint64_t archiveSize = 2 * layout::kCopyBlock + 7;
  PatternFile program(programSize);
  PatternFile archive(archiveSize);
  MemFile out;
  layout::writeInstaller(program, archive, out);

  EXPECT_LE(program.largestRead(), layout::kCopyBlock);
  EXPECT_LE(archive.largestRead(), layout::kCopyBlock);
  const std::string& bytes = out.bytes();
  ASSERT_EQ(bytes.size(), programSize + archiveSize + 3 + kTrailerSize);
  for (uint64_t p = 0; p < programSize; ++p) {
    ASSERT_EQ(bytes[p], PatternFile::patternByte(p)) << "program byte " << p;
  }
  for (uint64_t p = 0; p < archiveSize; ++p) {
    ASSERT_EQ(bytes[programSize + p], PatternFile::patternByte(p)) << "archive byte " << p;
  }
  EXPECT_EQ(bytes.substr(bytes.size() - 20), layout::formatTrailer(programSize));
}

TEST(WriteInstaller, FailsWhenAnInputEndsBeforeItsSize) {
  PatternFile program(100);
  PatternFile archive(1000, 600);  // claims 1000 bytes, delivers 600
  MemFile out;
  try {
    layout::writeInstaller(program, archive, out);
    FAIL() << "a short archive was accepted";
  } catch (const text::Error& e) {
    EXPECT_NE(std::string(e.what()).find("600 of 1000"), std::string::npos) << e.what();
  }
}

TEST(WriteInstaller, RefusesAnEmptyProgramFile) {
  MemFile program;
  MemFile archive("zip");
  MemFile out;
  EXPECT_THROW(layout::writeInstaller(program, archive, out), text::Error);
}

}  // namespace
