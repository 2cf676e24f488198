#include "tests/jet/write_support.h"

#include <algorithm>
#include <cstring>

#include "accessorydb/accessory_schema.h"
#include "accessorydb/jet/ado.h"
#include "tests/support/fake_platform.h"

namespace jettest {

size_t SharedFile::readAt(uint64_t pos, void* buf, size_t n) {
  if (pos >= bytes_->size()) return 0;
  const size_t got = std::min<uint64_t>(n, bytes_->size() - pos);
  std::memcpy(buf, bytes_->data() + pos, got);
  return got;
}

void SharedFile::writeAt(uint64_t pos, const void* buf, size_t n) {
  if (pos + n > bytes_->size()) bytes_->resize(pos + n);
  std::memcpy(bytes_->data() + pos, buf, n);
}

void openShared(jet::Database& db, const SharedBytes& bytes) {
  db.open(std::make_unique<SharedFile>(bytes), false);
}

SharedBytes accessoryDatabase() {
  fake::FakePlatform fs;
  const text::Text path = u"C:\\db\\dodatki.mdb";
  fs.mkdirs(u"C:\\db");
  jet::adox::Catalog catalog(fs);
  catalog.Create(u"Provider=Microsoft.Jet.OLEDB.4.0;Jet OLEDB:Engine Type=5;Data Source=" + path);
  catalog.setActiveConnection(u"Provider=Microsoft.Jet.OLEDB.4.0;Data Source=" + path);
  for (const accessorydb::TableSchema& schema : accessorydb::accessoryTables()) {
    jet::adox::Table table;
    table.Name = schema.name;
    for (const accessorydb::ColumnSchema& c : schema.columns) {
      table.Columns.push_back({&catalog, c.name, c.type, c.definedSize});
    }
    if (!schema.primaryKeyName.empty()) {
      table.Keys.push_back({schema.primaryKeyName, jet::adKeyPrimary, {schema.primaryKeyColumn}});
    }
    catalog.appendTable(table);
  }
  const std::string bytes = fs.readFile(path);
  return std::make_shared<std::vector<uint8_t>>(bytes.begin(), bytes.end());
}

}  // namespace jettest
