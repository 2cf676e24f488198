#include "accessorydb/jet/index_keys.h"

#include <algorithm>
#include <cstring>

namespace jet {

namespace {

constexpr uint8_t kAscendingFlag = 0x7F;
constexpr uint8_t kDescendingFlag = 0x80;
constexpr uint8_t kNullAscending = 0x00;
constexpr uint8_t kNullDescending = 0xFF;

// Text keys: the characters' inline codes, then extra sections (accents, unprintables).
constexpr uint8_t kEndText = 0x01;
constexpr uint8_t kEndExtra = 0x00;
constexpr uint8_t kAccentPlaceholder = 0x02;
constexpr uint8_t kUnprintableMidfix = 0x06;
constexpr uint16_t kUnprintableFlag = 0x8000;

enum CodeKind : uint8_t {
  kIgnored,        // left out of the key altogether
  kSimple,         // inline code bytes only
  kInternational,  // inline code bytes, and one accent byte per letter in the accent section
  kUnprintable,    // no inline code; its position and code go to the unprintable section
  kModifier,       // a nonspacing mark: its code is added to the accent byte of the letter before
  kKana,           // a code with a part whose place in the key is not known: such text is refused
  kNone,           // no code (the surrogates): such text is refused
};

struct CharCode {
  CodeKind kind;
  uint8_t length;  // code bytes; kUnprintable and kModifier have one, their code
  uint8_t code[4];
  uint8_t accents;  // accent bytes, one per letter
  uint8_t accent[2];
};

// Code units from `first` on; see general_legacy_codes.inc.
struct CodeRun {
  char16_t first;
  uint16_t count;
  uint16_t repeat;
  CharCode code;
};

// The codes of U+0000..U+00FF are the ones Access's keys in the sample and field files show (all
// of them, U+0000 left out as Access leaves it out); those of U+0100..U+FFFF come from the
// published table, unchecked on Access's keys.
#include "accessorydb/jet/general_legacy_codes.inc"

constexpr char16_t kLastLatin1 = 0x00FF;
constexpr CharCode kNoCode = {kNone, 0, {}, 0, {}};

// The last one or two code bytes counted up `steps` times, leaving out the values 00 and 01.
void countUp(uint8_t* bytes, uint8_t length, unsigned steps) {
  if (length == 1) {
    bytes[0] = static_cast<uint8_t>(bytes[0] + steps);
    return;
  }
  const unsigned value = bytes[length - 2] * 254u + bytes[length - 1] - 2u + steps;
  bytes[length - 2] = static_cast<uint8_t>(value / 254);
  bytes[length - 1] = static_cast<uint8_t>(value % 254 + 2);
}

CharCode codeOf(char16_t c) {
  if (c <= kLastLatin1) return kLatin1Codes[c];
  const CodeRun* run =
      std::upper_bound(std::begin(kCodeRuns), std::end(kCodeRuns), c,
                       [](char16_t unit, const CodeRun& r) { return unit < r.first; });
  if (run == std::begin(kCodeRuns)) return kNoCode;
  --run;
  const unsigned offset = static_cast<unsigned>(c - run->first);
  if (offset >= run->count) return kNoCode;
  CharCode code = run->code;
  if (const unsigned steps = offset / run->repeat; steps != 0) {
    if (code.kind == kInternational) {
      countUp(code.accent, code.accents, steps);
    } else {
      countUp(code.code, code.length, steps);
    }
  }
  return code;
}

text::Text codePointName(char16_t c) {
  static constexpr char16_t kHex[] = u"0123456789ABCDEF";
  text::Text name = u"U+";
  for (int shift = 12; shift >= 0; shift -= 4) name.push_back(kHex[(c >> shift) & 0xF]);
  return name;
}

// Ligatures key as two letters ("ss"); in the accent and unprintable sections Access counts
// ß as two positions as well (checked on Access's keys of "Nuß-Nougat" and "großmärkte"). A
// character with several accent bytes (Ǣ: AE, each with a macron) takes one position per byte.
constexpr char16_t kSharpS = 0x00DF;
constexpr char16_t kSpace = 0x0020;

size_t positionsOf(char16_t ch, const CharCode& c, SharpS sharpS) {
  if (ch == kSharpS) return sharpS == SharpS::TwoPositions ? 2 : 1;
  return std::max<size_t>(1, c.accents);
}

// The characters a key covers: the first 255, without the trailing spaces Access leaves out.
std::u16string_view keyedPart(std::u16string_view value) {
  value = value.substr(0, std::min(value.size(), kMaxTextKeyChars));
  while (!value.empty() && value.back() == kSpace) value.remove_suffix(1);
  return value;
}

// The text part without flag byte and final 00: inline codes, 01, accents, unprintables. Returns
// the first character it cannot key (`out` is then unfinished): one without a known code, or a
// nonspacing mark with no letter before it to carry it.
std::optional<char16_t> appendTextCodes(KeyBytes& out, std::u16string_view value, SortOrder order,
                                        SharpS sharpS) {
  KeyBytes accents;          // one slot per position up to the last accented one
  KeyBytes unprintable;      // (position, code) of each unprintable character
  size_t pos = 0;            // positions of the characters with inline codes so far
  bool afterLetter = false;  // the last character keyed has inline codes
  for (char16_t ch : keyedPart(value)) {
    const CharCode c = codeOf(ch);
    switch (c.kind) {
      case kIgnored:
        continue;
      case kUnprintable: {
        const uint16_t at = static_cast<uint16_t>((7 + 4 * pos) | kUnprintableFlag);
        unprintable.insert(unprintable.end(),
                           {static_cast<uint8_t>(at >> 8), static_cast<uint8_t>(at),
                            kUnprintableMidfix, c.code[0]});
        afterLetter = false;
        continue;
      }
      case kModifier: {
        if (!afterLetter) return ch;
        accents.resize(pos, kAccentPlaceholder);
        const unsigned sum = accents[pos - 1] + c.code[0];
        if (sum > 0xFF) return ch;
        accents[pos - 1] = static_cast<uint8_t>(sum);
        continue;
      }
      case kSimple:
      case kInternational:
        break;
      case kKana:
      case kNone:
        return ch;
    }
    if (c.accents != 0) {
      accents.resize(pos, kAccentPlaceholder);
      accents.insert(accents.end(), c.accent, c.accent + c.accents);
    }
    out.insert(out.end(), c.code, c.code + c.length);
    pos += positionsOf(ch, c, sharpS);
    afterLetter = true;
  }
  out.push_back(kEndText);
  if (order == SortOrder::French && !accents.empty()) {
    // French compares accents from the end of the text: the same slots, last position first.
    accents.resize(pos, kAccentPlaceholder);
    std::reverse(accents.begin(), accents.end());
  }
  while (!accents.empty() && accents.back() <= kAccentPlaceholder) accents.pop_back();
  out.insert(out.end(), accents.begin(), accents.end());
  if (!unprintable.empty()) {
    out.insert(out.end(), {kEndText, kEndText, kEndText});
    out.insert(out.end(), unprintable.begin(), unprintable.end());
  }
  return std::nullopt;
}

void invertFrom(KeyBytes& key, size_t from) {
  for (size_t i = from; i < key.size(); ++i) key[i] = static_cast<uint8_t>(~key[i]);
}

// A non-null fixed-size part: flag byte, then the bytes (inverted when descending).
void appendPart(KeyBytes& key, std::initializer_list<uint8_t> part, bool ascending) {
  key.push_back(ascending ? kAscendingFlag : kDescendingFlag);
  for (uint8_t b : part) key.push_back(ascending ? b : static_cast<uint8_t>(~b));
}

// Floating point: big-endian bits with the sign flipped, negative numbers wholly inverted, so
// that the bytes sort as the numbers do.
template <typename Bits>
void appendFloatBits(KeyBytes& key, Bits bits, bool ascending) {
  constexpr int kBytes = sizeof(Bits);
  constexpr Bits kSign = Bits{1} << (8 * kBytes - 1);
  bits = (bits & kSign) ? static_cast<Bits>(~bits) : static_cast<Bits>(bits ^ kSign);
  key.push_back(ascending ? kAscendingFlag : kDescendingFlag);
  for (int i = kBytes - 1; i >= 0; --i) {
    const auto b = static_cast<uint8_t>(bits >> (8 * i));
    key.push_back(ascending ? b : static_cast<uint8_t>(~b));
  }
}

Error wrongKind(const ColumnDef& column) {
  return Error(
      ErrorKind::BadValue,
      u"Cannot build an index key: the value for column " + column.name + u" has the wrong type",
      {.column = column.name});
}

Error unencodedSortOrder(const ColumnDef& column) {
  return Error(ErrorKind::UnencodedSortOrder,
               u"Cannot build an index key for column " + column.name + u": its sort order " +
                   text::num(column.sortOrder) + u" is not one this engine encodes",
               {.column = column.name, .value = text::num(column.sortOrder)});
}

template <typename T>
const T& valueAs(const ColumnDef& column, const Value& value) {
  const T* v = std::get_if<T>(&value);
  if (!v) throw wrongKind(column);
  return *v;
}

}  // namespace

void appendNullKey(KeyBytes& key, bool ascending) {
  key.push_back(ascending ? kNullAscending : kNullDescending);
}

void appendLongKey(KeyBytes& key, int32_t value, bool ascending) {
  const uint32_t flipped = static_cast<uint32_t>(value) ^ 0x80000000u;
  appendPart(key,
             {static_cast<uint8_t>(flipped >> 24), static_cast<uint8_t>(flipped >> 16),
              static_cast<uint8_t>(flipped >> 8), static_cast<uint8_t>(flipped)},
             ascending);
}

bool textKeyEncodable(std::u16string_view value) {
  KeyBytes scratch;
  return !appendTextCodes(scratch, value, SortOrder::General, SharpS::TwoPositions);
}

bool textKeyFromAccessKeys(std::u16string_view value) {
  return std::all_of(value.begin(), value.end(), [](char16_t c) { return c <= kLastLatin1; });
}

std::optional<SortOrder> encodedSortOrder(uint16_t collation) {
  switch (collation) {
    case kSortOrderGeneral:
      return SortOrder::General;
    case kSortOrderFrench:
      return SortOrder::French;
    default:
      return std::nullopt;
  }
}

void appendTextKey(KeyBytes& key, std::u16string_view value, bool ascending, SortOrder order,
                   SharpS sharpS) {
  key.push_back(ascending ? kAscendingFlag : kDescendingFlag);
  const size_t from = key.size();
  if (const std::optional<char16_t> ch = appendTextCodes(key, value, order, sharpS)) {
    throw Error(ErrorKind::KeylessText,
                u"Cannot build an index key for the text \"" + text::Text(value) +
                    u"\": its character " + codePointName(*ch) +
                    u" has no known sort-order code there",
                {.value = text::Text(value), .character = codePointName(*ch)});
  }
  if (!ascending) {
    // Descending: one more end byte inside the inverted part, then the plain end byte.
    key.push_back(kEndExtra);
    invertFrom(key, from);
  }
  key.push_back(kEndExtra);
}

void appendKeyValue(KeyBytes& key, const ColumnDef& column, const Value& value, bool ascending,
                    SharpS sharpS) {
  if (column.is(ColumnType::Boolean)) {
    // Yes sorts before No; a Boolean is never null.
    appendPart(key, {valueAs<bool>(column, value) ? uint8_t{0x00} : uint8_t{0xFF}}, ascending);
    return;
  }
  if (isNull(value)) {
    appendNullKey(key, ascending);
    return;
  }
  switch (static_cast<ColumnType>(column.type)) {
    case ColumnType::Byte:
      appendPart(key, {valueAs<uint8_t>(column, value)}, ascending);
      return;
    case ColumnType::Integer: {
      const uint16_t flipped = static_cast<uint16_t>(valueAs<int16_t>(column, value)) ^ 0x8000u;
      appendPart(key, {static_cast<uint8_t>(flipped >> 8), static_cast<uint8_t>(flipped)},
                 ascending);
      return;
    }
    case ColumnType::Long:
      appendLongKey(key, valueAs<int32_t>(column, value), ascending);
      return;
    case ColumnType::Currency: {
      // A 64-bit integer: big-endian with the sign bit flipped.
      const uint64_t flipped =
          static_cast<uint64_t>(valueAs<Currency>(column, value).units) ^ (uint64_t{1} << 63);
      key.push_back(ascending ? kAscendingFlag : kDescendingFlag);
      for (int i = 7; i >= 0; --i) {
        const auto b = static_cast<uint8_t>(flipped >> (8 * i));
        key.push_back(ascending ? b : static_cast<uint8_t>(~b));
      }
      return;
    }
    case ColumnType::Single: {
      uint32_t bits;
      const float f = valueAs<float>(column, value);
      std::memcpy(&bits, &f, sizeof bits);
      appendFloatBits(key, bits, ascending);
      return;
    }
    case ColumnType::Double:
    case ColumnType::DateTime: {
      uint64_t bits;
      const double d = column.is(ColumnType::Double) ? valueAs<double>(column, value)
                                                     : valueAs<DateTime>(column, value).days;
      std::memcpy(&bits, &d, sizeof bits);
      appendFloatBits(key, bits, ascending);
      return;
    }
    case ColumnType::Text: {
      const std::optional<SortOrder> order = encodedSortOrder(column.sortOrder);
      if (!order) throw unencodedSortOrder(column);
      try {
        appendTextKey(key, valueAs<std::u16string>(column, value), ascending, *order, sharpS);
      } catch (const Error& e) {
        if (e.kind() != ErrorKind::KeylessText) throw;
        ErrorArgs args = e.args();
        args.column = column.name;
        throw Error(e.kind(), e.message() + u" (column " + column.name + u")", std::move(args));
      }
      return;
    }
    default:
      throw Error(ErrorKind::Unsupported,
                  u"Cannot build an index key for column " + column.name + u" of type " +
                      text::num(column.type),
                  {.column = column.name});
  }
}

KeyBytes indexKey(const TableDef& table, const RealIndex& index, const std::vector<Value>& values,
                  SharpS sharpS) {
  KeyBytes key;
  indexKeyInto(key, table, index, values, sharpS);
  return key;
}

void indexKeyInto(KeyBytes& key, const TableDef& table, const RealIndex& index,
                  const std::vector<Value>& values, SharpS sharpS) {
  key.clear();
  for (const IndexColumn& ic : index.columns) {
    const ColumnDef* column = table.columnByNumber(ic.columnNumber);
    if (!column) {
      throw Error(ErrorKind::Damaged, u"Damaged database: an index of table " + table.name +
                                          u" names column " + text::num(ic.columnNumber) +
                                          u", which does not exist");
    }
    appendKeyValue(key, *column, values.at(static_cast<size_t>(column - table.columns.data())),
                   ic.ascending, sharpS);
  }
}

}  // namespace jet
