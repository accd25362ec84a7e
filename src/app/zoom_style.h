#pragma once

// The font and the style of a zoom step, for the current Dear ImGui context:
// the default font rasterised at the step's size (not the 13-pixel bitmap
// stretched) and the dark style's sizes scaled from its defaults, so zooming
// back and forth never accumulates rounding. Call it between frames; the
// renderer's font texture must then be made again from the atlas.
void apply_zoom_style(int percent);
