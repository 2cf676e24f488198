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
  kNone,           // no code known: such text cannot be keyed
  kIgnored,        // left out of the key altogether
  kSimple,         // inline code bytes only
  kInternational,  // inline code of the base letter, accent code in the extra section
  kUnprintable,    // no inline code; its position and code go to the unprintable section
};

struct CharCode {
  CodeKind kind;
  uint8_t length;   // inline code bytes (1 or 2)
  uint8_t code[2];  // kUnprintable: code[0] is the unprintable code
  uint8_t accent;
};

// General (legacy) codes of U+0000..U+00FF, as Jet wrote them into the text index of a value
// holding every character U+0001..U+00FF. U+0000 is left out: Access keys "AA<U+0000>AA" as
// "AAAA".
// clang-format off
constexpr CharCode kCodes[256] = {
    {kIgnored, 0, 0x00, 0x00, 0x00}, {kUnprintable, 0, 0x03, 0x00, 0x00},  // U+0000
    {kUnprintable, 0, 0x04, 0x00, 0x00}, {kUnprintable, 0, 0x05, 0x00, 0x00},  // U+0002
    {kUnprintable, 0, 0x06, 0x00, 0x00}, {kUnprintable, 0, 0x07, 0x00, 0x00},  // U+0004
    {kUnprintable, 0, 0x08, 0x00, 0x00}, {kUnprintable, 0, 0x09, 0x00, 0x00},  // U+0006
    {kUnprintable, 0, 0x0A, 0x00, 0x00}, {kSimple, 2, 0x08, 0x03, 0x00},  // U+0008
    {kSimple, 2, 0x08, 0x04, 0x00}, {kSimple, 2, 0x08, 0x05, 0x00},  // U+000A
    {kSimple, 2, 0x08, 0x06, 0x00}, {kSimple, 2, 0x08, 0x07, 0x00},  // U+000C
    {kUnprintable, 0, 0x0B, 0x00, 0x00}, {kUnprintable, 0, 0x0C, 0x00, 0x00},  // U+000E
    {kUnprintable, 0, 0x0D, 0x00, 0x00}, {kUnprintable, 0, 0x0E, 0x00, 0x00},  // U+0010
    {kUnprintable, 0, 0x0F, 0x00, 0x00}, {kUnprintable, 0, 0x10, 0x00, 0x00},  // U+0012
    {kUnprintable, 0, 0x11, 0x00, 0x00}, {kUnprintable, 0, 0x12, 0x00, 0x00},  // U+0014
    {kUnprintable, 0, 0x13, 0x00, 0x00}, {kUnprintable, 0, 0x14, 0x00, 0x00},  // U+0016
    {kUnprintable, 0, 0x15, 0x00, 0x00}, {kUnprintable, 0, 0x16, 0x00, 0x00},  // U+0018
    {kUnprintable, 0, 0x17, 0x00, 0x00}, {kUnprintable, 0, 0x18, 0x00, 0x00},  // U+001A
    {kUnprintable, 0, 0x19, 0x00, 0x00}, {kUnprintable, 0, 0x1A, 0x00, 0x00},  // U+001C
    {kUnprintable, 0, 0x1B, 0x00, 0x00}, {kUnprintable, 0, 0x1C, 0x00, 0x00},  // U+001E
    {kSimple, 1, 0x07, 0x00, 0x00}, {kSimple, 1, 0x09, 0x00, 0x00},  // U+0020
    {kSimple, 1, 0x0A, 0x00, 0x00}, {kSimple, 1, 0x0C, 0x00, 0x00},  // U+0022
    {kSimple, 1, 0x0E, 0x00, 0x00}, {kSimple, 1, 0x10, 0x00, 0x00},  // U+0024
    {kSimple, 1, 0x12, 0x00, 0x00}, {kUnprintable, 0, 0x80, 0x00, 0x00},  // U+0026
    {kSimple, 1, 0x14, 0x00, 0x00}, {kSimple, 1, 0x16, 0x00, 0x00},  // U+0028
    {kSimple, 1, 0x18, 0x00, 0x00}, {kSimple, 1, 0x2C, 0x00, 0x00},  // U+002A
    {kSimple, 1, 0x1A, 0x00, 0x00}, {kUnprintable, 0, 0x82, 0x00, 0x00},  // U+002C
    {kSimple, 1, 0x1C, 0x00, 0x00}, {kSimple, 1, 0x1E, 0x00, 0x00},  // U+002E
    {kSimple, 1, 0x36, 0x00, 0x00}, {kSimple, 1, 0x38, 0x00, 0x00},  // U+0030
    {kSimple, 1, 0x3A, 0x00, 0x00}, {kSimple, 1, 0x3C, 0x00, 0x00},  // U+0032
    {kSimple, 1, 0x3E, 0x00, 0x00}, {kSimple, 1, 0x40, 0x00, 0x00},  // U+0034
    {kSimple, 1, 0x42, 0x00, 0x00}, {kSimple, 1, 0x44, 0x00, 0x00},  // U+0036
    {kSimple, 1, 0x46, 0x00, 0x00}, {kSimple, 1, 0x48, 0x00, 0x00},  // U+0038
    {kSimple, 1, 0x20, 0x00, 0x00}, {kSimple, 1, 0x22, 0x00, 0x00},  // U+003A
    {kSimple, 1, 0x2E, 0x00, 0x00}, {kSimple, 1, 0x30, 0x00, 0x00},  // U+003C
    {kSimple, 1, 0x32, 0x00, 0x00}, {kSimple, 1, 0x24, 0x00, 0x00},  // U+003E
    {kSimple, 1, 0x26, 0x00, 0x00}, {kSimple, 1, 0x4A, 0x00, 0x00},  // U+0040
    {kSimple, 1, 0x4C, 0x00, 0x00}, {kSimple, 1, 0x4D, 0x00, 0x00},  // U+0042
    {kSimple, 1, 0x4F, 0x00, 0x00}, {kSimple, 1, 0x51, 0x00, 0x00},  // U+0044
    {kSimple, 1, 0x53, 0x00, 0x00}, {kSimple, 1, 0x55, 0x00, 0x00},  // U+0046
    {kSimple, 1, 0x57, 0x00, 0x00}, {kSimple, 1, 0x59, 0x00, 0x00},  // U+0048
    {kSimple, 1, 0x5B, 0x00, 0x00}, {kSimple, 1, 0x5C, 0x00, 0x00},  // U+004A
    {kSimple, 1, 0x5E, 0x00, 0x00}, {kSimple, 1, 0x60, 0x00, 0x00},  // U+004C
    {kSimple, 1, 0x62, 0x00, 0x00}, {kSimple, 1, 0x64, 0x00, 0x00},  // U+004E
    {kSimple, 1, 0x66, 0x00, 0x00}, {kSimple, 1, 0x68, 0x00, 0x00},  // U+0050
    {kSimple, 1, 0x69, 0x00, 0x00}, {kSimple, 1, 0x6B, 0x00, 0x00},  // U+0052
    {kSimple, 1, 0x6D, 0x00, 0x00}, {kSimple, 1, 0x6F, 0x00, 0x00},  // U+0054
    {kSimple, 1, 0x71, 0x00, 0x00}, {kSimple, 1, 0x73, 0x00, 0x00},  // U+0056
    {kSimple, 1, 0x75, 0x00, 0x00}, {kSimple, 1, 0x76, 0x00, 0x00},  // U+0058
    {kSimple, 1, 0x78, 0x00, 0x00}, {kSimple, 1, 0x27, 0x00, 0x00},  // U+005A
    {kSimple, 1, 0x29, 0x00, 0x00}, {kSimple, 1, 0x2A, 0x00, 0x00},  // U+005C
    {kSimple, 2, 0x2B, 0x02, 0x00}, {kSimple, 2, 0x2B, 0x03, 0x00},  // U+005E
    {kSimple, 2, 0x2B, 0x07, 0x00}, {kSimple, 1, 0x4A, 0x00, 0x00},  // U+0060
    {kSimple, 1, 0x4C, 0x00, 0x00}, {kSimple, 1, 0x4D, 0x00, 0x00},  // U+0062
    {kSimple, 1, 0x4F, 0x00, 0x00}, {kSimple, 1, 0x51, 0x00, 0x00},  // U+0064
    {kSimple, 1, 0x53, 0x00, 0x00}, {kSimple, 1, 0x55, 0x00, 0x00},  // U+0066
    {kSimple, 1, 0x57, 0x00, 0x00}, {kSimple, 1, 0x59, 0x00, 0x00},  // U+0068
    {kSimple, 1, 0x5B, 0x00, 0x00}, {kSimple, 1, 0x5C, 0x00, 0x00},  // U+006A
    {kSimple, 1, 0x5E, 0x00, 0x00}, {kSimple, 1, 0x60, 0x00, 0x00},  // U+006C
    {kSimple, 1, 0x62, 0x00, 0x00}, {kSimple, 1, 0x64, 0x00, 0x00},  // U+006E
    {kSimple, 1, 0x66, 0x00, 0x00}, {kSimple, 1, 0x68, 0x00, 0x00},  // U+0070
    {kSimple, 1, 0x69, 0x00, 0x00}, {kSimple, 1, 0x6B, 0x00, 0x00},  // U+0072
    {kSimple, 1, 0x6D, 0x00, 0x00}, {kSimple, 1, 0x6F, 0x00, 0x00},  // U+0074
    {kSimple, 1, 0x71, 0x00, 0x00}, {kSimple, 1, 0x73, 0x00, 0x00},  // U+0076
    {kSimple, 1, 0x75, 0x00, 0x00}, {kSimple, 1, 0x76, 0x00, 0x00},  // U+0078
    {kSimple, 1, 0x78, 0x00, 0x00}, {kSimple, 2, 0x2B, 0x09, 0x00},  // U+007A
    {kSimple, 2, 0x2B, 0x0B, 0x00}, {kSimple, 2, 0x2B, 0x0D, 0x00},  // U+007C
    {kSimple, 2, 0x2B, 0x0F, 0x00}, {kUnprintable, 0, 0x1D, 0x00, 0x00},  // U+007E
    {kUnprintable, 0, 0x1E, 0x00, 0x00}, {kUnprintable, 0, 0x1F, 0x00, 0x00},  // U+0080
    {kUnprintable, 0, 0x20, 0x00, 0x00}, {kUnprintable, 0, 0x21, 0x00, 0x00},  // U+0082
    {kUnprintable, 0, 0x22, 0x00, 0x00}, {kUnprintable, 0, 0x23, 0x00, 0x00},  // U+0084
    {kUnprintable, 0, 0x24, 0x00, 0x00}, {kUnprintable, 0, 0x25, 0x00, 0x00},  // U+0086
    {kUnprintable, 0, 0x26, 0x00, 0x00}, {kUnprintable, 0, 0x27, 0x00, 0x00},  // U+0088
    {kUnprintable, 0, 0x28, 0x00, 0x00}, {kUnprintable, 0, 0x29, 0x00, 0x00},  // U+008A
    {kUnprintable, 0, 0x2A, 0x00, 0x00}, {kUnprintable, 0, 0x2B, 0x00, 0x00},  // U+008C
    {kUnprintable, 0, 0x2C, 0x00, 0x00}, {kUnprintable, 0, 0x2D, 0x00, 0x00},  // U+008E
    {kUnprintable, 0, 0x2E, 0x00, 0x00}, {kUnprintable, 0, 0x2F, 0x00, 0x00},  // U+0090
    {kUnprintable, 0, 0x30, 0x00, 0x00}, {kUnprintable, 0, 0x31, 0x00, 0x00},  // U+0092
    {kUnprintable, 0, 0x32, 0x00, 0x00}, {kUnprintable, 0, 0x33, 0x00, 0x00},  // U+0094
    {kUnprintable, 0, 0x34, 0x00, 0x00}, {kUnprintable, 0, 0x35, 0x00, 0x00},  // U+0096
    {kUnprintable, 0, 0x36, 0x00, 0x00}, {kUnprintable, 0, 0x37, 0x00, 0x00},  // U+0098
    {kUnprintable, 0, 0x38, 0x00, 0x00}, {kUnprintable, 0, 0x39, 0x00, 0x00},  // U+009A
    {kUnprintable, 0, 0x3A, 0x00, 0x00}, {kUnprintable, 0, 0x3B, 0x00, 0x00},  // U+009C
    {kUnprintable, 0, 0x3C, 0x00, 0x00}, {kUnprintable, 0, 0x3D, 0x00, 0x00},  // U+009E
    {kSimple, 2, 0x08, 0x02, 0x00}, {kSimple, 2, 0x2B, 0x10, 0x00},  // U+00A0
    {kSimple, 2, 0x34, 0xA6, 0x00}, {kSimple, 2, 0x34, 0xA7, 0x00},  // U+00A2
    {kSimple, 2, 0x34, 0xA8, 0x00}, {kSimple, 2, 0x34, 0xA9, 0x00},  // U+00A4
    {kSimple, 2, 0x2B, 0x11, 0x00}, {kSimple, 2, 0x34, 0xAA, 0x00},  // U+00A6
    {kSimple, 2, 0x2B, 0x12, 0x00}, {kSimple, 2, 0x34, 0xAB, 0x00},  // U+00A8
    {kInternational, 1, 0x4A, 0x00, 0x03}, {kSimple, 2, 0x33, 0x05, 0x00},  // U+00AA
    {kSimple, 2, 0x34, 0xAC, 0x00}, {kUnprintable, 0, 0x83, 0x00, 0x00},  // U+00AC
    {kSimple, 2, 0x34, 0xAD, 0x00}, {kSimple, 2, 0x2B, 0x13, 0x00},  // U+00AE
    {kSimple, 2, 0x34, 0xAE, 0x00}, {kSimple, 2, 0x33, 0x04, 0x00},  // U+00B0
    {kSimple, 1, 0x3A, 0x00, 0x00}, {kSimple, 1, 0x3C, 0x00, 0x00},  // U+00B2
    {kSimple, 2, 0x2B, 0x14, 0x00}, {kSimple, 2, 0x34, 0xAF, 0x00},  // U+00B4
    {kSimple, 2, 0x34, 0xB0, 0x00}, {kSimple, 2, 0x34, 0xB1, 0x00},  // U+00B6
    {kSimple, 2, 0x2B, 0x15, 0x00}, {kSimple, 1, 0x38, 0x00, 0x00},  // U+00B8
    {kInternational, 1, 0x64, 0x00, 0x03}, {kSimple, 2, 0x33, 0x07, 0x00},  // U+00BA
    {kSimple, 2, 0x37, 0x12, 0x00}, {kSimple, 2, 0x37, 0x16, 0x00},  // U+00BC
    {kSimple, 2, 0x37, 0x1A, 0x00}, {kSimple, 2, 0x2B, 0x16, 0x00},  // U+00BE
    {kInternational, 1, 0x4A, 0x00, 0x0F}, {kInternational, 1, 0x4A, 0x00, 0x0E},  // U+00C0
    {kInternational, 1, 0x4A, 0x00, 0x12}, {kInternational, 1, 0x4A, 0x00, 0x19},  // U+00C2
    {kInternational, 1, 0x4A, 0x00, 0x13}, {kInternational, 1, 0x4A, 0x00, 0x1A},  // U+00C4
    {kSimple, 2, 0x4A, 0x51, 0x00}, {kInternational, 1, 0x4D, 0x00, 0x1C},  // U+00C6
    {kInternational, 1, 0x51, 0x00, 0x0F}, {kInternational, 1, 0x51, 0x00, 0x0E},  // U+00C8
    {kInternational, 1, 0x51, 0x00, 0x12}, {kInternational, 1, 0x51, 0x00, 0x13},  // U+00CA
    {kInternational, 1, 0x59, 0x00, 0x0F}, {kInternational, 1, 0x59, 0x00, 0x0E},  // U+00CC
    {kInternational, 1, 0x59, 0x00, 0x12}, {kInternational, 1, 0x59, 0x00, 0x13},  // U+00CE
    {kInternational, 1, 0x4F, 0x00, 0x68}, {kInternational, 1, 0x62, 0x00, 0x19},  // U+00D0
    {kInternational, 1, 0x64, 0x00, 0x0F}, {kInternational, 1, 0x64, 0x00, 0x0E},  // U+00D2
    {kInternational, 1, 0x64, 0x00, 0x12}, {kInternational, 1, 0x64, 0x00, 0x19},  // U+00D4
    {kInternational, 1, 0x64, 0x00, 0x13}, {kSimple, 2, 0x33, 0x09, 0x00},  // U+00D6
    {kInternational, 1, 0x64, 0x00, 0x21}, {kInternational, 1, 0x6F, 0x00, 0x0F},  // U+00D8
    {kInternational, 1, 0x6F, 0x00, 0x0E}, {kInternational, 1, 0x6F, 0x00, 0x12},  // U+00DA
    {kInternational, 1, 0x6F, 0x00, 0x13}, {kInternational, 1, 0x76, 0x00, 0x0E},  // U+00DC
    {kSimple, 2, 0x6D, 0x57, 0x00}, {kSimple, 2, 0x6B, 0x6B, 0x00},  // U+00DE
    {kInternational, 1, 0x4A, 0x00, 0x0F}, {kInternational, 1, 0x4A, 0x00, 0x0E},  // U+00E0
    {kInternational, 1, 0x4A, 0x00, 0x12}, {kInternational, 1, 0x4A, 0x00, 0x19},  // U+00E2
    {kInternational, 1, 0x4A, 0x00, 0x13}, {kInternational, 1, 0x4A, 0x00, 0x1A},  // U+00E4
    {kSimple, 2, 0x4A, 0x51, 0x00}, {kInternational, 1, 0x4D, 0x00, 0x1C},  // U+00E6
    {kInternational, 1, 0x51, 0x00, 0x0F}, {kInternational, 1, 0x51, 0x00, 0x0E},  // U+00E8
    {kInternational, 1, 0x51, 0x00, 0x12}, {kInternational, 1, 0x51, 0x00, 0x13},  // U+00EA
    {kInternational, 1, 0x59, 0x00, 0x0F}, {kInternational, 1, 0x59, 0x00, 0x0E},  // U+00EC
    {kInternational, 1, 0x59, 0x00, 0x12}, {kInternational, 1, 0x59, 0x00, 0x13},  // U+00EE
    {kInternational, 1, 0x4F, 0x00, 0x68}, {kInternational, 1, 0x62, 0x00, 0x19},  // U+00F0
    {kInternational, 1, 0x64, 0x00, 0x0F}, {kInternational, 1, 0x64, 0x00, 0x0E},  // U+00F2
    {kInternational, 1, 0x64, 0x00, 0x12}, {kInternational, 1, 0x64, 0x00, 0x19},  // U+00F4
    {kInternational, 1, 0x64, 0x00, 0x13}, {kSimple, 2, 0x33, 0x0A, 0x00},  // U+00F6
    {kInternational, 1, 0x64, 0x00, 0x21}, {kInternational, 1, 0x6F, 0x00, 0x0F},  // U+00F8
    {kInternational, 1, 0x6F, 0x00, 0x0E}, {kInternational, 1, 0x6F, 0x00, 0x12},  // U+00FA
    {kInternational, 1, 0x6F, 0x00, 0x13}, {kInternational, 1, 0x76, 0x00, 0x0E},  // U+00FC
    {kSimple, 2, 0x6D, 0x57, 0x00}, {kInternational, 1, 0x76, 0x00, 0x13},  // U+00FE
};
// clang-format on

