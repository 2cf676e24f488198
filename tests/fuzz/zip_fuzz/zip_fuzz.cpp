// libFuzzer entry: lists and extracts every entry of arbitrary bytes taken as a ZIP archive.
#include "tests/fuzz/zip_fuzz/zip_harness.h"

extern "C" int LLVMFuzzerTestOneInput(const uint8_t* data, size_t size) {
  ziptest::exerciseArchive(data, size);
  return 0;
}
