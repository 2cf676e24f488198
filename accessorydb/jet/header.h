// Page 0 of a Jet 4 database: format checks and the fields behind the RC4 mask.
#pragma once

#include <array>
#include <cstdint>

#include "accessorydb/jet/format.h"

namespace jet {

struct Header {
  uint8_t version = page0::kVersionJet4;
  uint16_t codePage = 0;
  uint32_t databaseKey = 0;  // 0: pages are not encrypted
  uint16_t sortOrder = 0;    // collation id (1033 "General")
  uint8_t sortOrderVersion = 0;
  double created = 0;   // days since 1899-12-30
  text::Text password;  // empty when the database has none
};

// The fixed RC4 key stream that masks page 0 bytes 0x18..0x97.
const std::array<uint8_t, page0::kMaskLength>& headerMask();
// Toggles the mask in place (the same call masks and unmasks); page0 holds a whole page.
void maskHeader(uint8_t* page0);
// Toggles the password area's own mask, derived from the creation date, in an unmasked page 0:
// an empty password is stored as the mask alone.
void togglePasswordMask(uint8_t* plainPage0);

// Decodes page 0; throws Error for anything that is not an unencrypted Jet 4 database
// (Jet 3, ACE/accdb, another file type, an encrypted database).
Header decodeHeader(const uint8_t* page0);

}  // namespace jet
