// A column value read as text, the way an ADO field converts it: null -> empty text, numbers
// as decimal digits, yes/no as "True"/"False".
#pragma once

#include "accessorydb/jet/value.h"

namespace jet {

text::Text valueText(const Value& v);

}  // namespace jet
