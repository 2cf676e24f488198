// The arithmetic of fitting the window to a cover: the installer's window size for each cover
// and screen.
#include "archive/cover_fit.h"

#include <gtest/gtest.h>

#include <string>

namespace {

struct FitCase {
  const char* name;
  pkg::CoverFitInput in;
  pkg::CoverFit expected;
};

class FitTest : public testing::TestWithParam<FitCase> {};

TEST_P(FitTest, Computes) {
  const pkg::CoverFit got = pkg::fitWindowToCover(GetParam().in);
  const pkg::CoverFit& want = GetParam().expected;
  EXPECT_EQ(got.rescale, want.rescale);
  EXPECT_EQ(got.windowWidth, want.windowWidth);
  EXPECT_EQ(got.windowHeight, want.windowHeight);
  EXPECT_EQ(got.sizeChanged, want.sizeChanged);
}

INSTANTIATE_TEST_SUITE_P(
    Cases, FitTest,
    testing::Values(
        FitCase{"designed_size_large_screen",
                {1040, 585, 1920, 1080, 1040, 585},
                {false, 1040, 585, false}},
        FitCase{"smaller_cover", {800, 450, 1920, 1080, 1040, 585}, {false, 800, 450, true}},
        FitCase{"exactly_the_screen", {1024, 768, 1024, 768, 1040, 585}, {false, 1024, 768, true}},
        FitCase{"small_screen", {1040, 585, 1024, 768, 1040, 585}, {true, 666, 375, true}},
        FitCase{"half_rounds_up", {2100, 1000, 1050, 900, 1040, 585}, {true, 683, 325, true}},
        FitCase{"slightly_wider", {1025, 500, 1024, 768, 1040, 585}, {true, 666, 325, true}},
        FitCase{"narrower_but_taller", {500, 1000, 1024, 768, 1040, 585}, {true, 666, 1332, true}},
        FitCase{"frame_counts", {1010, 560, 1024, 768, 1040, 585, 20, 30}, {true, 686, 399, true}},
        FitCase{"frame_fits", {800, 450, 1920, 1080, 1040, 585, 8, 30}, {false, 808, 480, true}}),
    [](const auto& info) { return std::string(info.param.name); });

}  // namespace
