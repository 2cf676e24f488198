// The mouse rules of the image buttons over the window model.
#include "app/win32/picture_mouse.h"

#include <gtest/gtest.h>

namespace {

using app::Ctl;
using app::WindowModel;
using app::win32::MouseAction;
using app::win32::PictureMouse;
using app::win32::Pointer;

constexpr int kInstallX = 698 + 75, kCloseX = 874 + 75, kButtonY = 527 + 25;

// Shows exactly one of an image button's four looks, enabled or not.
void showLook(WindowModel& m, std::initializer_list<Ctl> looks, Ctl shown, bool enabled) {
  for (Ctl c : looks) {
    m.setVisible(c, c == shown);
    m.setEnabled(c, c == shown && enabled);
  }
}

const std::initializer_list<Ctl> kInstall = {Ctl::bnInstallNormal, Ctl::bnInstallHover,
                                             Ctl::bnInstallActive, Ctl::bnInstallDisable};
const std::initializer_list<Ctl> kClose = {Ctl::bnCloseNormal, Ctl::bnCloseHover,
                                           Ctl::bnCloseActive, Ctl::bnCloseDisable};

TEST(PictureMouse, PointerFollowsTheVisibleLook) {
  WindowModel m;
  struct Case {
    Ctl look;
    bool enabled;
    Pointer pointer;
  } cases[] = {{Ctl::bnInstallNormal, true, Pointer::Hand},
               {Ctl::bnInstallHover, true, Pointer::Hand},
               {Ctl::bnInstallActive, true, Pointer::Arrow},
               {Ctl::bnInstallDisable, false, Pointer::NotAllowed}};
  for (const auto& c : cases) {
    showLook(m, kInstall, c.look, c.enabled);
    EXPECT_EQ(app::win32::pointerAt(m, kInstallX, kButtonY), c.pointer) << static_cast<int>(c.look);
  }
  showLook(m, kClose, Ctl::bnCloseDisable, true);
  EXPECT_EQ(app::win32::pointerAt(m, kCloseX, kButtonY), Pointer::NotAllowed);
  EXPECT_EQ(app::win32::pointerAt(m, 10, 10), Pointer::Arrow);  // the background
}

TEST(PictureMouse, EnterAndLeaveFollowTheLookUnderTheMouse) {
  WindowModel m;
  PictureMouse mouse;
  showLook(m, kInstall, Ctl::bnInstallNormal, true);
  EXPECT_EQ(mouse.move(m, kInstallX, kButtonY), std::vector{MouseAction::InstallEnter});
  // The enter handler swaps in the hover look; moving on over it runs nothing.
  showLook(m, kInstall, Ctl::bnInstallHover, true);
  EXPECT_TRUE(mouse.move(m, kInstallX + 1, kButtonY).empty());
  EXPECT_TRUE(mouse.move(m, kInstallX + 2, kButtonY).empty());
  EXPECT_EQ(mouse.move(m, 10, 10), std::vector{MouseAction::InstallLeave});

  // Straight from the hover look of Install onto Close: leave first, then enter.
  showLook(m, kClose, Ctl::bnCloseNormal, true);
  mouse.move(m, kInstallX, kButtonY);
  EXPECT_EQ(mouse.move(m, kCloseX, kButtonY),
            (std::vector{MouseAction::InstallLeave, MouseAction::CloseEnter}));
  showLook(m, kClose, Ctl::bnCloseHover, true);
  mouse.move(m, kCloseX, kButtonY);
  EXPECT_EQ(mouse.leave(), std::vector{MouseAction::CloseLeave});  // out of the window
  EXPECT_TRUE(mouse.leave().empty());
}

TEST(PictureMouse, HiddenAndDisabledLooksNeverReact) {
  WindowModel m;
  PictureMouse mouse;
  showLook(m, kInstall, Ctl::bnInstallDisable, false);
  EXPECT_TRUE(mouse.move(m, kInstallX, kButtonY).empty());
  mouse.press(m, kInstallX, kButtonY);
  EXPECT_FALSE(mouse.release(m, kInstallX, kButtonY));

  // A hover look that is visible but disabled neither clicks nor leaves.
  m.setVisible(Ctl::bnInstallHover, true);
  EXPECT_TRUE(mouse.move(m, kInstallX, kButtonY).empty());
  mouse.press(m, kInstallX, kButtonY);
  EXPECT_FALSE(mouse.release(m, kInstallX, kButtonY));
  EXPECT_TRUE(mouse.move(m, 10, 10).empty());

  // Nor does the normal look once hidden, even where it lay.
  m.setVisible(Ctl::bnInstallHover, false);
  m.setVisible(Ctl::bnInstallDisable, false);
  EXPECT_EQ(app::win32::reactingPictureAt(m, kInstallX, kButtonY), std::nullopt);
}

TEST(PictureMouse, ClickNeedsPressAndReleaseOnTheSameLook) {
  WindowModel m;
  PictureMouse mouse;
  struct Case {
    Ctl look;
    std::optional<MouseAction> click;
  } cases[] = {{Ctl::bnCloseNormal, MouseAction::CloseClick},
               {Ctl::bnCloseHover, MouseAction::CloseClick},
               {Ctl::bnCloseDisable, std::nullopt},
               {Ctl::bnCloseActive, std::nullopt}};
  for (const auto& c : cases) {
    showLook(m, kClose, c.look, true);
    mouse.press(m, kCloseX, kButtonY);
    EXPECT_EQ(mouse.release(m, kCloseX, kButtonY), c.click) << static_cast<int>(c.look);
  }
  showLook(m, kInstall, Ctl::bnInstallHover, true);
  mouse.press(m, kInstallX, kButtonY);
  EXPECT_EQ(mouse.release(m, kInstallX, kButtonY), MouseAction::InstallClick);
  showLook(m, kInstall, Ctl::bnInstallNormal, true);  // no click event of its own
  mouse.press(m, kInstallX, kButtonY);
  EXPECT_EQ(mouse.release(m, kInstallX, kButtonY), std::nullopt);

  showLook(m, kInstall, Ctl::bnInstallHover, true);
  mouse.press(m, kInstallX, kButtonY);
  EXPECT_EQ(mouse.release(m, 10, 10), std::nullopt);  // released off the button
}

}  // namespace
