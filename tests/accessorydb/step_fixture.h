// The in-memory platform and the log a database step writes to, kept as a window would show it:
// every line up to the level, and the last important one as the status label.
#pragma once

#include <gtest/gtest.h>

#include <vector>

#include "platform/log.h"
#include "tests/support/fake_platform.h"

namespace accdbtest {

class StepTest : public testing::Test {
 protected:
  fake::FakePlatform fs;
  logs::Level level = logs::DEBUG;
  std::vector<text::Text> lines;
  text::Text lastImportant;

  logs::Log log() {
    return logs::Log(level, [this](logs::Level lineLevel, const text::Text& line) {
      lines.push_back(line);
      if (lineLevel == logs::IMPORTANT) lastImportant = line;
    });
  }
};

}  // namespace accdbtest
