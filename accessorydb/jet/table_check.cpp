#include "accessorydb/jet/table_check.h"

#include <algorithm>
#include <cstdio>
#include <map>
#include <set>

#include "accessorydb/jet/data_page.h"
#include "accessorydb/jet/index_keys.h"
#include "accessorydb/jet/usage_map.h"

namespace jet {

namespace {

using Slot = std::pair<uint32_t, uint8_t>;  // page, row: what an index entry names

std::string str(const std::u16string& s) {
  return text::toUtf8(s);
}

std::string rowText(Slot at) {
  return "page " + std::to_string(at.first) + " row " + std::to_string(at.second);
}

IndexEntry withoutChild(const IndexEntry& e) {
  return IndexEntry(e.begin(), e.end() - indexpage::kChildPageSize);
}

// Seeks from the root as Jet does; pages are decoded once per check.
class Seeker {
 public:
  explicit Seeker(PageFile& pages) : pages_(pages) {}

  bool finds(uint32_t root, const IndexEntry& target) {
    uint32_t page = root;
    for (int level = 0; level <= kMaxLevels; ++level) {
      const IndexPage& p = load(page);
      if (p.leaf) return std::binary_search(p.entries.begin(), p.entries.end(), target);
      const auto child = std::find_if(p.entries.begin(), p.entries.end(), [&](const IndexEntry& e) {
        return !(withoutChild(e) < target);
      });
      page = child != p.entries.end() ? nodeEntryChild(*child) : p.tail;
      if (page == 0) return false;
    }
    return false;
  }

 private:
  static constexpr int kMaxLevels = 16;

  const IndexPage& load(uint32_t page) {
    auto it = cache_.find(page);
    if (it == cache_.end())
      it = cache_.emplace(page, decodeIndexPage(*pages_.read(page), page)).first;
    return it->second;
  }

