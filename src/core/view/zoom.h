#pragma once

#include <cstddef>

// The interface's zoom, in percent of Dear ImGui's default size: the steps
// Ctrl+= and Ctrl+- go through, and the font size each one rasterises.
namespace zoom {

constexpr int default_percent = 100;
constexpr int steps[] = {100, 125, 150, 175, 200, 250, 300};
constexpr size_t step_count = sizeof steps / sizeof steps[0];
constexpr int min_percent = steps[0];
constexpr int max_percent = steps[step_count - 1];

// The default font's size at 100%, in pixels.
constexpr float base_font_pixels = 13.0f;

// The step after percent, or the largest; percent need not be a step.
int step_up(int percent);
// The step before percent, or the smallest.
int step_down(int percent);
// The step nearest to percent: how a value read from a settings file, which
// anyone may have edited, is taken.
int nearest_step(int percent);

// The scale factor of a step, 1.0 at 100%.
inline float scale(int percent) {
    return static_cast<float>(percent) / 100.0f;
}
// Whole pixels, so the glyphs are rasterised on the pixel grid.
float font_pixels(int percent);

} // namespace zoom
