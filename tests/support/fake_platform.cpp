#include "tests/support/fake_platform.h"

#include <algorithm>
#include <cstring>
#include <stdexcept>

#include "platform/jpeg_size.h"

namespace fake {

namespace {

using plat::Reason;
using plat::Status;

char16_t foldCase(char16_t c) {
  if (c >= u'a' && c <= u'z') return static_cast<char16_t>(c - 0x20);
  // Latin-1 and Latin Extended-A lower case letters used in Polish names.
  if (c >= 0xE0 && c <= 0xFE && c != 0xF7) return static_cast<char16_t>(c - 0x20);
  if (c >= 0x100 && c <= 0x17F && (c & 1)) return static_cast<char16_t>(c - 1);
  return c;
}

std::u16string parentKey(const std::u16string& key) {
  const auto pos = key.rfind(u'\\');
  if (pos == std::u16string::npos) return {};
  return key.substr(0, pos);
}

bool isDriveKey(const std::u16string& key) {
  return key.size() == 2 && key[1] == u':';
}

}  // namespace

std::u16string pathKey(const Text& path) {
  std::u16string out;
  for (size_t i = 0; i < path.size(); ++i) {
    char16_t c = path[i] == u'/' ? u'\\' : path[i];
    // Keep the two leading separators of a network path; collapse all other runs.
    if (c == u'\\' && !out.empty() && out.back() == u'\\' && !(i == 1 && out.size() == 1)) continue;
    out.push_back(foldCase(c));
  }
  while (out.size() > 1 && out.back() == u'\\' && !(out.size() == 2 && out[0] == u'\\')) {
    out.pop_back();
  }
  return out;
}

// The in-memory file over the node's bytes, with the handle counted while it is open, the
// access the file was opened for, and the platform's injected faults.
class FakeFile : public testsupport::MemoryFile {
 public:
  FakeFile(FakePlatform& fs, std::shared_ptr<FakePlatform::Node> node, Text path, bool writable)
      : MemoryFile(node->data),
        fs_(fs),
        node_(std::move(node)),
        path_(std::move(path)),
        writable_(writable) {
    ++node_->openHandles;
    if (writable_) ++node_->openWriters;
  }
  ~FakeFile() override {
    --node_->openHandles;
    if (writable_) --node_->openWriters;
  }

  bool holds(const FakePlatform::Node& node) const { return node_.get() == &node; }

  size_t readAt(uint64_t pos, void* buf, size_t n) override {
    if (fs_.fail(Op::Read, path_)) throw plat::FileError(u"Błąd odczytu pliku `" + path_ + u"`.");
    return MemoryFile::readAt(pos, buf, n);
  }

  void writeAt(uint64_t pos, const void* buf, size_t n) override {
    if (!writable_ || fs_.fail(Op::Write, path_)) {
      throw plat::FileError(u"Błąd zapisu pliku `" + path_ + u"`.");
    }
    MemoryFile::writeAt(pos, buf, n);
  }

  void truncate(uint64_t size) override {
    if (!writable_ || fs_.fail(Op::Truncate, path_)) {
      throw plat::FileError(u"Błąd zapisu pliku `" + path_ + u"`.");
    }
    MemoryFile::truncate(size);
  }

  // As FlushFileBuffers: needs a handle that may write.
  void flush() override {
    if (!writable_ || fs_.fail(Op::FileFlush, path_)) {
      throw plat::FileError(u"Błąd zapisu na dysk pliku `" + path_ + u"`.");
    }
  }

