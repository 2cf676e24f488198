// OLE DB connection strings as the Jet provider takes them: "Key=Value;Key=Value", keys
// case-insensitive and trimmed, values trimmed and optionally quoted with " or '.
#pragma once

#include <optional>
#include <string_view>
#include <vector>

#include "accessorydb/jet/error.h"

namespace jet {

using text::Text;

struct ConnectionProperty {
  Text key;
  Text value;
};

// Throws Error for a string that is not a list of key=value pairs.
std::vector<ConnectionProperty> parseConnectionString(const Text& connectionString);
// The value of a key (the last one when it repeats), or nothing.
std::optional<Text> connectionProperty(const std::vector<ConnectionProperty>& properties,
                                       std::u16string_view key);

}  // namespace jet
