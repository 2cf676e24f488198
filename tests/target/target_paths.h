// The host folder C:\\Nordeka\\CAD A\\ and the package "Pakiet" the target tests work with.
#pragma once

#include <ostream>
#include <string>
#include <vector>

#include "target/refusal.h"

namespace target {

// Readable failure output for a refusal.
inline void PrintTo(const Refusal& r, std::ostream* os) {
  *os << "reason " << static_cast<int>(r.reason) << ": " << text::toUtf8(r.message);
}

}  // namespace target

namespace targettest {

using text::Text;

inline const Text kHost = u"C:\\Nordeka\\CAD A\\";
inline const Text kPackageFolder = u"C:\\Nordeka\\CAD A\\dodatki\\Pakiet\\";
inline const Text kDatabase = kPackageFolder + u"dodatki.mdb";
inline const Text kSide = kDatabase + u".old";
inline const Text kPackage = u"Pakiet";
inline const Text kHeld = u"Wyłącz program VIRELA i spróbuj ponownie.";

// Readable failure output for UTF-16 lines.
inline std::vector<std::string> utf8(const std::vector<Text>& lines) {
  std::vector<std::string> out;
  for (const auto& l : lines) out.push_back(text::toUtf8(l));
  return out;
}

}  // namespace targettest
