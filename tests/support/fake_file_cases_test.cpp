// The shared file and folder cases against the in-memory platform.
#include "tests/support/fake_platform.h"
#include "tests/support/file_cases.h"

namespace {

class FakePlace : public filecases::Place {
 public:
  FakePlace() { fs_.mkdirs(dir()); }
  plat::Platform& platform() override { return fs_; }
  text::Text dir() const override { return u"C:\\Users\\user\\AppData\\Local\\Temp\\test"; }
  void setReadOnly(const text::Text& path, bool on) override { fs_.setReadOnly(path, on); }
  // The fake keeps no hidden or system flag: every file is listed and counted as Windows lists
  // and counts hidden and system files.
  void setHidden(const text::Text&, bool) override {}
  void setSystem(const text::Text&, bool) override {}

 private:
  fake::FakePlatform fs_;
};

}  // namespace

std::unique_ptr<filecases::Place> makePlace() {
  return std::make_unique<FakePlace>();
}
