// Damaged and foreign files: every one fails with a jet::Error that names the cause; none
// crashes or hangs.
#include <gtest/gtest.h>

#include <functional>

#include "accessorydb/jet/data_page.h"
#include "accessorydb/jet/header.h"
#include "accessorydb/jet/tdef.h"
#include "tests/jet/jet_test_support.h"

namespace {

using Bytes = std::vector<uint8_t>;

// Where a structure of a fixture lies, found with the engine itself on the intact file.
struct Locator {
  explicit Locator(const Bytes& file) { jettest::openBytes(db, file); }
  const jet::TableDef& table(const std::u16string& name) { return db.table(name); }
  // Byte offset in the file of the row the pointer names.
  size_t rowOffset(jet::RowPointer at) {
    const jet::RowRef r = jet::readRow(db.pages(), at, "test");
    return at.page * size_t{jet::kPageSize} + (r.slot.bytes.data() - r.page->data());
  }
  jet::Database db;
};

void setU32(Bytes& f, size_t at, uint32_t v) {
  jet::putU32le(&f[at], v);
}
void setU16(Bytes& f, size_t at, uint16_t v) {
  jet::putU16le(&f[at], v);
}

struct Damage {
  const char* name;
  const char* fixture;
  std::function<void(Bytes&)> apply;
  const char* cause;  // part of the message
};

const std::vector<Damage>& damages() {
  static const std::vector<Damage> list = {
      {"empty file", "basic_types.mdb", [](Bytes& f) { f.clear(); }, "too short"},
      {"shorter than a page", "basic_types.mdb", [](Bytes& f) { f.resize(100); }, "too short"},
      {"truncated after the catalog", "basic_types.mdb", [](Bytes& f) { f.resize(20 * 4096); },
       "beyond the end"},
      {"truncated before the catalog", "basic_types.mdb", [](Bytes& f) { f.resize(2 * 4096); },
       "beyond the end"},
      {"not a Jet file", "basic_types.mdb", [](Bytes& f) { f[5] = 'X'; }, "no Jet signature"},
      {"Jet 3", "basic_types.mdb", [](Bytes& f) { f[0x14] = 0; }, "Jet 3"},
      {"ACE", "basic_types.mdb",
       [](Bytes& f) {
         std::copy_n("Standard ACE DB", 15, f.begin() + 4);
         f[0x14] = 2;
       },
       "ACE"},
      {"unknown version", "basic_types.mdb", [](Bytes& f) { f[0x14] = 7; }, "unknown format"},
      {"encrypted", "basic_types.mdb",
       [](Bytes& f) { f[0x3E] ^= 0x01; },  // flips the masked database key
       "Encrypted"},
      {"catalog TDEF is not a TDEF", "basic_types.mdb", [](Bytes& f) { f[2 * 4096] = 0x01; },
       "page type"},
      {"TDEF chain loops", "basic_types.mdb",
       [](Bytes& f) {
         setU32(f, 2 * 4096 + 8, 20000);  // longer than one page...
         setU32(f, 2 * 4096 + 4, 2);      // ...continued on itself
       },
       "loops"},
      {"TDEF ends early", "basic_types.mdb", [](Bytes& f) { setU32(f, 2 * 4096 + 8, 20000); },
       "ends before"},
      {"impossible TDEF length", "basic_types.mdb",
       [](Bytes& f) { setU32(f, 2 * 4096 + 8, 0x7FFFFFFF); }, "impossible length"},
      {"column count beyond the TDEF", "basic_types.mdb",
       [](Bytes& f) {
         setU16(f, 2 * 4096 + 41, 500);
         setU16(f, 2 * 4096 + 45, 500);
       },
       "Damaged table definition"},
      {"usage map beyond the file", "basic_types.mdb",
       [](Bytes& f) {
         Locator at(f);
         const size_t map = at.rowOffset(at.table(u"Table1").ownedPages);
         setU32(f, map + 1, 0xFFFF00);  // first page of the inline bitmap
       },
       "beyond the end"},
      {"unknown usage map type", "basic_types.mdb",
       [](Bytes& f) {
         Locator at(f);
         f[at.rowOffset(at.table(u"Table1").ownedPages)] = 9;
       },
       "usage map type"},
      {"data page row count", "basic_types.mdb",
       [](Bytes& f) {
         Locator at(f);
         jet::TableScanner scan = at.db.scan(at.table(u"Table1"));
         scan.next();
         setU16(f, scan.rowId().page * 4096 + 12, 0x7FFF);
       },
       "claims"},
      {"row bounds", "basic_types.mdb",
       [](Bytes& f) {
         Locator at(f);
         jet::TableScanner scan = at.db.scan(at.table(u"Table1"));
         scan.next();
         setU16(f, scan.rowId().page * 4096 + 14, 3);  // row 0 would start in the header
       },
       "impossible bounds"},
      {"overflow pointers loop", "overflow_rows.mdb",
       [](Bytes& f) {
         // Every pointer row points at itself.
         Locator at(f);
         for (uint32_t page = 1; page * 4096 < f.size(); ++page) {
           const uint8_t* p = &f[page * 4096];
           if (p[0] != jet::kPageData || jet::u32le(p + 4) != at.table(u"Table1").page()) continue;
           for (uint16_t row = 0; row < jet::u16le(p + 12); ++row) {
             const uint16_t off = jet::u16le(p + 14 + 2 * row);
             if ((off & 0xC000) != 0x4000) continue;
             setU32(f, page * 4096 + (off & 0x1FFF), jet::RowPointer{page, uint8_t(row)}.encode());
           }
         }
       },
       "loop"},
      {"long-value chain loops", "memo_ole_bool.mdb",
       [](Bytes& f) {
         // The OLE value's first chain row points back at itself.
         for (uint32_t page = 1; page * 4096 < f.size(); ++page) {
           const uint8_t* p = &f[page * 4096];
           if (p[0] != jet::kPageData || jet::u32le(p + 4) != jet::kLvalMarker) continue;
           for (uint16_t row = 0; row < jet::u16le(p + 12); ++row) {
             const size_t start = jet::u16le(p + 14 + 2 * row) & 0x1FFF;
             const uint32_t next = jet::u32le(p + start);
             if (next != 0 && (next >> 8) * 4096 < f.size()) {
               setU32(f, page * 4096 + start, jet::RowPointer{page, uint8_t(row)}.encode());
             }
           }
         }
       },
       "loops"},
  };
  return list;
}

TEST(DamagedFile, FailsWithItsCause) {
  for (const Damage& d : damages()) {
    Bytes file = jettest::fixture(d.fixture);
    d.apply(file);
    try {
      jettest::readEverything(file);
      ADD_FAILURE() << d.name << ": read without error";
    } catch (const jet::Error& e) {
      EXPECT_NE(std::string(e.what()).find(d.cause), std::string::npos)
          << d.name << ": " << e.what();
    }
  }
}

// Every byte of the catalog's pages and the user table's pages overwritten in turn: the read
// either succeeds or fails with a jet::Error (sanitizers catch anything worse).
TEST(DamagedFile, NoSingleByteBreaksTheReader) {
  const Bytes intact = jettest::fixture("basic_types.mdb");
  Locator at(intact);
  const jet::TableDef& t = at.table(u"Table1");
  jet::TableScanner scan = at.db.scan(t);
  ASSERT_TRUE(scan.next());
  const std::vector<uint32_t> pages = {2, t.page(), scan.rowId().page, t.ownedPages.page};
  int errors = 0;
  for (uint32_t page : pages) {
    for (size_t i = 0; i < jet::kPageSize; i += 7) {
      Bytes file = intact;
      file[page * jet::kPageSize + i] ^= 0xA5;
      try {
        jettest::readEverything(std::move(file));
      } catch (const jet::Error&) {
        ++errors;
      }
    }
  }
  EXPECT_GT(errors, 0);
}

}  // namespace
