#include "install/install_journal.h"

#include <algorithm>

#include "archive/entry_path.h"

namespace install {

namespace {

constexpr std::string_view kHeader = "install-journal 1";
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

// A path the journal names must stay below the package folder, as the archive's entries must.
Text relativePath(std::string_view utf8) {
  if (!text::isValidUtf8(utf8)) throw notAJournal("path is not UTF-8");
  Text path = text::fromUtf8(utf8);
  if (zipkit::nameFault(path))
    throw notAJournal("path leaves the package folder: " + std::string(utf8));
  return path;
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
  std::string out(kHeader);
  out += "\n";
  out += plan.databaseExisted ? "database present\n" : "database absent\n";
  out += plan.packageFolderCreated ? "package-folder created\n" : "package-folder present\n";
  for (const Text& folder : plan.newFolders) record(out, "folder", folder);
  for (const Text& file : plan.setAside) record(out, "aside", file);
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
  if (lines[0] != kHeader) throw notAJournal("no journal header");
  if (planEnd - lines.begin() < 3) throw notAJournal("plan too short");
  LibraryPlan plan;
  plan.databaseExisted = flag(lines[1], "database", "present", "absent");
  plan.packageFolderCreated = flag(lines[2], "package-folder", "created", "present");
  for (auto it = lines.begin() + 3; it != planEnd; ++it) {
    const std::string_view line = *it;
    const size_t space = line.find(' ');
    const std::string_view kind = line.substr(0, space);
    if (space == std::string_view::npos) throw notAJournal("bad record: " + std::string(line));
    const Text path = relativePath(line.substr(space + 1));
    if (kind == "folder") {
      plan.newFolders.push_back(path);
    } else if (kind == "aside") {
      plan.setAside.push_back(path);
    } else if (kind == "new") {
      plan.newFiles.push_back(path);
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
