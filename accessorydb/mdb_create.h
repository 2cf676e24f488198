// Creating an empty accessory database "dodatki.mdb" through the engine's ADOX catalog.
#pragma once

#include "platform/log.h"
#include "platform/platform.h"

namespace accessorydb {

using text::Text;

struct Creation {
  enum class Result { Created, Failed };
  Result result = Result::Failed;
  Text cause;  // Failed: the engine's message, or the unexpected error's

  bool created() const { return result == Result::Created; }
};

// Replaces any file at path with a new database holding the accessory tables, empty. A failure
// is logged as important with its cause, and the half-made file is removed.
Creation createDatabase(plat::Platform& platform, const Text& path, const logs::Log& log);

}  // namespace accessorydb
