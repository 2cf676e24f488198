// The cover step (take the package's cover out of the archive) and the fitting step (size the
// window to the cover and show it).
#include "app/form1.h"
#include "archive/cover_fit.h"

namespace app {

using text::num;

void TForm1::coverStep() {
  // A cover without room is refused with its line in the log; no cover then follows.
  (void)session().takeCover(packageName);
}

void TForm1::fitCover() {
  const Text path = tmpDir + cover;
  if (!platform_.fileExists(path)) {
    info(IMPORTANT, u"Brak pakietu do instalacji !");
    return;
  }
  // An unreadable picture throws here and ends the start-up sequence.
  const plat::Size pic = platform_.pictureSize(path);
  // The monitor's work area, in the same logical pixels as the cover: a cover fits when it fits
  // at the monitor's DPI.
  const Rect& screen = wnd_.display().workArea;
  const Rect& w = wnd_.window();
  const int bw = w.width - wnd_.clientWidth();
  const int bh = w.height - wnd_.clientHeight();

  info(DEBUG, u"JPG: [" + num(pic.width) + u"x" + num(pic.height) + u"]");
  info(DEBUG, u"FormBorder: [" + num(bw) + u"x" + num(bh) + u"]");

  const pkg::CoverFit fit = pkg::fitWindowToCover(
      {pic.width, pic.height, screen.width, screen.height, w.width, w.height, bw, bh});
  int picWidth = pic.width;
  int picHeight = pic.height;
  if (!fit.rescale) {
    if (fit.sizeChanged) {
      wnd_.setWindowSize(fit.windowWidth, fit.windowHeight);
      info(DEBUG,
           u"Nowy Form: [" + num(wnd_.window().width) + u"x" + num(wnd_.window().height) + u"]");
    }
  } else {
    info(DEBUG, u"Reskalujemy okładkę do małego ekranu : [" + num(screen.width) + u"x" +
                    num(screen.height) + u"]");
    info(DEBUG, u"scaleWidth x scaleHeight : [" + num(fit.windowWidth - bw) + u"x" +
                    num(fit.windowHeight - bh) + u"]");
    wnd_.scaleWindowTo(fit.windowWidth, fit.windowHeight);
    info(DEBUG, u"Form: [" + num(wnd_.window().width) + u"x" + num(wnd_.window().height) + u"]");
    info(DEBUG, u"FormClient: [" + num(bw) + u"x" + num(bh) + u"]");
    // The picture is redrawn stretched to the client size.
    picWidth = wnd_.clientWidth();
    picHeight = wnd_.clientHeight();
  }
  info(DEBUG, u"Pic  [" + num(picWidth) + u" x " + num(picHeight) + u"]");

  wnd_.setControlSize(Ctl::BG, wnd_.clientWidth(), wnd_.clientHeight());
  wnd_.setBackground({path, picWidth, picHeight, false});
  const Rect& bg = wnd_.control(Ctl::BG).rect;
  info(DEBUG, u"BG.Picture  [" + num(bg.width) + u" x " + num(bg.height) + u"]");

  if (fit.sizeChanged) CenterForm();
  formCover = true;
}

}  // namespace app
