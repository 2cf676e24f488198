#include "accessorydb/jet/text_codec.h"

#include <gtest/gtest.h>

#include <vector>

namespace {

using namespace std::string_literals;

struct DecodeCase {
  const char* name;
  std::vector<uint8_t> stored;
  std::u16string expected;
};

class DecodeText : public testing::TestWithParam<DecodeCase> {};

TEST_P(DecodeText, KeepsEveryUnit) {
  const DecodeCase& c = GetParam();
  EXPECT_EQ(jet::decodeText(c.stored), c.expected);
}

INSTANTIATE_TEST_SUITE_P(
    Cases, DecodeText,
    testing::Values(
        DecodeCase{"empty", {}, u""}, DecodeCase{"plain", {0x61, 0x00, 0x1F, 0x04}, u"a\u041F"},
        DecodeCase{"plain_nul_kept", {0x41, 0x00, 0x00, 0x00, 0x41, 0x00}, u"A\0A"s},
        DecodeCase{"plain_lone_surrogate_kept",
                   {0x00, 0xD8, 0x41, 0x00},
                   u"\xD800"
                   u"A"},
        // Exactly FF FE is the character U+FEFF, not an empty compressed value.
        DecodeCase{"bom_alone_is_plain", {0xFF, 0xFE}, u"\uFEFF"},
        DecodeCase{"compressed", {0xFF, 0xFE, 0xE4, 0x6B, 0xF6}, u"\u00E4k\u00F6"},
        DecodeCase{"toggle_to_plain_and_back",
                   {0xFF, 0xFE, 0x61, 0x00, 0x1F, 0x04, 0x00, 0x62},
                   u"a\u041Fb"},
        DecodeCase{"ends_in_plain_mode", {0xFF, 0xFE, 0x61, 0x00, 0x3C, 0x04}, u"a\u043C"},
        DecodeCase{"starts_with_toggle", {0xFF, 0xFE, 0x00, 0x3C, 0x04, 0x00, 0x7A}, u"\u043Cz"},
        DecodeCase{"double_toggle_is_nothing", {0xFF, 0xFE, 0x61, 0x00, 0x00, 0x62}, u"ab"},
        DecodeCase{
            "compressed_high_latin1", {0xFF, 0xFE, 0xFF, 0xA0, 0x01}, u"\u00FF\u00A0\u0001"}),
    [](const testing::TestParamInfo<DecodeCase>& info) { return std::string(info.param.name); });

TEST(DecodeTextDamage, OddLengthsThrow) {
  const std::vector<std::vector<uint8_t>> cases = {
      {0x61},                          // plain, one byte
      {0x61, 0x00, 0x62},              // plain, odd
      {0xFF, 0xFE, 0x61, 0x00, 0x62},  // a two-byte run that ends after one byte
  };
  for (const auto& stored : cases) {
    EXPECT_THROW(jet::decodeText(stored), jet::Error) << stored.size() << " bytes";
  }
}

}  // namespace
