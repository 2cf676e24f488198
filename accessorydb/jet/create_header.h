// Page 0 of a new Jet 4 database, and the per-file key that masks its security ids (SIDs).
#pragma once

#include <cstdint>
#include <vector>

#include "accessorydb/jet/format.h"
#include "accessorydb/jet/page_file.h"

namespace jet {

// Days since 1899-12-30 (Jet's date/time) of a Unix time in milliseconds.
double jetDateFromUnixMillis(int64_t unixMillis);

// Page 0 as Jet writes it for a new, unencrypted database without a password: code page 1252,
// "General" sort order (1033, legacy), commit slots in their idle state, the given creation date.
// The result is masked, ready to be written.
Page buildHeaderPage(double createdDays);

// The key of the RC4 stream that masks every SID stored in MSysObjects.Owner and MSysACEs.SID:
// folded from the creation date and the password region of page 0 (given as stored, masked).
uint32_t sidMaskKey(const uint8_t* page0);

// Masks a plain SID or unmasks a stored one (the stream restarts for every SID).
std::vector<uint8_t> maskSid(uint32_t key, ByteView sid);

}  // namespace jet
