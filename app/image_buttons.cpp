// The Install and Close image buttons (four stacked pictures each) and the finish screen.
#include "app/form1.h"

namespace app {

namespace {

constexpr Ctl kCloseLooks[] = {Ctl::bnCloseDisable, Ctl::bnCloseActive, Ctl::bnCloseHover,
                               Ctl::bnCloseNormal};
constexpr Ctl kInstallLooks[] = {Ctl::bnInstallDisable, Ctl::bnInstallActive, Ctl::bnInstallHover,
                                 Ctl::bnInstallNormal};

void showCloseLook(WindowModel& w, Ctl look) {
  for (Ctl c : kCloseLooks) w.setVisible(c, false);
  w.setVisible(look, true);
}

// Disables all four Install pictures, shows only the given one and enables it, except the
// disabled look, which stays disabled.
void showInstallLook(WindowModel& w, Ctl look) {
  for (Ctl c : kInstallLooks) w.setEnabled(c, false);
  for (Ctl c : kInstallLooks) w.setVisible(c, c == look);
  if (look != Ctl::bnInstallDisable) w.setEnabled(look, true);
}

}  // namespace

void TForm1::bnCloseSetEnable() {
  showCloseLook(wnd_, Ctl::bnCloseNormal);
}

void TForm1::bnCloseSetDisable() {
  showCloseLook(wnd_, Ctl::bnCloseDisable);
}

void TForm1::bnCloseEnter() {
  wnd_.setVisible(Ctl::bnCloseHover, true);
  wnd_.setVisible(Ctl::bnCloseNormal, false);
}

void TForm1::bnCloseLeave() {
  wnd_.setVisible(Ctl::bnCloseHover, false);
  wnd_.setVisible(Ctl::bnCloseNormal, true);
}

void TForm1::bnInstallSetDisable() {
  info(DEBUG, u"Blokujemy klawisz INSTALL");
  showInstallLook(wnd_, Ctl::bnInstallDisable);
}

void TForm1::bnInstallSetEnable() {
  info(DEBUG, u"Odblokowywujemy klawisz INSTALL");
  showInstallLook(wnd_, Ctl::bnInstallNormal);
}

void TForm1::bnInstallSetHover() {
  info(DEBUG, u"SET HOVER na klawiszu INSTALL");
  showInstallLook(wnd_, Ctl::bnInstallHover);
}

void TForm1::bnInstallSetActive() {
  info(DEBUG, u"SET ACTIVE na klawiszu INSTALL");
  showInstallLook(wnd_, Ctl::bnInstallActive);
}

void TForm1::bnInstallEnter() {
  info(DEBUG, u"SET bnInstallEnter na klawiszu INSTALL");
  if (wnd_.visible(Ctl::bnInstallNormal)) bnInstallSetHover();
}

void TForm1::bnInstallLeave() {
  info(DEBUG, u"SET bnInstallLeave na klawiszu INSTALL");
  if (wnd_.visible(Ctl::bnInstallHover)) bnInstallSetEnable();
}

void TForm1::SetFinish() {
  info(DEBUG, u"SET FINISH na objektach");
  wnd_.setVisible(Ctl::InfoLabel, false);
  wnd_.setVisible(Ctl::gauge, false);
  wnd_.setVisible(Ctl::BGfinish, true);
  wnd_.setVisible(Ctl::FinishText, true);  // the picture's headline, for screen readers
  wnd_.setVisible(Ctl::BG, false);
  bnInstallSetDisable();
  wnd_.setVisible(Ctl::bnInstallDisable, false);
}

}  // namespace app
