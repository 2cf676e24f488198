#include "app/win32/scene.h"

#include <algorithm>

#include "resources/resource_ids.h"

namespace app::win32 {

namespace {

struct DesignedPicture {
  Ctl ctl;
  int resource;
};

const DesignedPicture kDesigned[] = {
    {Ctl::BGfinish, IDP_FINISH},
    {Ctl::BG, IDP_BACKGROUND},
    {Ctl::bnCloseDisable, IDP_CLOSE_DISABLE},
    {Ctl::bnCloseActive, IDP_CLOSE_ACTIVE},
    {Ctl::bnCloseHover, IDP_CLOSE_HOVER},
    {Ctl::bnCloseNormal, IDP_CLOSE_NORMAL},
    {Ctl::bnInstallActive, IDP_INSTALL_ACTIVE},
    {Ctl::bnInstallDisable, IDP_INSTALL_DISABLE},
    {Ctl::bnInstallHover, IDP_INSTALL_HOVER},
    {Ctl::bnInstallNormal, IDP_INSTALL_NORMAL},
    {Ctl::gaugeBG, IDP_GAUGE_BG},
};

bool isOpaque(Ctl c) {
  return c == Ctl::BG || c == Ctl::BGfinish;
}

std::vector<uint8_t> readAll(plat::Platform& fs, const Text& path) {
  auto file = fs.open(path, plat::OpenMode::Read);
  std::vector<uint8_t> bytes(static_cast<size_t>(file->size()));
  bytes.resize(file->readAt(0, bytes.data(), bytes.size()));
  return bytes;
}

}  // namespace

Scene::Scene() {
  for (const auto& d : kDesigned) {
    designed_[static_cast<int>(d.ctl)] =
        std::make_unique<Image>(resourceBytes(d.resource), u"#" + text::num(d.resource));
  }
}

void Scene::setBackground(plat::Platform& fs, const Picture& background) {
  if (background.path.empty()) {
    cover_.reset();
    return;
  }
  cover_ = std::make_unique<Image>(readAll(fs, background.path), background.path);
  coverShape_ = background;
}

namespace {

void drawIn(Image& picture, HDC dc, const RECT& r, bool opaque) {
  picture.draw(dc, r.left, r.top, r.right - r.left, r.bottom - r.top, opaque);
}

}  // namespace

void Scene::paintBackground(HDC dc, const ControlState& bg, const Scale& scale) {
  const RECT r = scale.px(bg.rect);
  if (!cover_) {
    drawIn(*designed_[static_cast<int>(Ctl::BG)], dc, r, true);
    return;
  }
  if (coverShape_.stretch) {
    drawIn(*cover_, dc, r, true);
    return;
  }
  // Drawn at its own size from the top-left corner, cut to the control.
  const int saved = SaveDC(dc);
  IntersectClipRect(dc, r.left, r.top, r.right, r.bottom);
  drawIn(*cover_, dc,
         scale.px(Rect{bg.rect.left, bg.rect.top, coverShape_.width, coverShape_.height}), true);
  RestoreDC(dc, saved);
}

void Scene::paint(HDC dc, const WindowModel& model, const Scale& scale) {
  for (int i = 0; i < kControlCount; ++i) {
    const Ctl c = static_cast<Ctl>(i);
    const ControlState& s = model.control(c);
    if (!s.visible) continue;
    const RECT r = scale.px(s.rect);
    if (c == Ctl::BG) {
      paintBackground(dc, s, scale);
    } else if (designed_[i]) {
      drawIn(*designed_[i], dc, r, isOpaque(c));
    } else if (c == Ctl::ActivityIndicator) {
      const int size = std::min(r.right - r.left, r.bottom - r.top);
      if (!busy_ || busy_->width() != size || busyDrawn_ != busyFrame_) {
        busy_ = std::make_unique<Dib>(size, size);
        busy_->draw([&](Gdiplus::Graphics& g) { drawBusyFrame(g, size, busyFrame_); });
        busyDrawn_ = busyFrame_;
      }
      busy_->blit(dc, r.left, r.top, false);
    }
  }
}

}  // namespace app::win32
