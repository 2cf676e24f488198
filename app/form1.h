// The installer's main window: run state, log sink and every step of the installer. The steps
// are defined in the folder of their subsystem (app/, archive/, target/, accessorydb/, install/);
// they reach the operating system only through plat::Platform and the screen only through
// app::WindowModel.
#pragma once

#include <cstdint>
#include <memory>
#include <optional>
#include <vector>

#include "accessorydb/jet/ado.h"
#include "app/window_model.h"
#include "platform/platform.h"

namespace app {

// Log levels.
constexpr int32_t NONE = 0;
constexpr int32_t IMPORTANT = 1;
constexpr int32_t DEBUG = 2;

class TForm1 {
 public:
  TForm1(plat::Platform& platform, WindowModel& window);
  ~TForm1();

  plat::Platform& platform() { return fs_; }
  WindowModel& window() { return wnd_; }

  // --- start-up, run state and log ---
  void info(int32_t level, const Text& text);
  void FormCreate();
  void Timer1Timer();
  void AfterShow();
  void CenterForm();
  void CloseClick();
  bool timerEnabled() const { return timerEnabled_; }
  // Set by CloseClick: the window is to close and the program to end.
  bool closeRequested() const { return closeRequested_; }

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
  // The folder validation and the precondition tests on the field's current folder, with no
  // log line and no button change: the message that stops an install, or nothing.
  std::optional<Text> installBlocker();

  // --- accessory database ---
  bool MDBCreate(const Text& Name);
  jet::adox::Table createTableProducent();
  jet::adox::Table createTableDodatki();
  jet::adox::Column createCol(const Text& Name, int32_t Typ, int32_t Size);
  bool CopyMdb(const Text& nw, const Text& od, const Text& dn);

  // --- install transaction ---
  void ButtonInstallClick();

  // Run state.
  int32_t log_level = IMPORTANT;
  bool formCover = false;
  bool pack = false;
  bool destination = false;
  bool ready = false;
  Text fileZip;
  Text sourceZip;
  Text packageName;

  // Window fields.
  Text strFolder;
  Text tmpDir;
  Text cover;

  // The catalog of the database being created; set only while MDBCreate runs.
  std::unique_ptr<jet::adox::Catalog> mdbBase;

  // Database objects of the merge; they exist from the window's creation until the merge
  // releases them.
  std::unique_ptr<jet::ado::Connection> NWconnection, ODConnection, DNconnection;
  std::unique_ptr<jet::ado::TableCursor> NWTable, ODTable, DNTable;

 private:
  plat::Platform& fs_;
  WindowModel& wnd_;
  bool timerEnabled_ = true;
  bool closeRequested_ = false;
};

}  // namespace app
