#include "platform/win32/win32_platform.h"

#include <windows.h>
// windows.h first: these rely on its types.
#include <shellapi.h>
#include <tlhelp32.h>

#include <cwchar>

#include "platform/host_platform.h"
#include "platform/win32/gdiplus_include.h"
#include "platform/win32/win32_file.h"
#include "platform/win32/win_error.h"

namespace plat::win32 {

namespace {

// The record size the process walk announces to Tool Help: 556 bytes in a 32-bit program, 568
// in a 64-bit one (its th32DefaultHeapID is pointer-sized and the record is 8-byte aligned).
static_assert(sizeof(PROCESSENTRY32W) == (sizeof(void*) == 4 ? 556 : 568));

bool endsWithSeparator(const Text& path) {
  return !path.empty() && (path.back() == u'\\' || path.back() == u'/');
}

// Listing pattern for every entry of a folder.
Text allEntries(const Text& dir) {
  return dir + (endsWithSeparator(dir) ? u"*" : u"\\*");
}

bool isDotEntry(const WIN32_FIND_DATAW& e) {
  return std::wcscmp(e.cFileName, L".") == 0 || std::wcscmp(e.cFileName, L"..") == 0;
}

// Calls visit for every entry of the folder except "." and ".."; stops when visit returns
// false. A folder that cannot be listed has no entries.
template <typename Visit>
void forEachEntry(const Text& dir, Visit visit) {
  WIN32_FIND_DATAW e{};
  const HANDLE h = FindFirstFileW(widePath(allEntries(dir)), &e);
  if (h == INVALID_HANDLE_VALUE) return;
  do {
    if (!isDotEntry(e) && !visit(e)) break;
  } while (FindNextFileW(h, &e));
  FindClose(h);
}

// A link's attributes describe the link; opening it reaches its target.
bool linkTargetExists(const Text& path) {
  const HANDLE h =
      CreateFileW(widePath(path), 0, FILE_SHARE_READ | FILE_SHARE_WRITE | FILE_SHARE_DELETE,
                  nullptr, OPEN_EXISTING, FILE_FLAG_BACKUP_SEMANTICS, nullptr);
  if (h == INVALID_HANDLE_VALUE) return false;
  CloseHandle(h);
  return true;
}

// Calls a W function that fills a buffer of a given size and returns the length it needs.
template <typename Fill>
Text grownBuffer(Fill fill) {
  std::wstring buf(MAX_PATH, L'\0');
  for (;;) {
    const DWORD n = fill(buf.data(), static_cast<DWORD>(buf.size()));
    if (n == 0) return {};
    if (n < buf.size()) return fromWide(buf.data(), n);
    buf.resize(buf.size() * 2);
  }
}

}  // namespace

bool Win32Platform::fileExists(const Text& path) {
  const DWORD a = GetFileAttributesW(widePath(path));
  return a != INVALID_FILE_ATTRIBUTES && !(a & FILE_ATTRIBUTE_DIRECTORY);
}

bool Win32Platform::directoryExists(const Text& path) {
  const DWORD a = GetFileAttributesW(widePath(path));
  if (a == INVALID_FILE_ATTRIBUTES || !(a & FILE_ATTRIBUTE_DIRECTORY)) return false;
  return !(a & FILE_ATTRIBUTE_REPARSE_POINT) || linkTargetExists(path);
}

Status Win32Platform::deleteFile(const Text& path) {
  return statusOf(DeleteFileW(widePath(path)));
}

// Write-through: the rename is on the disk when the call returns, as the flushed data it puts
// in place are. COPY_ALLOWED keeps MoveFileW's move across volumes.
Status Win32Platform::moveFile(const Text& from, const Text& to) {
  return statusOf(
      MoveFileExW(widePath(from), widePath(to), MOVEFILE_COPY_ALLOWED | MOVEFILE_WRITE_THROUGH));
}

Status Win32Platform::replaceFile(const Text& from, const Text& to) {
  return statusOf(MoveFileExW(widePath(from), widePath(to),
                              MOVEFILE_REPLACE_EXISTING | MOVEFILE_WRITE_THROUGH));
}

Status Win32Platform::createDirectory(const Text& path) {
  return statusOf(CreateDirectoryW(widePath(path), nullptr));
}

void Win32Platform::forceDirectories(const Text& path) {
  const Text dir = text::stripTrailingBackslashes(path);
  if (dir.empty() || directoryExists(dir)) return;
  const size_t cut = dir.find_last_of(u'\\');
  if (cut != Text::npos && cut > 0) forceDirectories(dir.substr(0, cut));
  if (!CreateDirectoryW(widePath(dir), nullptr)) {
    const DWORD code = GetLastError();
    if (code == ERROR_ALREADY_EXISTS && directoryExists(dir)) return;
    throw FileError(failureText(u"Nie można utworzyć folderu", dir, code));
  }
}

bool Win32Platform::isDirectoryEmpty(const Text& path) {
  if (!directoryExists(path)) return false;
  bool empty = true;
  forEachEntry(path, [&](const WIN32_FIND_DATAW&) { return empty = false; });
  return empty;
}

Status Win32Platform::removeDirectory(const Text& path) {
  return statusOf(RemoveDirectoryW(widePath(path)));
}

bool Win32Platform::isReadOnly(const Text& path) {
  const DWORD a = GetFileAttributesW(widePath(path));
  return a != INVALID_FILE_ATTRIBUTES && (a & FILE_ATTRIBUTE_READONLY);
}

Status Win32Platform::setReadOnlyAttribute(const Text& path, bool readOnly) {
  const DWORD a = GetFileAttributesW(widePath(path));
  if (a == INVALID_FILE_ATTRIBUTES) return lastErrorStatus();
  if (a & FILE_ATTRIBUTE_DIRECTORY) return Status::failed(Reason::AccessDenied);
  // NORMAL stands alone: it is dropped beside another attribute and given when none is left.
  const DWORD others = a & ~DWORD{FILE_ATTRIBUTE_READONLY | FILE_ATTRIBUTE_NORMAL};
  DWORD wanted = readOnly ? others | FILE_ATTRIBUTE_READONLY : others;
  if (wanted == 0) wanted = FILE_ATTRIBUTE_NORMAL;
  return statusOf(SetFileAttributesW(widePath(path), wanted));
}

// FlushFileBuffers needs a handle that may write.
Status Win32Platform::flushToDisk(const Text& path) {
  const HANDLE h = CreateFileW(widePath(path), GENERIC_WRITE, FILE_SHARE_READ, nullptr,
                               OPEN_EXISTING, FILE_ATTRIBUTE_NORMAL, nullptr);
  if (h == INVALID_HANDLE_VALUE) return lastErrorStatus();
  Status flushed = statusOf(FlushFileBuffers(h));
  CloseHandle(h);
  return flushed;
}

std::unique_ptr<File> Win32Platform::open(const Text& path, OpenMode mode) {
  return openFile(path, mode);
}

namespace {

// Sharing nothing keeps every other open, rename and deletion out; deleting on close lets the
// file go however the process ends.
class Win32HeldFile : public HeldFile {
 public:
  explicit Win32HeldFile(HANDLE handle) : handle_(handle) {}
  ~Win32HeldFile() override { CloseHandle(handle_); }
  Win32HeldFile(const Win32HeldFile&) = delete;
  Win32HeldFile& operator=(const Win32HeldFile&) = delete;

