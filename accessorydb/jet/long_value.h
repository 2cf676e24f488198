// Long values (memo and OLE): inline, on one LVAL row, or on a chain of LVAL rows.
#pragma once

#include "accessorydb/jet/format.h"
#include "accessorydb/jet/page_file.h"
#include "accessorydb/jet/value.h"

namespace jet {

// The stored bytes of the long value whose variable slot (12-byte header, then any inline
// data) is `slot`. Throws on a length that disagrees with the bytes, a pointer out of range,
// a chain that loops or ends early.
Bytes readLongValue(PageFile& pages, ByteView slot);

}  // namespace jet
