#include "accessorydb/jet/file_check.h"

#include <map>
#include <set>

#include "accessorydb/jet/data_page.h"
#include "accessorydb/jet/table_check.h"
#include "accessorydb/jet/usage_map.h"

namespace jet {

namespace {

// Owner name of the global map's pages; its bits may run beyond the end of the file.
constexpr const char* kGlobalMap = "the global map";

std::string utf8(const Text& t) {
  return text::toUtf8(t);
}

// Who each page belongs to. Usage-map rows of many tables may share a page; everything else
// belongs to one owner.
class Census {
 public:
  Census(PageFile& pages, CheckFindings& findings) : pages_(pages), findings_(findings) {}

  void claim(uint32_t page, const std::string& owner) {
    auto [it, fresh] = owners_.emplace(page, owner);
    if (!fresh && it->second != owner) {
      findings_.faults.push_back("page " + std::to_string(page) + " belongs to both " + it->second +
                                 " and " + owner);
    }
  }

  // The page holding a usage-map row, the bitmap pages it refers to, and the pages it lists
  // (bits at or beyond `limit` are refused).
  std::vector<uint32_t> map(RowPointer at, const std::string& what,
                            const std::string& mapOwner = "usage maps") {
    if (at.encode() == 0) return {};  // no map (seen on long-value columns never used)
    claim(at.page, mapOwner);
    const RowRef row = readRow(pages_, at, "a usage map");
    const ByteView bytes = row.slot.bytes;
    for (uint32_t p : referencedBitmapPages(bytes)) claim(p, mapOwner);
    try {
      return decodeUsageMap(pages_, bytes,
                            mapOwner == kGlobalMap ? UINT32_MAX : pages_.pageCount());
    } catch (const Error& e) {
      findings_.faults.push_back(what + ": " + e.what());
      return {};
    }
  }

  // Pages a map lists: each of the given type and owner, claimed for `owner`.
  void pagesOf(RowPointer at, const std::string& owner, PageType type, uint32_t ownerField) {
    for (uint32_t p : map(at, owner)) {
      claim(p, owner);
      const PageRef page = pages_.read(p);
      if ((*page)[pagehead::kTypeOffset] != type ||
          u32le(page->data() + pagehead::kOwnerOffset) != ownerField) {
        findings_.faults.push_back("page " + std::to_string(p) + " of " + owner +
                                   " has the wrong type or owner");
      }
    }
  }

  const std::map<uint32_t, std::string>& owners() const { return owners_; }

 private:
  PageFile& pages_;
  CheckFindings& findings_;
  std::map<uint32_t, std::string> owners_;
};

void checkHeader(PageFile& pages, CheckFindings& findings) {
  Page plain = *pages.read(kHeaderPage);
  maskHeader(plain.data());
  if (!std::equal(std::begin(page0::kConstantBlock), std::end(page0::kConstantBlock),
                  plain.begin() + page0::kConstantBlockOffset)) {
    findings.faults.push_back("header: the constant at " + offsetText(page0::kConstantBlockOffset) +
                              " differs");
  }
  if (std::string_view(reinterpret_cast<const char*>(&plain[page0::kFormatTextOffset]),
                       page0::kFormatText.size()) != page0::kFormatText) {
    std::string fault = "header: no \"";
    fault.append(page0::kFormatText.data()).append("\" at ");
    findings.faults.push_back(fault + offsetText(page0::kFormatTextOffset));
  }
  for (size_t slot = 0; slot < page0::kCommitSlotCount; ++slot) {
    if (plain[page0::kCommitSlotsOffset + page0::kCommitSlotSize * slot +
              page0::kCommitStateOffset] != page0::kCommitReleased) {
      // Access leaves such bytes in files it has closed; Jet opens them.
      findings.notes.push_back("header: commit slot " + std::to_string(slot) + " is not released");
      break;
    }
  }
}

void checkTables(Database& db, Census& census, CheckFindings& findings) {
  std::set<std::u16string> names;
  for (const CatalogEntry& e : db.catalog()) {
    if (!e.isTable()) continue;
    const std::string name = utf8(e.name);
    if (!names.insert(text::lowerAscii(e.name)).second) {
      findings.faults.push_back("catalog: two tables are named " + name);
    }
    const TableDef& t = db.table(e.name);
    for (uint32_t p : t.pages) census.claim(p, "the definition of " + name);
    census.pagesOf(t.ownedPages, "table " + name, kPageData, t.page());
    census.map(t.freePages, "free-space map of " + name);
    for (size_t i = 0; i < t.realIndexes.size(); ++i) {
      const std::string owner = "index " + std::to_string(i) + " of " + name;
      for (uint32_t p : census.map(t.realIndexes[i].usageMap, owner)) {
        census.claim(p, owner);
        const uint8_t type = (*db.pages().read(p))[pagehead::kTypeOffset];
        if (type != kPageIndexNode && type != kPageIndexLeaf) {
          findings.faults.push_back("page " + std::to_string(p) + " of " + owner +
                                    " is no index page");
        }
      }
    }
    for (const LongValueMaps& lv : t.longValueMaps) {
      const std::string owner = "long values of " + name;
      census.pagesOf(lv.owned, owner, kPageData, kLvalMarker);
      census.map(lv.free, owner);
    }
  }
}

void checkAces(Database& db, CheckFindings& findings) {
  std::set<int32_t> objects;
  TableScanner aces = db.scan(db.table(u"MSysACEs"));
  while (aces.next()) {
    if (const auto* id = std::get_if<int32_t>(&aces.value(u"ObjectId"))) objects.insert(*id);
  }
  for (const CatalogEntry& e : db.catalog()) {
    if (e.isUserTable() && !objects.count(e.id)) {
      findings.faults.push_back("catalog: table " + utf8(e.name) + " has no MSysACEs row");
    }
  }
}

void checkWholeFile(Database& db, CheckFindings& findings) {
  PageFile& pages = db.pages();
  checkHeader(pages, findings);
  Census census(pages, findings);
  census.claim(kHeaderPage, "the header");
  const std::vector<uint32_t> freeList = census.map(kGlobalUsageMap, kGlobalMap, kGlobalMap);
  const std::set<uint32_t> free(freeList.begin(), freeList.end());
  checkTables(db, census, findings);
  for (uint32_t p = 0; p < pages.pageCount(); ++p) {
    const auto owner = census.owners().find(p);
    if (owner == census.owners().end() && !free.count(p)) {
      // Space Access has not reclaimed: Jet neither reads nor reuses such pages.
      findings.notes.push_back("page " + std::to_string(p) + " is in use but belongs to nothing");
    } else if (owner != census.owners().end() && free.count(p)) {
      findings.faults.push_back("page " + std::to_string(p) + " of " + owner->second +
                                " is marked free in the global map");
    }
  }
  checkAces(db, findings);
}

}  // namespace

CheckFindings checkFile(Database& db) {
  CheckFindings findings;
  try {
    checkWholeFile(db, findings);
  } catch (const Error& e) {
    findings.faults.push_back("file: the check stopped: " + text::toUtf8(e.message()));
  }
  // The catalog's own rows, maps and indexes, checked like any table (this reads the table
  // definitions afresh, so it comes last).
  for (const char16_t* table : {u"MSysObjects", u"MSysACEs"}) findings.add(checkTable(db, table));
  return findings;
}

}  // namespace jet
