// Helpers for the writer's tests: databases in shared memory (the test keeps the bytes while the
// engine writes them) and a new accessory database.
#pragma once

#include <cstdint>
#include <memory>
#include <string>
#include <vector>

#include "accessorydb/jet/database.h"
#include "platform/file.h"

namespace jettest {

using SharedBytes = std::shared_ptr<std::vector<uint8_t>>;

// A plat::File over bytes the test also holds.
class SharedFile : public plat::File {
 public:
  explicit SharedFile(SharedBytes bytes) : bytes_(std::move(bytes)) {}
  uint64_t size() override { return bytes_->size(); }
  size_t readAt(uint64_t pos, void* buf, size_t n) override;
  void writeAt(uint64_t pos, const void* buf, size_t n) override;
  void truncate(uint64_t size) override { bytes_->resize(size); }
  void flush() override {}

 private:
  SharedBytes bytes_;
};

// Opens the bytes read-write.
void openShared(jet::Database& db, const SharedBytes& bytes);

// A new, empty accessory database (info_producent and Dodatki) made through the ADOX catalog.
SharedBytes accessoryDatabase();

}  // namespace jettest
