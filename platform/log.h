// The log every step writes to: the levels, and a sink that drops the lines above its level.
// The window shows the lines in its memo and status label; a command-line run may write them
// elsewhere. A step that traces a line per row asks wants(DEBUG) first, so that at the normal
// level no such line is even built.
//
// A record (a log file) may be added: it keeps every line up to DEBUG whatever the sink's level,
// except the lines that compare one row with another, which grow with the square of the rows;
// it gets a line per changed row instead.
#pragma once

#include <cstdint>
#include <functional>
#include <utility>

#include "platform/text.h"

namespace logs {

using text::Text;

// Log levels, in the order of their detail; a sink shows the lines up to its own level.
enum Level : int32_t { NONE = 0, IMPORTANT = 1, DEBUG = 2 };

class Log {
 public:
  using Sink = std::function<void(Level level, const Text& line)>;

  // Writes nothing: for checks that must stay silent.
  Log() = default;
  // Passes the lines up to and including level to sink.
  Log(Level level, Sink sink) : level_(level), sink_(std::move(sink)) {}

  // This log with record receiving its lines too.
  Log withRecord(Sink record) const {
    Log both = *this;
    both.record_ = std::move(record);
    return both;
  }

  bool wants(Level level) const { return shows(level) || (record_ && level <= DEBUG); }
  // Lines carry names from the package archive: a control character in one must not break the
  // line or forge another, so every line is written with its control characters escaped.
  void write(Level level, const Text& line) const {
    if (!shows(level) && !(record_ && level <= DEBUG)) return;
    const Text shown = text::escapeControls(line);
    if (shows(level)) sink_(level, shown);
    if (record_ && level <= DEBUG) record_(level, shown);
  }
  void important(const Text& line) const { write(IMPORTANT, line); }
  void debug(const Text& line) const { write(DEBUG, line); }

  // A debug line comparing two rows: the sink's alone.
  bool wantsComparisons() const { return shows(DEBUG); }
  void comparison(const Text& line) const {
    if (shows(DEBUG)) sink_(DEBUG, text::escapeControls(line));
  }
  // A row posted, updated or deleted: the record's alone.
  bool wantsChanges() const { return static_cast<bool>(record_); }
  void change(const Text& line) const {
    if (record_) record_(DEBUG, text::escapeControls(line));
  }

 private:
  bool shows(Level level) const { return sink_ && level <= level_; }

  Level level_ = NONE;
  Sink sink_;
  Sink record_;
};

}  // namespace logs
