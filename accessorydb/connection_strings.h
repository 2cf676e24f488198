// The connection strings the installer and the tools give the engine for an accessory database.
#pragma once

#include "platform/text.h"

namespace accessorydb {

using text::Text;

// For creating the database at path (Jet 4).
inline Text createConnectionString(const Text& path) {
  return u"Provider=Microsoft.Jet.OLEDB.4.0;Jet OLEDB:Engine Type=5;Data Source=" + path;
}

// For opening the database at path to read and write its tables.
inline Text openConnectionString(const Text& path) {
  return u"Provider=Microsoft.Jet.OLEDB.4.0;Data Source=" + path +
         u";Mode=ReadWrite|Share Deny None;Persist Security Info=False;";
}

}  // namespace accessorydb
