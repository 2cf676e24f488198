#include "accessorydb/jet/index_build.h"

#include <optional>

namespace jet {

namespace {

// A page of the level below, as its parent names it.
struct Child {
  uint32_t page;
  IndexEntry max;  // its largest leaf entry
};

// The pages of one level, stored in order as they come. A page is stored once the next one has
// a number (its `next`); the first gets one only when a second comes, since a page that stays
// alone on its level is the root.
class Level {
 public:
  Level(PageFile& pages, PageAllocator& allocator, const RealIndex& index)
      : pages_(pages), allocator_(allocator), index_(index) {}

  void add(IndexPage page, IndexEntry max) {
    if (held_) {
      if (!heldNo_) heldNo_ = newPage();
      const uint32_t no = newPage();
      held_->next = no;
      page.prev = *heldNo_;
      store(*heldNo_, *held_);
      children_.push_back({*heldNo_, std::move(heldMax_)});
      heldNo_ = no;
    }
    held_ = std::move(page);
    heldMax_ = std::move(max);
  }

  // Stores the last page; returns the level's pages, or none when its only page became the root.
  std::vector<Child> finish() {
    if (!heldNo_) {
      store(index_.firstPage, *held_);
      return {};
    }
    store(*heldNo_, *held_);
    children_.push_back({*heldNo_, std::move(heldMax_)});
    return std::move(children_);
  }

 private:
  uint32_t newPage() {
    const uint32_t page = allocator_.allocate();
    allocator_.setInMap(index_.usageMap, page, true);
    return page;
  }
  void store(uint32_t no, const IndexPage& page) {
    pages_.write(no, encodeIndexPage(page));
    // A million entries take a few thousand pages: the pending pages keep to their bound.
    pages_.writeBackIfFull(PageFile::kSequentialPendingBound);
  }

  PageFile& pages_;
  PageAllocator& allocator_;
  const RealIndex& index_;
  std::optional<IndexPage> held_;
  std::optional<uint32_t> heldNo_;
  IndexEntry heldMax_;
  std::vector<Child> children_;
};

std::vector<Child> storeLeaves(Level& level, uint32_t owner, const GatheredEntries& sorted) {
  IndexPage page;
  page.owner = owner;
  size_t bytes = 0;
  for (size_t i = 0; i < sorted.size(); ++i) {
    const ByteView e = sorted.entry(i);
    // An entry too large for a page alone goes onto a page of its own, which its encoding
    // refuses.
    if (!page.entries.empty() && bytes + e.size() > indexpage::kEntrySpace) {
      IndexEntry max = page.entries.back();
      level.add(std::move(page), std::move(max));
      page = IndexPage{};
      page.owner = owner;
      bytes = 0;
    }
    page.entries.emplace_back(e.begin(), e.end());
    bytes += e.size();
  }
  IndexEntry max = page.entries.back();
  level.add(std::move(page), std::move(max));
  return level.finish();
}

// Children [first, last) as one node: an entry for each but the last, which is the tail.
IndexPage nodeOf(const std::vector<Child>& children, size_t first, size_t last, uint32_t owner) {
  IndexPage node;
  node.leaf = false;
  node.owner = owner;
  for (size_t i = first; i + 1 < last; ++i) {
    node.entries.push_back(nodeEntry(children[i].max, children[i].page));
  }
  node.tail = children[last - 1].page;
  return node;
}

std::vector<Child> storeNodes(Level& level, uint32_t owner, const std::vector<Child>& children) {
  // Where each node's children start: as many as their entries fit, the last being the tail.
  std::vector<size_t> starts{0};
  size_t bytes = 0;
  for (size_t i = 1; i < children.size(); ++i) {
    const size_t entry = children[i - 1].max.size() + indexpage::kChildPageSize;
    if (bytes + entry > indexpage::kEntrySpace) {
      starts.push_back(i);
      bytes = 0;
    } else {
      bytes += entry;
    }
  }
  // A node of a tail alone takes the previous node's tail as an entry.
  if (starts.size() > 1 && starts.back() + 1 == children.size()) --starts.back();
  starts.push_back(children.size());
  for (size_t n = 0; n + 1 < starts.size(); ++n) {
    IndexEntry max = children[starts[n + 1] - 1].max;
    level.add(nodeOf(children, starts[n], starts[n + 1], owner), std::move(max));
  }
  return level.finish();
}

}  // namespace

void buildIndexTree(PageFile& pages, PageAllocator& allocator, uint32_t owner,
                    const RealIndex& index, const GatheredEntries& sorted) {
  if (sorted.empty()) return;
  const std::optional<StoredLeaf> root =
      StoredLeaf::of(pages.read(index.firstPage), index.firstPage);
  if (!root || root->size() != 0) {
    throw Error(ErrorKind::Internal, u"Internal error: index page " + text::num(index.firstPage) +
                                         u" took entries while others were gathered for it");
  }
  Level leaves(pages, allocator, index);
  std::vector<Child> children = storeLeaves(leaves, owner, sorted);
  while (!children.empty()) {
    Level nodes(pages, allocator, index);
    children = storeNodes(nodes, owner, children);
  }
}

}  // namespace jet
