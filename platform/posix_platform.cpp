#include "platform/posix_platform.h"

#include <dirent.h>
#include <fcntl.h>
#include <sys/file.h>
#include <sys/stat.h>
#include <sys/statvfs.h>
#include <unistd.h>

#include <cerrno>
#include <chrono>
#include <cstring>
#include <ctime>
#include <filesystem>
#include <fstream>
#include <iterator>
#include <thread>
#include <vector>

#include "platform/host_platform.h"
#include "platform/jpeg_size.h"

namespace plat {

namespace {

Text errnoText(const std::string& what, const std::string& path) {
  return text::fromUtf8(what + " " + path + ": " + std::strerror(errno));
}

class PosixFile : public File {
 public:
  PosixFile(int fd, std::string path) : fd_(fd), path_(std::move(path)) {}
  ~PosixFile() override { ::close(fd_); }

  uint64_t size() override {
    struct stat st {};
    if (::fstat(fd_, &st) != 0) throw FileError(errnoText("Cannot query the size of", path_));
    return static_cast<uint64_t>(st.st_size);
  }

  size_t readAt(uint64_t pos, void* buf, size_t n) override {
    size_t done = 0;
    while (done < n) {
      const ssize_t r =
          ::pread(fd_, static_cast<char*>(buf) + done, n - done, static_cast<off_t>(pos + done));
      if (r < 0) {
        if (errno == EINTR) continue;
        throw FileError(errnoText("Cannot read", path_));
      }
      if (r == 0) break;
      done += static_cast<size_t>(r);
    }
    return done;
  }

  void writeAt(uint64_t pos, const void* buf, size_t n) override {
    size_t done = 0;
    while (done < n) {
      const ssize_t w = ::pwrite(fd_, static_cast<const char*>(buf) + done, n - done,
                                 static_cast<off_t>(pos + done));
      if (w < 0) {
        if (errno == EINTR) continue;
        throw FileError(errnoText("Cannot write", path_));
      }
      done += static_cast<size_t>(w);
    }
  }

  void truncate(uint64_t size) override {
    if (::ftruncate(fd_, static_cast<off_t>(size)) != 0) {
      throw FileError(errnoText("Cannot truncate", path_));
    }
  }

  void flush() override {
    if (::fsync(fd_) != 0) throw FileError(errnoText("Cannot flush", path_));
  }