 private:
  FakePlatform& fs_;
  std::shared_ptr<FakePlatform::Node> node_;
  Text path_;
  bool writable_;
};

FakePlatform::FakePlatform() {
  addDrive(u"C:\\");
  mkdirs(cwd);
  mkdirs(tempDir);
}

plat::Status FakePlatform::injected() const {
  return Status::failed(kInjectedReason);
}

std::vector<plat::ProcessEntry> FakePlatform::processes() {
  if (fail(Op::Processes, u"")) {
    throw plat::FileError(u"Nie można odczytać listy uruchomionych programów. " + kInjectedReason);
  }
  return processList;
}

bool FakePlatform::fail(Op op, const Text& path) {
  ++opCount[op];
  opLog.emplace_back(op, path);
  return shouldFail && shouldFail(op, path);
}

void FakePlatform::addDrive(const Text& root) {
  drives_.push_back(root);
  std::sort(drives_.begin(), drives_.end());
  dirs_[pathKey(root)] = text::stripTrailingBackslashes(root);
}

void FakePlatform::mkdirs(const Text& path) {
  const std::u16string key = pathKey(path);
  Text spelled = path;
  for (auto& c : spelled) {
    if (c == u'/') c = u'\\';
  }
  spelled = text::stripTrailingBackslashes(spelled);
  size_t pos = 0;
  while (true) {
    const size_t next = key.find(u'\\', pos);
    const std::u16string part = key.substr(0, next);
    if (!part.empty() && !dirs_.count(part)) {
      dirs_[part] = spelled.substr(0, std::min(spelled.size(), part.size()));
    }
    if (next == std::u16string::npos) break;
    pos = next + 1;
  }
}

void FakePlatform::writeFile(const Text& path, const std::string& bytes) {
  writeFile(path, std::vector<uint8_t>(bytes.begin(), bytes.end()));
}

void FakePlatform::writeFile(const Text& path, const std::vector<uint8_t>& bytes) {
  const std::u16string key = pathKey(path);
  const auto parent = parentKey(key);
  if (!parent.empty() && !dirs_.count(parent)) mkdirs(path.substr(0, path.rfind(u'\\')));
  auto& node = files_[key];
  if (!node) node = std::make_shared<Node>();
  node->name = path;
  *node->data = bytes;
}

std::string FakePlatform::readFile(const Text& path) const {
  const Node* n = findFile(path);
  if (!n) throw std::runtime_error("no such file: " + text::toUtf8(path));
  return std::string(n->data->begin(), n->data->end());
}

void FakePlatform::setReadOnly(const Text& path, bool readOnly) {
  if (Node* n = findFile(path)) n->readOnly = readOnly;
}

void FakePlatform::makeLink(const Text& path) {
  links_.insert(pathKey(path));
}

bool FakePlatform::isLink(const Text& path) {
  if (fail(Op::Attributes, path)) return false;
  return links_.count(pathKey(path)) > 0;
}

void FakePlatform::holdOpen(const Text& path, bool held) {
  if (Node* n = findFile(path)) n->heldByOther = held;
}

std::vector<Text> FakePlatform::listFiles(const Text& dir) const {
  const std::u16string prefix = pathKey(dir) + u"\\";
  std::vector<Text> out;
  for (const auto& [key, node] : files_) {
    if (key.rfind(prefix, 0) == 0) out.push_back(node->name);
  }
  return out;
}

std::vector<Text> FakePlatform::listFolders(const Text& dir) const {
  const std::u16string prefix = pathKey(dir) + u"\\";
  std::vector<Text> out;
  for (const auto& [key, spelled] : dirs_) {
    if (key.rfind(prefix, 0) == 0) out.push_back(spelled);
  }
  return out;
}

FakePlatform::DiskImage FakePlatform::diskImage() const {
  DiskImage image{{}, dirs_};
  for (const auto& [key, node] : files_) {
    if (node->deleteOnClose) continue;
    Node copy = *node;
    copy.data = std::make_shared<testsupport::Bytes>(*node->data);
    copy.openHandles = 0;
    copy.openWriters = 0;
    image.files.emplace(key, std::move(copy));
  }
  return image;
}

void FakePlatform::restoreDisk(const DiskImage& image) {
  files_.clear();
  for (const auto& [key, node] : image.files) {
    auto copy = std::make_shared<Node>(node);
    copy->data = std::make_shared<testsupport::Bytes>(*node.data);
    files_.emplace(key, std::move(copy));
  }
  dirs_ = image.dirs;
}

FakePlatform::Node* FakePlatform::findFile(const Text& path) {
  auto it = files_.find(pathKey(path));
  return it == files_.end() ? nullptr : it->second.get();
}

const FakePlatform::Node* FakePlatform::findFile(const Text& path) const {
  auto it = files_.find(pathKey(path));
  return it == files_.end() ? nullptr : it->second.get();
}

bool FakePlatform::parentExists(const Text& key) const {
  const auto parent = parentKey(key);
  return !parent.empty() && dirs_.count(parent);
}

bool FakePlatform::fileExists(const Text& path) {
  if (fail(Op::Exists, path)) return false;
  return findFile(path) != nullptr;
}

bool FakePlatform::directoryExists(const Text& path) {
  if (fail(Op::Exists, path)) return false;
  return dirs_.count(pathKey(path)) > 0;
}

plat::Status FakePlatform::deleteFile(const Text& path) {
  if (fail(Op::Delete, path)) return injected();
  auto it = files_.find(pathKey(path));
  if (it == files_.end()) {
    return Status::failed(dirs_.count(pathKey(path))    ? Reason::AccessDenied
                          : parentExists(pathKey(path)) ? Reason::FileNotFound
                                                        : Reason::PathNotFound);
  }
  const Node& n = *it->second;
  if (n.readOnly) return Status::failed(Reason::AccessDenied);
  if (n.heldByOther || n.openHandles > 0 || heldBriefly(path)) {
    return Status::failed(Reason::InUse);
  }
  files_.erase(it);
  return Status::done();
}

void FakePlatform::holdBriefly(const Text& path, int attempts) {
  briefHolds_[pathKey(path)] = attempts;
}

bool FakePlatform::heldBriefly(const Text& path) {
  const auto it = briefHolds_.find(pathKey(path));
  if (it == briefHolds_.end() || it->second <= 0) return false;
  --it->second;
  return true;
}

plat::Status FakePlatform::moveFile(const Text& from, const Text& to) {
  return move(from, to, false);
}

plat::Status FakePlatform::replaceFile(const Text& from, const Text& to) {
  return move(from, to, true);
}

plat::Status FakePlatform::move(const Text& from, const Text& to, bool replace) {
  if (fail(Op::Move, from)) return injected();
  const auto src = files_.find(pathKey(from));
  const std::u16string dst = pathKey(to);
  if (src == files_.end()) return Status::failed(Reason::FileNotFound);
  if (dirs_.count(dst)) return Status::failed(Reason::AccessDenied);
  if (!parentExists(dst)) return Status::failed(Reason::PathNotFound);
  if (src->second->heldByOther || src->second->openHandles > 0 || heldBriefly(from)) {
    return Status::failed(Reason::InUse);
  }
  if (const auto old = files_.find(dst); old != files_.end()) {
    const Node& n = *old->second;
    if (!replace || old == src) return Status::failed(Reason::AlreadyExists);
    if (n.readOnly) return Status::failed(Reason::AccessDenied);
    if (n.heldByOther || n.openHandles > 0) return Status::failed(Reason::InUse);
    files_.erase(old);
  }
  auto node = src->second;
  files_.erase(src);
  node->name = to;
  files_[dst] = node;
  return Status::done();
}

plat::Status FakePlatform::createDirectory(const Text& path) {
  if (fail(Op::CreateDir, path)) return injected();
  const std::u16string key = pathKey(path);
  if (dirs_.count(key) || files_.count(key)) return Status::failed(Reason::AlreadyExists);
  if (!parentExists(key)) return Status::failed(Reason::PathNotFound);
  dirs_[key] = text::stripTrailingBackslashes(path);
  return Status::done();
}

void FakePlatform::forceDirectories(const Text& path) {
  const std::u16string key = pathKey(path);
  if (fail(Op::ForceDirs, path))
    throw plat::FileError(u"Nie można utworzyć folderu `" + path + u"`.");
  // A file standing where a folder is wanted blocks it, as on Windows.
  for (std::u16string part = key; !part.empty(); part = parentKey(part)) {
    if (files_.count(part)) throw plat::FileError(u"Nie można utworzyć folderu `" + path + u"`.");
  }
  std::u16string root = key.substr(0, key.find(u'\\'));
  if (!isDriveKey(root) || !dirs_.count(root)) {
    throw plat::FileError(u"Nie można utworzyć folderu `" + path + u"`.");
  }
  mkdirs(path);
}

bool FakePlatform::isDirectoryEmpty(const Text& path) {
  const std::u16string prefix = pathKey(path) + u"\\";
  for (const auto& [key, node] : files_) {
    if (key.rfind(prefix, 0) == 0) return false;
  }
  for (const auto& [key, name] : dirs_) {
    if (key.rfind(prefix, 0) == 0) return false;
  }
  return dirs_.count(pathKey(path)) > 0;
}

plat::Status FakePlatform::removeDirectory(const Text& path) {
  if (fail(Op::RemoveDir, path)) return injected();
  if (!dirs_.count(pathKey(path))) return Status::failed(Reason::FileNotFound);
  if (!isDirectoryEmpty(path)) return Status::failed(Reason::NotEmpty);
  dirs_.erase(pathKey(path));
  return Status::done();
}

bool FakePlatform::isReadOnly(const Text& path) {
  if (fail(Op::Attributes, path)) return false;
  const Node* n = findFile(path);
  return n && n->readOnly;
}

plat::Status FakePlatform::setReadOnlyAttribute(const Text& path, bool readOnly) {
  if (fail(Op::Attributes, path)) return injected();
  Node* n = findFile(path);
  if (!n) return Status::failed(Reason::FileNotFound);
  n->readOnly = readOnly;
  return Status::done();
}

plat::Status FakePlatform::flushToDisk(const Text& path) {
  if (fail(Op::Flush, path)) return injected();
  const Node* n = findFile(path);
  if (!n) return Status::failed(Reason::FileNotFound);
  if (n->readOnly) return Status::failed(Reason::AccessDenied);
  if (n->heldByOther || n->openHandles > 0) return Status::failed(Reason::InUse);
  return Status::done();
}

std::unique_ptr<plat::File> FakePlatform::open(const Text& path, plat::OpenMode mode) {
  if (fail(Op::Open, path)) throw plat::FileError(u"Nie można otworzyć pliku `" + path + u"`.");
  const std::u16string key = pathKey(path);
  auto it = files_.find(key);
  if (mode == plat::OpenMode::Create) {
    if (dirs_.count(key) || !parentExists(key)) {
      throw plat::FileError(u"Nie można utworzyć pliku `" + path + u"`.");
    }
    if (it != files_.end()) {
      Node& n = *it->second;
      if (n.readOnly || n.heldByOther || n.openHandles > 0) {
        throw plat::FileError(u"Brak dostępu do pliku `" + path + u"`.");
      }
      n.data->clear();
    } else {
      auto node = std::make_shared<Node>();
      node->name = path;
      it = files_.emplace(key, node).first;
    }
    return std::make_unique<FakeFile>(*this, it->second, path, true);
  }
  if (it == files_.end()) throw plat::FileError(u"Nie znaleziono pliku `" + path + u"`.");
  const Node& n = *it->second;
  const bool writable = mode == plat::OpenMode::ReadWrite;
  // Every handle shares reading only: a writer needs the file to itself, and a reader needs it
  // free of writers.
  if (writable ? n.readOnly || n.heldByOther || n.openHandles > 0 : n.openWriters > 0) {
    throw plat::FileError(u"Brak dostępu do pliku `" + path + u"`.");
  }
  return std::make_unique<FakeFile>(*this, it->second, path, writable);
}

// A writer's handle on the node keeps every other open, rename and deletion out; the file goes
// with the hold, as Windows deletes a file opened to be deleted on close.
class FakeHeldFile : public plat::HeldFile {
 public:
  FakeHeldFile(FakePlatform& fs, std::shared_ptr<FakePlatform::Node> node, Text path)
      : fs_(fs), handle_(fs, std::move(node), path, true), path_(std::move(path)) {}
  ~FakeHeldFile() override { fs_.forget(path_, handle_); }

