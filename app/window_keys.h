// The window's keyboard: the Tab order, what Enter, Space and Esc do, where the focus goes when
// the window changes, and when focus cues are drawn. Pure rules over the window model; the view
// turns keys into them and carries out what they say.
#pragma once

#include "app/window_model.h"

namespace app {

// What can hold the keyboard focus: the window itself, or one of its controls in Tab order.
enum class Focus { Window, Edit1, Install, Close };

enum class Key { Tab, BackTab, Enter, Space, Escape };

// An image button's look is enabled when it shows its normal or hover picture: the looks that
// react to a click.
bool installLookEnabled(const WindowModel& m);
bool closeLookEnabled(const WindowModel& m);

// The folder field while it is shown; a button while its look is enabled.
bool canFocus(const WindowModel& m, Focus f);

struct KeyAction {
  enum Kind {
    Pass,       // the focused control handles the key itself (a blank typed into the field)
    Swallow,    // nothing happens
    MoveFocus,  // to `target`
    Activate,   // the button `target`, as a click on it does, without the mouse's enter and leave
  } kind;
  Focus target = Focus::Window;
  bool operator==(const KeyAction&) const = default;
};

class WindowKeys {
 public:
  // A key pressed while `focus` holds the keyboard focus.
  KeyAction press(const WindowModel& m, Focus focus, Key key);

  // Where the focus belongs after the window changed: a control keeps it while it can take it,
  // otherwise the window holds it. At start the folder field takes it once it is shown, unless
  // the keyboard has moved the focus before; on the finish screen Close takes it.
  Focus settle(const WindowModel& m, Focus focus);

  // Focus cues are drawn once the keyboard has been used, as Windows hides them for mouse users.
  bool showFocusCue() const { return keyboardUsed_; }

 private:
  bool keyboardUsed_ = false;
  bool startFocusGiven_ = false;
};

}  // namespace app
