// A main window created at the debug level over the in-memory platform, with the host folder
// C:\Nordeka\CAD A\ and the package "Pakiet" at hand.
#pragma once

#include <string>
#include <vector>

#include "tests/support/form_fixture.h"
#include "tests/target/target_paths.h"

namespace targettest {

using text::Text;

class TargetTest : public apptest::FormTest {
 protected:
  void SetUp() override {
    fs.args = {u"/debug"};
    form.FormCreate();
    mark();
  }

  // The state the start-up sequence reaches before it looks for the host.
  void packageShown() {
    form.formCover = true;
    form.pack = true;
    form.packageName = u"Pakiet";
  }

  // Forgets the lines logged so far: newLines() gives those logged from here on.
  void mark() { marked_ = memo().size(); }
  std::vector<Text> newLines() const {
    return std::vector<Text>(memo().begin() + static_cast<std::ptrdiff_t>(marked_), memo().end());
  }
  int countNew(const Text& line) const {
    int n = 0;
    for (const auto& l : newLines()) n += l == line;
    return n;
  }

  bool installEnabled() const {
    return window.visible(app::Ctl::bnInstallNormal) && window.enabled(app::Ctl::bnInstallNormal);
  }

 private:
  size_t marked_ = 0;
};

}  // namespace targettest
