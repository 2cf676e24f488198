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
    fs.args = {u"/debug"};
    fs.screen = {screenW, screenH};
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

TEST_F(CoverFormTest, SmallScreenRescalesAndMovesTheControls) {
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
  EXPECT_EQ(at(Ctl::bnInstallNormal), (app::Rect{324, 317, 151, 50}));
  EXPECT_EQ(at(Ctl::bnCloseNormal), (app::Rect{500, 317, 151, 50}));
  EXPECT_EQ(at(Ctl::Edit1).width, 9);
  EXPECT_EQ(at(Ctl::gauge), (app::Rect{0, 354, 1040, 34}));
  EXPECT_EQ(at(Ctl::gaugeBG), (app::Rect{0, 0, 1040, 57}));
  EXPECT_EQ(375 - at(Ctl::InfoLabel).top, 585 - 367);
  EXPECT_EQ(at(Ctl::BGfinish), (app::Rect{0, 0, 666, 375}));
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
