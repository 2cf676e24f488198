// A main window over the in-memory platform, as every test of the window's methods needs it:
// as a gtest fixture, or as a plain object for tests that build several.
#pragma once

#include <gtest/gtest.h>

#include <algorithm>
#include <string>
#include <vector>

#include "app/form1.h"
#include "tests/support/fake_platform.h"
#include "tests/support/utf8_lines.h"

namespace apptest {

using text::Text;

struct Form {
  fake::FakePlatform fs;
  app::WindowModel window;
  app::TForm1 form{fs, window};

  Form() { setScreen(1920, 1080); }
  // A monitor of that size at 96 DPI, its whole area free (no task bar).
  void setScreen(int width, int height) {
    window.setDisplay({{0, 0, width, height}, {0, 0, width, height}});
  }

  const std::vector<Text>& memo() const { return window.memoLines(); }

  // The memo lines from the first one equal to `from` on (all when empty).
  std::vector<Text> memoFrom(const Text& from) const {
    std::vector<Text> out;
    bool on = from.empty();
    for (const auto& l : memo()) {
      if (l == from) on = true;
      if (on) out.push_back(l);
    }
    return out;
  }

  int memoCount(const Text& line) const {
    return static_cast<int>(std::count(memo().begin(), memo().end(), line));
  }
  bool memoHas(const Text& line) const { return memoCount(line) > 0; }
};

class FormTest : public testing::Test, public Form {};

using testsupport::utf8;

}  // namespace apptest
