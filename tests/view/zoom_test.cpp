// The zoom steps: stepping up and down stops at the ends, a value read from
// a hand-edited settings file becomes the nearest step, and each step
// rasterises the font at whole pixels.
#include <gtest/gtest.h>

#include "view/zoom.h"

namespace {

TEST(Zoom, StepsGoUpAndDownAndStopAtTheEnds) {
    int percent = zoom::default_percent;
    std::vector<int> up;
    for (size_t i = 0; i < zoom::step_count + 2; ++i)
        up.push_back(percent = zoom::step_up(percent));
    EXPECT_EQ(up, (std::vector<int>{125, 150, 175, 200, 250, 300, 300, 300, 300}));
    std::vector<int> down;
    for (size_t i = 0; i < zoom::step_count + 1; ++i)
        down.push_back(percent = zoom::step_down(percent));
    EXPECT_EQ(down, (std::vector<int>{250, 200, 175, 150, 125, 100, 100, 100}));
}

TEST(Zoom, ValuesBetweenStepsStepToTheNextOne) {
    EXPECT_EQ(zoom::step_up(130), 150);
    EXPECT_EQ(zoom::step_down(130), 125);
    EXPECT_EQ(zoom::step_up(-40), 100);
    EXPECT_EQ(zoom::step_down(1000), 300);
}

TEST(Zoom, ASavedValueBecomesTheNearestStep) {
    const std::pair<int, int> cases[] = {{100, 100}, {175, 175}, {137, 125},   {140, 150},
                                         {0, 100},   {-5, 100},  {99999, 300}, {260, 250}};
    for (const auto& [saved, step] : cases)
        EXPECT_EQ(zoom::nearest_step(saved), step) << saved;
}

TEST(Zoom, TheFontIsRasterisedAtWholePixels) {
    EXPECT_EQ(zoom::font_pixels(100), 13.0f); // Dear ImGui's default font, unchanged
    EXPECT_EQ(zoom::font_pixels(125), 16.0f);
    EXPECT_EQ(zoom::font_pixels(150), 20.0f);
    EXPECT_EQ(zoom::font_pixels(200), 26.0f);
    EXPECT_EQ(zoom::font_pixels(300), 39.0f);
}

} // namespace
