#pragma once

#include <cstddef>
#include <string_view>

// The built-in window layout, as plain numbers: every window's place as
// fractions of the area it is laid out in (the display below the menu bar),
// so it follows the display's size and the zoom, and the geometry that keeps
// windows inside that area when it changes. The application applies it;
// nothing here knows of Dear ImGui.
namespace layout {

// A rectangle in pixels, or in fractions of an area.
struct Box {
    float x = 0, y = 0, w = 0, h = 0;

    float right() const { return x + w; }
    float bottom() const { return y + h; }
};

// Whether two boxes share any area; touching edges do not count.
bool overlap(const Box& a, const Box& b);
// Whether inner lies entirely within outer.
bool inside(const Box& inner, const Box& outer);

// A window's place. An open window fills box, in fractions of the area below
// the row of title bars; a collapsed one shows its title bar in that row,
// from box.x over box.w, and opens downwards to box.w x box.h.
struct WindowPlace {
    const char* title;
    Box box;
    bool collapsed;
};

// Every window Quarrin draws, in drawing order.
extern const WindowPlace places[];
extern const size_t place_count;

// The place of the window titled title, or nullptr.
const WindowPlace* place_of(std::string_view title);

// Where a window goes in area (pixels), with title bars title_bar pixels
// high: its position and its full size. Edges are whole pixels, and windows
// whose fractions touch share their edge, so they never overlap.
Box window_box(const WindowPlace& place, const Box& area, float title_bar);
// What a collapsed window covers of box: its title bar.
Box title_bar_box(const Box& window, float title_bar);

// A window moved and sized from one area to another in proportion, as the
// built-in places are: going back to the first area gives its place back.
Box follow(const Box& window, const Box& from, const Box& to);
// The window moved (and, where it is larger, shrunk) into area.
Box keep_inside(const Box& window, const Box& area);

} // namespace layout
