// The rules on a package's entry names, one row per archive: which entries break which rule.
#include "archive/package_rules.h"

#include <gtest/gtest.h>

#include <string>
#include <vector>

namespace {

using text::Text;

struct Expected {
  pkg::Rule rule;
  Text entry;
  Text other;  // the earlier entry of a SameFile violation
};

struct Case {
  const char* what;
  std::vector<Text> names;
  std::vector<Expected> violations;
};

std::string shown(const std::vector<pkg::Violation>& violations) {
  std::string out;
  for (const pkg::Violation& v : violations) {
    out += std::to_string(static_cast<int>(v.rule)) + " " + text::toUtf8(v.entry) + " " +
           text::toUtf8(v.other) + "\n";
  }
  return out;
}

std::string shown(const std::vector<Expected>& expected) {
  std::vector<pkg::Violation> violations;
  for (const Expected& e : expected) violations.push_back({e.rule, e.entry, {}, e.other});
  return shown(violations);
}

TEST(PackageRules, EntryNames) {
  using pkg::Rule;
  const Case cases[] = {
      {"cover and description as written", {u"P.jpg", u"P.txt", u"P\\dodatki.mdb"}, {}},
      {"cover and description in other letters", {u"P.JPG", u"p.Txt", u"P\\dodatki.mdb"}, {}},
      {"a picture of another name beside the folder",
       {u"P.jpg", u"Q.jpg", u"P\\dodatki.mdb"},
       {{Rule::OutsidePackage, u"Q.jpg", {}}}},
      {"two covers",
       {u"P.jpg", u"P.JPG", u"P\\dodatki.mdb"},
       {{Rule::SameFile, u"P.JPG", u"P.jpg"}}},
      {"entries differing only in letter case",
       {u"P\\a.txt", u"P\\A.txt", u"P\\dodatki.mdb"},
       {{Rule::SameFile, u"P\\A.txt", u"P\\a.txt"}}},
      {"folders differing in letter case",
       {u"P\\Tex\\a.jpg", u"p/tex/A.JPG", u"P\\dodatki.mdb"},
       {{Rule::SameFile, u"p/tex/A.JPG", u"P\\Tex\\a.jpg"}}},
      {"one entry twice", {u"P\\a", u"P\\a"}, {{Rule::SameFile, u"P\\a", u"P\\a"}}},
      {"slash for backslash", {u"P\\x\\a", u"P/x/a"}, {{Rule::SameFile, u"P/x/a", u"P\\x\\a"}}},
      {"folder entries in two spellings", {u"P\\tex\\", u"P/TEX/", u"P\\tex\\a.jpg"}, {}},
      {"the database in other letters beside it",
       {u"P\\dodatki.mdb", u"P\\DODATKI.MDB"},
       {{Rule::SameFile, u"P\\DODATKI.MDB", u"P\\dodatki.mdb"}}},
  };
  for (const Case& c : cases) {
    SCOPED_TRACE(c.what);
    EXPECT_EQ(shown(pkg::nameViolations(c.names, u"P")), shown(c.violations));
  }
}

TEST(PackageRules, SameFileLine) {
  const pkg::Violation v{pkg::Rule::SameFile, u"P\\A.txt", {}, u"P\\a.txt"};
  EXPECT_EQ(text::toUtf8(pkg::refusalLine(v)),
            "Pakiet odrzucony: pliki `P\\a.txt` i `P\\A.txt` trafiłyby do jednego pliku (Windows "
            "nie rozróżnia wielkości liter)");
}

}  // namespace
