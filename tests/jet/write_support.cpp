#include "tests/jet/write_support.h"

#include <algorithm>
#include <cstring>

#include "accessorydb/mdb_create.h"
#include "tests/support/fake_platform.h"

namespace jettest {

void openShared(jet::Database& db, const SharedBytes& bytes) {
  db.open(std::make_unique<testsupport::MemoryFile>(bytes), false);
}

SharedBytes accessoryDatabase() {
  fake::FakePlatform fs;
  const text::Text path = u"C:\\db\\dodatki.mdb";
  fs.mkdirs(u"C:\\db");
  const accessorydb::Creation made = accessorydb::createDatabase(fs, path, logs::Log());
  if (!made.created()) throw std::runtime_error(text::toUtf8(made.cause));
  const std::string bytes = fs.readFile(path);
  return std::make_shared<std::vector<uint8_t>>(bytes.begin(), bytes.end());
}

std::vector<jet::Value> dodatek(int32_t id, const std::u16string& name, size_t textChars) {
  std::vector<jet::Value> r(27, jet::Null{});
  r[0] = id;
  r[1] = std::u16string(u"Nordeka");
  r[4] = name;
  r[7] = id % 2 == 0;
  if (textChars > 0) r[12] = std::u16string(textChars, static_cast<char16_t>(0x105 + id % 20));
  return r;
}

}  // namespace jettest