// Characters beyond Latin-1 have no code: no Access-made key shows theirs.
constexpr CharCode kNoCode = {kNone, 0, 0x00, 0x00, 0x00};

const CharCode& codeOf(char16_t c) {
  return c < 256 ? kCodes[c] : kNoCode;
}

text::Text codePointName(char16_t c) {
  static constexpr char16_t kHex[] = u"0123456789ABCDEF";
  text::Text name = u"U+";
  for (int shift = 12; shift >= 0; shift -= 4) name.push_back(kHex[(c >> shift) & 0xF]);
  return name;
}

// Ligatures key as two letters ("ss"); in the accent and unprintable sections Access counts
// ß as two positions as well (checked on Access's keys of "Nuß-Nougat" and "großmärkte").
constexpr char16_t kSharpS = 0x00DF;
constexpr char16_t kSpace = 0x0020;

// The characters a key covers: the first 255, without the trailing spaces Access leaves out.
std::u16string_view keyedPart(std::u16string_view value) {
  value = value.substr(0, std::min(value.size(), kMaxTextKeyChars));
  while (!value.empty() && value.back() == kSpace) value.remove_suffix(1);
  return value;
}

// The text part without flag byte and final 00: inline codes, 01, accents, unprintables.
void appendTextCodes(KeyBytes& out, std::u16string_view value, SortOrder order, SharpS sharpS) {
  KeyBytes accents;      // one slot per position up to the last accented one
  KeyBytes unprintable;  // (position, code) of each unprintable character
  size_t pos = 0;        // positions of the characters with inline codes so far
  for (char16_t ch : keyedPart(value)) {
    const CharCode& c = codeOf(ch);
    if (c.kind == kNone) {
      throw Error(ErrorKind::KeylessText,
                  u"Cannot build an index key for the text \"" + text::Text(value) +
                      u"\": its character " + codePointName(ch) +
                      u" has no supported sort-order code",
                  {.value = text::Text(value), .character = codePointName(ch)});
    }
    if (c.kind == kIgnored) continue;
    if (c.kind == kUnprintable) {
      const uint16_t at = static_cast<uint16_t>((7 + 4 * pos) | kUnprintableFlag);
      unprintable.insert(
          unprintable.end(),
          {static_cast<uint8_t>(at >> 8), static_cast<uint8_t>(at), kUnprintableMidfix, c.code[0]});
      continue;
    }
    if (c.kind == kInternational) {
      accents.resize(pos, kAccentPlaceholder);
      accents.push_back(c.accent);
    }
    out.insert(out.end(), c.code, c.code + c.length);
    pos += ch == kSharpS && sharpS == SharpS::TwoPositions ? 2 : 1;
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
  return std::all_of(value.begin(), value.end(),
                     [](char16_t c) { return codeOf(c).kind != kNone; });
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
  appendTextCodes(key, value, order, sharpS);
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
  return key;
}

}  // namespace jet
