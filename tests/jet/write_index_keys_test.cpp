// Index keys and index pages against the Access-made sample files: every index entry whose
// columns we can key is rebuilt from its row and must equal the stored bytes.
#include <gtest/gtest.h>

#include <algorithm>
#include <cstdio>
#include <map>
#include <optional>
#include <set>
#include <string_view>
#include <vector>

#include "accessorydb/jet/data_page.h"
#include "accessorydb/jet/index_keys.h"
#include "accessorydb/jet/index_page.h"
#include "accessorydb/jet/row_decode.h"
#include "accessorydb/jet/table_check.h"
#include "accessorydb/jet/value_text.h"
#include "tests/jet/jet_test_support.h"
#include "tests/jet/write_support.h"

namespace {

std::string hex(const jet::KeyBytes& bytes) {
  std::string out;
  for (uint8_t b : bytes) {
    static constexpr char kDigits[] = "0123456789abcdef";
    out += kDigits[b >> 4];
    out += kDigits[b & 0xF];
  }
  return out;
}

// Index pages as the sample files hold them: the prefix length at 24, entries from 0x1E0, each
// leaf entry ending in a 4-byte row id.
constexpr size_t kPrefixLength = 24;
constexpr size_t kEntriesStart = 0x1E0;
constexpr size_t kRowId = 4;

struct KeyCount {
  size_t checked = 0;
  size_t skipped = 0;                  // columns of types or characters not keyed
  size_t unencodedSortOrder = 0;       // text of a sort order not keyed
  size_t sharpSOnce = 0;               // keys with ß as one position (another writer's)
  std::vector<std::string> differing;  // "table: values" of each entry whose key differs
  std::set<char16_t> verified;         // the characters of the text of keys rebuilt exactly
};

// Rebuilds every entry of every index of every table of one file and compares it with the
// stored key.
KeyCount compareKeys(std::vector<uint8_t> file) {
  KeyCount count;
  jet::Database db;
  jettest::openBytes(db, std::move(file));
  for (const jet::CatalogEntry& e : db.catalog()) {
    if (!e.isTable()) continue;
    const jet::TableDef& def = db.table(e.name);
    for (const jet::RealIndex& real : def.realIndexes) {
      const jet::IndexWalk w = jet::walkIndex(db.pages(), real.firstPage, def.page());
      for (const jet::IndexEntry& entry : w.leafEntries) {
        jet::RowRef row = jet::readRow(db.pages(), jet::leafEntryRow(entry), "a row");
        if (row.slot.overflowPointer()) {  // the entry names the pointer; the row moved
          const auto moved = jet::RowPointer::decode(jet::u32le(row.slot.bytes.data()));
          row = jet::readRow(db.pages(), moved, "a moved row");
        }
        std::vector<jet::Value> values;
        jet::decodeRow(db.pages(), def, row.slot.bytes, values);
        jet::KeyBytes key;
        try {
          key = jet::indexKey(def, real, values);
        } catch (const jet::Error& error) {
          ++(error.kind() == jet::ErrorKind::UnencodedSortOrder ? count.unencodedSortOrder
                                                                : count.skipped);
          continue;
        }
        ++count.checked;
        const jet::KeyBytes stored(entry.begin(), entry.end() - kRowId);
        if (key == stored) {
          for (const jet::IndexColumn& ic : real.columns) {
            const jet::ColumnDef* c = def.columnByNumber(ic.columnNumber);
            if (const auto* t = std::get_if<std::u16string>(&values[c - def.columns.data()]))
              count.verified.insert(t->begin(), t->end());
          }
          continue;
        }
        if (jet::indexKey(def, real, values, jet::SharpS::OnePosition) == stored) {
          ++count.sharpSOnce;
          continue;
        }
        std::string described = text::toUtf8(e.name) + ":";
        for (const jet::IndexColumn& ic : real.columns) {
          const jet::ColumnDef* c = def.columnByNumber(ic.columnNumber);
          described += " " + text::toUtf8(jet::valueText(values[c - def.columns.data()]));
        }
        count.differing.push_back(described);
      }
    }
  }
  return count;
}

TEST(WriteIndexKeys, EveryKeyableEntryOfTheSampleFilesIsRebuiltExactly) {
  size_t checked = 0;
  for (const std::string& name : jettest::fixtureNames()) {
    const KeyCount c = compareKeys(jettest::fixture(name));
    checked += c.checked;
    // Its row of every character U+0001..U+00FF keys "Þßà" with one accent slot for ß, where
    // Access's keys in the field files give ß two (below): another writer's key.
    EXPECT_EQ(c.sharpSOnce, name == "unicode_text.mdb" ? 1u : 0u) << name;
    for (const std::string& d : c.differing) ADD_FAILURE() << name << ": " << d;
  }
  // Long, Integer, Byte, Boolean and Text keys (Latin-1 text with accents, apostrophes, hyphens
  // and control characters, ascending and descending) of all sample files.
  EXPECT_GT(checked, 3500u);
}

// Access files from the field: every key of a sort order the engine encodes (General, French)
// equals Access's, trailing spaces and ß included; the Chinese PRC file's text keys are not
// built.
TEST(WriteIndexKeys, EveryKeyOfTheFieldFilesIsAccesss) {
  struct Case {
    const char* file;
    size_t checked;      // entries rebuilt
    size_t textSkipped;  // entries of PRC-ordered text, not rebuilt
  };
  const Case cases[] = {
      {"french_sort_order.mdb", 13591, 0},    {"ignore_nulls_freed_pages.mdb", 206, 0},
      {"overflow_rows_functions.mdb", 97, 0}, {"pages_not_in_maps.mdb", 109, 0},
      {"reference_global_map.mdb", 116, 0},   {"sample_orders_eszett.mdb", 14353, 0},
      {"stale_system_counts.mdb", 634, 0},    {"trailing_space_keys.mdb", 8393, 82},
  };
  for (const Case& c : cases) {
    const KeyCount count = compareKeys(jettest::fieldFixture(c.file));
    EXPECT_EQ(count.checked, c.checked) << c.file;
    EXPECT_EQ(count.unencodedSortOrder, c.textSkipped) << c.file;
    EXPECT_EQ(count.sharpSOnce, 0u) << c.file;
    for (const std::string& d : count.differing) ADD_FAILURE() << c.file << ": " << d;
  }
  EXPECT_EQ(std::size(cases), jettest::fieldFixtureNames().size());
}

struct TextKeyCase {
  const char16_t* text;
  jet::SortOrder order;
  const char* key;  // hex, without the flag byte
};

void expectTextKeys(const std::vector<TextKeyCase>& cases) {
  for (const TextKeyCase& c : cases) {
    jet::KeyBytes key;
    jet::appendTextKey(key, c.text, true, c.order);
    EXPECT_EQ(hex(jet::KeyBytes(key.begin() + 1, key.end())), c.key) << text::toUtf8(c.text);
  }
}

// Access's own keys of the values the field files show, byte for byte.
TEST(WriteIndexKeys, TextKeysAsAccessBuildsThem) {
  expectTextKeys({
      // ß is two positions for the hyphens' positions and the accent after it.
      {u"NuNuCa Nuß-Nougat-Creme", jet::SortOrder::General,
       "626f626f4d4a07626f6b6b62646f554a6d4d695160510101010180330682804b068200"},
      {u"Plutzer Lebensmittelgroßmärkte AG", jet::SortOrder::General,
       "665e6f6d785169075e514c51626b60596d6d515e5569646b6b604a695c6d51074a55010202020202"
       "0202020202020202020202020202020202020202021300"},
      // The final spaces are left out, however many.
      {u"login.msg.account ", jet::SortOrder::General, "5e645559621c606b551c4a4d4d646f626d0100"},
      {u"Etourdi                       ", jet::SortOrder::French, "516d646f694f590100"},
      // French reads the accents from the end of the text.
      {u"Québec", jet::SortOrder::French, "686f514c514d010202020e00"},
      {u"Pâtes et céréales", jet::SortOrder::French,
       "664a6d516b07516d074d5169514a5e516b01020202020e020e02020202020202021200"},
      {u"HILARIÓN-Abastos", jet::SortOrder::French,
       "57595e4a695964624a4c4a6b6d646b0102020202020202020e0101018027068200"},
  });
}

// Keys beyond Latin-1, byte for byte as the published table's entries give them: Polish
// (Ł I5E,1F, ó, ź I78,E), Cyrillic (S79xx), Greek with an accent (έ I7910,5), Chinese (中 S9F3D,
// 文 SB6F6), and a letter with two accent bytes (Ǣ I4A51,1717), which takes two positions.
TEST(WriteIndexKeys, TextKeysFromThePublishedTable) {
  expectTextKeys({
      {u"Łódź", jet::SortOrder::General, "5e644f78011f0e020e00"},
      {u"Łódź", jet::SortOrder::French, "5e644f78010e020e1f00"},
      {u"Москва", jet::SortOrder::General, "79437946794979407931792f0100"},
      {u"Ωμέγα", jet::SortOrder::General, "792379177910790e790c0102020500"},
      {u"中文", jet::SortOrder::General, "9f3db6f60100"},
      {u"Ǣ-", jet::SortOrder::General, "4a51011717010101800f068200"},
  });
}

std::string codeUnitName(char16_t c) {
  char name[8];
  std::snprintf(name, sizeof name, "U+%04X", static_cast<unsigned>(c));
  return name;
}

// How a code unit changes the key of "a", the unit, "b", against the key of "ab".
enum class KeyedAs { Simple, Accented, Unprintable, Modifier, Ignored, Refused };

KeyedAs keyedAs(char16_t c, jet::SortOrder order) {
  static constexpr uint8_t kEndText = 0x01;
  const std::u16string text = {u'a', c, u'b'};
  jet::KeyBytes plain, key;
  jet::appendTextKey(plain, u"ab", true, order);
  try {
    jet::appendTextKey(key, text, true, order);
  } catch (const jet::Error& e) {
    EXPECT_EQ(e.kind(), jet::ErrorKind::KeylessText);
    EXPECT_EQ(text::toUtf8(e.args().character), codeUnitName(c));
    EXPECT_NE(std::string(e.what()).find(codeUnitName(c)), std::string::npos) << e.what();
    return KeyedAs::Refused;
  }
  if (key == plain) return KeyedAs::Ignored;
  // Code bytes are never 00 or 01: the text part ends at the first 01.
  const auto textEnd = std::find(key.begin(), key.end(), kEndText);
  const auto plainEnd = std::find(plain.begin(), plain.end(), kEndText);
  const bool sameText = std::equal(key.begin(), textEnd, plain.begin(), plainEnd);
  const bool unprintable = std::search_n(textEnd, key.end(), 3, kEndText) != key.end();
  if (sameText) return unprintable ? KeyedAs::Unprintable : KeyedAs::Modifier;
  return key.end() - textEnd > 2 ? KeyedAs::Accented : KeyedAs::Simple;
}

// Every UTF-16 code unit, in General and French: keyed by its class (a simple code, a code with
// an accent, an unprintable character, a nonspacing mark on the letter before it, or left out)
// or refused, naming it; the counts are those of the published table (kana and the surrogates
// refused). Every code of U+0000..U+00FF is shown by keys Access wrote in the sample files.
TEST(WriteIndexKeys, EveryCodeUnitIsKeyedByItsClassOrRefused) {
  std::set<char16_t> verified;
  for (const std::string& name : jettest::fixtureNames()) {
    const std::set<char16_t> v = compareKeys(jettest::fixture(name)).verified;
    verified.insert(v.begin(), v.end());
  }
  for (uint32_t unit = 0; unit <= 0xFF; ++unit) {
    EXPECT_EQ(verified.count(static_cast<char16_t>(unit)), 1u)
        << codeUnitName(static_cast<char16_t>(unit));
  }
  std::map<KeyedAs, size_t> counts;
  for (uint32_t unit = 0; unit <= 0xFFFF; ++unit) {
    const auto c = static_cast<char16_t>(unit);
    const KeyedAs general = keyedAs(c, jet::SortOrder::General);
    EXPECT_EQ(keyedAs(c, jet::SortOrder::French), general) << codeUnitName(c);
    EXPECT_EQ(jet::textKeyEncodable(std::u16string{u'a', c}), general != KeyedAs::Refused)
        << codeUnitName(c);
    ++counts[general];
  }
  EXPECT_EQ(counts[KeyedAs::Simple], 41775u);
  EXPECT_EQ(counts[KeyedAs::Accented], 1851u);
  EXPECT_EQ(counts[KeyedAs::Unprintable], 99u);
  EXPECT_EQ(counts[KeyedAs::Modifier], 306u);
  EXPECT_EQ(counts[KeyedAs::Ignored], 19181u);
  EXPECT_EQ(counts[KeyedAs::Refused], 276u + 2048u);  // kana, surrogates
}

// Characters in context: U+0000 is left out as Access leaves it out ("AA<U+0000>AA" keys as
// "AAAA" in index_codes_text.mdb), and so are the characters the published table ignores; a
// nonspacing mark adds its code to the accent of the letter before it (e + U+0301 keys as é,
// a stack of them adds up), and is refused where no letter precedes it; surrogates and kana are
// refused.
TEST(WriteIndexKeys, IgnorableAndCombiningCharactersInContext) {
  using namespace std::string_view_literals;
  struct Case {
    std::u16string_view text;
    std::optional<std::u16string_view> sameKeyAs;  // none: refused
  };
  const Case cases[] = {
      {u"AA\u0000AA"sv, u"AAAA"sv},
      {u"\u0000"sv, u""sv},
      {u"\u0000\u0000A\u0000"sv, u"A"sv},
      {u"a\u0000\u0001b"sv, u"a\u0001b"sv},          // no position of its own before an unprintable
      {u"\u00e9\u0000\u00e8"sv, u"\u00e9\u00e8"sv},  // nor before an accent
      {u"a\u200db"sv, u"ab"sv},                      // zero-width joiner
      {u"\ufeffab"sv, u"ab"sv},                      // byte-order mark
      {u"a\u0640b"sv, u"ab"sv},                      // Arabic tatweel
      {u"e\u0301"sv, u"\u00e9"sv},                   // combining acute
      {u"E\u0301cole"sv, u"\u00c9cole"sv},           // ... on a capital, before more letters
      {u"a\u0308b"sv, u"\u00e4b"sv},                 // combining diaeresis
      {u"z\u0307"sv, u"\u017c"sv},                   // combining dot above: ż
      {u"a\u0301\u0301"sv, u"\u00e5"sv},             // 02 + 0C + 0C: the code of å's ring
      {u"e\u0000\u0301"sv, u"\u00e9"sv},             // across an ignored character
      {u"\u0301a"sv, std::nullopt},                  // no letter before it
      {u"a-\u0301"sv, std::nullopt},                 // an unprintable character before it
      {u"a\xD83D\xDE00"sv, std::nullopt},            // a surrogate pair
      {u"a\xDC00"sv, std::nullopt},                  // a lone surrogate
      {u"\u30ab"sv, std::nullopt},                   // katakana KA
  };
  for (const Case& c : cases) {
    for (const jet::SortOrder order : {jet::SortOrder::General, jet::SortOrder::French}) {
      jet::KeyBytes key;
      const std::string name = text::toUtf8(std::u16string(c.text));
      if (!c.sameKeyAs) {
        EXPECT_THROW(jet::appendTextKey(key, c.text, true, order), jet::Error) << name;
        continue;
      }
      jet::KeyBytes expected;
      jet::appendTextKey(key, c.text, true, order);
      jet::appendTextKey(expected, *c.sameKeyAs, true, order);
      EXPECT_EQ(hex(key), hex(expected)) << name;
    }
  }
}

// Every index page of the sample files, decoded and encoded again, keeps its entries; where Jet
// stored them without a shared prefix, the page is Jet's byte for byte up to its last entry:
// head, neighbours, the node flag at 0x1A (1 on nodes, 0 on leaves), bitmap and entries.
TEST(WriteIndexKeys, SampleIndexPagesDecodeAndEncodeToTheSameBytes) {
  size_t leaves = 0;
  size_t nodes = 0;
  for (const std::string& name : jettest::fixtureNames()) {
    jet::Database db;
    jettest::openBytes(db, jettest::fixture(name));
    for (uint32_t p = 0; p < db.pages().pageCount(); ++p) {
      const jet::Page& bytes = *db.pages().read(p);
      const bool leaf = bytes[0] == 0x04;
      if ((!leaf && bytes[0] != 0x03) || bytes[1] != 0x01) continue;
      const jet::IndexPage page = jet::decodeIndexPage(bytes, p);
      if (!page.fits()) continue;  // prefix-compressed entries that need more room in full
      const jet::Page again = jet::encodeIndexPage(page);
      EXPECT_EQ(jet::decodeIndexPage(again, p).entries, page.entries) << name << " page " << p;
      if (jet::u16le(&bytes[kPrefixLength]) != 0) continue;
      const size_t end = kEntriesStart + page.entryBytes();
      const auto diff = std::mismatch(bytes.begin(), bytes.begin() + end, again.begin());
      EXPECT_EQ(diff.first, bytes.begin() + end)
          << name << " page " << p << " differs at byte " << (diff.first - bytes.begin());
      ++(leaf ? leaves : nodes);
    }
  }
  EXPECT_GT(leaves, 100u);
  EXPECT_EQ(nodes, 8u);  // every node page of the sample files
}

}  // namespace
