// The window's keyboard over the looks the form gives its buttons: Tab order, Enter, Space and
// Esc, where the focus goes when the window changes, and when focus cues appear.
#include "app/window_keys.h"

#include <gtest/gtest.h>

#include "tests/support/form_fixture.h"

namespace {

using app::Focus;
using app::Key;
using app::KeyAction;
using app::WindowKeys;

enum class Screen { Idle, InstallDisabled, InstallHover, Installing, Finished };

class WindowKeysTest : public apptest::FormTest {
 protected:
  // The window as the user meets it at each stage, made by the form's own operations.
  void show(Screen screen) {
    form.bnCloseSetEnable();
    window.setVisible(app::Ctl::Edit1, true);
    form.bnInstallSetEnable();
    switch (screen) {
      case Screen::Idle:
        break;
      case Screen::InstallDisabled:
        form.bnInstallSetDisable();
        break;
      case Screen::InstallHover:
        form.bnInstallEnter();
        break;
      case Screen::Installing:
        window.setVisible(app::Ctl::Edit1, false);
        form.bnInstallSetActive();
        form.bnCloseSetDisable();
        break;
      case Screen::Finished:
        window.setVisible(app::Ctl::Edit1, false);
        form.SetFinish();
        form.bnCloseSetEnable();
        break;
    }
  }

  // Where Tab (or Shift+Tab) takes the focus, pressed again and again from the window itself.
  std::vector<Focus> tabbing(Key key, int presses) {
    std::vector<Focus> visited;
    Focus at = Focus::Window;
    for (int i = 0; i < presses; ++i) {
      const KeyAction a = keys.press(window, at, key);
      if (a.kind != KeyAction::MoveFocus) break;
      at = a.target;
      visited.push_back(at);
    }
    return visited;
  }

  WindowKeys keys;
};

TEST_F(WindowKeysTest, TabVisitsTheFieldThenInstallThenCloseSkippingWhatCannotTakeTheFocus) {
  using F = Focus;
  const struct {
    Screen screen;
    std::vector<Focus> forward, backward;
  } cases[] = {
      {Screen::Idle, {F::Edit1, F::Install, F::Close, F::Edit1}, {F::Close, F::Install, F::Edit1}},
      {Screen::InstallHover, {F::Edit1, F::Install, F::Close}, {F::Close, F::Install, F::Edit1}},
      {Screen::InstallDisabled, {F::Edit1, F::Close, F::Edit1}, {F::Close, F::Edit1, F::Close}},
      {Screen::Installing, {}, {}},
      {Screen::Finished, {F::Close, F::Close}, {F::Close}},
  };
  for (const auto& c : cases) {
    show(c.screen);
    EXPECT_EQ(tabbing(Key::Tab, static_cast<int>(c.forward.size())), c.forward)
        << static_cast<int>(c.screen);
    EXPECT_EQ(tabbing(Key::BackTab, static_cast<int>(c.backward.size())), c.backward)
        << static_cast<int>(c.screen);
  }
}

TEST_F(WindowKeysTest, EnterSpaceAndEscActivateOnlyButtonsWhoseLookIsEnabled) {
  const KeyAction pass{KeyAction::Pass}, swallow{KeyAction::Swallow};
  const KeyAction install{KeyAction::Activate, Focus::Install};
  const KeyAction close{KeyAction::Activate, Focus::Close};
  const struct {
    Screen screen;
    Focus focus;
    Key key;
    KeyAction action;
  } cases[] = {
      {Screen::Idle, Focus::Install, Key::Enter, install},
      {Screen::Idle, Focus::Install, Key::Space, install},
      {Screen::InstallHover, Focus::Install, Key::Enter, install},
      {Screen::Idle, Focus::Close, Key::Enter, close},
      {Screen::Idle, Focus::Close, Key::Space, close},
      {Screen::Idle, Focus::Edit1, Key::Enter, swallow},  // Enter in the field does nothing
      {Screen::Idle, Focus::Edit1, Key::Space, pass},     // a blank typed into the field
      {Screen::Idle, Focus::Edit1, Key::Escape, close},
      {Screen::Idle, Focus::Window, Key::Escape, close},
      {Screen::InstallDisabled, Focus::Install, Key::Enter, swallow},
      {Screen::InstallDisabled, Focus::Install, Key::Space, pass},
      {Screen::Installing, Focus::Install, Key::Enter, swallow},
      {Screen::Installing, Focus::Close, Key::Space, pass},
      {Screen::Installing, Focus::Window, Key::Escape, swallow},
      {Screen::Finished, Focus::Close, Key::Enter, close},
      {Screen::Finished, Focus::Window, Key::Escape, close},
      {Screen::Finished, Focus::Window, Key::Enter, swallow},
  };
  for (const auto& c : cases) {
    show(c.screen);
    EXPECT_EQ(keys.press(window, c.focus, c.key), c.action)
        << "screen " << static_cast<int>(c.screen) << ", focus " << static_cast<int>(c.focus)
        << ", key " << static_cast<int>(c.key);
  }
}

TEST_F(WindowKeysTest, TheFieldTakesTheFocusOnceWhenFirstShown) {
  // Before the start-up has shown the field, the window itself holds the focus.
  EXPECT_EQ(keys.settle(window, Focus::Window), Focus::Window);
  window.setVisible(app::Ctl::Edit1, true);
  EXPECT_EQ(keys.settle(window, Focus::Window), Focus::Edit1);
  // Only at start: a focus the user has put on the window stays there.
  EXPECT_EQ(keys.settle(window, Focus::Window), Focus::Window);
}

TEST_F(WindowKeysTest, TheFieldDoesNotTakeTheFocusTheKeyboardHasMovedBefore) {
  form.bnCloseSetEnable();
  EXPECT_EQ(keys.press(window, Focus::Window, Key::Tab),
            (KeyAction{KeyAction::MoveFocus, Focus::Close}));
  window.setVisible(app::Ctl::Edit1, true);
  EXPECT_EQ(keys.settle(window, Focus::Close), Focus::Close);
}

TEST_F(WindowKeysTest, AControlThatCanNoLongerTakeTheFocusLeavesItToTheWindow) {
  show(Screen::Idle);
  EXPECT_EQ(keys.settle(window, Focus::Install), Focus::Install);
  form.bnInstallEnter();  // the mouse over it: still enabled
  EXPECT_EQ(keys.settle(window, Focus::Install), Focus::Install);
  show(Screen::Installing);
  EXPECT_EQ(keys.settle(window, Focus::Install), Focus::Window);
  EXPECT_EQ(keys.settle(window, Focus::Close), Focus::Window);
  EXPECT_EQ(keys.settle(window, Focus::Edit1), Focus::Window);
  show(Screen::Finished);
  EXPECT_EQ(keys.settle(window, Focus::Close), Focus::Close);
  EXPECT_EQ(keys.settle(window, Focus::Window), Focus::Close);  // the finish screen's one control
}

TEST_F(WindowKeysTest, FocusCuesAppearOnceTheKeyboardIsUsed) {
  show(Screen::Idle);
  EXPECT_FALSE(keys.showFocusCue());
  keys.press(window, Focus::Edit1, Key::Space);  // typing is no use of the keyboard's navigation
  EXPECT_FALSE(keys.showFocusCue());
  keys.press(window, Focus::Edit1, Key::Tab);
  EXPECT_TRUE(keys.showFocusCue());
}

}  // namespace
