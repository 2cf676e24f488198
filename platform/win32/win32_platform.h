// plat::Platform over the Win32 API, wide-character calls throughout.
#pragma once

#include <functional>
#include <utility>

#include "platform/platform.h"
#include "platform/win32/gdiplus_session.h"

namespace plat::win32 {

class Win32Platform : public Platform {
 public:
  // The folder dialog lives above the platform (target/win32's Directory): the program hands it
  // in. Without one, chooseFolder reports a cancel.
  using FolderDialog = std::function<bool(Text& dir)>;
  explicit Win32Platform(FolderDialog folderDialog = {}) : folderDialog_(std::move(folderDialog)) {}

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

 private:
  FolderDialog folderDialog_;
  GdiplusSession gdiplus_;
};

}  // namespace plat::win32
