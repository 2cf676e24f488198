// jet::adox::Catalog: creates a Jet 4 database file and adds tables to it, as ADOX does with
// the Jet 4.0 provider. The catalog keeps the database it created in memory (create_database.h)
// and writes the pages each step changes.
#include <chrono>
#include <optional>

#include "accessorydb/jet/ado.h"
#include "accessorydb/jet/ado_type.h"
#include "accessorydb/jet/connection_string.h"
#include "accessorydb/jet/create_database.h"
#include "accessorydb/jet/create_header.h"

namespace jet::adox {

namespace {

constexpr char16_t kJetProvider[] = u"Microsoft.Jet.OLEDB.4.0";
constexpr char16_t kJet4EngineType[] = u"5";

double now() {
  const auto ms = std::chrono::duration_cast<std::chrono::milliseconds>(
      std::chrono::system_clock::now().time_since_epoch());
  return jetDateFromUnixMillis(ms.count());
}

// The path of a connection string, after checking that it asks for what this engine provides.
Text checkedDataSource(const Text& connectionString, bool creating) {
  const auto props = parseConnectionString(connectionString);
  if (const auto provider = connectionProperty(props, u"Provider")) {
    if (!text::equalsIgnoreAsciiCase(*provider, kJetProvider)) {
      throw Error(ErrorKind::Unsupported,
                  u"Provider " + *provider + u" is not supported; only " + kJetProvider);
    }
  }
  if (const auto engine = connectionProperty(props, u"Jet OLEDB:Engine Type");
      creating && engine && *engine != kJet4EngineType) {
    throw Error(ErrorKind::Unsupported, u"Jet OLEDB:Engine Type=" + *engine +
                                            u" is not supported; only 5 (Jet 4.x databases)");
  }
  if (const auto password = connectionProperty(props, u"Jet OLEDB:Database Password");
      password && !password->empty()) {
    throw Error(ErrorKind::Encrypted, u"Databases with a password are not supported");
  }
  return dataSource(connectionString);
}

Error fileError(const Text& path, const text::Error& e) {
  return Error(ErrorKind::WriteFailed, u"Cannot write the database " + path + u": " + e.message(),
               {.path = path, .cause = e.message()});
}

NewColumn newColumn(const Column& c) {
  NewColumn out;
  out.name = c.Name;
  const std::optional<ColumnType> type = storedType(c.Type);
  if (!type) {
    throw Error(ErrorKind::BadDefinition,
                u"Column '" + c.Name + u"': ADO type " + text::num(c.Type) +
                    u" is not supported (only 3 integer, 11 yes/no and 202 text)",
                {.column = c.Name});
  }
  out.type = *type;
  if (*type == ColumnType::Text) {
    const int32_t size = c.DefinedSize.value_or(0);
    if (size < 0 || size > kMaxTextChars) {
      throw Error(ErrorKind::BadDefinition,
                  u"Column '" + c.Name + u"': a text column holds 1 to " +
                      text::num(kMaxTextChars) + u" characters, not " + text::num(size),
                  {.column = c.Name});
    }
    out.maxChars = static_cast<uint16_t>(storedTextChars(size));
  }
  return out;
}

NewTable newTable(const Table& t) {
  NewTable out;
  out.name = t.Name;
  for (const Column& c : t.Columns) out.columns.push_back(newColumn(c));
  for (const Key& k : t.Keys) {
    if (k.Type != adKeyPrimary) {
      throw Error(ErrorKind::BadDefinition,
                  u"Key '" + k.Name + u"': only primary keys are supported");
    }
    if (out.hasPrimaryKey)
      throw Error(ErrorKind::BadDefinition,
                  u"Table '" + t.Name + u"' has more than one primary key", {.table = t.Name});
    if (k.Columns.size() != 1) {
      throw Error(ErrorKind::BadDefinition,
                  u"Key '" + k.Name + u"': only keys over one column are supported");
    }
    out.hasPrimaryKey = true;
    out.primaryKeyName = k.Name;
    out.primaryKeyColumn = k.Columns.front();
  }
  return out;
}

}  // namespace

struct Catalog::Impl {
  explicit Impl(plat::Platform& platform) : fs(platform) {}

  plat::Platform& fs;
  std::optional<NewDatabase> database;  // what this catalog created
  Text createdPath;
  bool connected = false;

  void writePages(plat::File& file, const NewDatabase& db, const std::vector<uint32_t>& pages) {
    for (uint32_t n : pages) file.writeAt(uint64_t{n} * kPageSize, db.page(n).data(), kPageSize);
  }

