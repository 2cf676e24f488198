// The installer's main window: draws the window model and turns the user's input into calls of
// the form's handlers. Pictures and the busy indicator are painted on the window itself; every
// control that carries text is a real child window, so that its text can be read from outside.
#pragma once

#include <windows.h>

#include <cstddef>

#include "app/form1.h"
#include "app/win32/picture_mouse.h"
#include "app/win32/scene.h"
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

 private:
  static LRESULT CALLBACK windowProc(HWND w, UINT msg, WPARAM wp, LPARAM lp);
  static LRESULT CALLBACK labelProc(HWND w, UINT msg, WPARAM wp, LPARAM lp, UINT_PTR id,
                                    DWORD_PTR self);
  static LRESULT CALLBACK edit1Proc(HWND w, UINT msg, WPARAM wp, LPARAM lp, UINT_PTR id,
                                    DWORD_PTR self);
  LRESULT handle(UINT msg, WPARAM wp, LPARAM lp);

  void createControls();
  void onModelChange(Change what, Ctl c);
  void placeChild(Ctl c);
  void placeWindow();
  void syncEdit1();
  void syncMemo();
  void invalidatePictures(bool underLabel);
  void startBusyAnimation(bool on);

  void paint();
  void paintLabel(HWND label);
  void mouseMoved(int x, int y);
  void follow(std::vector<MouseAction> actions);
  void run(MouseAction action);
  template <typename Handler>
  void call(Handler&& handler);

  plat::Platform& platform_;
  WindowModel& model_;
  TForm1& form_;
  plat::win32::GdiplusSession gdiplus_;  // before scene_, which decodes pictures
  Scene scene_;
  PictureMouse mouse_;

  HWND hwnd_ = nullptr;
  HWND children_[kControlCount] = {};
  HFONT font_ = nullptr;
  HFONT labelFont_ = nullptr;
  HBRUSH white_ = nullptr;
  bool trackingMouse_ = false;  // the mouse is in the client area
  POINT lastMouse_{};
  bool syncingEdit1_ = false;
  bool busyRunning_ = false;
  size_t memoShown_ = 0;
};

}  // namespace app::win32
