#include "accessorydb/jet/create_header.h"

#include <cmath>
#include <cstring>

#include "accessorydb/jet/header.h"
#include "accessorydb/jet/rc4.h"

namespace jet {

namespace {

constexpr char kEngineName[] = "Standard Jet DB";  // with its NUL: 16 bytes at 0x04
constexpr size_t kEngineNameOffset = 0x04;
constexpr size_t kVersionOffset = 0x14;
// 0x18..0x2F after unmasking: the same 24 bytes in every Jet 4 file examined; meaning unknown.
constexpr uint8_t kConstantBlock[24] = {0x00, 0x01, 0x00, 0x00, 0x01, 0x01, 0x00, 0x00,
                                        0x02, 0x00, 0x00, 0x00, 0x03, 0x00, 0x00, 0x00,
                                        0x04, 0x00, 0x00, 0x00, 0x05, 0x00, 0x00, 0x00};
constexpr size_t kConstantBlockOffset = 0x18;
constexpr size_t kCodePageOffset = 0x3C;
constexpr uint16_t kCodePageWestern = 1252;
constexpr size_t kPasswordOffset = 0x42;
constexpr size_t kPasswordLength = 40;
// Varies between Jet-made files (4518 … 9756 seen, probably the engine build); Jet's newer
// ADOX-made empty file carries this one.
constexpr size_t kEngineBuildOffset = 0x6A;
constexpr uint32_t kEngineBuild = 0x261C;
constexpr size_t kSortOrderOffset = 0x6E;
constexpr uint16_t kSortOrderGeneral = 1033;
constexpr size_t kSortOrderVersionOffset = 0x71;  // 0: General (legacy), Jet 4's order
constexpr size_t kCreatedOffset = 0x72;
constexpr size_t kUnmaskedConstantOffset = 0x98;  // not masked, meaning unknown
constexpr uint32_t kUnmaskedConstant = 0x654;
constexpr size_t kFormatTextOffset = 0x9C;
constexpr char kFormatText[] = "4.0";
// 256 two-byte commit slots; 01 in every second byte means "no write pending". A file whose
// slots read as busy is refused ("too many active users") or taken for damaged.
constexpr size_t kCommitSlotsOffset = 0xE00;
constexpr size_t kCommitSlots = 256;

constexpr size_t kSidKeyRegionLength = 2 * kPasswordLength;  // 0x42..0x91
constexpr unsigned kSidKeyShiftModulus = 24;

// The password area is XORed with the creation day number (4 little-endian bytes, repeated).
std::array<uint8_t, 4> passwordMask(double createdDays) {
  std::array<uint8_t, 4> mask{};
  if (std::isfinite(createdDays) && std::fabs(createdDays) < 4e9) {
    putU32le(mask.data(), static_cast<uint32_t>(static_cast<int64_t>(std::trunc(createdDays))));
  }
  return mask;
}

}  // namespace

double jetDateFromUnixMillis(int64_t unixMillis) {
  constexpr double kUnixEpochJetDays = 25569;  // 1970-01-01 counted from 1899-12-30
  return kUnixEpochJetDays + static_cast<double>(unixMillis) / 86'400'000.0;
}

Page buildHeaderPage(double createdDays) {
  Page p{};
  p[0] = kPageHeader;
  p[1] = 0x01;
  std::memcpy(p.data() + kEngineNameOffset, kEngineName, sizeof kEngineName);
  p[kVersionOffset] = kVersionJet4;
  std::memcpy(p.data() + kConstantBlockOffset, kConstantBlock, sizeof kConstantBlock);
  putU16le(p.data() + kCodePageOffset, kCodePageWestern);
  // Database key 0 (pages are not encrypted); empty password: the area holds only its mask.
  const auto mask = passwordMask(createdDays);
  for (size_t i = 0; i < kPasswordLength; ++i) p[kPasswordOffset + i] = mask[i % 4];
  putU32le(p.data() + kEngineBuildOffset, kEngineBuild);
  putU16le(p.data() + kSortOrderOffset, kSortOrderGeneral);
  p[kSortOrderVersionOffset] = 0;
  uint64_t dateBits;
  std::memcpy(&dateBits, &createdDays, sizeof dateBits);
  putU64le(p.data() + kCreatedOffset, dateBits);
  putU32le(p.data() + kUnmaskedConstantOffset, kUnmaskedConstant);
  std::memcpy(p.data() + kFormatTextOffset, kFormatText, sizeof kFormatText);
  for (size_t slot = 0; slot < kCommitSlots; ++slot) p[kCommitSlotsOffset + 2 * slot + 1] = 0x01;
  p[kCommitSlotsOffset] = 0x01;
  maskHeader(p.data());
  return p;
}

uint32_t sidMaskKey(const uint8_t* page0) {
  Page plain;
  std::memcpy(plain.data(), page0, kPageSize);
  maskHeader(plain.data());
  const auto mask = passwordMask(f64le(plain.data() + kCreatedOffset));
  uint8_t region[kSidKeyRegionLength];
  std::memcpy(region, plain.data() + kPasswordOffset, kSidKeyRegionLength);
  for (size_t i = 0; i < kPasswordLength; ++i) region[i] ^= mask[i % 4];
  // Seeded with the low half of the creation date; folds the low byte of every UCS-2 unit.
  uint32_t key = u32le(plain.data() + kCreatedOffset);
  for (unsigned i = 0; i < kPasswordLength; ++i) {
    key ^= static_cast<uint32_t>(region[2 * i]) << (i % kSidKeyShiftModulus);
  }
  return key;
}

std::vector<uint8_t> maskSid(uint32_t key, ByteView sid) {
  std::vector<uint8_t> out = rc4KeyStream(key, sid.size());
  for (size_t i = 0; i < sid.size(); ++i) out[i] ^= sid[i];
  return out;
}

}  // namespace jet
