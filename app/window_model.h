// The window as data: which pictures are visible and enabled, the texts of the text controls,
// the gauge, the window's size and place. TForm1 changes only this model; the Win32 layer draws
// it and feeds user input back (typing into the folder field, mouse over the image buttons).
#pragma once

#include <array>
#include <functional>
#include <vector>

#include "archive/cover_fit.h"
#include "platform/text.h"

namespace app {

using text::Text;

// In stacking order from the bottom.
enum class Ctl {
  BGfinish,
  BG,
  InfoLabel,
  bnCloseDisable,
  bnCloseActive,
  bnCloseHover,
  bnCloseNormal,
  bnInstallActive,
  bnInstallDisable,
  bnInstallHover,
  bnInstallNormal,
  gauge,
  gaugeBG,
  infoBox,
  Edit1,
  StaticText1,
  ActivityIndicator,
  FinishText,  // the finish picture's message as text, over its headline; draws nothing itself
  Count
};
constexpr int kControlCount = static_cast<int>(Ctl::Count);

enum Anchor : unsigned { akLeft = 1, akTop = 2, akRight = 4, akBottom = 8 };

struct Rect {
  int left = 0;
  int top = 0;
  int width = 0;
  int height = 0;
  bool operator==(const Rect&) const = default;
};

struct ControlState {
  Rect rect;
  unsigned anchors = 0;
  bool visible = false;
  bool enabled = true;
};

// A picture shown by BG: the file it comes from, drawn scaled to width x height from the
// top-left corner (the cover), or stretched to the control (the designed background).
struct Picture {
  Text path;  // empty: the designed picture from the resources
  int width = 0;
  int height = 0;
  bool stretch = true;
};

// The monitor the window is on, in logical pixels (96 to the inch, whatever the monitor's DPI):
// its whole area and its work area (without the task bar).
struct Display {
  Rect screen;
  Rect workArea;
};

// What changed, for the view.
enum class Change { Control, Texts, Memo, Gauge, Window, Picture, Caption };

class WindowModel {
 public:
  static constexpr int kDesignWidth = pkg::kCoverWidth;
  static constexpr int kDesignHeight = pkg::kCoverHeight;
  static constexpr char16_t kCaption[] = u"Instalator bibliotek CAD";
  // The message of the finish picture's headline, as text for screen readers.
  static constexpr char16_t kFinishText[] = u"Instalacja zakończona pomyślnie.";

  WindowModel();

  const ControlState& control(Ctl c) const { return controls_[static_cast<int>(c)]; }
  bool visible(Ctl c) const { return control(c).visible; }
  bool enabled(Ctl c) const { return control(c).enabled; }
  void setVisible(Ctl c, bool v);
  void setEnabled(Ctl c, bool e);

  // Status label (InfoLabel).
  const Text& infoLabel() const { return infoLabel_; }
  void setInfoLabel(const Text& t);

  // Log memo (infoBox).
  const std::vector<Text>& memoLines() const { return memo_; }
  void appendMemo(const Text& line);

  // Folder field (Edit1). Assigning a different text fires the change handler at once;
  // assigning an equal text does nothing.
  const Text& edit1() const { return edit1_; }
  void setEdit1(const Text& t);
  std::function<void()> onEdit1Change;

  const Text& staticText1() const { return staticText1_; }

  // Gauge, 0..100. The view must redraw it at once on every change.
  int gauge() const { return gauge_; }
  void setGauge(int percent);

  // Window: outer size and position; the client size is the outer size less the frame.
  const Rect& window() const { return window_; }
  int clientWidth() const { return window_.width - frameWidth_; }
  int clientHeight() const { return window_.height - frameHeight_; }
  // Resizes the window, moving and stretching the controls by their anchors.
  void setWindowSize(int width, int height);
  // Resizes the window and scales the designed layout with it: each control keeps its place on
  // the picture. The pictures scale with the window; the text controls keep at least their
  // designed size, and the folder field's caption and the status label stay above the field.
  void scaleWindowTo(int width, int height);
  void setWindowPos(int left, int top);

  const Picture& background() const { return background_; }
  void setBackground(const Picture& p);
  void setControlSize(Ctl c, int width, int height);

  // Set by the view before the window is created, and again when it moves to another monitor.
  const Display& display() const { return display_; }
  void setDisplay(const Display& d) { display_ = d; }

  // The window's caption, which screen readers read as its name.
  const Text& caption() const { return caption_; }
  void setCaption(const Text& t);

  // The view listens to every change.
  std::function<void(Change, Ctl)> onChange;

  // Makes each change of the model (the write and its onChange) where the view lives. Unset,
  // changes are made at once. The view sets it so that a step working on a thread of its own
  // has every change made on the window's thread, in order, while the step waits.
  std::function<void(const std::function<void()>& change)> changeRunner;

 private:
  void write(const std::function<void()>& change);
  void notify(Change what, Ctl c = Ctl::Count);
  void applyAnchors(int dw, int dh);

  std::array<ControlState, kControlCount> controls_{};
  Text infoLabel_;
  std::vector<Text> memo_;
  Text edit1_;
  Text staticText1_;
  int gauge_ = 0;
  Rect window_{0, 0, kDesignWidth, kDesignHeight};
  int frameWidth_ = 0;
  int frameHeight_ = 0;
  Picture background_;
  Display display_{{0, 0, kDesignWidth, kDesignHeight}, {0, 0, kDesignWidth, kDesignHeight}};
  Text caption_ = kCaption;
};

}  // namespace app
