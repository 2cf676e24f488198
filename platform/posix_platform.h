// plat::Platform over a POSIX file system, for the native tools and benchmarks. Windows paths
// are accepted: every "\\" is taken as "/". Machine queries answer as a machine without
// drives, processes or a screen would.
#pragma once

#include <string>

#include "platform/platform.h"

namespace plat {

class PosixPlatform : public Platform {
 public:
  bool fileExists(const Text& path) override;
  bool directoryExists(const Text& path) override;
  Status deleteFile(const Text& path) override;
  Status moveFile(const Text& from, const Text& to) override;
  Status replaceFile(const Text& from, const Text& to) override;
  Status createDirectory(const Text& path) override;
  void forceDirectories(const Text& path) override;
  bool isDirectoryEmpty(const Text& path) override;
  Status removeDirectory(const Text& path) override;
  bool isLink(const Text& path) override;
  bool isReadOnly(const Text& path) override;
  Status setReadOnlyAttribute(const Text& path, bool readOnly) override;
  Status flushToDisk(const Text& path) override;
  std::unique_ptr<File> open(const Text& path, OpenMode mode) override;
  std::unique_ptr<HeldFile> holdFile(const Text& path) override;
  std::vector<Text> subFolders(const Text& dir) override;
  std::vector<Text> filesIn(const Text& dir) override;
  std::optional<uint64_t> freeSpace(const Text& dir) override;
  std::optional<uint64_t> clusterSize(const Text& dir) override;
  std::vector<Text> logicalDrives() override;
  std::vector<ProcessEntry> processes() override;
  uint32_t currentProcessId() override;
  LocalTime localTime() override;
  void pause(unsigned milliseconds) override;
  Text executablePath() override;
  Text currentDirectory() override;
  Text tempFolder() override;
  std::vector<Text> commandLineArgs() override;
  Text commandLine() override;
  Size pictureSize(const Text& path) override;
  bool chooseFolder(Text& dir) override;

  // The native file name of a Windows-style path.
  static std::string nativePath(const Text& path);

 private:
  std::vector<Text> entriesOf(const Text& dir, bool folders);
};

}  // namespace plat
