// The Install click: runs the install transaction and shows it on the window.
#include "app/form1.h"

namespace app {

namespace {

class WindowObserver : public install::Observer {
 public:
  explicit WindowObserver(TForm1& form) : form_(form), wnd_(form.window()) {}

  void started() override {
    wnd_.setVisible(Ctl::gauge, true);
    wnd_.setGauge(0);
    wnd_.setVisible(Ctl::StaticText1, false);
    wnd_.setVisible(Ctl::Edit1, false);
    wnd_.setInfoLabel(u"");
    form_.bnInstallSetActive();
  }
  void working() override { form_.bnCloseSetDisable(); }
  void unpacking(int percent) override { wnd_.setGauge(percent); }
  // The finish look comes as soon as the package is installed, and the clean-up sets it once
  // more: the clean-up decides the look for every way a run ends, a success included, so the
  // debug log shows the finish lines twice on a success.
  void succeeded() override { form_.SetFinish(); }
  void finishing(bool success) override {
    if (success) {
      form_.SetFinish();
    } else {
      wnd_.setVisible(Ctl::gauge, false);
    }
  }

 private:
  TForm1& form_;
  WindowModel& wnd_;
};

}  // namespace

void TForm1::ButtonInstallClick() {
  WindowObserver observer(*this);
  const install::Outcome outcome = session().apply(wnd_.edit1(), packageName, observer);
  lastInstall_ = outcome;
  // A refused install leaves the window as it is.
  if (outcome.refused()) return;
  bnCloseSetEnable();
  wnd_.setVisible(Ctl::bnInstallActive, false);
  wnd_.setVisible(Ctl::bnInstallDisable, false);
}

}  // namespace app
