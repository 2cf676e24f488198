// The installer's main window: draws the window model and turns the user's input into calls of
// the form's handlers. Pictures and the busy indicator are painted on the window itself; every
// control that carries text or takes the focus is a real child window, so that it can be read
// from outside. The install runs on a thread of its own (WindowCommands) while the window goes
// on answering; meanwhile the form takes no input from it.
#pragma once

#include <windows.h>

#include <cstddef>
#include <exception>

#include "app/form1.h"
#include "app/win32/button_windows.h"
#include "app/win32/message_window_thread.h"
#include "app/win32/picture_mouse.h"
#include "app/win32/scene.h"
#include "app/window_commands.h"
#include "app/window_keys.h"
#include "platform/win32/gdiplus_session.h"

namespace app::win32 {

class MainWindow {
 public:
  // Control ids of the child windows: 100 + the control's place in the stacking order.
  static int controlId(Ctl c) { return 100 + static_cast<int>(c); }
  // Timer1, the one-shot start-up timer.
  static constexpr UINT_PTR kTimer1 = 1;

  MainWindow(plat::Platform& fs, WindowModel& model, TForm1& form);
  ~MainWindow();
  MainWindow(const MainWindow&) = delete;
  MainWindow& operator=(const MainWindow&) = delete;

  // Creates the window and its controls, starts Timer1, runs the form's creation handler and
  // shows the window.
  void create();
  HWND handle() const { return hwnd_; }
  // The window's keyboard, for the message loop: true when the key message was the window's to
  // handle (Tab, Enter, Space on a button, Esc), and it is not to be dispatched.
  bool translateKey(const MSG& msg);
  bool installing() const { return commands_.installing(); }

 private:
  static LRESULT CALLBACK windowProc(HWND w, UINT msg, WPARAM wp, LPARAM lp);
  static LRESULT CALLBACK labelProc(HWND w, UINT msg, WPARAM wp, LPARAM lp, UINT_PTR id,
                                    DWORD_PTR self);
  static LRESULT CALLBACK edit1Proc(HWND w, UINT msg, WPARAM wp, LPARAM lp, UINT_PTR id,
                                    DWORD_PTR self);
  LRESULT handle(UINT msg, WPARAM wp, LPARAM lp);

  void createControls();
  HFONT fontOf(Ctl c) const { return c == Ctl::InfoLabel ? labelFont_ : font_; }
  // Fonts, pictures and places for the monitor's DPI.
  void applyDpi(int dpi);
  void dpiChanged(int dpi, const RECT& suggested);
  void onModelChange(Change what, Ctl c);
  void placeChild(Ctl c);
  void placeWindow();
  void syncEdit1();
  void syncMemo();
  void invalidatePictures(bool underLabels);
  void startBusyAnimation(bool on);

  void paint();
  template <typename Extra>
  void paintOver(HWND child, HDC dc, Extra&& extra);
  void paintLabel(HWND label);
  void paintButton(const DRAWITEMSTRUCT& item);
  void mouseMoved(int x, int y);
  void releaseHeldMouse();
  void follow(std::vector<MouseAction> actions);
  void run(MouseAction action);
  template <typename Handler>
  void call(Handler&& handler);

  void startInstall();
  void installEnded(std::exception_ptr error);
  void activate(Focus button);
  Focus focusNow() const;
  void moveFocus(Focus to);
  void settleFocus();

  plat::Platform& platform_;
  WindowModel& model_;
  TForm1& form_;
  plat::win32::GdiplusSession gdiplus_;  // before scene_, which decodes pictures
  Scene scene_;
  PictureMouse mouse_;
  MessageWindowThread windowThread_;
  WindowCommands commands_;
  WindowKeys keys_;
  ButtonWindows buttons_;

  Scale scale_;
  HWND hwnd_ = nullptr;
  HWND children_[kControlCount] = {};
  HFONT font_ = nullptr;
  HFONT labelFont_ = nullptr;
  HBRUSH white_ = nullptr;
  bool trackingMouse_ = false;  // the mouse is in the client area
  POINT lastMouse_{};
  bool mouseHeld_ = false;  // the mouse moved or left while an install ran
  Focus focusWhenInactive_ = Focus::Window;
  bool syncingEdit1_ = false;
  bool busyRunning_ = false;
  size_t memoShown_ = 0;
};

}  // namespace app::win32