 private:
  HANDLE handle_;
};

}  // namespace

std::unique_ptr<HeldFile> Win32Platform::holdFile(const Text& path) {
  const HANDLE h =
      CreateFileW(widePath(path), GENERIC_READ | GENERIC_WRITE, 0, nullptr, OPEN_ALWAYS,
                  FILE_ATTRIBUTE_NORMAL | FILE_FLAG_DELETE_ON_CLOSE, nullptr);
  if (h != INVALID_HANDLE_VALUE) return std::make_unique<Win32HeldFile>(h);
  const DWORD code = GetLastError();
  if (code == ERROR_SHARING_VIOLATION) return nullptr;
  throw FileError(failureText(u"Nie można utworzyć pliku", path, code));
}

// The attribute describes the entry itself: a link is never followed here.
bool Win32Platform::isLink(const Text& path) {
  const DWORD attributes = GetFileAttributesW(widePath(path));
  return attributes != INVALID_FILE_ATTRIBUTES && (attributes & FILE_ATTRIBUTE_REPARSE_POINT);
}

std::vector<Text> Win32Platform::subFolders(const Text& dir) {
  std::vector<Text> out;
  forEachEntry(dir, [&](const WIN32_FIND_DATAW& e) {
    if (e.dwFileAttributes & FILE_ATTRIBUTE_DIRECTORY) out.push_back(fromWide(e.cFileName));
    return true;
  });
  return out;
}

std::vector<Text> Win32Platform::filesIn(const Text& dir) {
  std::vector<Text> out;
  forEachEntry(dir, [&](const WIN32_FIND_DATAW& e) {
    if (!(e.dwFileAttributes & FILE_ATTRIBUTE_DIRECTORY)) out.push_back(fromWide(e.cFileName));
    return true;
  });
  return out;
}

std::vector<Text> Win32Platform::logicalDrives() {
  const DWORD need = GetLogicalDriveStringsW(0, nullptr);
  std::wstring buf(need + 1, L'\0');
  const DWORD n = GetLogicalDriveStringsW(static_cast<DWORD>(buf.size()), buf.data());
  std::vector<Text> roots;
  for (size_t i = 0; i < n && buf[i];) {
    const size_t len = std::wcslen(buf.data() + i);
    roots.push_back(fromWide(buf.data() + i, len));
    i += len + 1;
  }
  return roots;
}

// The walk starts at the snapshot's first entry: that entry is a process like any other.
std::vector<ProcessEntry> Win32Platform::processes() {
  std::vector<ProcessEntry> out;
  const HANDLE snap = CreateToolhelp32Snapshot(TH32CS_SNAPPROCESS, 0);
  if (snap == INVALID_HANDLE_VALUE) {
    throw FileError(u"Nie można odczytać listy uruchomionych programów. " +
                    systemMessage(GetLastError()));
  }
  PROCESSENTRY32W e{};
  e.dwSize = sizeof e;
  for (BOOL more = Process32FirstW(snap, &e); more; more = Process32NextW(snap, &e)) {
    const size_t len = wcsnlen(e.szExeFile, MAX_PATH);
    out.push_back({e.th32ProcessID, fromWide(e.szExeFile, len)});
  }
  CloseHandle(snap);
  return out;
}

uint32_t Win32Platform::currentProcessId() {
  return GetCurrentProcessId();
}

std::optional<uint64_t> Win32Platform::freeSpace(const Text& dir) {
  // The bytes available to this user, which a quota may keep below the volume's free bytes.
  ULARGE_INTEGER available{};
  if (!GetDiskFreeSpaceExW(wide(dir), &available, nullptr, nullptr)) return std::nullopt;
  return available.QuadPart;
}

std::optional<uint64_t> Win32Platform::clusterSize(const Text& dir) {
  // GetDiskFreeSpace takes the volume's root, which a mounted folder or a share has its own.
  std::wstring root(MAX_PATH + 1, L'\0');
  if (!GetVolumePathNameW(wide(dir), root.data(), static_cast<DWORD>(root.size()))) {
    return std::nullopt;
  }
  DWORD sectorsPerCluster = 0, bytesPerSector = 0, freeClusters = 0, clusters = 0;
  if (!GetDiskFreeSpaceW(root.c_str(), &sectorsPerCluster, &bytesPerSector, &freeClusters,
                         &clusters) ||
      sectorsPerCluster == 0 || bytesPerSector == 0) {
    return std::nullopt;
  }
  return uint64_t{sectorsPerCluster} * bytesPerSector;
}

Text Win32Platform::executablePath() {
  return grownBuffer([](wchar_t* b, DWORD n) {
    const DWORD got = GetModuleFileNameW(nullptr, b, n);
    return got < n ? got : n;  // a cut name reports the full buffer: grow and retry
  });
}

Text Win32Platform::currentDirectory() {
  return grownBuffer([](wchar_t* b, DWORD n) { return GetCurrentDirectoryW(n, b); });
}

Text Win32Platform::tempFolder() {
  return grownBuffer([](wchar_t* b, DWORD n) { return GetTempPathW(n, b); });
}

std::vector<Text> Win32Platform::commandLineArgs() {
  int argc = 0;
  wchar_t** argv = CommandLineToArgvW(GetCommandLineW(), &argc);
  std::vector<Text> args;
  if (!argv) return args;
  for (int i = 1; i < argc; ++i) args.push_back(fromWide(argv[i]));
  LocalFree(argv);
  return args;
}

Text Win32Platform::commandLine() {
  return fromWide(GetCommandLineW());
}

void Win32Platform::pause(unsigned milliseconds) {
  Sleep(milliseconds);
}

LocalTime Win32Platform::localTime() {
  SYSTEMTIME t{};
  GetLocalTime(&t);
  return {t.wYear, t.wMonth, t.wDay, t.wHour, t.wMinute, t.wSecond};
}

Size Win32Platform::pictureSize(const Text& path) {
  Gdiplus::Image picture(wide(path));
  GUID format{};
  if (picture.GetLastStatus() != Gdiplus::Ok || picture.GetRawFormat(&format) != Gdiplus::Ok ||
      format != Gdiplus::ImageFormatJPEG) {
    throw text::Error(u"Nieprawidłowy plik JPEG: " + path);
  }
  return {static_cast<int>(picture.GetWidth()), static_cast<int>(picture.GetHeight())};
}

bool Win32Platform::chooseFolder(Text& dir) {
  return folderDialog_ ? folderDialog_(dir) : false;
}

}  // namespace plat::win32

namespace plat {

std::unique_ptr<Platform> makeHostPlatform() {
  return std::make_unique<win32::Win32Platform>();
}

}  // namespace plat
