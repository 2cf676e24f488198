// TForm1: construction, the log sink, window creation, the start-up sequence and Close.
#include "app/form1.h"

#include <array>

namespace app {

using text::num;

TForm1::TForm1(plat::Platform& platform, WindowModel& window)
    : NWconnection(std::make_unique<jet::ado::Connection>(platform)),
      ODConnection(std::make_unique<jet::ado::Connection>(platform)),
      DNconnection(std::make_unique<jet::ado::Connection>(platform)),
      NWTable(std::make_unique<jet::ado::TableCursor>()),
      ODTable(std::make_unique<jet::ado::TableCursor>()),
      DNTable(std::make_unique<jet::ado::TableCursor>()),
      fs_(platform),
      wnd_(window) {
  wnd_.onEdit1Change = [this] { CheckEdit(); };
}

TForm1::~TForm1() { wnd_.onEdit1Change = nullptr; }

void TForm1::info(int32_t level, const Text& text) {
  if (level > log_level) return;
  if (level == IMPORTANT) wnd_.setInfoLabel(text);
  wnd_.appendMemo(text);
}

namespace {

bool isDebugSwitch(const Text& arg) {
  static const std::array<Text, 4> kSwitches = {u"/d", u"/debug", u"d", u"debug"};
  const Text lower = text::lowerAscii(arg);
  for (const auto& s : kSwitches) {
    if (lower == s) return true;
  }
  return false;
}

}  // namespace

void TForm1::FormCreate() {
  log_level = IMPORTANT;
  const auto args = fs_.commandLineArgs();
  if (!args.empty() && isDebugSwitch(args.front())) {
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
  tmpDir = fs_.currentDirectory() + u"\\" + u"tmp" + u"\\";
  if (!fs_.directoryExists(tmpDir)) fs_.createDirectory(tmpDir);
  fileZip = u"packages.zip";
  sourceZip = tmpDir + fileZip;
  wnd_.setVisible(Ctl::gauge, false);
  wnd_.setVisible(Ctl::gaugeBG, false);
  wnd_.setInfoLabel(u"");
  cover = u"cover.jpg";
  info(DEBUG, u"Inicjalizacja.");
  const plat::Size screen = fs_.screenSize();
  info(DEBUG, u"Screen [" + num(screen.width) + u" x " + num(screen.height) + u" ]");
  CenterForm();
}

void TForm1::Timer1Timer() {
  timerEnabled_ = false;
  AfterShow();
}

void TForm1::AfterShow() {
  extractPayload();

  if (fs_.fileExists(sourceZip)) {
    info(DEBUG, u"Znaleziono: `" + fileZip + u"`");
    if (searchPackages()) {
      pack = true;
      coverStep();
    }
  } else {
    info(IMPORTANT, u"Brak danych pakietu !");
  }

  fitCover();

  if (formCover && pack) {
    if (searchInstallationPath()) CheckInstallationEnabled();
  }

  wnd_.setVisible(Ctl::ActivityIndicator, false);
  bnCloseSetEnable();
}

void TForm1::CenterForm() {
  const plat::Size screen = fs_.screenSize();
  const Rect& w = wnd_.window();
  // Integer division truncating toward zero, as the layout expects (-3 / 2 = -1).
  wnd_.setWindowPos((screen.width - w.width) / 2, (screen.height - w.height) / 2);
  info(DEBUG, u"Centrujemy  [ " + num(wnd_.window().left) + u" - " + num(wnd_.window().top) +
                  u" ]");
}

void TForm1::CloseClick() {
  if (log_level != DEBUG && fs_.directoryExists(tmpDir) &&
      !fs_.fileExists(tmpDir + u"NODELETE")) {
    if (fs_.fileExists(tmpDir + cover)) fs_.deleteFile(tmpDir + cover);
    if (fs_.fileExists(sourceZip)) fs_.deleteFile(sourceZip);
    if (fs_.isDirectoryEmpty(tmpDir)) fs_.removeDirectory(tmpDir);
  }
  closeRequested_ = true;
}

}  // namespace app
