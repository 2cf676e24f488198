// The window model's change events (the folder field and the gauge) and its anchors.
#include "app/window_model.h"

#include <gtest/gtest.h>

#include <utility>

namespace {

using app::Change;
using app::Ctl;

TEST(WindowModel, FolderFieldFiresOnlyOnARealChange) {
  app::WindowModel w;
  int fired = 0;
  w.onEdit1Change = [&] { ++fired; };
  w.setEdit1(u"C:\\");
  w.setEdit1(u"C:\\");
  w.setEdit1(u"D:\\");
  EXPECT_EQ(fired, 2);
  EXPECT_EQ(w.edit1(), u"D:\\");
}

TEST(WindowModel, EveryGaugeChangeIsAnnouncedOnce) {
  app::WindowModel w;
  std::vector<int> drawn;
  w.onChange = [&](Change what, Ctl) {
    if (what == Change::Gauge) drawn.push_back(w.gauge());
  };
  for (int v : {0, 12, 12, 50, 100, 150}) w.setGauge(v);
  EXPECT_EQ(drawn, (std::vector<int>{12, 50, 100}));
}

// The view decides where changes are made: each real change goes through its runner once,
// together with its announcement; the folder field's handler runs on the caller's side.
TEST(WindowModel, EveryChangeAndItsAnnouncementGoThroughTheChangeRunner) {
  app::WindowModel w;
  int running = 0, ran = 0, announcedOutside = 0, handlerInside = 0;
  w.changeRunner = [&](const std::function<void()>& change) {
    ++running;
    change();
    --running;
    ++ran;
  };
  w.onChange = [&](Change, Ctl) { announcedOutside += running == 0; };
  w.onEdit1Change = [&] { handlerInside += running != 0; };
  w.setVisible(Ctl::gauge, true);
  w.setVisible(Ctl::gauge, true);  // no change
  w.setEnabled(Ctl::bnInstallNormal, false);
  w.setInfoLabel(u"Brak danych pakietu !");
  w.appendMemo(u"Inicjalizacja.");
  w.setEdit1(u"D:\\");
  w.setGauge(40);
  w.setGauge(40);  // no change
  w.setWindowSize(800, 450);
  w.setWindowPos(560, 315);
  w.setBackground({u"C:\\tmp\\cover.jpg", 800, 450, false});
  w.setControlSize(Ctl::BG, 800, 450);
  EXPECT_EQ(ran, 10);
  EXPECT_EQ(announcedOutside, 0);
  EXPECT_EQ(handlerInside, 0);
  EXPECT_TRUE(w.visible(Ctl::gauge));
  EXPECT_EQ(w.gauge(), 40);
  EXPECT_EQ(w.memoLines().size(), 1u);
}

TEST(WindowModel, ControlWithoutAnchorsKeepsItsRelativeCentre) {
  app::WindowModel w;
  w.setWindowSize(520, 585);
  const auto& r = w.control(Ctl::ActivityIndicator).rect;
  EXPECT_EQ(r.left + r.width / 2, (935 + 32) / 2);
  EXPECT_EQ(r.width, 64);
}

// mkinstaller refuses covers narrower than kNarrowestWindowWidth, relying on this.
TEST(WindowModel, FolderFieldKeepsAWidthDownToTheNarrowestWindow) {
  for (const auto& [width, fieldWidth] :
       {std::pair{pkg::kCoverWidth, pkg::kFolderFieldWidth}, std::pair{666, 9},
        std::pair{pkg::kNarrowestWindowWidth, 1}, std::pair{pkg::kNarrowestWindowWidth - 1, 0}}) {
    app::WindowModel w;
    w.setWindowSize(width, 585);
    EXPECT_EQ(w.control(Ctl::Edit1).rect.width, fieldWidth) << width;
  }
}

}  // namespace
