#include "app/window_model.h"

#include <algorithm>
#include <cmath>

namespace app {

namespace {

struct Layout {
  Ctl ctl;
  Rect rect;
  unsigned anchors;
  bool visible;
};

// The designed 1040 x 585 layout.
constexpr unsigned kAll = akLeft | akTop | akRight | akBottom;
constexpr Layout kLayout[] = {
    {Ctl::BGfinish, {0, 0, 1040, 585}, kAll, false},
    {Ctl::BG, {0, 0, 1040, 585}, kAll, true},
    {Ctl::InfoLabel, {105, 367, 0, 15}, akLeft | akBottom, true},
    {Ctl::bnCloseDisable, {874, 527, 151, 50}, akRight | akBottom, false},
    {Ctl::bnCloseActive, {874, 527, 151, 50}, akRight | akBottom, false},
    {Ctl::bnCloseHover, {874, 527, 151, 50}, akRight | akBottom, false},
    {Ctl::bnCloseNormal, {874, 527, 151, 50}, akRight | akBottom, true},
    {Ctl::bnInstallActive, {698, 527, 151, 50}, akRight | akBottom, false},
    {Ctl::bnInstallDisable, {698, 527, 151, 50}, akRight | akBottom, true},
    {Ctl::bnInstallHover, {698, 527, 151, 50}, akRight | akBottom, false},
    {Ctl::bnInstallNormal, {698, 527, 151, 50}, akRight | akBottom, false},
    {Ctl::gauge, {0, 354, 1040, 34}, akLeft | akTop, false},
    {Ctl::gaugeBG, {0, 0, 1040, 57}, akLeft | akTop, false},
    {Ctl::infoBox, {400, 5, 635, 87}, akLeft | akTop | akRight, false},
    {Ctl::Edit1, {105, 408, pkg::kFolderFieldWidth, 19}, akLeft | akRight | akBottom, false},
    {Ctl::StaticText1, {105, 391, 230, 17}, akLeft | akBottom, false},
    {Ctl::ActivityIndicator, {935, 454, 64, 64}, 0, true},
    {Ctl::FinishText, {120, 250, 800, 80}, kAll, false},
};

// The table lists every control in stacking order, so a control's row is found by its place.
constexpr bool inStackingOrder() {
  int i = 0;
  for (const auto& l : kLayout) {
    if (static_cast<int>(l.ctl) != i++) return false;
  }
  return i == kControlCount;
}
static_assert(inStackingOrder());

const Layout& designOf(Ctl c) {
  return kLayout[static_cast<int>(c)];
}

// How a control follows a window whose whole layout scales.
enum class Scaling {
  Stretch,  // with the window, on each axis
  Picture,  // keeps its proportions: by the smaller of the two factors
  Text,     // holds text: never smaller than designed
};

Scaling scalingOf(Ctl c) {
  switch (c) {
    case Ctl::InfoLabel:
    case Ctl::Edit1:
    case Ctl::StaticText1:
      return Scaling::Text;
    case Ctl::BGfinish:
    case Ctl::BG:
    case Ctl::gauge:
    case Ctl::gaugeBG:
    case Ctl::infoBox:
    case Ctl::FinishText:
      return Scaling::Stretch;
    default:
      return Scaling::Picture;
  }
}

int scaled(int v, double f) {
  return static_cast<int>(std::lround(v * f));
}

Rect scaledRect(Ctl c, double sx, double sy) {
  const Rect& d = designOf(c).rect;
  Rect r{scaled(d.left, sx), scaled(d.top, sy), scaled(d.width, sx), scaled(d.height, sy)};
  switch (scalingOf(c)) {
    case Scaling::Stretch:
      break;
    case Scaling::Picture: {
      const double s = std::min(sx, sy);
      r.width = scaled(d.width, s);
      r.height = scaled(d.height, s);
      break;
    }
    case Scaling::Text:
      if (c != Ctl::Edit1) r.width = std::max(r.width, d.width);  // the field stretches
      r.height = std::max(r.height, d.height);
      break;
  }
  return r;
}

// One axis of the anchor rule: both edges stretch, the far edge moves, none keeps the centre
// at the same relative place, the near edge (or nothing said) keeps the place.
void anchorAxis(int& pos, int& len, bool nearEdge, bool farEdge, int oldTotal, int newTotal) {
  const int d = newTotal - oldTotal;
  if (nearEdge && farEdge) {
    len += d;
  } else if (farEdge) {
    pos += d;
  } else if (!nearEdge && oldTotal > 0) {
    const double centre = (pos + len / 2.0) * newTotal / oldTotal;
    pos = static_cast<int>(centre - len / 2.0);
  }
}

}  // namespace

WindowModel::WindowModel() {
  for (const auto& l : kLayout) {
    auto& c = controls_[static_cast<int>(l.ctl)];
    c.rect = l.rect;
    c.anchors = l.anchors;
    c.visible = l.visible;
  }
  staticText1_ = u"Miejsce instalacji pakietu, zmień jeśli konieczne.";
}

void WindowModel::write(const std::function<void()>& change) {
  if (changeRunner) {
    changeRunner(change);
  } else {
    change();
  }
}

void WindowModel::notify(Change what, Ctl c) {
  if (onChange) onChange(what, c);
}

void WindowModel::setVisible(Ctl c, bool v) {
  auto& s = controls_[static_cast<int>(c)];
  if (s.visible == v) return;
  write([&] {
    s.visible = v;
    notify(Change::Control, c);
  });
}

void WindowModel::setEnabled(Ctl c, bool e) {
  auto& s = controls_[static_cast<int>(c)];
  if (s.enabled == e) return;
  write([&] {
    s.enabled = e;
    notify(Change::Control, c);
  });
}

void WindowModel::setInfoLabel(const Text& t) {
  write([&] {
    infoLabel_ = t;
    notify(Change::Texts, Ctl::InfoLabel);
  });
}

void WindowModel::appendMemo(const Text& line) {
  write([&] {
    memo_.push_back(line);
    notify(Change::Memo, Ctl::infoBox);
  });
}

void WindowModel::setEdit1(const Text& t) {
  if (t == edit1_) return;
  write([&] {
    edit1_ = t;
    notify(Change::Texts, Ctl::Edit1);
  });
  if (onEdit1Change) onEdit1Change();
}

void WindowModel::setGauge(int percent) {
  if (percent < 0) percent = 0;
  if (percent > 100) percent = 100;
  if (percent == gauge_) return;
  write([&] {
    gauge_ = percent;
    notify(Change::Gauge, Ctl::gauge);
  });
}

void WindowModel::applyAnchors(int oldW, int oldH) {
  const int newW = clientWidth();
  const int newH = clientHeight();
  for (auto& c : controls_) {
    anchorAxis(c.rect.left, c.rect.width, c.anchors & akLeft, c.anchors & akRight, oldW, newW);
    anchorAxis(c.rect.top, c.rect.height, c.anchors & akTop, c.anchors & akBottom, oldH, newH);
  }
}

void WindowModel::setWindowSize(int width, int height) {
  write([&] {
    const int oldW = clientWidth();
    const int oldH = clientHeight();
    window_.width = width;
    window_.height = height;
    applyAnchors(oldW, oldH);
    notify(Change::Window);
  });
}

void WindowModel::scaleWindowTo(int width, int height) {
  write([&] {
    window_.width = width;
    window_.height = height;
    const double sx = static_cast<double>(clientWidth()) / kDesignWidth;
    const double sy = static_cast<double>(clientHeight()) / kDesignHeight;
    for (int i = 0; i < kControlCount; ++i) {
      controls_[i].rect = scaledRect(static_cast<Ctl>(i), sx, sy);
    }
    // Text does not shrink with the picture: the caption sits on the field as designed, and the
    // status label keeps its designed distance above the caption.
    Rect& field = controls_[static_cast<int>(Ctl::Edit1)].rect;
    Rect& caption = controls_[static_cast<int>(Ctl::StaticText1)].rect;
    Rect& label = controls_[static_cast<int>(Ctl::InfoLabel)].rect;
    const int labelAboveCaption =
        designOf(Ctl::StaticText1).rect.top - designOf(Ctl::InfoLabel).rect.top;
    caption.top = field.top - caption.height;
    label.top = caption.top - labelAboveCaption;
    notify(Change::Window);
  });
}

void WindowModel::setCaption(const Text& t) {
  write([&] {
    caption_ = t;
    notify(Change::Caption);
  });
}

void WindowModel::setWindowPos(int left, int top) {
  write([&] {
    window_.left = left;
    window_.top = top;
    notify(Change::Window);
  });
}

void WindowModel::setBackground(const Picture& p) {
  write([&] {
    background_ = p;
    notify(Change::Picture, Ctl::BG);
  });
}

void WindowModel::setControlSize(Ctl c, int width, int height) {
  auto& s = controls_[static_cast<int>(c)];
  write([&] {
    s.rect.width = width;
    s.rect.height = height;
    notify(Change::Control, c);
  });
}

}  // namespace app
