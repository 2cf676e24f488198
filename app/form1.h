// The installer's main window: run state, log sink, and the installer's steps under the names
// the window has always given them. The steps themselves need no window (archive/, target/,
// accessorydb/, install/); these methods call them with the window's log and turn their outcomes
// into the window's looks. The window reaches the operating system only through plat::Platform
// and the screen only through app::WindowModel.
#pragma once

#include <cstdint>
#include <memory>
#include <optional>
#include <utility>
#include <vector>

#include "app/exit_code.h"
#include "app/window_model.h"
#include "install/session.h"
#include "platform/log.h"
#include "platform/platform.h"

// The engine's objects the window names; only the steps use them.
namespace jet::adox {
class Catalog;
class Column;
class Table;
}  // namespace jet::adox
namespace jet::ado {
class Connection;
class TableCursor;
}  // namespace jet::ado

namespace app {

using logs::DEBUG;
using logs::IMPORTANT;
using logs::NONE;

class TForm1;

// The window's look while the session searches the package: Install disabled until one is found.
class PackageSearchLook : public install::DetectObserver {
 public:
  explicit PackageSearchLook(TForm1& form) : form_(form) {}
  void searching() override;

 private:
  TForm1& form_;
};

class TForm1 {
 public:
  TForm1(plat::Platform& platform, WindowModel& window);
  ~TForm1();

  plat::Platform& platform() { return platform_; }
  WindowModel& window() { return wnd_; }

  // --- start-up, run state and log ---
  void info(logs::Level level, const Text& text);
  // The log sink the steps write to: info() at the window's current level.
  logs::Log log();
  // The install session over the working folder, logging to the window.
  install::Session session();
  // A log file that receives every line, whatever the window's level.
  void setRecord(logs::Log::Sink record) { record_ = std::move(record); }
  void FormCreate();
  void Timer1Timer();
  void AfterShow();
  // AfterShow's part once the working folder is made: the payload, the package and its cover,
  // the host folder and the check that enables Install.
  void offerPackage();
  void CenterForm();
  void CloseClick();
  bool timerEnabled() const { return timerEnabled_; }
  // Set by CloseClick: the window is to close and the program to end.
  bool closeRequested() const { return closeRequested_; }
  // The code the process ends with, as "/S" would have ended: the last install's outcome;
  // without one, what kept it from being offered, and NotInstalled (nothing changed) when the
  // user closed an install that was offered.
  ExitCode exitCode() const;

  // --- embedded package payload ---
  void extractPayload();

  // --- cover image and window fitting ---
  void coverStep();
  void fitCover();

  // --- window layout and image buttons ---
  void bnCloseSetEnable();
  void bnCloseSetDisable();
  void bnCloseEnter();
  void bnCloseLeave();
  void bnInstallSetDisable();
  void bnInstallSetEnable();
  void bnInstallSetHover();
  void bnInstallSetActive();
  void bnInstallEnter();
  void bnInstallLeave();
  void SetFinish();

  // --- package archive ---
  bool searchPackages();
  std::vector<Text> GetSubFoldersListFromZip(const Text& SourceFile);
  bool ExtractFileFromZip(const Text& SourceFile, const Text& DestinationDir, const Text& FileName);
  bool ExtractFilesFromZip(const Text& SourceFile, const Text& DestinationDir);

  // --- host discovery, folder choice, preconditions ---
  bool searchInstallationPath();
  void Edit1Click();
  void CheckEdit();
  bool CheckDestination();
  void CheckInstallationEnabled();
  bool CheckRunApp();

  // --- accessory database ---
  bool MDBCreate(const Text& Name);
  jet::adox::Table createTableProducent();
  jet::adox::Table createTableDodatki();
  jet::adox::Column createCol(const Text& Name, int32_t Typ, int32_t Size);
  bool CopyMdb(const Text& nw, const Text& od, const Text& dn);

  // --- install transaction ---
  void ButtonInstallClick();

  // Run state.
  logs::Level log_level = IMPORTANT;
  bool formCover = false;
  bool pack = false;
  bool destination = false;
  bool ready = false;
  Text fileZip;
  Text sourceZip;
  // What the session reads as the package archive: the payload where it lies in the executable,
  // once found; sourceZip until then.
  zipkit::ArchiveSource packageArchive;
  Text packageName;

  // Window fields.
  Text strFolder;
  Text tmpDir;
  Text cover;

  // The window's database objects. The creation and the merge steps hold their own catalog,
  // connections and cursors for exactly as long as they run, so these stay empty.
  std::unique_ptr<jet::adox::Catalog> mdbBase;
  std::unique_ptr<jet::ado::Connection> NWconnection, ODConnection, DNconnection;
  std::unique_ptr<jet::ado::TableCursor> NWTable, ODTable, DNTable;

 private:
  plat::Platform& platform_;
  WindowModel& wnd_;
  bool timerEnabled_ = true;
  bool closeRequested_ = false;
  logs::Log::Sink record_;
  std::optional<install::Outcome> lastInstall_;
  std::optional<target::Refusal> lastRefusal_;  // of the last check that enabled Install or not

  // The window's part of info(): the memo and the status label, up to log_level.
  void show(logs::Level level, const Text& text);
};

}  // namespace app
