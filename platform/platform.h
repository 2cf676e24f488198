// Everything the installer's logic asks of the operating system. The Win32 layer implements it
// for the real program, a POSIX implementation serves the native tools and benchmarks, and the
// tests use a fake with Windows semantics ("\\" paths, case-insensitive names, renames that fail
// on an existing target or a file held open).
#pragma once

#include <cstdint>
#include <memory>
#include <optional>
#include <vector>

#include "platform/file.h"
#include "platform/status.h"

namespace plat {

struct ProcessEntry {
  uint32_t pid = 0;
  Text exeName;  // file name without a path, as the process snapshot gives it
};

struct Size {
  int width = 0;
  int height = 0;
};

// A moment in the machine's local time zone.
struct LocalTime {
  int year = 0, month = 0, day = 0, hour = 0, minute = 0, second = 0;
};

// A file held by this process: while it lives nobody else may open, rename or delete the file.
class HeldFile {
 public:
  virtual ~HeldFile() = default;
};

class Platform {
 public:
  virtual ~Platform() = default;

  // --- files and folders (paths are Windows paths) ---
  // The operations that change the disk return a Status with the system's reason on failure.
  virtual bool fileExists(const Text& path) = 0;
  // A symbolic link to a folder counts as a folder.
  virtual bool directoryExists(const Text& path) = 0;
  virtual Status deleteFile(const Text& path) = 0;
  // MoveFileW semantics: fails when the target exists or the source is held open. Both renames
  // are on the disk when they return (write-through; on POSIX the folders are synced).
  virtual Status moveFile(const Text& from, const Text& to) = 0;
  // MoveFileExW with MOVEFILE_REPLACE_EXISTING: as moveFile, but an existing target file is
  // replaced in one step (it must not be read-only or held open); never replaces a folder.
  virtual Status replaceFile(const Text& from, const Text& to) = 0;
  // One level only.
  virtual Status createDirectory(const Text& path) = 0;
  // Every missing folder on the way; throws FileError when one cannot be made.
  virtual void forceDirectories(const Text& path) = 0;
  // True when the folder holds no files and no folders.
  virtual bool isDirectoryEmpty(const Text& path) = 0;
  // Not recursive.
  virtual Status removeDirectory(const Text& path) = 0;
  // A symbolic link or a junction (a reparse point), file or folder, judged without following it.
  virtual bool isLink(const Text& path) = 0;
  // The read-only attribute of a file; false when the file cannot be read.
  virtual bool isReadOnly(const Text& path) = 0;
  virtual Status setReadOnlyAttribute(const Text& path, bool readOnly) = 0;
  // Forces a closed file's data to stable storage (not only to the system's cache); fails when
  // the file cannot be opened for writing or the flush fails.
  virtual Status flushToDisk(const Text& path) = 0;
  // Opens a file; throws FileError with the cause when it cannot.
  virtual std::unique_ptr<File> open(const Text& path, OpenMode mode) = 0;
  // Makes the file when absent and holds it, shared with nobody, until the result goes; the file
  // goes with it (on Windows also when the process dies). Nothing when another holds it; throws
  // FileError with the system's reason when it cannot be made or opened for another cause.
  virtual std::unique_ptr<HeldFile> holdFile(const Text& path) = 0;
  // Names of the direct sub-folders of a folder (hidden and system ones included,
  // "." and ".." left out), in the order the folder listing yields them.
  virtual std::vector<Text> subFolders(const Text& dir) = 0;
  // Names of the files directly in a folder (not its sub-folders), in listing order.
  virtual std::vector<Text> filesIn(const Text& dir) = 0;
  // Bytes this user may still write on the volume that holds the folder; nothing when the
  // system cannot tell.
  virtual std::optional<uint64_t> freeSpace(const Text& dir) = 0;
  // The allocation unit of that volume: every file takes a whole number of them; nothing when
  // the system cannot tell.
  virtual std::optional<uint64_t> clusterSize(const Text& dir) = 0;

  // --- machine ---
  // Roots of the logical drives, each "X:\\", ascending.
  virtual std::vector<Text> logicalDrives() = 0;
  // Running processes in snapshot order; throws FileError with the reason when no snapshot can
  // be taken.
  virtual std::vector<ProcessEntry> processes() = 0;
  virtual uint32_t currentProcessId() = 0;
  virtual LocalTime localTime() = 0;
  // Waits that long before going on.
  virtual void pause(unsigned milliseconds) = 0;

  // --- this process ---
  virtual Text executablePath() = 0;
  virtual Text currentDirectory() = 0;
  // The user's folder for scratch files, ending with a separator.
  virtual Text tempFolder() = 0;
  // Arguments after the program name.
  virtual std::vector<Text> commandLineArgs() = 0;
  // The command line as the process received it, program name and quotes included.
  virtual Text commandLine() = 0;

  // --- pictures ---
  // Pixel size of a JPEG picture; throws text::Error when the file is not a readable picture.
  virtual Size pictureSize(const Text& path) = 0;

  // --- the folder dialog ---
  // Shows the folder picker starting in dir; on confirmation stores the chosen folder (ending
  // with "\\") into dir and returns true; on cancel returns false and leaves dir alone.
  virtual bool chooseFolder(Text& dir) = 0;
};

}  // namespace plat