 private:
  int fd_;
  std::string path_;
};

bool statPath(const std::string& p, struct stat& st) {
  return ::stat(p.c_str(), &st) == 0;
}

// The reason errno gives, in the words the Windows platform uses for the same failure.
Status errnoStatus(int code) {
  switch (code) {
    case ENOENT:
      return Status::failed(Reason::FileNotFound);
    case ENOTDIR:
      return Status::failed(Reason::PathNotFound);
    case EACCES:
    case EPERM:
      return Status::failed(Reason::AccessDenied);
    case EBUSY:
    case ETXTBSY:
      return Status::failed(Reason::InUse);
    case EROFS:
      return Status::failed(Reason::WriteProtected);
    case ENOSPC:
    case EDQUOT:
      return Status::failed(Reason::DiskFull);
    case EIO:
      return Status::failed(Reason::WriteFault);
    case EEXIST:
      return Status::failed(Reason::AlreadyExists);
    case ENAMETOOLONG:
    case EINVAL:
      return Status::failed(Reason::InvalidName);
    case ENOTEMPTY:
      return Status::failed(Reason::NotEmpty);
    default:
      return Status::failed(systemErrorText(code));
  }
}

// Done when a POSIX call returned 0, else the failure errno names.
Status statusOf(int result) {
  return result == 0 ? Status::done() : errnoStatus(errno);
}

std::string folderOf(const std::string& path) {
  const size_t slash = path.find_last_of('/');
  if (slash == std::string::npos) return ".";
  return slash == 0 ? "/" : path.substr(0, slash);
}

// A rename is on the disk only once the folders that hold the names are: without this a power
// cut may bring back the old file under the name, or neither.
Status syncFolder(const std::string& folder) {
  const int fd = ::open(folder.c_str(), O_RDONLY | O_DIRECTORY | O_CLOEXEC);
  if (fd < 0) return errnoStatus(errno);
  const Status synced = statusOf(::fsync(fd));
  const Status closed = statusOf(::close(fd));
  return synced ? closed : synced;
}

// rename() and then the sync of the target's folder and, when another, the source's.
Status durableRename(const std::string& from, const std::string& to) {
  if (::rename(from.c_str(), to.c_str()) != 0) return errnoStatus(errno);
  if (const Status synced = syncFolder(folderOf(to)); !synced) return synced;
  if (folderOf(from) == folderOf(to)) return Status::done();
  return syncFolder(folderOf(from));
}

}  // namespace

std::string PosixPlatform::nativePath(const Text& path) {
  std::string p = text::toUtf8(path);
  for (auto& c : p) {
    if (c == '\\') c = '/';
  }
  return p;
}

bool PosixPlatform::fileExists(const Text& path) {
  struct stat st {};
  return statPath(nativePath(path), st) && !S_ISDIR(st.st_mode);
}

bool PosixPlatform::directoryExists(const Text& path) {
  struct stat st {};  // stat follows links, so a link to a folder counts
  return statPath(nativePath(path), st) && S_ISDIR(st.st_mode);
}

// DeleteFileW deletes files only.
Status PosixPlatform::deleteFile(const Text& path) {
  if (directoryExists(path)) return Status::failed(Reason::AccessDenied);
  return statusOf(::unlink(nativePath(path).c_str()));
}

Status PosixPlatform::moveFile(const Text& from, const Text& to) {
  const std::string target = nativePath(to);
  struct stat st {};
  // MoveFileW never replaces.
  if (::lstat(target.c_str(), &st) == 0) return Status::failed(Reason::AlreadyExists);
  return durableRename(nativePath(from), target);
}

Status PosixPlatform::replaceFile(const Text& from, const Text& to) {
  const std::string target = nativePath(to);
  struct stat st {};
  if (::lstat(target.c_str(), &st) == 0 && S_ISDIR(st.st_mode)) {
    return Status::failed(Reason::AccessDenied);
  }
  return durableRename(nativePath(from), target);
}

Status PosixPlatform::createDirectory(const Text& path) {
  return statusOf(::mkdir(nativePath(path).c_str(), 0777));
}

void PosixPlatform::forceDirectories(const Text& path) {
  std::error_code ec;
  std::filesystem::create_directories(nativePath(path), ec);
  if (ec) {
    throw FileError(
        text::fromUtf8("Cannot create folder " + nativePath(path) + ": " + ec.message()));
  }
}

bool PosixPlatform::isDirectoryEmpty(const Text& path) {
  DIR* d = ::opendir(nativePath(path).c_str());
  if (!d) return false;
  bool empty = true;
  while (dirent* e = ::readdir(d)) {
    if (std::strcmp(e->d_name, ".") != 0 && std::strcmp(e->d_name, "..") != 0) {
      empty = false;
      break;
    }
  }
  ::closedir(d);
  return empty;
}

Status PosixPlatform::removeDirectory(const Text& path) {
  return statusOf(::rmdir(nativePath(path).c_str()));
}

// A file its owner may not write stands for Windows' read-only attribute.
bool PosixPlatform::isReadOnly(const Text& path) {
  struct stat st {};
  return statPath(nativePath(path), st) && !S_ISDIR(st.st_mode) && !(st.st_mode & S_IWUSR);
}

Status PosixPlatform::setReadOnlyAttribute(const Text& path, bool readOnly) {
  const std::string p = nativePath(path);
  struct stat st {};
  if (!statPath(p, st)) return errnoStatus(errno);
  if (S_ISDIR(st.st_mode)) return Status::failed(Reason::AccessDenied);
  const mode_t mode =
      readOnly ? st.st_mode & ~mode_t{S_IWUSR | S_IWGRP | S_IWOTH} : st.st_mode | S_IWUSR;
  return statusOf(::chmod(p.c_str(), mode & 07777));
}

namespace {

// The figures of the volume that holds the folder; nothing when the system cannot tell.
std::optional<struct statvfs> volumeOf(const std::string& folder) {
  struct statvfs fs {};
  if (::statvfs(folder.c_str(), &fs) != 0) return std::nullopt;
  return fs;
}

}  // namespace

std::optional<uint64_t> PosixPlatform::freeSpace(const Text& dir) {
  const std::optional<struct statvfs> fs = volumeOf(nativePath(dir));
  if (!fs) return std::nullopt;
  return static_cast<uint64_t>(fs->f_bavail) * fs->f_frsize;
}

std::optional<uint64_t> PosixPlatform::clusterSize(const Text& dir) {
  const std::optional<struct statvfs> fs = volumeOf(nativePath(dir));
  if (!fs || fs->f_frsize == 0) return std::nullopt;
  return static_cast<uint64_t>(fs->f_frsize);
}

Status PosixPlatform::flushToDisk(const Text& path) {
  const int fd = ::open(nativePath(path).c_str(), O_RDWR);
  if (fd < 0) return errnoStatus(errno);
  Status flushed = statusOf(::fsync(fd));
  const Status closed = statusOf(::close(fd));
  return flushed ? closed : flushed;
}

std::unique_ptr<File> PosixPlatform::open(const Text& path, OpenMode mode) {
  const std::string p = nativePath(path);
  int flags = O_RDONLY;
  if (mode == OpenMode::ReadWrite) flags = O_RDWR;
  if (mode == OpenMode::Create) flags = O_RDWR | O_CREAT | O_TRUNC;
  const int fd = ::open(p.c_str(), flags | O_CLOEXEC, 0666);
  if (fd < 0) throw FileError(errnoText("Cannot open", p));
  struct stat st {};
  if (::fstat(fd, &st) == 0 && S_ISDIR(st.st_mode)) {
    ::close(fd);
    errno = EISDIR;
    throw FileError(errnoText("Cannot open", p));
  }
  return std::make_unique<PosixFile>(fd, p);
}

namespace {

// An advisory lock stands in for Windows' sharing: the tools that use this platform all take it.
class PosixHeldFile : public HeldFile {
 public:
  PosixHeldFile(int fd, std::string path) : fd_(fd), path_(std::move(path)) {}
  // Unlinked while still locked, so that no one locks the name before it is gone.
  ~PosixHeldFile() override {
    ::unlink(path_.c_str());
    ::close(fd_);
  }
  PosixHeldFile(const PosixHeldFile&) = delete;
  PosixHeldFile& operator=(const PosixHeldFile&) = delete;

