// Page 0 of a new database and the per-file SID mask, checked against real Jet-made files.
#include "accessorydb/jet/create_header.h"

#include <gtest/gtest.h>

#include <set>

#include "accessorydb/jet/create_system_tables.h"
#include "accessorydb/jet/database.h"
#include "accessorydb/jet/header.h"
#include "tests/jet/jet_test_support.h"

namespace {

double createdOf(const std::vector<uint8_t>& file) {
  jet::Page plain;
  std::copy(file.begin(), file.begin() + jet::kPageSize, plain.begin());
  jet::maskHeader(plain.data());
  return jet::f64le(plain.data() + 0x72);
}

std::string hex(const std::vector<uint8_t>& bytes) {
  static const char digits[] = "0123456789abcdef";
  std::string s;
  for (uint8_t b : bytes) {
    s += digits[b >> 4];
    s += digits[b & 0xF];
  }
  return s;
}

// Unmasked values of one binary column over every row of a system table.
std::set<std::string> unmaskedColumn(const std::vector<uint8_t>& file, const char16_t* table,
                                     const char16_t* column) {
  jet::Database db;
  jettest::openBytes(db, file);
  const uint32_t key = jet::sidMaskKey(file.data());
  std::set<std::string> values;
  const jet::TableDef& def = db.table(table);
  jet::TableScanner rows = db.scan(def);
  while (rows.next()) {
    const auto& sid = std::get<jet::Bytes>(rows.value(column));
    values.insert(hex(jet::maskSid(key, sid)));
  }
  return values;
}

// With Jet's own creation date, our header is Jet's header byte for byte: the constants, the
// masked region, the password mask derived from the date, the commit slots.
TEST(CreateHeader, EqualsJetsHeaderOfTheSameCreationTime) {
  const std::vector<uint8_t> jetFile = jettest::fixture("empty_adox.mdb");
  const jet::Page ours = jet::buildHeaderPage(createdOf(jetFile));
  for (size_t i = 0; i < jet::kPageSize; ++i) {
    ASSERT_EQ(ours[i], jetFile[i]) << "header byte 0x" << std::hex << i;
  }
  const jet::Header decoded = jet::decodeHeader(ours.data());
  EXPECT_EQ(decoded.sortOrder, 1033);
  EXPECT_EQ(decoded.codePage, 1252);
  EXPECT_TRUE(decoded.password.empty());
}

// The key folded from page 0 unmasks the owners of every fixture's catalog to the same two ids
// (engine objects, database owner), whatever the file's creation time.
TEST(CreateHeader, SidKeyUnmasksEveryFixturesOwners) {
  const std::set<std::string> expected = {hex(jet::kSidEngineObjects), hex(jet::kSidDatabaseOwner)};
  for (const std::string& name : jettest::fixtureNames()) {
    SCOPED_TRACE(name);
    EXPECT_EQ(unmaskedColumn(jettest::fixture(name), u"MSysObjects", u"Owner"), expected);
  }
}

// Jet-made empty files hold exactly the three permission ids the catalog writer grants.
TEST(CreateHeader, SidKeyUnmasksJetsPermissionIds) {
  const std::set<std::string> expected = {hex(jet::kSidDatabaseOwner), hex(jet::kSidCreatorEntry),
                                          hex(jet::kSidGroupEntry)};
  for (const char* name : {"empty_adox.mdb", "empty_jet4_generic.mdb"}) {
    SCOPED_TRACE(name);
    EXPECT_EQ(unmaskedColumn(jettest::fixture(name), u"MSysACEs", u"SID"), expected);
  }
}

// The key changes with the creation time, so SIDs must be masked per file.
TEST(CreateHeader, SidKeyDependsOnTheCreationTime) {
  const jet::Page a = jet::buildHeaderPage(46000.25);
  const jet::Page b = jet::buildHeaderPage(46000.5);
  EXPECT_NE(jet::sidMaskKey(a.data()), jet::sidMaskKey(b.data()));
  const uint32_t key = jet::sidMaskKey(a.data());
  const std::vector<uint8_t> masked = jet::maskSid(key, jet::kSidDatabaseOwner);
  EXPECT_NE(masked, jet::kSidDatabaseOwner);
  EXPECT_EQ(jet::maskSid(key, masked), jet::kSidDatabaseOwner);
}

TEST(CreateHeader, JetDateOfUnixTimes) {
  struct Case {
    int64_t unixMillis;
    double jetDays;
  };
  const Case cases[] = {
      {0, 25569.0},                        // 1970-01-01
      {-2209161600000, 0.0},               // 1899-12-30, Jet's day 0
      {148953600000 + 43200000, 27293.5},  // 1974-09-21 12:00
  };
  for (const Case& c : cases) EXPECT_DOUBLE_EQ(jet::jetDateFromUnixMillis(c.unixMillis), c.jetDays);
}

}  // namespace
