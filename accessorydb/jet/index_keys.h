// Index keys as Jet 4 compares them: unsigned byte strings, one part per index column (a leaf
// entry is the key followed by the row id, see index_page.h). This is the engine's one key
// encoder: the catalog writer builds the MSysObjects and MSysACEs keys with it, and row inserts
// into user indexes use it as well.
//
// Text keys follow the column's sort order: "General" (1033, legacy version 0) or French (1036),
// which is General with the accent section read from the end of the text. Each UTF-16 code unit
// has a code in the published General table (general_legacy_codes.inc, generated from the
// transcriptions in tools/index-codes): letters case-blind, accented letters as base letter plus
// an accent code, apostrophe, hyphen and control characters in the "unprintable" section,
// nonspacing marks added to the accent of the letter before them, some characters ignored.
// The codes of U+0000..U+00FF were checked against every text index entry of the Access-made
// sample and field files (whose values hold every character U+0000..U+00FF); those beyond come
// from the published table alone. Trailing spaces are left out of the key, and ß counts as two
// positions in the accent and unprintable sections, as in Access's keys (another writer's keys
// may count it as one: SharpS::OnePosition builds those, for the check). Text the table gives
// no key (surrogates, kana whose code has a part of unknown place, a nonspacing mark with no
// letter before it) and columns of other sort orders are refused with an Error (KeylessText,
// UnencodedSortOrder) rather than written in a wrong order.
#pragma once

#include <cstdint>
#include <optional>
#include <string_view>
#include <vector>

#include "accessorydb/jet/format.h"
#include "accessorydb/jet/tdef.h"
#include "accessorydb/jet/value.h"

namespace jet {

using KeyBytes = std::vector<uint8_t>;

// The key part of a null value.
void appendNullKey(KeyBytes& key, bool ascending);
// Long Integer: big-endian with the sign bit flipped, so negative values sort first.
void appendLongKey(KeyBytes& key, int32_t value, bool ascending);
// The text sort orders the engine encodes.
enum class SortOrder { General, French };
// The sort order of a collation id (a column's or page 0's), or none for one not encoded.
std::optional<SortOrder> encodedSortOrder(uint16_t collation);

// How many positions ß takes in a text key's accent and unprintable sections: two in Access's
// keys, one in those of some other writers.
enum class SharpS { TwoPositions, OnePosition };

// Text in a sort order; at most the first 255 characters count.
void appendTextKey(KeyBytes& key, std::u16string_view value, bool ascending,
                   SortOrder order = SortOrder::General, SharpS sharpS = SharpS::TwoPositions);
// True when appendTextKey can encode the value.
bool textKeyEncodable(std::u16string_view value);
// True when every character of the value has a code shown by Access's own keys (U+0000..U+00FF);
// the codes of the others come from the published table alone.
bool textKeyFromAccessKeys(std::u16string_view value);

// One column's part of a key: Boolean, Byte, Integer, Long Integer, Currency, Single, Double,
// Date/Time and Text columns (and null for any of them but Boolean, which is never null). Throws
// Error for other column types, for a value of another kind than the column's, and for text in
// a sort order the engine does not encode (UnencodedSortOrder).
void appendKeyValue(KeyBytes& key, const ColumnDef& column, const Value& value, bool ascending,
                    SharpS sharpS = SharpS::TwoPositions);

// The key of a row for one real index; `values` holds one value per column in table order.
KeyBytes indexKey(const TableDef& table, const RealIndex& index, const std::vector<Value>& values,
                  SharpS sharpS = SharpS::TwoPositions);
// The same into `key`, replacing its bytes: a caller keying row after row keeps its storage.
void indexKeyInto(KeyBytes& key, const TableDef& table, const RealIndex& index,
                  const std::vector<Value>& values, SharpS sharpS = SharpS::TwoPositions);

}  // namespace jet