 private:
  int fd_;
  std::string path_;
};

bool sameFile(int fd, const std::string& path) {
  struct stat held {
  }, named{};
  return ::fstat(fd, &held) == 0 && statPath(path, named) && held.st_dev == named.st_dev &&
         held.st_ino == named.st_ino;
}

}  // namespace

std::unique_ptr<HeldFile> PosixPlatform::holdFile(const Text& path) {
  const std::string p = nativePath(path);
  const int fd = ::open(p.c_str(), O_RDWR | O_CREAT | O_CLOEXEC, 0666);
  if (fd < 0) throw FileError(errnoText("Cannot create", p));
  if (::flock(fd, LOCK_EX | LOCK_NB) != 0) {
    const int code = errno;
    ::close(fd);
    if (code == EWOULDBLOCK) return nullptr;
    errno = code;
    throw FileError(errnoText("Cannot lock", p));
  }
  // A holder that let go meanwhile unlinked the name: the lock holds a file nobody can find.
  if (!sameFile(fd, p)) {
    ::close(fd);
    return nullptr;
  }
  return std::make_unique<PosixHeldFile>(fd, p);
}

bool PosixPlatform::isLink(const Text& path) {
  struct stat st {};
  return ::lstat(nativePath(path).c_str(), &st) == 0 && S_ISLNK(st.st_mode);
}

std::vector<Text> PosixPlatform::subFolders(const Text& dir) {
  return entriesOf(dir, /*folders=*/true);
}

std::vector<Text> PosixPlatform::filesIn(const Text& dir) {
  return entriesOf(dir, /*folders=*/false);
}

// The folder's entries of one kind; links count as what they point to.
std::vector<Text> PosixPlatform::entriesOf(const Text& dir, bool folders) {
  std::vector<Text> out;
  const std::string base = nativePath(dir);
  DIR* d = ::opendir(base.c_str());
  if (!d) return out;
  while (dirent* e = ::readdir(d)) {
    if (std::strcmp(e->d_name, ".") == 0 || std::strcmp(e->d_name, "..") == 0) continue;
    struct stat st {};
    if (statPath(base + "/" + e->d_name, st) && S_ISDIR(st.st_mode) == folders) {
      out.push_back(text::fromUtf8(e->d_name));
    }
  }
  ::closedir(d);
  return out;
}

std::vector<Text> PosixPlatform::logicalDrives() {
  return {u"/"};
}

std::vector<ProcessEntry> PosixPlatform::processes() {
  return {};
}

uint32_t PosixPlatform::currentProcessId() {
  return static_cast<uint32_t>(::getpid());
}

Text PosixPlatform::executablePath() {
  std::error_code ec;
  return text::fromUtf8(std::filesystem::read_symlink("/proc/self/exe", ec).string());
}

Text PosixPlatform::currentDirectory() {
  std::error_code ec;
  return text::fromUtf8(std::filesystem::current_path(ec).string());
}

Text PosixPlatform::tempFolder() {
  std::error_code ec;
  std::string dir = std::filesystem::temp_directory_path(ec).string();
  if (ec || dir.empty()) dir = "/tmp";
  if (dir.back() != '/') dir += '/';
  return text::fromUtf8(dir);
}

// The arguments joined by blanks, each quoted, which reads back the same by Windows' rules for
// arguments free of quotes and trailing backslashes.
Text PosixPlatform::commandLine() {
  std::ifstream in("/proc/self/cmdline", std::ios::binary);
  const std::string all((std::istreambuf_iterator<char>(in)), std::istreambuf_iterator<char>());
  Text line;
  size_t start = 0;
  for (size_t i = 0; i < all.size(); ++i) {
    if (all[i] != '\0') continue;
    if (!line.empty()) line += u' ';
    line += u'"' + text::fromUtf8(all.substr(start, i - start)) + u'"';
    start = i + 1;
  }
  return line;
}

void PosixPlatform::pause(unsigned milliseconds) {
  std::this_thread::sleep_for(std::chrono::milliseconds(milliseconds));
}

LocalTime PosixPlatform::localTime() {
  const std::time_t now = std::time(nullptr);
  std::tm t{};
  localtime_r(&now, &t);
  return {t.tm_year + 1900, t.tm_mon + 1, t.tm_mday, t.tm_hour, t.tm_min, t.tm_sec};
}

std::vector<Text> PosixPlatform::commandLineArgs() {
  std::ifstream in("/proc/self/cmdline", std::ios::binary);
  const std::string all((std::istreambuf_iterator<char>(in)), std::istreambuf_iterator<char>());
  std::vector<Text> args;
  size_t start = 0;
  for (size_t i = 0; i < all.size(); ++i) {
    if (all[i] == '\0') {
      args.push_back(text::fromUtf8(all.substr(start, i - start)));
      start = i + 1;
    }
  }
  if (!args.empty()) args.erase(args.begin());
  return args;
}

Size PosixPlatform::pictureSize(const Text& path) {
  auto f = open(path, OpenMode::Read);
  std::vector<uint8_t> head(static_cast<size_t>(std::min<uint64_t>(f->size(), 1 << 20)));
  head.resize(f->readAt(0, head.data(), head.size()));
  const auto info = readJpegInfo(head.data(), head.size());
  if (!info) throw text::Error(u"Nieprawidłowy plik JPEG: " + path);
  return {info->width, info->height};
}

bool PosixPlatform::chooseFolder(Text&) {
  return false;
}

std::unique_ptr<Platform> makeHostPlatform() {
  return std::make_unique<PosixPlatform>();
}

}  // namespace plat
