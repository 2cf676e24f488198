#include "tests/accessorydb/test_print.h"

#include <gtest/gtest.h>

#include "accessorydb/jet/value_text.h"

namespace jet {

void PrintTo(const Value& v, std::ostream* os) {
  *os << (isNull(v) ? std::string("null") : '"' + text::toUtf8(valueText(v)) + '"');
}

}  // namespace jet

namespace accdbtest {

void PrintTo(const Content& c, std::ostream* os) {
  const auto print = [os](const char* name, const std::vector<Row>& rows) {
    *os << name << ":";
    for (const Row& r : rows) *os << "\n  " << testing::PrintToString(r);
  };
  print("info_producent", c.producers);
  *os << "\n";
  print("Dodatki", c.items);
}

}  // namespace accdbtest
