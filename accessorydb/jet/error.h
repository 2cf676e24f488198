// The engine's one exception type.
#pragma once

#include "platform/text.h"

namespace jet {

// What failed, so that a caller can word it in its own language; the English message stays for
// the engine's own tools.
enum class ErrorKind {
  Damaged,             // the file's bytes contradict the format
  NotJet4,             // not a Jet 4 database: too short, no signature, another version
  Encrypted,           // encrypted, or opened with a password
  Unsupported,         // a setting or a value this engine does not read or write (`column` if any)
  TooLarge,            // the file or a definition outgrows the format's limits
  OpenFailed,          // `path` could not be opened; `cause` is the file error's message
  CreateFailed,        // `path` could not be created; `cause`
  WriteFailed,         // `path` could not be written; `cause`
  Exists,              // `path` already exists
  ReadOnly,            // the database (or `table`) is open read-only
  NoTable,             // `table` is not in the database
  NoColumn,            // `table` has no `column`
  MissingValue,        // `table` needs a value in `column`
  DuplicateKey,        // `table` already has a row with that key (`value`: "column = value, ...")
  BadValue,            // the value for `column` does not suit its type
  OutOfRange,          // the value for `column` is out of its type's range
  TooLong,             // the value for `column` is too long
  RowTooLong,          // a row does not fit a page of `table`
  KeyTooLarge,         // the index key of row `value` ("ID = 4", or "#18" without a primary
                       // key) is too large for an index page of `table`, most of it `column`'s
  KeylessText,         // text `value` (of `column`) has `character` ("U+0142"), whose key in
                       // the sort order the engine does not know
  UnencodedSortOrder,  // `table` (or `column`) keys text in sort order `value`, which the
                       // engine does not encode
  BadDefinition,       // a new table (`table`) or column (`column`) breaks the format's rules
  Misuse,              // the caller used an object out of order (not open, no current row)
  Internal,            // the engine's own fault
};

// The named parts of a message; each kind uses the ones its comment names.
struct ErrorArgs {
  text::Text path = {};
  text::Text table = {};
  text::Text column = {};
  text::Text value = {};
  text::Text cause = {};
  text::Text character = {};
};

// Every engine failure; the message names the cause in English, the kind and its arguments say
// the same for callers that word it themselves.
class Error : public text::Error {
 public:
  Error(ErrorKind kind, text::Text message, ErrorArgs args = {})
      : text::Error(std::move(message)), kind_(kind), args_(std::move(args)) {}
  ErrorKind kind() const { return kind_; }
  const ErrorArgs& args() const { return args_; }

 private:
  ErrorKind kind_;
  ErrorArgs args_;
};

}  // namespace jet