 private:
  FakePlatform& fs_;
  FakeFile handle_;
  Text path_;
};

std::unique_ptr<plat::HeldFile> FakePlatform::holdFile(const Text& path) {
  if (fail(Op::Open, path)) throw plat::FileError(u"Nie można utworzyć pliku `" + path + u"`.");
  const std::u16string key = pathKey(path);
  if (dirs_.count(key) || !parentExists(key)) {
    throw plat::FileError(u"Nie można utworzyć pliku `" + path + u"`.");
  }
  auto it = files_.find(key);
  if (it == files_.end()) {
    auto node = std::make_shared<Node>();
    node->name = path;
    it = files_.emplace(key, node).first;
  }
  if (it->second->heldByOther || it->second->openHandles > 0) return nullptr;
  it->second->deleteOnClose = true;
  return std::make_unique<FakeHeldFile>(*this, it->second, path);
}

void FakePlatform::forget(const Text& path, const FakeFile& handle) {
  const auto it = files_.find(pathKey(path));
  if (it != files_.end() && handle.holds(*it->second)) files_.erase(it);
}

std::vector<Text> FakePlatform::subFolders(const Text& dir) {
  const std::u16string prefix = pathKey(dir) + u"\\";
  std::vector<Text> out;
  for (const auto& [key, name] : dirs_) {
    if (key.rfind(prefix, 0) == 0 && key.find(u'\\', prefix.size()) == std::u16string::npos) {
      out.push_back(name.substr(name.rfind(u'\\') + 1));
    }
  }
  return out;
}

std::vector<Text> FakePlatform::filesIn(const Text& dir) {
  const std::u16string prefix = pathKey(dir) + u"\\";
  std::vector<Text> out;
  for (const auto& [key, node] : files_) {
    if (key.rfind(prefix, 0) == 0 && key.find(u'\\', prefix.size()) == std::u16string::npos) {
      out.push_back(node->name.substr(node->name.rfind(u'\\') + 1));
    }
  }
  return out;
}

namespace {

// The figure of dir's drive where a test set one, else the one of every volume.
std::optional<uint64_t> onDrive(const std::map<char16_t, uint64_t>& byDrive, const Text& dir,
                                std::optional<uint64_t> everywhere) {
  if (dir.empty()) return everywhere;
  const char16_t c = dir.front();
  const auto own =
      byDrive.find(c >= u'a' && c <= u'z' ? static_cast<char16_t>(c - u'a' + u'A') : c);
  return own == byDrive.end() ? everywhere : own->second;
}

}  // namespace

std::optional<uint64_t> FakePlatform::freeSpace(const Text& dir) {
  if (!dirs_.count(pathKey(dir))) return std::nullopt;
  return onDrive(freeBytesOnDrive, dir, freeBytes);
}

std::optional<uint64_t> FakePlatform::clusterSize(const Text& dir) {
  if (!dirs_.count(pathKey(dir))) return std::nullopt;
  return onDrive(clusterBytesOnDrive, dir, clusterBytes);
}

std::vector<Text> FakePlatform::logicalDrives() {
  return drives_;
}

plat::Size FakePlatform::pictureSize(const Text& path) {
  const Node* n = findFile(path);
  if (!n) throw text::Error(u"Nie znaleziono pliku `" + path + u"`.");
  const auto info = plat::readJpegInfo(n->data->data(), n->data->size());
  if (!info) throw text::Error(u"Nieprawidłowy plik JPEG: " + path);
  return {info->width, info->height};
}

}  // namespace fake
