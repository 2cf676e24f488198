#include "archive/payload_trailer.h"

#include <gtest/gtest.h>

#include <string>

namespace {

struct TrailerCase {
  const char* name;
  std::string bytes;
  std::optional<int64_t> expected;
};

class TrailerTest : public testing::TestWithParam<TrailerCase> {};

TEST_P(TrailerTest, Parses) {
  EXPECT_EQ(layout::parseTrailer(GetParam().bytes), GetParam().expected);
}

const TrailerCase kCases[] = {
    {"leading_blanks", std::string(12, ' ') + "12345678", 12345678},
    {"leading_zeros", "00000000000012345678", 12345678},
    {"bom_and_17_digits",
     "\xEF\xBB\xBF"
     "00000000000001234",
     1234},
    {"bom_and_right_aligned",
     "\xEF\xBB\xBF"
     "           987654",
     987654},
    {"twenty_blanks", std::string(20, ' '), std::nullopt},
    {"trailing_blank", "1234567             ", std::nullopt},
    {"trailing_newline", "           1234567\r\n", std::nullopt},
    {"zero", std::string(19, ' ') + "0", 0},
    {"negative", std::string(15, ' ') + "-1234", -1234},
    {"plus_sign", std::string(15, ' ') + "+1234", 1234},
    {"sign_without_digits", std::string(19, ' ') + "-", std::nullopt},
    {"largest", " 9223372036854775807", INT64_MAX},
    {"too_large", " 9223372036854775808", std::nullopt},
    {"smallest", "-9223372036854775808", INT64_MIN},
    {"too_small", "-9223372036854775809", std::nullopt},
    {"hexadecimal", "                0x1F", std::nullopt},
    {"tab_before", "\t                 12", std::nullopt},
    {"nul_inside", std::string(18, ' ') + std::string("1\0", 2), std::nullopt},
    {"invalid_utf8",
     std::string(17, ' ') + "\xC3"
                            "12",
     std::nullopt},
    {"blank_between_sign_and_digits", std::string(17, ' ') + "- 12", std::nullopt},
};

INSTANTIATE_TEST_SUITE_P(Cases, TrailerTest, testing::ValuesIn(kCases),
                         [](const auto& info) { return std::string(info.param.name); });

}  // namespace
