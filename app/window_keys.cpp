#include "app/window_keys.h"

#include <array>

namespace app {

namespace {

constexpr std::array<Focus, 3> kTabOrder = {Focus::Edit1, Focus::Install, Focus::Close};

bool showsReactingLook(const WindowModel& m, Ctl normal, Ctl hover) {
  return (m.visible(normal) && m.enabled(normal)) || (m.visible(hover) && m.enabled(hover));
}

// The next control after `from` in Tab order (backwards for Shift+Tab) that can take the focus,
// round and round; from the window itself, the first (or last) one.
Focus nextInTabOrder(const WindowModel& m, Focus from, bool backwards) {
  const int n = static_cast<int>(kTabOrder.size());
  int at = backwards ? n : -1;
  for (int i = 0; i < n; ++i) {
    if (kTabOrder[i] == from) at = i;
  }
  for (int step = 1; step <= n; ++step) {
    const int i = ((at + (backwards ? -step : step)) % n + n) % n;
    if (canFocus(m, kTabOrder[i])) return kTabOrder[i];
  }
  return Focus::Window;
}

}  // namespace

bool installLookEnabled(const WindowModel& m) {
  return showsReactingLook(m, Ctl::bnInstallNormal, Ctl::bnInstallHover);
}

bool closeLookEnabled(const WindowModel& m) {
  return showsReactingLook(m, Ctl::bnCloseNormal, Ctl::bnCloseHover);
}

bool canFocus(const WindowModel& m, Focus f) {
  switch (f) {
    case Focus::Edit1:
      return m.visible(Ctl::Edit1);
    case Focus::Install:
      return installLookEnabled(m);
    case Focus::Close:
      return closeLookEnabled(m);
    case Focus::Window:
      break;
  }
  return true;
}

KeyAction WindowKeys::press(const WindowModel& m, Focus focus, Key key) {
  const bool onButton = (focus == Focus::Install || focus == Focus::Close) && canFocus(m, focus);
  if (key == Key::Space && !onButton) return {KeyAction::Pass};
  keyboardUsed_ = true;
  switch (key) {
    case Key::Tab:
    case Key::BackTab: {
      const Focus next = nextInTabOrder(m, focus, key == Key::BackTab);
      if (next == Focus::Window) return {KeyAction::Swallow};
      startFocusGiven_ = true;
      return {KeyAction::MoveFocus, next};
    }
    case Key::Enter:
    case Key::Space:
      if (onButton) return {KeyAction::Activate, focus};
      return {KeyAction::Swallow};
    case Key::Escape:
      if (closeLookEnabled(m)) return {KeyAction::Activate, Focus::Close};
      return {KeyAction::Swallow};
  }
  return {KeyAction::Swallow};
}

Focus WindowKeys::settle(const WindowModel& m, Focus focus) {
  if (!canFocus(m, focus)) focus = Focus::Window;
  if (focus == Focus::Window && !startFocusGiven_ && canFocus(m, Focus::Edit1)) {
    startFocusGiven_ = true;
    return Focus::Edit1;
  }
  // The finish screen's one control: a screen reader reads it with the finish message.
  if (focus == Focus::Window && m.visible(Ctl::BGfinish) && canFocus(m, Focus::Close)) {
    return Focus::Close;
  }
  return focus;
}

}  // namespace app
