// The file and folder cases that the Windows platform (under Wine) and FakePlatform (natively)
// both run, so that the fake the native tests rely on behaves as Windows does. Each test program
// that links file_cases.cpp defines makePlace() for its platform.
#pragma once

#include <memory>

#include "platform/platform.h"

namespace filecases {

using text::Text;

// A platform and an empty folder on it.
class Place {
 public:
  virtual ~Place() = default;
  virtual plat::Platform& platform() = 0;
  // The folder, without a trailing separator.
  virtual Text dir() const = 0;
  Text at(const Text& name) const { return dir() + u"\\" + name; }

  // The attributes the platform interface does not set; a platform without hidden or system
  // files ignores them.
  virtual void setReadOnly(const Text& path, bool on) = 0;
  virtual void setHidden(const Text& path, bool on) = 0;
  virtual void setSystem(const Text& path, bool on) = 0;
  // Windows refuses to open a read-only file for writing. Wine run by root does not, as root may
  // write any Unix file, so a place under it says so and the write refusals are not asked of it.
  virtual bool readOnlyKeepsWritersOut() { return true; }
};

}  // namespace filecases

std::unique_ptr<filecases::Place> makePlace();
