// Reading the JSON Lines of `mdbtool import`.
#include <gtest/gtest.h>

#include "tools/mdbtool/json_parse.h"

namespace {

using mdbtool::JsonNull;
using mdbtool::JsonObject;
using mdbtool::JsonScalar;

TEST(WriteJsonParse, ValuesKeepTheirKindAndEveryUtf16Unit) {
  const JsonObject o = mdbtool::parseJsonObject(
      R"( {"ID":-2147483648, "a":null,"b":true,"c":false,"d":1.5e2,"e":"Zażółć \"q\" \\ \u0041\ud83d\ude00\ud800","wymiar X":3000000000} )");
  const JsonObject expected = {
      {u"ID", int64_t{-2147483648}},
      {u"a", JsonNull{}},
      {u"b", true},
      {u"c", false},
      {u"d", 150.0},
      {u"e", std::u16string(u"Zażółć \"q\" \\ A\U0001F600") + char16_t{0xD800}},
      {u"wymiar X", int64_t{3000000000}},
  };
  EXPECT_EQ(o, expected);
  EXPECT_TRUE(mdbtool::parseJsonObject("{}").empty());
}

TEST(WriteJsonParse, FaultsNameTheirColumn) {
  const std::vector<std::pair<const char*, const char*>> cases = {
      {R"({"ID":1)", "column 8: expected '}'"},
      {R"({"ID":[1]})", "column 7: arrays and objects are not column values"},
      {R"({"ID":1,"ID":2})", "the key \"ID\" repeats"},
      {R"({"a":"x\q"})", "an unknown escape"},
      {R"({"a":"x)", "an unterminated string"},
      {R"({"a":tru})", "column 6: expected a value"},
      {R"({"a":1} x)", "text after the object"},
      {"{\"a\":\"\xC3\"}", "not valid UTF-8"},
      {R"({"a":-})", "a malformed number"},
  };
  for (const auto& [line, message] : cases) {
    try {
      mdbtool::parseJsonObject(line);
      ADD_FAILURE() << line << ": accepted";
    } catch (const text::Error& e) {
      EXPECT_NE(std::string(e.what()).find(message), std::string::npos) << line << ": " << e.what();
    }
  }
}

}  // namespace
