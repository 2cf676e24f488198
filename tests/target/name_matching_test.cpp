// The two name comparisons of the target checks: the position of "CAD" in a process name and the
// installation folder pattern.
#include <gtest/gtest.h>

#include <string>

#include "platform/text.h"
#include "target/wildcard.h"
#include "target/xpos.h"

namespace {

struct XPosCase {
  std::u16string sub;
  std::u16string str;
  int pos;
};

class XPosTest : public testing::TestWithParam<XPosCase> {};

TEST_P(XPosTest, FindsTheFirstOccurrenceFoldingOnlyAsciiLetters) {
  EXPECT_EQ(target::XPos(GetParam().sub, GetParam().str), GetParam().pos)
      << text::toUtf8(GetParam().sub) << " in " << text::toUtf8(GetParam().str);
}

INSTANTIATE_TEST_SUITE_P(
    Cases, XPosTest,
    testing::Values(XPosCase{u"CAD", u"xcAd.exe", 2}, XPosCase{u"CAD", u"CA", 0},
                    XPosCase{u"CAD", u"\u0106CAD", 2},  // Ć matches nothing
                    XPosCase{u"", u"CAD", 0}, XPosCase{u"", u"", 0}, XPosCase{u"CAD", u"CAD", 1},
                    XPosCase{u"CAD", u"arcade.exe", 3}, XPosCase{u"CAD", u"lumicad.exe", 5},
                    XPosCase{u"CAD", u"ccad", 2},           // a false start before the match
                    XPosCase{u"CAD", u"CACAD", 3},          // the match overlaps the false start
                    XPosCase{u"CAD", u"xyzca", 0},          // a partial match at the very end
                    XPosCase{u"cad", u"XCAD", 2},           // the word itself is folded too
                    XPosCase{u"\u0107ad", u"\u0106AD", 0},  // ć and Ć are not folded
                    XPosCase{u"@", u"`@", 2}));             // only a..z fold: '`' is not '@'

struct PatternCase {
  std::u16string pattern;
  std::u16string name;
  bool match;
};

class WildcardTest : public testing::TestWithParam<PatternCase> {};

TEST_P(WildcardTest, MatchesTheWholeName) {
  EXPECT_EQ(target::matchesWildcard(GetParam().pattern, GetParam().name), GetParam().match)
      << text::toUtf8(GetParam().pattern) << " ~ " << text::toUtf8(GetParam().name);
}

INSTANTIATE_TEST_SUITE_P(
    Installations, WildcardTest,
    testing::Values(PatternCase{u"CAD *", u"CAD A", true},
                    PatternCase{u"CAD *", u"cad studio", true},
                    PatternCase{u"CAD *", u"CAD ", true},  // the asterisk may match nothing
                    PatternCase{u"CAD *", u"CADX", false}, PatternCase{u"CAD *", u"Inne", false},
                    PatternCase{u"CAD *", u"CAD", false}, PatternCase{u"CAD *", u"xCAD A", false},
                    PatternCase{u"CAD *", u"\u0106AD A", false},
                    PatternCase{u"CAD *", u"CAD 2024 *?", true}));

INSTANTIATE_TEST_SUITE_P(
    Patterns, WildcardTest,
    testing::Values(PatternCase{u"*", u"", true}, PatternCase{u"", u"", true},
                    PatternCase{u"", u"a", false}, PatternCase{u"a*b*c", u"aXbYbZc", true},
                    PatternCase{u"a*b", u"abXb", true},  // the first 'b' is not the end
                    PatternCase{u"a*b", u"abX", false}, PatternCase{u"**x", u"yyx", true},
                    PatternCase{u"?", u"a", false},                // only '*' is special
                    PatternCase{u"\u0105*", u"\u0104x", false}));  // ą and Ą differ

}  // namespace
