// libFuzzer target: any bytes opened as a database and read in full must either read or fail
// with a jet::Error; never crash, hang or throw anything else.
#include <cstddef>
#include <cstdint>

#include "tests/jet/jet_test_support.h"

extern "C" int LLVMFuzzerTestOneInput(const uint8_t* data, size_t size) {
  try {
    jettest::readEverything(std::vector<uint8_t>(data, data + size));
  } catch (const jet::Error&) {
  }
  return 0;
}
