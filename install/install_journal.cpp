#include "install/install_journal.h"

#include <algorithm>
#include <charconv>
#include <cstdio>

#include "archive/entry_path.h"
#include "archive/package_layout.h"
#include "archive/package_rules.h"

namespace install {

namespace {

// 3: the files set aside lie in folders of 256 ("1\1" ... "1\256", "2\257"). An earlier
// installer wrote 2, with them all in the set-aside folder: its journals are read as they are.
constexpr std::string_view kHeader = "install-journal 3";
constexpr std::string_view kFlatAsideHeader = "install-journal 2";
constexpr std::string_view kPlanEnd = "plan-end";
constexpr std::string_view kCommitted = "committed";
// Far more than the plan of any package; a larger file is no journal of ours.
constexpr uint64_t kMaxJournalSize = uint64_t{64} << 20;

text::Error notAJournal(const std::string& why) {
  return text::Error(u"Uszkodzony dziennik instalacji: " + text::fromUtf8(why));
}

void record(std::string& out, std::string_view kind, const Text& path) {
  out.append(kind).append(" ").append(text::toUtf8(path)).append("\n");
}

// A path the journal names must be one a package may carry below its folder: never the database
// (it has steps of its own) nor the install's own files, never a name Windows may take for
// another file's.
Text relativePath(std::string_view utf8) {
  if (!text::isValidUtf8(utf8)) throw notAJournal("path is not UTF-8");
  Text path = text::fromUtf8(utf8);
  const Text package = u"P";
  const bool database = text::equalsIgnoreAsciiCase(
      path.substr(0, path.find_first_of(pkg::kSeparators)), pkg::kDatabaseName);
  if (database || zipkit::nameFault(path) ||
      !pkg::nameViolations({package + u"\\" + path}, package).empty()) {
    throw notAJournal("path no install writes: " + std::string(utf8));
  }
  return path;
}

std::string identityText(const FileIdentity& identity) {
  char crc[9];
  std::snprintf(crc, sizeof crc, "%08x", static_cast<unsigned>(identity.crc));
  return std::to_string(identity.size) + " " + crc;
}

// "<size> <crc> " at the start of a record's rest, which it drops.
FileIdentity takeIdentity(std::string_view& rest) {
  FileIdentity identity;
  const char* end = rest.data() + rest.size();
  auto [afterSize, sizeError] = std::from_chars(rest.data(), end, identity.size);
  if (sizeError != std::errc() || afterSize == end || *afterSize != ' ') {
    throw notAJournal("bad identity: " + std::string(rest));
  }
  auto [afterCrc, crcError] = std::from_chars(afterSize + 1, end, identity.crc, 16);
  if (crcError != std::errc() || afterCrc - afterSize != 9) {
    throw notAJournal("bad identity: " + std::string(rest));
  }
  rest.remove_prefix(static_cast<size_t>(afterCrc - rest.data()));
  return identity;
}

// The lines of the text; a last line without its line end was cut short and does not count.
std::vector<std::string_view> wholeLines(std::string_view bytes) {
  std::vector<std::string_view> lines;
  for (size_t end; (end = bytes.find('\n')) != std::string_view::npos;) {
    lines.push_back(bytes.substr(0, end));
    bytes.remove_prefix(end + 1);
  }
  return lines;
}

// Either of two words after a key, as a flag.
bool flag(std::string_view line, std::string_view key, std::string_view yes, std::string_view no) {
  if (line == std::string(key) + " " + std::string(yes)) return true;
  if (line == std::string(key) + " " + std::string(no)) return false;
  throw notAJournal("expected " + std::string(key) + ", found " + std::string(line));
}

plat::Status writeAndFlush(plat::Platform& platform, const Text& path, std::string_view bytes,
                           plat::OpenMode mode) {
  try {
    std::unique_ptr<plat::File> file = platform.open(path, mode);
    file->writeAt(mode == plat::OpenMode::Create ? 0 : file->size(), bytes.data(), bytes.size());
    file->flush();
  } catch (const plat::FileError& e) {
    return plat::Status::failed(e.message());
  }
  return platform.flushToDisk(path);
}

}  // namespace

std::string encodeJournal(const LibraryPlan& plan) {
  std::string out(plan.asideFilesPerFolder == 0 ? kFlatAsideHeader : kHeader);
  out += "\n";
  out.append("database ").append(plan.databaseExisted ? "present " : "absent ");
  out.append(identityText(plan.database)).append("\n");
  out += plan.packageFolderCreated ? "package-folder created\n" : "package-folder present\n";
  for (const Text& folder : plan.newFolders) record(out, "folder", folder);
  for (const KeptFile& file : plan.setAside) {
    record(out, "aside", text::fromUtf8(identityText(file.identity)) + u" " + file.path);
  }
  for (const Text& file : plan.newFiles) record(out, "new", file);
  out.append(kPlanEnd).append("\n");
  return out;
}

Journal decodeJournal(std::string_view bytes) {
  const std::vector<std::string_view> lines = wholeLines(bytes);
  Journal journal;
  // A run flushes its whole plan before it changes anything: a plan cut short (torn, or zeros
  // where the system had not yet written the data) changed nothing.
  const auto planEnd = std::find(lines.begin(), lines.end(), kPlanEnd);
  if (planEnd == lines.end()) return journal;
  LibraryPlan plan;
  if (lines[0] == kFlatAsideHeader) {
    plan.asideFilesPerFolder = 0;
  } else if (lines[0] != kHeader) {
    throw notAJournal("no journal header");
  }
  if (planEnd - lines.begin() < 3) throw notAJournal("plan too short");
  std::string_view database = lines[1];
  const size_t stateEnd = database.find(' ', database.find(' ') + 1);
  plan.databaseExisted = flag(database.substr(0, stateEnd), "database", "present", "absent");
  if (stateEnd == std::string_view::npos) throw notAJournal("no database identity");
  database.remove_prefix(stateEnd + 1);
  plan.database = takeIdentity(database);
  if (!database.empty()) throw notAJournal("bad database line: " + std::string(lines[1]));
  plan.packageFolderCreated = flag(lines[2], "package-folder", "created", "present");
  for (auto it = lines.begin() + 3; it != planEnd; ++it) {
    const std::string_view line = *it;
    const size_t space = line.find(' ');
    const std::string_view kind = line.substr(0, space);
    if (space == std::string_view::npos) throw notAJournal("bad record: " + std::string(line));
    std::string_view rest = line.substr(space);
    if (kind == "folder") {
      plan.newFolders.push_back(relativePath(rest.substr(1)));
    } else if (kind == "aside") {
      rest.remove_prefix(1);
      const FileIdentity identity = takeIdentity(rest);
      if (rest.empty()) throw notAJournal("record without a path: " + std::string(line));
      plan.setAside.push_back({relativePath(rest.substr(1)), identity});
    } else if (kind == "new") {
      plan.newFiles.push_back(relativePath(rest.substr(1)));
    } else {
      throw notAJournal("bad record: " + std::string(line));
    }
  }
  journal.plan = std::move(plan);
  // Only a whole commit record counts; anything after the plan's end is otherwise torn.
  const auto after = planEnd + 1;
  journal.committed = after != lines.end() && *after == kCommitted;
  return journal;
}

plat::Status writeJournal(plat::Platform& platform, const Text& path, const LibraryPlan& plan) {
  return writeAndFlush(platform, path, encodeJournal(plan), plat::OpenMode::Create);
}

plat::Status commitJournal(plat::Platform& platform, const Text& path) {
  return writeAndFlush(platform, path, std::string(kCommitted) + "\n", plat::OpenMode::ReadWrite);
}

Journal readJournal(plat::Platform& platform, const Text& path) {
  std::unique_ptr<plat::File> file = platform.open(path, plat::OpenMode::Read);
  const uint64_t size = file->size();
  if (size > kMaxJournalSize) throw notAJournal("file too large");
  std::string bytes(static_cast<size_t>(size), '\0');
  bytes.resize(file->readAt(0, bytes.data(), bytes.size()));
  return decodeJournal(bytes);
}

}  // namespace install
