// Jet 4 text: UCS-2 LE, optionally with Jet's unicode compression.
#pragma once

#include "accessorydb/jet/format.h"

namespace jet {

// Decodes a stored text value. A value longer than two bytes that starts with FF FE is compressed:
// one byte per character (U+0001..U+00FF) until a 00 byte switches to two-byte units, the next 00
// back, and so on. Every other value is plain UCS-2 LE. Every UTF-16 unit is kept as stored (also
// U+0000 and lone surrogates); an odd trailing byte of a two-byte run is damage and throws.
text::Text decodeText(ByteView bytes);
// The same into `out`, whose storage is reused (rows read one after another).
void decodeText(ByteView bytes, text::Text& out);

}  // namespace jet