  // After a failed append: the pages as they were and the file's old length, so that the append
  // can be tried again. Returns what to add to the append's message.
  Text putBack(plat::File& file, const std::vector<uint32_t>& changed) {
    const NewDatabase& db = *database;
    std::vector<uint32_t> old;
    for (uint32_t n : changed) {
      if (n < db.pageCount()) old.push_back(n);
    }
    try {
      writePages(file, db, old);
      file.truncate(uint64_t{db.pageCount()} * kPageSize);
      file.flush();
      return Text();
    } catch (const text::Error& e) {
      return u"; the file could not be put back (" + e.message() + u") and is no database now";
    }
  }

  // Fails unless the file still holds exactly what this catalog wrote.
  void checkUnchanged(plat::File& file, const std::vector<uint32_t>& pagesToRewrite) {
    const NewDatabase& db = *database;
    bool same = file.size() == uint64_t{db.pageCount()} * kPageSize;
    Page onDisk;
    for (size_t i = 0; same && i < pagesToRewrite.size(); ++i) {
      const uint32_t n = pagesToRewrite[i];
      if (n >= db.pageCount()) continue;
      same = file.readAt(uint64_t{n} * kPageSize, onDisk.data(), kPageSize) == kPageSize &&
             onDisk == db.page(n);
    }
    if (!same) {
      throw Error(ErrorKind::Misuse,
                  u"The database " + createdPath +
                      u" was changed since this catalog created it; no more tables can be added "
                      u"through the catalog");
    }
  }
};

Catalog::Catalog(plat::Platform& fs) : impl_(std::make_unique<Impl>(fs)) {}
Catalog::~Catalog() = default;

void Catalog::Create(const Text& connectionString) {
  const Text path = checkedDataSource(connectionString, true);
  if (impl_->fs.fileExists(path))
    throw Error(ErrorKind::Exists, u"Database already exists: " + path, {.path = path});
  NewDatabase db(now());
  std::vector<uint32_t> all;
  for (uint32_t n = 0; n < db.pageCount(); ++n) all.push_back(n);
  std::unique_ptr<plat::File> file;
  try {
    file = impl_->fs.open(path, plat::OpenMode::Create);
  } catch (const plat::FileError& e) {
    throw Error(ErrorKind::CreateFailed,
                u"Cannot create the database " + path + u": " + e.message(),
                {.path = path, .cause = e.message()});
  }
  try {
    impl_->writePages(*file, db, all);
    file->flush();
  } catch (const plat::FileError& e) {
    file.reset();
    // A partial file is no database; its removal is best effort, and the write error is the
    // cause worth reporting.
    (void)impl_->fs.deleteFile(path);
    throw fileError(path, e);
  }
  impl_->database = std::move(db);
  impl_->createdPath = path;
  impl_->connected = false;
}

void Catalog::setActiveConnection(const Text& connectionString) {
  const Text path = checkedDataSource(connectionString, false);
  if (!impl_->database || !text::equalsIgnoreAsciiCase(path, impl_->createdPath)) {
    throw Error(ErrorKind::Misuse,
                u"Cannot add tables to " + path +
                    u": this catalog adds tables only to the database it created");
  }
  impl_->connected = true;
}

void Catalog::appendTable(const Table& table) {
  if (!impl_->connected) {
    throw Error(ErrorKind::Misuse, u"Operation is not allowed when the object is closed.");
  }
  const NewTable definition = newTable(table);
  NewDatabase next = *impl_->database;
  const std::vector<uint32_t> changed = next.addTable(definition, now());
  const Text& path = impl_->createdPath;
  std::unique_ptr<plat::File> file;
  try {
    file = impl_->fs.open(path, plat::OpenMode::ReadWrite);
    impl_->checkUnchanged(*file, changed);
  } catch (const plat::FileError& e) {
    throw fileError(path, e);
  }
  // Each append is a commit: new pages first, so that the catalog never names a page that is
  // not there yet.
  std::vector<uint32_t> order;
  for (uint32_t n : changed) {
    if (n >= impl_->database->pageCount()) order.push_back(n);
  }
  for (uint32_t n : changed) {
    if (n < impl_->database->pageCount()) order.push_back(n);
  }
  try {
    impl_->writePages(*file, next, order);
    file->flush();
  } catch (const plat::FileError& e) {
    const Error failed = fileError(path, e);
    throw Error(ErrorKind::WriteFailed, failed.message() + impl_->putBack(*file, changed),
                failed.args());
  }
  impl_->database = std::move(next);
}

}  // namespace jet::adox
