// The log every step writes to: the levels, and a sink that drops the lines above its level.
// The window shows the lines in its memo and status label; a command-line run may write them
// elsewhere. A step that traces a line per row asks wants(DEBUG) first, so that at the normal
// level no such line is even built.
#pragma once

#include <cstdint>
#include <functional>
#include <utility>

#include "platform/text.h"

namespace logs {

using text::Text;

// Log levels.
constexpr int32_t NONE = 0;
constexpr int32_t IMPORTANT = 1;
constexpr int32_t DEBUG = 2;

class Log {
 public:
  using Sink = std::function<void(int32_t level, const Text& line)>;

  // Writes nothing: for checks that must stay silent.
  Log() = default;
  // Passes the lines up to and including level to sink.
  Log(int32_t level, Sink sink) : level_(level), sink_(std::move(sink)) {}

  bool wants(int32_t level) const { return sink_ && level <= level_; }
  void write(int32_t level, const Text& line) const {
    if (wants(level)) sink_(level, line);
  }
  void important(const Text& line) const { write(IMPORTANT, line); }
  void debug(const Text& line) const { write(DEBUG, line); }

 private:
  int32_t level_ = NONE;
  Sink sink_;
};

}  // namespace logs
