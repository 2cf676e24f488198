// The stored column an ADOX column type makes, as the Jet 4.0 provider makes it: the catalog
// creates columns by it, and the package maker's tool checks a package's columns against it.
#pragma once

#include <cstdint>
#include <optional>

#include "accessorydb/jet/ado.h"
#include "accessorydb/jet/create_database.h"
#include "accessorydb/jet/format.h"

namespace jet {

// adInteger: Long, adBoolean: Boolean, adVarWChar: Text; nothing for a type the engine does not
// create.
inline std::optional<ColumnType> storedType(int32_t adoType) {
  switch (adoType) {
    case adInteger:
      return ColumnType::Long;
    case adBoolean:
      return ColumnType::Boolean;
    case adVarWChar:
      return ColumnType::Text;
    default:
      return std::nullopt;
  }
}

// The characters a text column holds: its defined size, or as many as a text column can when it
// has none (or 0), as Jet's TEXT type does.
inline int32_t storedTextChars(std::optional<int32_t> definedSize) {
  const int32_t size = definedSize.value_or(0);
  return size == 0 ? kMaxTextChars : size;
}

}  // namespace jet
