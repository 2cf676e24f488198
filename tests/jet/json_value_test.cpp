#include "tools/mdbtool/json_value.h"

#include <gtest/gtest.h>

#include <cstdint>

namespace {

TEST(JsonValue, DatesFollowJetsDayAndFractionRule) {
  const std::vector<std::pair<double, const char*>> cases = {
      {0, "1899-12-30T00:00:00"},
      {27293, "1974-09-21T00:00:00"},
      {2.5, "1900-01-01T12:00:00"},
      {-1.25, "1899-12-29T06:00:00"},  // whole days back, the fraction forward
      {-1.75, "1899-12-29T18:00:00"},
      {1.0 / 86400 * 1.5, "1899-12-30T00:00:01.500"},
      {0.99999999999, "1899-12-31T00:00:00"},  // rounds up into the next day
      {2958465.99998843, "9999-12-31T23:59:59"},
      {-657434, "0100-01-01T00:00:00"},
  };
  for (const auto& [days, iso] : cases) EXPECT_EQ(mdbtool::isoDateTime(days), iso) << days;
}

TEST(JsonValue, ExactDecimalTexts) {
  EXPECT_EQ(mdbtool::currencyText({35000}), "3.5");
  EXPECT_EQ(mdbtool::currencyText({-1}), "-0.0001");
  EXPECT_EQ(mdbtool::currencyText({0}), "0");
  EXPECT_EQ(mdbtool::currencyText({INT64_MIN}), "-922337203685477.5808");

  jet::Decimal d;
  d.magnitude = {0xFFFFFFFF, 0xFFFFFFFF, 0xFFFFFFFF};  // 2^96 - 1
  d.scale = 10;
  EXPECT_EQ(mdbtool::decimalText(d), "7922816251426433759.3543950335");
  d.magnitude = {12345000, 0, 0};
  d.scale = 4;
  d.negative = true;
  EXPECT_EQ(mdbtool::decimalText(d), "-1234.5");
  d.magnitude = {0, 0, 0};
  EXPECT_EQ(mdbtool::decimalText(d), "0");  // no negative zero
}

TEST(JsonValue, StringsKeepEveryUnit) {
  const std::vector<std::pair<std::u16string, std::string>> cases = {
      {u"a\"b\\c", R"("a\"b\\c")"},
      {std::u16string(u"A\0B", 3), R"("A\u0000B")"},
      {u"\b\f\n\r\t\u001f", R"("\b\f\n\r\t\u001f")"},
      {u"\u00F3\u0105", "\"\xC3\xB3\xC4\x85\""},
      {u"\U0001F600", "\"\xF0\x9F\x98\x80\""},
      {u"\xD800x", R"("\ud800x")"},  // a lone surrogate survives as an escape
      {u"x\xDC00", R"("x\udc00")"},
  };
  for (const auto& [in, json] : cases) {
    std::string out;
    mdbtool::appendJsonString(out, in);
    EXPECT_EQ(out, json);
  }
}

TEST(JsonValue, NumbersAndOtherTypes) {
  const std::vector<std::pair<jet::Value, std::string>> cases = {
      {jet::Null{}, "null"},
      {true, "true"},
      {uint8_t{255}, "255"},
      {int16_t{-32768}, "-32768"},
      {1.1f, "1.1"},
      {309840992.0f, "309841000"},
      {444.555, "444.555"},
      {std::numeric_limits<double>::quiet_NaN(), "null"},
      {jet::Bytes{'M', 'a', 'n', 'y'}, "\"TWFueQ==\""},
      {jet::Bytes{}, "\"\""},
      {jet::Guid{{0x3A, 0x30, 0x96, 0xBC, 0xB8, 0x53, 0x4D, 0x47, 0xAC, 0xC1, 0xD2, 0xEB, 0x8D,
                  0x0B, 0x09, 0xD5}},
       "\"{BC96303A-53B8-474D-ACC1-D2EB8D0B09D5}\""},
  };
  for (const auto& [value, json] : cases) {
    std::string out;
    mdbtool::appendJsonValue(out, value);
    EXPECT_EQ(out, json);
  }
}

}  // namespace
