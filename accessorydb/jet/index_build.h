// Storing a whole index tree at once from its entries in ascending order, as an index gathered
// in memory is stored (see IndexTree): leaves filled in key order and chained, then node levels
// until one page is left, which becomes the root on the index's own root page. Nodes name their
// last child as their tail, as the tree's splits leave them, so later inserts go on as usual.
#pragma once

#include <cstdint>

#include "accessorydb/jet/gathered_entries.h"
#include "accessorydb/jet/page_allocator.h"
#include "accessorydb/jet/tdef.h"

namespace jet {

// `sorted` must be sorted; the index's root page must be a leaf without entries (throws Error
// otherwise). New pages are taken from `allocator` and entered into the index's usage map.
void buildIndexTree(PageFile& pages, PageAllocator& allocator, uint32_t owner,
                    const RealIndex& index, const GatheredEntries& sorted);

}  // namespace jet
