// The merge's key directory: the first row with a key in table order, the destination's keys
// marked for every row that has them, and rows read back only for keys the digest does not
// identify alone.
#include "accessorydb/key_directory.h"

#include <gtest/gtest.h>

#include <map>

namespace {

using accessorydb::KeyDirectory;
using accessorydb::MergeKey;
using jet::Value;

// Rows as the table holds them; bookmarks are 100 + the row's place.
struct Table {
  std::vector<Value> keys;
  size_t reads = 0;

  KeyDirectory directory() {
    KeyDirectory d([this](uint32_t bookmark, const MergeKey& key) {
      ++reads;
      return MergeKey(keys.at(bookmark - 100)) == key;
    });
    for (size_t i = 0; i < keys.size(); ++i)
      d.add(MergeKey(keys[i]), static_cast<uint32_t>(100 + i));
    d.seal();
    return d;
  }
};

TEST(KeyDirectory, FindsTheFirstRowWithEachKey) {
  Table t{{int32_t{7}, Value(u"abc"), jet::Null{}, int16_t{7}, Value(u"ABC"), uint8_t{3},
           Value(u"abc"), jet::Null{}, int32_t{-1}}};
  KeyDirectory d = t.directory();
  struct Case {
    Value key;
    std::optional<uint32_t> ordinal;
  };
  for (const Case& c : {Case{int32_t{7}, 0}, Case{uint8_t{7}, 0}, Case{Value(u"abc"), 1},
                        Case{Value(u"ABC"), 4}, Case{jet::Null{}, 2}, Case{int16_t{3}, 5},
                        Case{int32_t{-1}, 8}, Case{int32_t{8}, std::nullopt},
                        Case{Value(u"abd"), std::nullopt}, Case{Value(u"7"), std::nullopt}}) {
    const auto found = d.first(MergeKey(c.key));
    ASSERT_EQ(found.has_value(), c.ordinal.has_value()) << jet::isNull(c.key);
    if (found) {
      EXPECT_EQ(found->ordinal, *c.ordinal);
      EXPECT_EQ(found->bookmark, 100 + *c.ordinal);
    }
  }
}

TEST(KeyDirectory, MarksEveryRowWithAKeyTheDestinationHolds) {
  Table t{{Value(u"a"), int32_t{1}, Value(u"A"), Value(u"a"), int32_t{1}, int32_t{2}}};
  KeyDirectory d = t.directory();
  d.markHeld(MergeKey(Value(u"a")));
  d.markHeld(MergeKey(uint8_t{1}));
  d.markHeld(MergeKey(Value(u"zzz")));  // no row has it
  const std::vector<bool> held = {true, true, false, true, true, false};
  for (size_t i = 0; i < t.keys.size(); ++i) {
    EXPECT_EQ(d.held(static_cast<uint32_t>(i)), held[i]) << "row " << i;
  }
}

// Thousands of rows, one key on a third of them: every key is found from its first row, the one
// that crowds its bucket and every other key of that bucket as well, and absent keys are not.
TEST(KeyDirectory, FindsEveryKeyOfALargeTableAndOfACrowdedBucket) {
  Table t;
  for (int32_t i = 0; i < 6000; ++i) t.keys.push_back(i % 3 == 1 ? int32_t{-5} : i);
  KeyDirectory d = t.directory();
  for (int32_t i = 0; i < 6000; ++i) {
    const auto found = d.first(MergeKey(t.keys[static_cast<size_t>(i)]));
    ASSERT_TRUE(found) << i;
    EXPECT_EQ(found->ordinal, i % 3 == 1 ? 1u : static_cast<uint32_t>(i)) << i;
  }
  for (const int32_t absent : {-1, 1, 6000, 123457}) {
    EXPECT_FALSE(d.first(MergeKey(int32_t{absent}))) << absent;
  }
  d.markHeld(MergeKey(int32_t{-5}));
  for (uint32_t i = 0; i < 6000; ++i) EXPECT_EQ(d.held(i), i % 3 == 1) << i;
}

// Integers and nulls are found by their digest alone; texts are confirmed by reading the row.
TEST(KeyDirectory, ReadsRowsBackOnlyForTexts) {
  Table t{{int32_t{1}, jet::Null{}, Value(u"x")}};
  KeyDirectory d = t.directory();
  d.first(MergeKey(int32_t{1}));
  d.first(MergeKey(jet::Null{}));
  d.markHeld(MergeKey(int32_t{1}));
  EXPECT_EQ(t.reads, 0u);
  d.first(MergeKey(Value(u"x")));
  EXPECT_EQ(t.reads, 1u);
}

}  // namespace
