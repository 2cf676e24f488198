// The image buttons' looks, their mouse handlers and the finish screen.
#include <gtest/gtest.h>

#include <functional>

#include "tests/support/form_fixture.h"

namespace apptest {
namespace {

using app::Ctl;

constexpr Ctl kInstall[] = {Ctl::bnInstallDisable, Ctl::bnInstallActive, Ctl::bnInstallHover,
                            Ctl::bnInstallNormal};
constexpr Ctl kClose[] = {Ctl::bnCloseDisable, Ctl::bnCloseActive, Ctl::bnCloseHover,
                          Ctl::bnCloseNormal};

struct InstallLookCase {
  const char* name;
  void (app::TForm1::*op)();
  const char16_t* line;
  Ctl shown;
  bool shownEnabled;
};

class InstallLookTest : public FormTest, public testing::WithParamInterface<InstallLookCase> {};

TEST_P(InstallLookTest, ShowsOneLookAndEnablesOnlyIt) {
  form.log_level = app::DEBUG;
  (form.*GetParam().op)();
  EXPECT_EQ(memo().back(), GetParam().line);
  for (Ctl c : kInstall) {
    EXPECT_EQ(window.visible(c), c == GetParam().shown);
    EXPECT_EQ(window.enabled(c), c == GetParam().shown && GetParam().shownEnabled);
  }
}

INSTANTIATE_TEST_SUITE_P(
    Looks, InstallLookTest,
    testing::Values(InstallLookCase{"disable", &app::TForm1::bnInstallSetDisable,
                                    u"Blokujemy klawisz INSTALL", Ctl::bnInstallDisable, false},
                    InstallLookCase{"enable", &app::TForm1::bnInstallSetEnable,
                                    u"Odblokowywujemy klawisz INSTALL", Ctl::bnInstallNormal, true},
                    InstallLookCase{"hover", &app::TForm1::bnInstallSetHover,
                                    u"SET HOVER na klawiszu INSTALL", Ctl::bnInstallHover, true},
                    InstallLookCase{"active", &app::TForm1::bnInstallSetActive,
                                    u"SET ACTIVE na klawiszu INSTALL", Ctl::bnInstallActive, true}),
    [](const auto& info) { return std::string(info.param.name); });

TEST_F(FormTest, HoverOverEnabledInstallLogsFourLinesInOrder) {
  form.log_level = app::DEBUG;
  form.bnInstallSetEnable();
  form.bnInstallEnter();
  EXPECT_TRUE(window.visible(Ctl::bnInstallHover));
  form.bnInstallLeave();
  EXPECT_TRUE(window.visible(Ctl::bnInstallNormal));
  EXPECT_EQ(utf8(memoFrom(u"SET bnInstallEnter na klawiszu INSTALL")),
            utf8({u"SET bnInstallEnter na klawiszu INSTALL", u"SET HOVER na klawiszu INSTALL",
                  u"SET bnInstallLeave na klawiszu INSTALL", u"Odblokowywujemy klawisz INSTALL"}));
}

TEST_F(FormTest, EnterAndLeaveDoNotChangeOtherLooks) {
  form.bnInstallSetActive();
  form.bnInstallEnter();
  form.bnInstallLeave();
  EXPECT_TRUE(window.visible(Ctl::bnInstallActive));
  EXPECT_FALSE(window.visible(Ctl::bnInstallNormal));
}

TEST_F(FormTest, CloseLooks) {
  const auto only = [&](Ctl shown) {
    for (Ctl c : kClose) EXPECT_EQ(window.visible(c), c == shown);
  };
  only(Ctl::bnCloseNormal);  // as laid out
  form.bnCloseEnter();
  only(Ctl::bnCloseHover);
  form.bnCloseLeave();
  only(Ctl::bnCloseNormal);
  form.bnCloseSetDisable();
  only(Ctl::bnCloseDisable);
  form.bnCloseSetEnable();
  only(Ctl::bnCloseNormal);
  EXPECT_TRUE(memo().empty());
  for (Ctl c : kClose) EXPECT_TRUE(window.enabled(c));
}

TEST_F(FormTest, FinishScreenLeavesOnlyCloseAndTheFinishPicture) {
  form.log_level = app::DEBUG;
  window.setVisible(Ctl::gauge, true);
  form.bnInstallSetActive();
  form.SetFinish();
  EXPECT_EQ(utf8(memoFrom(u"SET FINISH na objektach")),
            utf8({u"SET FINISH na objektach", u"Blokujemy klawisz INSTALL"}));
  for (Ctl c : kInstall) EXPECT_FALSE(window.visible(c));
  EXPECT_TRUE(window.visible(Ctl::BGfinish));
  EXPECT_FALSE(window.visible(Ctl::BG));
  EXPECT_FALSE(window.visible(Ctl::InfoLabel));
  EXPECT_FALSE(window.visible(Ctl::gauge));
  EXPECT_TRUE(window.visible(Ctl::bnCloseNormal));
}

}  // namespace
}  // namespace apptest
