// TForm1: construction, the log sink, window creation, the start-up sequence and Close.
#include "app/form1.h"

#include "accessorydb/jet/ado.h"
#include "app/command_line.h"
#include "app/work_folder.h"

namespace app {

using text::num;

TForm1::TForm1(plat::Platform& platform, WindowModel& window) : platform_(platform), wnd_(window) {
  wnd_.onEdit1Change = [this] { CheckEdit(); };
}

TForm1::~TForm1() {
  wnd_.onEdit1Change = nullptr;
}

void TForm1::info(logs::Level level, const Text& text) {
  log().write(level, text);
}

void TForm1::show(logs::Level level, const Text& text) {
  if (level > log_level) return;
  if (level == IMPORTANT) wnd_.setInfoLabel(text);
  wnd_.appendMemo(text);
}

logs::Log TForm1::log() {
  const logs::Log window(log_level,
                         [this](logs::Level level, const Text& line) { show(level, line); });
  return record_ ? window.withRecord(record_) : window;
}

install::Session TForm1::session() {
  return install::Session(platform_, {tmpDir, packageArchive, tmpDir + cover}, log());
}

void TForm1::FormCreate() {
  log_level = IMPORTANT;
  if (parseCommandLine(platform_.commandLineArgs()).debug) {
    log_level = DEBUG;
    info(DEBUG, u"Ustawiono parametr DEBUG");
  }
  if (log_level == DEBUG) wnd_.setVisible(Ctl::infoBox, true);
  ready = false;
  pack = false;
  destination = false;
  bnInstallSetDisable();
  strFolder = u"C:\\";
  wnd_.setEdit1(strFolder);  // runs CheckEdit through the change event
  std::optional<Text> workFolderFailure;
  try {
    tmpDir = makeWorkFolder(platform_, log());
  } catch (const plat::FileError& e) {
    workFolderFailure = e.message();
  }
  fileZip = kArchiveName;
  sourceZip = tmpDir + fileZip;
  packageArchive = zipkit::ArchiveSource(sourceZip);
  wnd_.setVisible(Ctl::gauge, false);
  wnd_.setVisible(Ctl::gaugeBG, false);
  wnd_.setInfoLabel(u"");
  // Said in the status label; nothing is offered (see AfterShow).
  if (workFolderFailure) info(IMPORTANT, *workFolderFailure);
  cover = kCoverName;
  info(DEBUG, u"Inicjalizacja.");
  const Rect& screen = wnd_.display().screen;
  info(DEBUG, u"Screen [" + num(screen.width) + u" x " + num(screen.height) + u" ]");
  CenterForm();
}

void TForm1::Timer1Timer() {
  timerEnabled_ = false;
  AfterShow();
}

void TForm1::AfterShow() {
  if (!tmpDir.empty()) offerPackage();
  wnd_.setVisible(Ctl::ActivityIndicator, false);
  bnCloseSetEnable();
}

void TForm1::offerPackage() {
  extractPayload();

  PackageSearchLook look(*this);
  const install::PackageFound found = session().detectPackage(look);
  // A refused package is not offered at all: no cover, no install.
  pack = found.archive && !found.refusal;
  if (found.package) {
    packageName = *found.package;
    // Screen readers name the window by its caption: it says which package it installs.
    wnd_.setCaption(Text(WindowModel::kCaption) + u" – " + packageName);
  }
  if (found.cover) fitCover();

  if (formCover && found.offered()) {
    if (searchInstallationPath()) CheckInstallationEnabled();
  }
}

void TForm1::CenterForm() {
  const Rect& area = wnd_.display().workArea;
  const Rect& w = wnd_.window();
  // Integer division truncating toward zero, as the layout expects (-3 / 2 = -1).
  wnd_.setWindowPos(area.left + (area.width - w.width) / 2,
                    area.top + (area.height - w.height) / 2);
  info(DEBUG,
       u"Centrujemy  [ " + num(wnd_.window().left) + u" - " + num(wnd_.window().top) + u" ]");
}

void TForm1::CloseClick() {
  // At the debug level the working files stay, to be looked at.
  if (log_level != DEBUG) cleanWorkFolder(platform_, tmpDir, {tmpDir + cover, sourceZip}, log());
  closeRequested_ = true;
}

}  // namespace app
