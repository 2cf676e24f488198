#include "accessorydb/jet/index_tree.h"

#include <algorithm>

#include "accessorydb/jet/index_build.h"

namespace jet {

namespace {

// An entry without its trailing child page: the last leaf entry of the child's subtree.
ByteView childMax(const IndexEntry& nodeEntry) {
  return ByteView(nodeEntry.data(), nodeEntry.size() - indexpage::kChildPageSize);
}

// The largest leaf entry below a page, when the page itself knows it (leaves, tail-less nodes).
IndexEntry pageMax(const IndexPage& p) {
  const IndexEntry& last = p.entries.back();
  if (p.leaf) return last;
  const ByteView m = childMax(last);
  return IndexEntry(m.begin(), m.end());
}

// Whether a leaf entry holds exactly this key.
bool hasKey(ByteView entry, const KeyBytes& key) {
  return entry.size() == key.size() + indexpage::kRowIdSize &&
         std::equal(key.begin(), key.end(), entry.begin());
}

// Splits entries at the middle of their bytes.
size_t middle(const std::vector<IndexEntry>& entries) {
  size_t total = 0;
  for (const IndexEntry& e : entries) total += e.size();
  size_t left = 0;
  for (size_t i = 0; i < entries.size(); ++i) {
    left += entries[i].size();
    if (2 * left >= total) return std::clamp<size_t>(i + 1, 1, entries.size() - 1);
  }
  return entries.size() - 1;
}

}  // namespace

IndexTree::IndexTree(PageFile& pages, PageAllocator& allocator, uint32_t owner,
                     const RealIndex& index)
    : pages_(pages), allocator_(allocator), owner_(owner), index_(index) {
  const std::optional<StoredLeaf> root =
      StoredLeaf::of(pages_.read(index_.firstPage), index_.firstPage);
  gathering_ = root && root->size() == 0;
}

void IndexTree::storeGathered() {
  if (!gathering_ || gathered_.empty()) return;
  gathering_ = false;
  gathered_.sort();
  buildIndexTree(pages_, allocator_, owner_, index_, gathered_);
  gathered_.clear();
  cache_.clear();
  decodedLeaves_.clear();
  leaves_.clear();
  ++changes_;
}

IndexPage& IndexTree::load(uint32_t page) {
  auto it = cache_.find(page);
  if (it == cache_.end()) {
    const PageRef bytes = pages_.read(page);
    it = cache_.emplace(page, decodeIndexPage(*bytes, page)).first;
    if (it->second.leaf) decodedLeaves_.push_back(page);
  }
  return it->second;
}

StoredLeaf* IndexTree::storedLeaf(uint32_t page) {
  if (cache_.contains(page)) return nullptr;
  PageRef bytes = pages_.read(page);
  // The same bytes as last time (a changed page comes as new bytes while these are held).
  if (auto it = leaves_.find(page); it != leaves_.end()) {
    if (it->second.holds(bytes)) return &it->second;
    leaves_.erase(it);
  }
  std::optional<StoredLeaf> leaf = StoredLeaf::of(std::move(bytes), page);
  if (!leaf) return nullptr;
  if (leaves_.size() >= kStoredLeaves) leaves_.clear();
  return &leaves_.emplace(page, std::move(*leaf)).first->second;
}

void IndexTree::trimCache() {
  for (const uint32_t page : decodedLeaves_) cache_.erase(page);
  decodedLeaves_.clear();
  if (cache_.size() > kDecodedNodes) cache_.clear();
}

void IndexTree::store(uint32_t page) {
  ++changes_;
  pages_.write(page, encodeIndexPage(load(page)));
}

uint32_t IndexTree::newPage() {
  const uint32_t page = allocator_.allocate();
  allocator_.setInMap(index_.usageMap, page, true);
  IndexPage& p = cache_[page];
  p = IndexPage{};
  p.owner = owner_;
  decodedLeaves_.push_back(page);  // a node-to-be is dropped too: it is stored at once
  return page;
}

std::vector<IndexTree::Step> IndexTree::descend(const IndexEntry& target) {
  std::vector<Step> path;
  uint32_t page = index_.firstPage;
  for (;;) {
    if (path.size() > indexpage::kMaxTreeDepth)
      throw Error(ErrorKind::Damaged, u"Damaged database: an index tree has a loop");
    if (const StoredLeaf* leaf = storedLeaf(page)) {
      path.push_back({page, leaf->lowerBound(target)});
      return path;
    }
    const IndexPage& p = load(page);
    if (p.leaf) {
      const auto pos = std::lower_bound(
          p.entries.begin(), p.entries.end(), target,
          [](const IndexEntry& a, const IndexEntry& b) { return entryLess(a, b); });
      path.push_back({page, static_cast<size_t>(pos - p.entries.begin())});
      return path;
    }
    // The first child whose largest entry is not below the target.
    const size_t i = static_cast<size_t>(
        std::partition_point(p.entries.begin(), p.entries.end(),
                             [&](const IndexEntry& e) { return entryLess(childMax(e), target); }) -
        p.entries.begin());
    if (p.entries.empty() && p.tail == 0) {
      throw Error(ErrorKind::Damaged,
                  u"Damaged database: index node page " + text::num(page) + u" is empty");
    }
    // A node without a tail: its last entry's child takes larger entries too.
    const size_t child = i == p.entries.size() && p.tail == 0 ? i - 1 : i;
    path.push_back({page, child});
    page = child < p.entries.size() ? nodeEntryChild(p.entries[child]) : p.tail;
  }
}

bool IndexTree::checkInsert(const KeyBytes& key) {
  if (gathering_) return gathered_.containsKey(key);
  trimCache();
  // Every entry with the key sorts below this one (no file has a page 0xFFFFFF).
  const IndexEntry highest = leafEntry(key, RowPointer{kPageNumberMask, rowpointer::kRowMask});
  const std::vector<Step> path = descend(highest);
  const bool exists = keyBefore(path.back(), key);
  if (!exists || !index_.unique()) checkRoom(path, highest.size());
  // The entries just before the path's steps: an entry above the largest of them, and not above
  // `highest`, walks down the same path.
  checked_ = false;
  checkedBelow_.clear();
  for (const Step& step : path) {
    if (step.child == 0) continue;
    const ByteView before = entryBefore(step);
    if (entryLess(checkedBelow_, before)) checkedBelow_.assign(before.begin(), before.end());
  }
  checkedKey_ = key;
  checkedPath_ = path;
  checkedChanges_ = changes_;
  checked_ = true;
  return exists;
}

bool IndexTree::checkedPathLeadsTo(const KeyBytes& key, const IndexEntry& entry) const {
  return checked_ && checkedChanges_ == changes_ && checkedKey_ == key &&
         entryLess(checkedBelow_, entry);
}

ByteView IndexTree::entryBefore(const Step& step) {
  if (const StoredLeaf* leaf = storedLeaf(step.page)) return leaf->entry(step.child - 1);
  const IndexPage& p = load(step.page);
  return p.leaf ? ByteView(p.entries[step.child - 1]) : childMax(p.entries[step.child - 1]);
}

bool IndexTree::keyBefore(const Step& at, const KeyBytes& key) {
  // The entry before the first of a leaf is the last of the leaf before: walked down to again.
  if (at.child == 0) return contains(key);
  return hasKey(entryBefore(at), key);
}

void IndexTree::checkRoom(const std::vector<Step>& path, size_t entrySize) {
  for (const Step& step : path) {
    size_t bytes = 0;
    size_t largest = 0;
    size_t added = entrySize;
    if (const StoredLeaf* leaf = storedLeaf(step.page)) {
      bytes = leaf->entryBytes();
      largest = leaf->largestEntry();
    } else {
      const IndexPage& p = load(step.page);
      // What the page may have to take: the new leaf entry, or a node entry for a new child.
      if (!p.leaf) added += indexpage::kChildPageSize;
      bytes = p.entryBytes();
      for (const IndexEntry& e : p.entries) largest = std::max(largest, e.size());
    }
    largest = std::max(largest, added);
    // An even split leaves at most half the bytes plus one entry on either side.
    if (bytes + added + 2 * largest > 2 * indexpage::kEntrySpace) {
      throw Error(ErrorKind::TooLarge,
                  u"Cannot add to the index: page " + text::num(step.page) +
                      u" holds prefix-compressed entries that need more than two pages in full");
    }
  }
}

bool IndexTree::contains(const KeyBytes& key) {
  trimCache();
  const IndexEntry lowest = leafEntry(key, RowPointer{0, 0});
  const Step at = descend(lowest).back();
  const std::optional<IndexEntry> found = leafEntryAt(at.page, at.child);
  return found && hasKey(*found, key);
}

std::optional<IndexEntry> IndexTree::leafEntryAt(uint32_t page, size_t pos) {
  // Past a leaf's last entry: the first entry of the next leaf.
  for (int hops = 0; hops < 2; ++hops, pos = 0) {
    uint32_t next = 0;
    if (const StoredLeaf* leaf = storedLeaf(page)) {
      if (pos < leaf->size()) {
        const ByteView e = leaf->entry(pos);
        return IndexEntry(e.begin(), e.end());
      }
      next = u32le(&(*pages_.read(page))[indexpage::kNextOffset]);
    } else {
      const IndexPage& p = load(page);
      if (pos < p.entries.size()) return p.entries[pos];
      next = p.next;
    }
    if (next == 0) return std::nullopt;
    page = next;
  }
  return std::nullopt;
}

void IndexTree::insert(const KeyBytes& key, RowPointer row) {
  if (gathering_) {
    gathered_.add(key, row);
    if (gathered_.memoryBytes() > kGatheredBytes) storeGathered();
    return;
  }
  trimCache();
  IndexEntry entry = leafEntry(key, row);
  std::vector<Step> path = checkedPathLeadsTo(key, entry) ? checkedPath_ : descend(entry);
  checked_ = false;
  const Step at = path.back();
  if (StoredLeaf* leaf = storedLeaf(at.page)) {
    // Most inserts fit their leaf: the stored bytes take the entry without decoding the page.
    if (leaf->fits(entry.size())) {
      const bool atEnd = at.child == leaf->size();
      leaf->release();  // lets the page be changed in place
      ++changes_;
      leaf->insert(at.child, entry, pages_.change(at.page));
      leaf->rebind(pages_.read(at.page));
      if (atEnd) maxChanged(path, path.size() - 1, entry);
      return;
    }
  }
  insertEntry(path, path.size() - 1, std::move(entry), at.child);
}

void IndexTree::insertEntry(std::vector<Step>& path, size_t depth, IndexEntry entry, size_t pos) {
  const uint32_t page = path[depth].page;
  IndexPage& p = load(page);
  const bool atEnd = pos == p.entries.size();
  p.entries.insert(p.entries.begin() + static_cast<ptrdiff_t>(pos), std::move(entry));
  if (!p.fits()) {
    split(path, depth, atEnd);
    return;
  }
  store(page);
  if (atEnd && (p.leaf || p.tail == 0)) maxChanged(path, depth, pageMax(p));
}

void IndexTree::maxChanged(std::vector<Step>& path, size_t depth, const IndexEntry& max) {
  if (depth == 0) return;
  const uint32_t page = path[depth].page;
  const Step& up = path[depth - 1];
  IndexPage& parent = load(up.page);
  if (up.child == parent.entries.size()) {  // a tail: the parent's own maximum moved
    if (parent.tail == page) maxChanged(path, depth - 1, max);
    return;
  }
  parent.entries[up.child] = nodeEntry(max, page);
  if (!parent.fits()) {
    split(path, depth - 1, false);
    return;
  }
  store(up.page);
  if (up.child + 1 == parent.entries.size() && parent.tail == 0) maxChanged(path, depth - 1, max);
}

void IndexTree::split(std::vector<Step>& path, size_t depth, bool appended) {
  const uint32_t page = path[depth].page;
  IndexPage old = load(page);  // a copy: new pages may rehash the cache
  std::vector<IndexEntry>& all = old.entries;
  const bool lastOnLevel = old.next == 0;

  // Left keeps entries [0, s); for nodes, its last child becomes its tail.
  // An entry past the end of the last page starts a new page, leaving this one full (unless its
  // entries, read prefix-compressed, need more room in full); otherwise the bytes split evenly.
  size_t s = middle(all);
  if (appended && lastOnLevel && all.size() >= (old.leaf ? 2u : 3u)) {
    size_t leftBytes = 0;
    for (size_t i = 0; i + 1 < all.size(); ++i) leftBytes += all[i].size();
    if (leftBytes <= indexpage::kEntrySpace) s = all.size() - 1;
  }
  IndexPage left = old;
  IndexPage right = old;
  left.entries.assign(all.begin(), all.begin() + static_cast<ptrdiff_t>(s));
  right.entries.assign(all.begin() + static_cast<ptrdiff_t>(s), all.end());
  IndexEntry leftMax;
  if (old.leaf) {
    leftMax = left.entries.back();
  } else {
    const ByteView m = childMax(left.entries.back());
    leftMax.assign(m.begin(), m.end());
    left.tail = nodeEntryChild(left.entries.back());
    left.entries.pop_back();
    right.tail = old.tail;
  }

  if (depth == 0) {
    // The root keeps its page: its halves move to two new pages below it.
    const uint32_t l = newPage();
    const uint32_t r = newPage();
    left.prev = 0;
    left.next = r;
    right.prev = l;
    right.next = 0;
    load(l) = left;
    load(r) = right;
    store(r);
    store(l);
    IndexPage& root = load(page);
    root = IndexPage{};
    root.leaf = false;
    root.owner = old.owner;
    root.entries.push_back(nodeEntry(leftMax, l));
    root.tail = r;
    store(page);
    return;
  }

  const uint32_t r = newPage();
  right.prev = page;
  right.next = old.next;
  left.next = r;
  load(r) = right;
  load(page) = left;
  store(r);
  store(page);
  if (old.next != 0) {
    load(old.next).prev = r;
    store(old.next);
  }

  const Step up = path[depth - 1];
  IndexPage& parent = load(up.page);
  if (up.child == parent.entries.size()) {  // the split page was the parent's tail
    parent.tail = r;
    insertEntry(path, depth - 1, nodeEntry(leftMax, page), parent.entries.size());
    return;
  }
  const IndexEntry rightMax = old.leaf || old.tail == 0
                                  ? pageMax(right)
                                  : IndexEntry(childMax(parent.entries[up.child]).begin(),
                                               childMax(parent.entries[up.child]).end());
  parent.entries[up.child] = nodeEntry(leftMax, page);
  insertEntry(path, depth - 1, nodeEntry(rightMax, r), up.child + 1);
}

}  // namespace jet
