// An in-memory plat::Platform with Windows semantics for the native tests: "\\" paths, names
// compared without regard to case, drive roots, renames that fail on an existing target or on a
// file held open (by another process, or by one of our own open handles, as files are opened
// without delete sharing), handles that share reading only, read-only files, and faults injected
// at any operation. tests/support/file_cases.cpp holds it to what the Windows platform does.
#pragma once

#include <cstdint>
#include <functional>
#include <map>
#include <memory>
#include <set>
#include <string>
#include <vector>

#include "platform/platform.h"
#include "tests/support/memory_file.h"

namespace fake {

using text::Text;

class FakeFile;

enum class Op {
  Exists,
  Delete,
  Move,
  CreateDir,
  ForceDirs,
  RemoveDir,
  Open,
  Read,
  Write,
  Truncate,
  Attributes,
  Flush,      // Platform::flushToDisk
  FileFlush,  // File::flush on an open file
  Processes,  // the process snapshot; its path is empty
};

// The reason an injected fault gives, so that a test can see it carried to the log.
inline const Text kInjectedReason = u"Awaria dysku testowego.";

class FakePlatform : public plat::Platform {
 public:
  FakePlatform();

  // --- set-up ---
  void addDrive(const Text& root);  // "D:\\"
  void mkdirs(const Text& path);
  void writeFile(const Text& path, const std::string& bytes);
  void writeFile(const Text& path, const std::vector<uint8_t>& bytes);
  std::string readFile(const Text& path) const;  // throws when absent
  void setReadOnly(const Text& path, bool readOnly = true);
  // The existing file or folder at path becomes a symbolic link (to wherever: the fake follows
  // it nowhere), as a person may make one.
  void makeLink(const Text& path);
  // Another process holds the file open without delete sharing.
  void holdOpen(const Text& path, bool held = true);
  // Another program holds the file for the next `attempts` deletions or renames of it, as a
  // virus scanner does for a moment after a file was written.
  void holdBriefly(const Text& path, int attempts);
  std::vector<unsigned> pauses;
  // Every file below a folder, as full paths in their stored spelling.
  std::vector<Text> listFiles(const Text& dir) const;

  std::vector<plat::ProcessEntry> processList;
  uint32_t ownPid = 4242;
  Text exePath = u"C:\\Users\\user\\Pobrane\\instalator.exe";
  Text cwd = u"C:\\Users\\user\\Pobrane";
  Text tempDir = u"C:\\Users\\user\\AppData\\Local\\Temp\\";
  std::vector<Text> args;
  Text rawCommandLine = u"installer.exe";
  plat::LocalTime clock{2024, 3, 5, 9, 7, 2};
  // What every volume reports as free: plenty, unless a test says otherwise (nothing: unknown).
  std::optional<uint64_t> freeBytes = uint64_t{1} << 40;
  std::optional<uint64_t> clusterBytes = 4096;
  // A drive's own figures, by its letter in upper case, where a test sets them apart.
  std::map<char16_t, uint64_t> freeBytesOnDrive;
  std::map<char16_t, uint64_t> clusterBytesOnDrive;
  // The folder dialog: the folder it "returns", or nothing for a cancel.
  std::function<bool(Text& dir)> folderDialog;
  // Fault injection: called before each operation; true makes it fail as the OS would
  // (a failed status with kInjectedReason, a false answer, or a thrown plat::FileError).
  std::function<bool(Op, const Text& path)> shouldFail;
  // Counts of operations seen, by kind.
  std::map<Op, int> opCount;
  // Every operation seen, in order, with the path it named.
  std::vector<std::pair<Op, Text>> opLog;

  // --- plat::Platform ---
  bool fileExists(const Text& path) override;
  bool directoryExists(const Text& path) override;
  plat::Status deleteFile(const Text& path) override;
  plat::Status moveFile(const Text& from, const Text& to) override;
  plat::Status replaceFile(const Text& from, const Text& to) override;
  plat::Status createDirectory(const Text& path) override;
  void forceDirectories(const Text& path) override;
  bool isDirectoryEmpty(const Text& path) override;
  plat::Status removeDirectory(const Text& path) override;
  bool isLink(const Text& path) override;
  bool isReadOnly(const Text& path) override;
  plat::Status setReadOnlyAttribute(const Text& path, bool readOnly) override;
  // As FlushFileBuffers: needs a file it may open for writing.
  plat::Status flushToDisk(const Text& path) override;
  std::unique_ptr<plat::File> open(const Text& path, plat::OpenMode mode) override;
  std::unique_ptr<plat::HeldFile> holdFile(const Text& path) override;
  std::vector<Text> subFolders(const Text& dir) override;
  std::vector<Text> filesIn(const Text& dir) override;
  std::optional<uint64_t> freeSpace(const Text& dir) override;
  std::optional<uint64_t> clusterSize(const Text& dir) override;
  std::vector<Text> logicalDrives() override;
  std::vector<plat::ProcessEntry> processes() override;
  uint32_t currentProcessId() override { return ownPid; }
  plat::LocalTime localTime() override { return clock; }
  // Records the wait instead of waiting.
  void pause(unsigned milliseconds) override { pauses.push_back(milliseconds); }
  Text executablePath() override { return exePath; }
  Text currentDirectory() override { return cwd; }
  Text tempFolder() override { return tempDir; }
  std::vector<Text> commandLineArgs() override { return args; }
  Text commandLine() override { return rawCommandLine; }
  plat::Size pictureSize(const Text& path) override;
  bool chooseFolder(Text& dir) override { return folderDialog ? folderDialog(dir) : false; }

  struct Node {
    Text name;  // as spelled when created
    testsupport::SharedBytes data = std::make_shared<testsupport::Bytes>();
    bool readOnly = false;
    bool heldByOther = false;
    int openHandles = 0;
    int openWriters = 0;         // of openHandles, those that may write
    bool deleteOnClose = false;  // held by holdFile: the system deletes it when the process dies
  };

  // The disk as a process killed at this moment leaves it: every file and folder as they are,
  // no handle of the process open any more, and the files it held deleted.
  struct DiskImage {
    std::map<std::u16string, Node> files;
    std::map<std::u16string, Text> dirs;
  };
  DiskImage diskImage() const;
  void restoreDisk(const DiskImage& image);
  // Every folder below a folder, as full paths in their stored spelling.
  std::vector<Text> listFolders(const Text& dir) const;

 private:
  // Takes one attempt off the file's brief hold; true when it was still held.
  bool heldBriefly(const Text& path);
  friend class FakeFile;
  friend class FakeHeldFile;
  // Drops the file the handle holds, unless a restored disk image replaced it meanwhile.
  void forget(const Text& path, const FakeFile& handle);
  bool fail(Op op, const Text& path);
  plat::Status injected() const;
  // moveFile and replaceFile; `replace` lets an existing target file go.
  plat::Status move(const Text& from, const Text& to, bool replace);
  Node* findFile(const Text& path);
  const Node* findFile(const Text& path) const;
  bool parentExists(const Text& key) const;

  std::map<std::u16string, std::shared_ptr<Node>> files_;  // key: normalised, folded path
  std::map<std::u16string, Text> dirs_;                    // key -> stored spelling
  std::map<std::u16string, int> briefHolds_;               // key -> attempts still refused
  std::set<std::u16string> links_;                         // keys of files and folders
  std::vector<Text> drives_;
};

// The key under which a path is stored: separators collapsed, no trailing "\\", folded case.
std::u16string pathKey(const Text& path);

}  // namespace fake
