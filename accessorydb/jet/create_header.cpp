#include "accessorydb/jet/create_header.h"

#include <algorithm>
#include <cstring>

#include "accessorydb/jet/header.h"
#include "accessorydb/jet/rc4.h"

namespace jet {

namespace {

// The SID key folds the low byte of every UCS-2 unit, shifted by its index modulo this.
constexpr unsigned kSidKeyShiftModulus = 24;

}  // namespace

double jetDateFromUnixMillis(int64_t unixMillis) {
  constexpr double kUnixEpochJetDays = 25569;  // 1970-01-01 counted from 1899-12-30
  return kUnixEpochJetDays + static_cast<double>(unixMillis) / 86'400'000.0;
}

Page buildHeaderPage(double createdDays) {
  Page p{};
  p[pagehead::kTypeOffset] = kPageHeader;
  p[pagehead::kMarkerOffset] = pagehead::kMarker;
  std::copy(page0::kJetEngineName.begin(), page0::kJetEngineName.end(),
            p.begin() + page0::kEngineNameOffset);
  p[page0::kVersionOffset] = page0::kVersionJet4;
  std::copy(std::begin(page0::kConstantBlock), std::end(page0::kConstantBlock),
            p.begin() + page0::kConstantBlockOffset);
  putU16le(p.data() + page0::kCodePageOffset, page0::kCodePageWestern);
  // Database key 0 (pages are not encrypted).
  putU32le(p.data() + page0::kEngineBuildOffset, page0::kEngineBuild);
  putU16le(p.data() + page0::kSortOrderOffset, kSortOrderGeneral);
  p[page0::kSortOrderVersionOffset] = kSortOrderVersionLegacy;
  uint64_t dateBits;
  std::memcpy(&dateBits, &createdDays, sizeof dateBits);
  putU64le(p.data() + page0::kCreatedOffset, dateBits);
  togglePasswordMask(p.data());  // an empty password: the area holds only its mask
  putU32le(p.data() + page0::kUnmaskedConstantOffset, page0::kUnmaskedConstant);
  std::copy(page0::kFormatText.begin(), page0::kFormatText.end(),
            p.begin() + page0::kFormatTextOffset);
  for (size_t slot = 0; slot < page0::kCommitSlotCount; ++slot) {
    p[page0::kCommitSlotsOffset + page0::kCommitSlotSize * slot + page0::kCommitStateOffset] =
        page0::kCommitReleased;
  }
  p[page0::kCommitSlotsOffset] = page0::kFirstSlotMark;
  maskHeader(p.data());
  return p;
}

uint32_t sidMaskKey(const uint8_t* page) {
  Page plain;
  std::memcpy(plain.data(), page, kPageSize);
  maskHeader(plain.data());
  togglePasswordMask(plain.data());
  const uint8_t* region = plain.data() + page0::kPasswordOffset;
  // Seeded with the low half of the creation date; folds the low byte of every UCS-2 unit.
  uint32_t key = u32le(plain.data() + page0::kCreatedOffset);
  for (unsigned i = 0; i < page0::kSidKeyRegionSize / kTextCharSize; ++i) {
    key ^= static_cast<uint32_t>(region[kTextCharSize * i]) << (i % kSidKeyShiftModulus);
  }
  return key;
}

std::vector<uint8_t> maskSid(uint32_t key, ByteView sid) {
  std::vector<uint8_t> out = rc4KeyStream(key, sid.size());
  for (size_t i = 0; i < sid.size(); ++i) out[i] ^= sid[i];
  return out;
}

}  // namespace jet
