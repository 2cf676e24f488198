// The switches read from the raw command line, as Windows hands it to the program.
#include "app/command_line.h"

#include <gtest/gtest.h>

#include <optional>
#include <string>

namespace {

using text::Text;

struct LineCase {
  const char* name;
  Text raw;
  bool silent;
  bool debug;
  std::optional<Text> logFile;
  std::optional<Text> hostFolder;
  std::optional<Text> unknown;
};

void PrintTo(const LineCase& c, std::ostream* os) {
  *os << c.name;
}

class RawCommandLine : public testing::TestWithParam<LineCase> {};

TEST_P(RawCommandLine, ReadsTheSwitches) {
  const LineCase& c = GetParam();
  const app::CommandLine line = app::parseRawCommandLine(c.raw);
  EXPECT_EQ(line.silent, c.silent);
  EXPECT_EQ(line.debug, c.debug);
  EXPECT_EQ(line.logFile, c.logFile);
  EXPECT_EQ(line.hostFolder, c.hostFolder);
  EXPECT_EQ(line.unknown, c.unknown);
}

const Text kHost = u"C:\\Nordeka\\CAD A\\";

INSTANTIATE_TEST_SUITE_P(
    Switches, RawCommandLine,
    testing::Values(
        LineCase{"none", u"instalator.exe", false, false, {}, {}, {}},
        LineCase{"quoted_program_with_blanks",
                 u"\"C:\\Moje pliki\\instalator.exe\"  /S",
                 true,
                 false,
                 {},
                 {},
                 {}},
        LineCase{"any_letter_case",
                 u"instalator.exe /s /log=C:\\l.txt /d=C:\\Nordeka\\CAD A\\",
                 true,
                 false,
                 u"C:\\l.txt",
                 kHost,
                 {}},
        LineCase{"host_folder_with_blanks_and_trailing_backslash",
                 u"instalator.exe /S /D=C:\\Nordeka\\CAD A\\",
                 true,
                 false,
                 {},
                 kHost,
                 {}},
        LineCase{"blanks_after_the_folder_dropped",
                 u"instalator.exe /S /D=C:\\Nordeka\\CAD A\\  ",
                 true,
                 false,
                 {},
                 kHost,
                 {}},
        LineCase{"quotes_around_the_whole_switch",
                 u"instalator.exe /S \"/D=C:\\Nordeka\\CAD A\\\"",
                 true,
                 false,
                 {},
                 kHost,
                 {}},
        LineCase{"quotes_around_the_path",
                 u"instalator.exe /S /D=\"C:\\Nordeka\\CAD A\\\"",
                 true,
                 false,
                 {},
                 kHost,
                 {}},
        LineCase{"host_folder_takes_the_rest",
                 u"instalator.exe /S /D=C:\\CAD B /LOG=x.txt",
                 true,
                 false,
                 {},
                 u"C:\\CAD B /LOG=x.txt",
                 {}},
        LineCase{"quoted_log_file_with_blanks",
                 u"instalator.exe /S \"/LOG=C:\\Moje logi\\a.log\"",
                 true,
                 false,
                 u"C:\\Moje logi\\a.log",
                 {},
                 {}},
        LineCase{"debug_in_first_place", u"instalator.exe /d /S", true, true, {}, {}, {}},
        LineCase{"debug_word_in_first_place", u"instalator.exe DEBUG /S", true, true, {}, {}, {}},
        LineCase{
            "debug_in_later_place_is_unknown", u"instalator.exe /S /d", true, false, {}, {}, u"/d"},
        LineCase{"debug_in_later_place_without_silent",
                 u"instalator.exe /LOG=a.log /d",
                 false,
                 false,
                 u"a.log",
                 {},
                 {}},
        LineCase{"host_folder_first_is_no_debug_switch",
                 u"instalator.exe /D=C:\\CAD A\\",
                 false,
                 false,
                 {},
                 {},
                 {}},
        LineCase{"repeated_silent", u"instalator.exe /S /s", true, false, {}, {}, u"/s"},
        LineCase{"repeated_log_file",
                 u"instalator.exe /S /LOG=a.log /LOG=b.log",
                 true,
                 false,
                 u"a.log",
                 {},
                 u"/LOG=b.log"},
        LineCase{"repeated_log_file_without_silent_keeps_the_first",
                 u"instalator.exe /LOG=a.log /LOG=b.log",
                 false,
                 false,
                 u"a.log",
                 {},
                 {}},
        LineCase{"host_folder_without_silent_is_ignored",
                 u"instalator.exe /LOG=a.log /D=C:\\Nordeka\\CAD A\\",
                 false,
                 false,
                 u"a.log",
                 {},
                 {}},
        LineCase{"unknown_switch_with_silent",
                 u"instalator.exe /S /VERYSILENT",
                 true,
                 false,
                 {},
                 {},
                 u"/VERYSILENT"},
        LineCase{"unknown_switch_without_silent_is_ignored",
                 u"instalator.exe /VERYSILENT x",
                 false,
                 false,
                 {},
                 {},
                 {}},
        LineCase{"empty_host_folder", u"instalator.exe /S /D=", true, false, {}, u"", u"/D="},
        LineCase{"empty_log_file", u"instalator.exe /S /LOG=", true, false, {}, {}, u"/LOG="}),
    [](const testing::TestParamInfo<LineCase>& info) { return std::string(info.param.name); });

// The window's debug rule reads the split arguments: the first one only.
TEST(ArgumentList, DebugSwitchCountsInFirstPlaceOnly) {
  EXPECT_TRUE(app::parseCommandLine({u"/Debug", u"/S"}).debug);
  EXPECT_FALSE(app::parseCommandLine({u"/S", u"/d"}).debug);
  EXPECT_FALSE(app::parseCommandLine({}).debug);
}

}  // namespace
