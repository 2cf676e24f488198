#include "app/win32/picture_mouse.h"

#include <array>

namespace app::win32 {

struct PictureRole {
  Ctl ctl;
  Pointer pointer;
  std::optional<MouseAction> enter, leave, click;
};

namespace {

using Role = PictureRole;

// The image-button pictures, from the top of the stacking order down. The full-window pictures
// and the progress backdrop ignore the mouse.
const std::array<Role, 8> kRoles = {{
    {Ctl::bnInstallNormal, Pointer::Hand, MouseAction::InstallEnter, {}, {}},
    {Ctl::bnInstallHover, Pointer::Hand, {}, MouseAction::InstallLeave, MouseAction::InstallClick},
    {Ctl::bnInstallDisable, Pointer::NotAllowed, {}, {}, {}},
    {Ctl::bnInstallActive, Pointer::Arrow, {}, {}, {}},
    {Ctl::bnCloseNormal, Pointer::Hand, MouseAction::CloseEnter, {}, MouseAction::CloseClick},
    {Ctl::bnCloseHover, Pointer::Hand, {}, MouseAction::CloseLeave, MouseAction::CloseClick},
    {Ctl::bnCloseActive, Pointer::Arrow, {}, {}, {}},
    {Ctl::bnCloseDisable, Pointer::NotAllowed, {}, {}, {}},
}};

bool contains(const Rect& r, int x, int y) {
  return x >= r.left && y >= r.top && x < r.left + r.width && y < r.top + r.height;
}

template <typename Accept>
const Role* topmostAt(const WindowModel& model, int x, int y, Accept accept) {
  for (const auto& r : kRoles) {
    const auto& s = model.control(r.ctl);
    if (s.visible && accept(s) && contains(s.rect, x, y)) return &r;
  }
  return nullptr;
}

}  // namespace

Pointer pointerAt(const WindowModel& model, int x, int y) {
  const Role* r = topmostAt(model, x, y, [](const ControlState&) { return true; });
  return r ? r->pointer : Pointer::Arrow;
}

namespace {

const Role* reactingRoleAt(const WindowModel& model, int x, int y) {
  return topmostAt(model, x, y, [](const ControlState& s) { return s.enabled; });
}

}  // namespace

std::optional<Ctl> reactingPictureAt(const WindowModel& model, int x, int y) {
  const Role* r = reactingRoleAt(model, x, y);
  if (!r) return std::nullopt;
  return r->ctl;
}

std::vector<MouseAction> PictureMouse::move(const WindowModel& model, int x, int y) {
  const Role* now = reactingRoleAt(model, x, y);
  if (now == hot_) return {};
  std::vector<MouseAction> out = leave();
  if (now && now->enter) out.push_back(*now->enter);
  hot_ = now;
  return out;
}

std::vector<MouseAction> PictureMouse::leave() {
  std::vector<MouseAction> out;
  if (hot_ && hot_->leave) out.push_back(*hot_->leave);
  hot_ = nullptr;
  return out;
}

void PictureMouse::press(const WindowModel& model, int x, int y) {
  pressed_ = reactingRoleAt(model, x, y);
}

std::optional<MouseAction> PictureMouse::release(const WindowModel& model, int x, int y) {
  const Role* down = pressed_;
  pressed_ = nullptr;
  if (!down || reactingRoleAt(model, x, y) != down) return std::nullopt;
  return down->click;
}

}  // namespace app::win32