  PageFile& pages_;
  std::map<uint32_t, IndexPage> cache_;
};

// Walks a subtree; returns its largest leaf entry (empty for an empty leaf).
IndexEntry walkPage(PageFile& pages, uint32_t page, uint32_t owner, int level, IndexWalk& w,
                    std::map<int, std::vector<uint32_t>>& levels) {
  if (static_cast<size_t>(level) > indexpage::kMaxTreeDepth) {
    w.findings.faults.push_back("index tree deeper than " +
                                std::to_string(indexpage::kMaxTreeDepth) + " levels (a loop?)");
    return {};
  }
  w.pages.push_back(page);
  levels[level].push_back(page);
  const IndexPage p = decodeIndexPage(*pages.read(page), page);
  if (p.owner != owner)
    w.findings.faults.push_back("index page " + std::to_string(page) + " has owner " +
                                std::to_string(p.owner));
  // Jet marks node pages, and only those, with their node flag.
  const uint8_t nodeFlag = (*pages.read(page))[indexpage::kNodeFlagOffset];
  if (nodeFlag != (p.leaf ? 0 : indexpage::kNodeFlag)) {
    w.findings.faults.push_back((p.leaf ? "leaf " : "node ") + std::to_string(page) + " has byte " +
                                offsetText(indexpage::kNodeFlagOffset) + " = " +
                                std::to_string(nodeFlag));
  }
  if (p.leaf) {
    w.depth = std::max(w.depth, level);
    w.leafEntries.insert(w.leafEntries.end(), p.entries.begin(), p.entries.end());
    return p.entries.empty() ? IndexEntry{} : p.entries.back();
  }
  if (p.entries.empty()) w.findings.faults.push_back("node " + std::to_string(page) + " is empty");
  if (p.tail == 0 && p.entries.size() > 1) {
    w.findings.faults.push_back("node " + std::to_string(page) +
                                " has several children but no tail");
  }
  IndexEntry max;
  for (const IndexEntry& e : p.entries) {
    const uint32_t child = nodeEntryChild(e);
    max = walkPage(pages, child, owner, level + 1, w, levels);
    if (max == withoutChild(e)) continue;
    // Above the child's last entry (left by deletes), seeks still reach every entry; below it,
    // the child's later entries are out of reach.
    const std::string what =
        "node " + std::to_string(page) + ": the entry of child " + std::to_string(child) + " is ";
    if (max < withoutChild(e)) {
      w.findings.notes.push_back(what + "above the child's last entry (a stale separator)");
    } else {
      w.findings.faults.push_back(what + "below the child's last entry");
    }
  }
  if (p.tail != 0) max = walkPage(pages, p.tail, owner, level + 1, w, levels);
  return max;
}

bool isUserTable(Database& db, const TableDef& def) {
  for (const CatalogEntry& e : db.catalog()) {
    if (e.isTable() && e.tdefPage() == def.page()) return e.isUserTable();
  }
  return true;
}

// Data pages that carry the table as their owner, with their free-space figures.
std::set<uint32_t> checkDataPages(PageFile& pages, const TableDef& def, const std::string& t,
                                  CheckFindings& f) {
  std::set<uint32_t> dataPages;
  for (uint32_t p = 0; p < pages.pageCount(); ++p) {
    const PageRef page = pages.read(p);
    if ((*page)[pagehead::kTypeOffset] != kPageData ||
        u32le(page->data() + pagehead::kOwnerOffset) != def.page()) {
      continue;
    }
    dataPages.insert(p);
    // Rows lie packed from the end of the page down, deleted ones included.
    const uint16_t n = rowCountOf(*page, p);
    const size_t rowTableEnd = datapage::kRowTableOffset + datapage::kRowOffsetSize * n;
    size_t lowest = kPageSize;
    for (uint16_t r = 0; r < n; ++r) {
      const size_t start = rowSlot(*page, p, r).offset & datapage::kRowOffsetMask;
      if (start >= rowTableEnd) lowest = std::min(lowest, start);
    }
    const size_t stored = u16le(page->data() + pagehead::kFreeSpaceOffset);
    const size_t actual = lowest - rowTableEnd;
    if (stored < actual) {
      f.notes.push_back(t + "data page " + std::to_string(p) + " says " + std::to_string(stored) +
                        " bytes free of " + std::to_string(actual) + " (space not reclaimed)");
    } else if (stored > actual) {
      f.faults.push_back(t + "data page " + std::to_string(p) + " has a wrong free space");
    }
  }
  return dataPages;
}

bool holdsRows(PageFile& pages, uint32_t p) {
  const PageRef page = pages.read(p);
  for (uint16_t r = 0; r < rowCountOf(*page, p); ++r) {
    const RowSlot slot = rowSlot(*page, p, r);
    if (!slot.deleted() && !slot.overflowTarget()) return true;
  }
  return false;
}

struct IndexContext {
  PageFile& pages;
  const TableDef& def;
  const std::map<Slot, std::vector<Value>>& rows;
  Seeker& seeker;
};

// Whether the index keys text of a sort order the engine does not encode (its number, or 0).
uint16_t unencodedSortOrder(const TableDef& def, const RealIndex& real) {
  for (const IndexColumn& ic : real.columns) {
    const ColumnDef* c = def.columnByNumber(ic.columnNumber);
    if (c && c->is(ColumnType::Text) && !encodedSortOrder(c->sortOrder)) return c->sortOrder;
  }
  return 0;
}

// Whether every text value of the index has codes shown by Access's own keys.
bool keyFromAccessKeys(const TableDef& def, const RealIndex& real,
                       const std::vector<Value>& values) {
  return std::all_of(real.columns.begin(), real.columns.end(), [&](const IndexColumn& ic) {
    const ColumnDef* c = def.columnByNumber(ic.columnNumber);
    const auto* t =
        c ? std::get_if<std::u16string>(&values[static_cast<size_t>(c - def.columns.data())])
          : nullptr;
    return !t || textKeyFromAccessKeys(*t);
  });
}

bool nullKey(const TableDef& def, const RealIndex& real, const std::vector<Value>& values) {
  return std::all_of(real.columns.begin(), real.columns.end(), [&](const IndexColumn& ic) {
    const ColumnDef* c = def.columnByNumber(ic.columnNumber);
    return c && isNull(values[static_cast<size_t>(c - def.columns.data())]);
  });
}

// Entries against rows: one per row (none for null keys of an "ignore nulls" index), each
// carrying its row's key and found by a seek from the root.
void checkEntries(const IndexContext& c, const RealIndex& real, const IndexWalk& w,
                  const std::string& ix, CheckFindings& f) {
  const uint16_t otherOrder = unencodedSortOrder(c.def, real);
  if (otherOrder != 0) {
    f.notes.push_back(ix + "keys not verified: text in sort order " + std::to_string(otherOrder) +
                      ", which the engine does not encode");
  }
  std::set<Slot> seen;
  size_t notKeyed = 0;
  size_t sharpSOnce = 0;
  size_t unproven = 0;
  for (const IndexEntry& e : w.leafEntries) {
    const RowPointer at = leafEntryRow(e);
    const Slot slot{at.page, at.row};
    const auto row = c.rows.find(slot);
    if (row == c.rows.end()) {
      f.faults.push_back(ix + "an entry names no row (" + rowText(slot) + ")");
      continue;
    }
    if (!seen.insert(slot).second) {
      f.faults.push_back(ix + "two entries name the row at " + rowText(slot));
      continue;
    }
    if (!c.seeker.finds(real.firstPage, e)) {
      f.faults.push_back(ix + "the row at " + rowText(slot) + " cannot be found from the root");
    }
    if (otherOrder != 0) continue;
    KeyBytes key;
    try {
      key = indexKey(c.def, real, row->second);
    } catch (const Error&) {
      ++notKeyed;  // a type the engine does not key, or text the code table does not key
      continue;
    }
    const KeyBytes stored(e.begin(), e.end() - indexpage::kRowIdSize);
    if (key == stored) continue;
    // Another writer's key, not damage: ß as one position in the later sections, where Access
    // counts two (the tree's order and seeks are checked on the stored bytes).
    if (indexKey(c.def, real, row->second, SharpS::OnePosition) == stored) {
      ++sharpSOnce;
      continue;
    }
    // The codes beyond Latin-1 are the published table's, unchecked on Access's keys: a
    // difference there proves no damage.
    if (!keyFromAccessKeys(c.def, real, row->second)) {
      ++unproven;
      continue;
    }
    f.faults.push_back(ix + "the entry of the row at " + rowText(slot) +
                       " differs from its row's key");
  }
  if (sharpSOnce != 0) {
    f.notes.push_back(ix + std::to_string(sharpSOnce) +
                      " keys count ß as one position, as Access's own keys do not (another "
                      "program wrote them)");
  }
  if (unproven != 0) {
    f.notes.push_back(ix + std::to_string(unproven) +
                      " keys differ from the engine's, in text beyond Latin-1, whose codes "
                      "Access's keys have not shown");
  }
  if (notKeyed != 0) {
    f.notes.push_back(ix + std::to_string(notKeyed) +
                      " keys not verified: values the engine does not key");
  }
  size_t nullsLeftOut = 0;
  for (const auto& [slot, values] : c.rows) {
    if (seen.count(slot)) continue;
    if (real.ignoreNulls() && nullKey(c.def, real, values)) {
      ++nullsLeftOut;
    } else {
      f.faults.push_back(ix + "the row at " + rowText(slot) + " has no entry");
    }
  }
  if (nullsLeftOut != 0) {
    f.notes.push_back(ix + "ignores nulls: " + std::to_string(nullsLeftOut) +
                      " rows with null keys have no entry");
  }
}

void checkTableIn(Database& db, const Text& name, CheckFindings& f) {
  PageFile& pages = db.pages();
  db.refresh();
  const TableDef& def = db.table(name);
  const std::string t = str(name) + ": ";

  // Rows by the slot their index entries name (a moved row's pointer slot).
  std::map<Slot, std::vector<Value>> rows;
  TableScanner scan = db.scan(def);
  while (scan.next()) rows[{scan.position().page, scan.position().row}] = scan.values();
  if (rows.size() != def.rowCount) {
    // Access leaves the counts of its system tables behind their rows.
    (isUserTable(db, def) ? f.faults : f.notes)
        .push_back(t + "row count " + std::to_string(def.rowCount) + ", rows found " +
                   std::to_string(rows.size()));
  }

  // Data pages: the owned map lists those that hold rows; the free map lies inside it.
  const std::set<uint32_t> dataPages = checkDataPages(pages, def, t, f);
  const std::vector<uint32_t> ownedList = readUsageMap(pages, def.ownedPages);
  const std::set<uint32_t> owned(ownedList.begin(), ownedList.end());
  const RowRef global = readRow(pages, kGlobalUsageMap, "the global map");
  const std::vector<uint32_t> freeList = decodeUsageMap(pages, global.slot.bytes, UINT32_MAX);
  const std::set<uint32_t> freePages(freeList.begin(), freeList.end());
  for (uint32_t p : dataPages) {
    if (owned.count(p)) continue;
    const std::string page = "data page " + std::to_string(p);
    if (holdsRows(pages, p)) {
      f.faults.push_back(t + page + " holds rows the owned-pages map does not list");
    } else if (freePages.count(p)) {
      f.notes.push_back(t + page + " is free but still carries the table as owner");
    } else {
      f.notes.push_back(t + page + ", without rows, is listed by no map");
    }
  }
  for (uint32_t p : owned) {
    if (!dataPages.count(p)) {
      f.faults.push_back(t + "the owned-pages map lists page " + std::to_string(p) +
                         ", which is no data page of the table");
    }
  }
  for (uint32_t p : readUsageMap(pages, def.freePages)) {
    if (!owned.count(p)) f.faults.push_back(t + "free map lists page " + std::to_string(p));
  }
  std::set<uint32_t> used(owned);
  used.insert(def.page());

  Seeker seeker(pages);
  const IndexContext context{pages, def, rows, seeker};
  for (size_t i = 0; i < def.realIndexes.size(); ++i) {
    const RealIndex& real = def.realIndexes[i];
    const std::string ix = t + "index " + std::to_string(i) + ": ";
    const IndexWalk w = walkIndex(pages, real.firstPage, def.page());
    for (const std::string& p : w.findings.faults) f.faults.push_back(ix + p);
    for (const std::string& p : w.findings.notes) f.notes.push_back(ix + p);
    used.insert(w.pages.begin(), w.pages.end());
    const std::vector<uint32_t> mapped = readUsageMap(pages, real.usageMap);
    const std::set<uint32_t> mappedSet(mapped.begin(), mapped.end());
    const std::set<uint32_t> tree(w.pages.begin(), w.pages.end());
    for (uint32_t p : tree) {
      if (!mappedSet.count(p))
        f.faults.push_back(ix + "the index map does not list page " + std::to_string(p));
    }
    for (uint32_t p : mappedSet) {
      if (!tree.count(p)) {
        f.notes.push_back(ix + "the index map lists page " + std::to_string(p) +
                          ", which the tree no longer uses");
      }
    }
    checkEntries(context, real, w, ix, f);
  }
  for (uint32_t p : used) {
    if (freePages.count(p)) f.faults.push_back(t + "page " + std::to_string(p) + " is marked free");
  }
}

}  // namespace

std::vector<std::string> CheckFindings::all() const {
  std::vector<std::string> out(faults);
  out.insert(out.end(), notes.begin(), notes.end());
  return out;
}

void CheckFindings::add(CheckFindings other) {
  for (std::string& s : other.faults) faults.push_back(std::move(s));
  for (std::string& s : other.notes) notes.push_back(std::move(s));
}

std::string offsetText(size_t offset) {
  char buf[24];
  std::snprintf(buf, sizeof buf, "0x%zX", offset);
  return buf;
}

IndexWalk walkIndex(PageFile& pages, uint32_t root, uint32_t owner) {
  IndexWalk w;
  std::map<int, std::vector<uint32_t>> levels;
  walkPage(pages, root, owner, 0, w, levels);
  // Each level is one chain, in tree order.
  for (const auto& [level, list] : levels) {
    for (size_t i = 0; i < list.size(); ++i) {
      const IndexPage p = decodeIndexPage(*pages.read(list[i]), list[i]);
      const uint32_t prev = i == 0 ? 0 : list[i - 1];
      const uint32_t next = i + 1 == list.size() ? 0 : list[i + 1];
      if (p.prev != prev || p.next != next) {
        w.findings.faults.push_back("index page " + std::to_string(list[i]) + " at level " +
                                    std::to_string(level) + " has wrong neighbours");
      }
    }
  }
  for (size_t i = 1; i < w.leafEntries.size(); ++i) {
    if (!(w.leafEntries[i - 1] < w.leafEntries[i])) {
      w.findings.faults.push_back("leaf entries out of order at entry " + std::to_string(i));
    }
  }
  return w;
}

bool indexFinds(PageFile& pages, uint32_t root, const IndexEntry& entry) {
  return Seeker(pages).finds(root, entry);
}

CheckFindings checkTable(Database& db, const Text& tableName) {
  const Text name = tableName;  // refresh() drops the definitions callers may name it from
  CheckFindings f;
  try {
    checkTableIn(db, name, f);
  } catch (const Error& e) {
    f.faults.push_back(str(name) + ": the check stopped: " + str(e.message()));
  }
  return f;
}

}  // namespace jet
