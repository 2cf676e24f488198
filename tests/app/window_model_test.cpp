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
