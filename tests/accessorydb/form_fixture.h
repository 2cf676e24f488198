// A main window on the in-memory platform, at the debug level, for the database steps.
#pragma once

#include <gtest/gtest.h>

#include <vector>

#include "app/form1.h"
#include "tests/support/fake_platform.h"

namespace accdbtest {

class FormTest : public testing::Test {
 protected:
  FormTest() {
    fs.mkdirs(u"C:\\P");
    form.log_level = app::DEBUG;
  }
  const std::vector<text::Text>& memo() const { return window.memoLines(); }

  fake::FakePlatform fs;
  app::WindowModel window;
  app::TForm1 form{fs, window};
};

}  // namespace accdbtest
