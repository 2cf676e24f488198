// Fitting the window to the cover picture.
#include <gtest/gtest.h>

#include "tests/support/form_fixture.h"
#include "tests/support/test_pictures.h"

namespace apptest {
namespace {

using app::Ctl;

#include "tests/support/form_fixture.h"
class CoverFormTest : public FormTest {
 protected:
  void start(int screenW, int screenH, int picW, int picH) {
    setScreen(screenW, screenH);
    startOnMonitor(picW, picH);
  }
  // On the monitor already set.
  void startOnMonitor(int picW, int picH) {
    fs.args = {u"/debug"};
    form.FormCreate();
    fs.writeFile(form.tmpDir + u"cover.jpg", fake::jpegHeader(picW, picH));
    form.fitCover();
  }
};

TEST_F(CoverFormTest, DesignedCoverKeepsTheWindow) {
  start(1920, 1080, 1040, 585);
  EXPECT_TRUE(form.formCover);
  EXPECT_EQ(window.window(), (app::Rect{440, 247, 1040, 585}));
  EXPECT_EQ(utf8(memoFrom(u"JPG: [1040x585]")),
            utf8({u"JPG: [1040x585]", u"FormBorder: [0x0]", u"Pic  [1040 x 585]",
                  u"BG.Picture  [1040 x 585]"}));
  EXPECT_EQ(window.background().width, 1040);
  EXPECT_FALSE(window.background().stretch);
}

TEST_F(CoverFormTest, SmallerCoverResizesAndCentres) {
  start(1920, 1080, 800, 450);
  EXPECT_EQ(window.window(), (app::Rect{560, 315, 800, 450}));
  EXPECT_EQ(utf8(memoFrom(u"JPG: [800x450]")),
            utf8({u"JPG: [800x450]", u"FormBorder: [0x0]", u"Nowy Form: [800x450]",
                  u"Pic  [800 x 450]", u"BG.Picture  [800 x 450]", u"Centrujemy  [ 560 - 315 ]"}));
}

TEST_F(CoverFormTest, SmallScreenRescalesAndScalesTheLayout) {
  start(1024, 768, 1040, 585);
  EXPECT_EQ(window.window(), (app::Rect{179, 196, 666, 375}));
  EXPECT_EQ(utf8(memoFrom(u"JPG: [1040x585]")),
            utf8({u"JPG: [1040x585]", u"FormBorder: [0x0]",
                  u"Reskalujemy okładkę do małego ekranu : [1024x768]",
                  u"scaleWidth x scaleHeight : [666x375]", u"Form: [666x375]", u"FormClient: [0x0]",
                  u"Pic  [666 x 375]", u"BG.Picture  [666 x 375]", u"Centrujemy  [ 179 - 196 ]"}));
  EXPECT_EQ(window.background().width, 666);
  EXPECT_EQ(window.background().height, 375);
  const auto at = [&](Ctl c) { return window.control(c).rect; };
  // The pictures keep their place on the cover, scaled by 666/1040.
  EXPECT_EQ(at(Ctl::bnInstallNormal), (app::Rect{447, 338, 97, 32}));
  EXPECT_EQ(at(Ctl::bnCloseNormal), (app::Rect{560, 338, 97, 32}));
  EXPECT_EQ(at(Ctl::gauge), (app::Rect{0, 227, 666, 22}));
  EXPECT_EQ(at(Ctl::BGfinish), (app::Rect{0, 0, 666, 375}));
  // The text keeps its size: the field its height, the caption on top of it.
  EXPECT_EQ(at(Ctl::Edit1), (app::Rect{67, 262, 245, 19}));
  EXPECT_EQ(at(Ctl::StaticText1), (app::Rect{67, 245, 230, 17}));
  EXPECT_EQ(at(Ctl::InfoLabel).top, 245 - (391 - 367));
}

bool overlap(const app::Rect& a, const app::Rect& b) {
  return a.left < b.left + b.width && b.left < a.left + a.width && a.top < b.top + b.height &&
         b.top < a.top + a.height;
}

// Whatever the screen, a scaled window keeps a usable folder field and shows nothing over
// anything else: the controls seen together before an install, each inside the window.
TEST_F(CoverFormTest, ScaledLayoutKeepsTheFieldUsableAndNothingOverlaps) {
  struct Case {
    int screenW, screenH, picW, picH;
  };
  for (const Case c :
       {Case{1024, 768, 1040, 585}, Case{960, 540, 1040, 585}, Case{1280, 720, 1600, 900}}) {
    SCOPED_TRACE(testing::Message() << c.screenW << "x" << c.screenH);
    Form f;
    f.setScreen(c.screenW, c.screenH);
    f.fs.args = {u"/debug"};
    f.form.FormCreate();
    f.fs.writeFile(f.form.tmpDir + u"cover.jpg", fake::jpegHeader(c.picW, c.picH));
    f.form.fitCover();
    const auto& w = f.window;
    EXPECT_GE(w.control(Ctl::Edit1).rect.width, 200);
    // The status label is as wide as its text; a long message reaches the field's width.
    app::Rect label = w.control(Ctl::InfoLabel).rect;
    label.width = w.control(Ctl::Edit1).rect.width;
    const app::Rect shown[] = {label,
                               w.control(Ctl::StaticText1).rect,
                               w.control(Ctl::Edit1).rect,
                               w.control(Ctl::bnInstallNormal).rect,
                               w.control(Ctl::bnCloseNormal).rect,
                               w.control(Ctl::ActivityIndicator).rect};
    for (size_t i = 0; i < std::size(shown); ++i) {
      const app::Rect& r = shown[i];
      EXPECT_TRUE(r.left >= 0 && r.top >= 0 && r.left + r.width <= w.clientWidth() &&
                  r.top + r.height <= w.clientHeight())
          << "control " << i << " leaves the window";
      for (size_t j = i + 1; j < std::size(shown); ++j) {
        EXPECT_FALSE(overlap(r, shown[j])) << "controls " << i << " and " << j << " overlap";
      }
    }
  }
}

TEST_F(CoverFormTest, CentresInTheWorkAreaOfItsMonitor) {
  // A task bar of 40 pixels on the left; the monitor right of the primary one.
  window.setDisplay({{1920, 0, 1280, 720}, {1960, 0, 1240, 720}});
  startOnMonitor(800, 450);
  EXPECT_EQ(window.window(), (app::Rect{1960 + 220, 135, 800, 450}));
  EXPECT_TRUE(memoHas(u"Screen [1280 x 720 ]"));
}

TEST_F(CoverFormTest, UnreadableCoverIsAnUncaughtFailure) {
  fs.args = {u"/debug"};
  form.FormCreate();
  fs.writeFile(form.tmpDir + u"cover.jpg", "not a picture");
  EXPECT_THROW(form.fitCover(), text::Error);
  EXPECT_FALSE(form.formCover);
}

TEST_F(CoverFormTest, NoCoverFileOffersNoPackage) {
  form.FormCreate();
  form.fitCover();
  EXPECT_FALSE(form.formCover);
  EXPECT_EQ(window.infoLabel(), u"Brak pakietu do instalacji !");
}

}  // namespace
}  // namespace apptest
