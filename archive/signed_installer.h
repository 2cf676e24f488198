// Authenticode signing appends a certificate table to the end of a signed program, after the
// package trailer. This finds where the installer's own layout ends in such a file.
#pragma once

#include <cstdint>

#include "platform/file.h"

namespace layout {

// The end of the installer layout: the start of the certificate table named by the PE header
// when that table ends exactly at the end of the file (less the zero bytes the signer adds to
// align it), else the end of the file.
uint64_t layoutEnd(plat::File& exe);

}  // namespace layout
