// One fuzz input run through the ZIP reader: the bytes become an archive on an in-memory
// platform, every entry is listed and extracted into a scratch folder. Reader errors are the
// expected outcome of most inputs; anything else (a crash, another exception, a file written
// outside the scratch folder) is a fault.
#pragma once

#include <cstddef>
#include <cstdint>

namespace ziptest {

// Returns the number of entries extracted without error; aborts on a broken invariant.
size_t exerciseArchive(const uint8_t* data, size_t size);

}  // namespace ziptest
