#include "view/window_layout.h"

#include <algorithm>
#include <cmath>

namespace layout {

// clang-format off
// Four columns below a row of title bars. The windows that start collapsed
// in that row are the reference, the word-by-word "(Diss)Assembler" (the
// "Assembly" editor is open) and Dear ImGui's example windows; each opens
// downwards over the columns. "Local Isa4" has its place kept in the last
// column.
const WindowPlace places[] = {
    {"Isa4 reference",              {0.00f, 0, 0.24f, 0.90f}, true},
    {"(Diss)Assembler",             {0.24f, 0, 0.20f, 0.36f}, true},
    {"Dear ImGui Demo",             {0.44f, 0, 0.22f, 0.90f}, true},
    {"Hello, world!",               {0.66f, 0, 0.20f, 0.30f}, true},
    {"Another Window",              {0.86f, 0, 0.14f, 0.15f}, true},
    {"nng",                         {0.00f, 0.00f, 0.22f, 0.18f}, false},
    {"Register file",               {0.00f, 0.18f, 0.22f, 0.82f}, false},
    {"Assembly",                    {0.22f, 0.00f, 0.26f, 0.60f}, false},
    {"Logger",                      {0.22f, 0.60f, 0.26f, 0.40f}, false},
    {"Program ROM view",            {0.48f, 0.00f, 0.22f, 0.66f}, false},
    {"Computer Architecture state", {0.48f, 0.66f, 0.22f, 0.16f}, false},
    {"Breakpoints",                 {0.48f, 0.82f, 0.22f, 0.18f}, false},
    {"Local Isa4",                  {0.70f, 0.00f, 0.30f, 0.36f}, false},
    {"RAM view",                    {0.70f, 0.36f, 0.30f, 0.64f}, false},
};
// clang-format on
const size_t place_count = sizeof places / sizeof places[0];

bool overlap(const Box& a, const Box& b) {
    return a.x < b.right() && b.x < a.right() && a.y < b.bottom() && b.y < a.bottom();
}

bool inside(const Box& inner, const Box& outer) {
    return inner.x >= outer.x && inner.y >= outer.y && inner.right() <= outer.right() &&
           inner.bottom() <= outer.bottom();
}

const WindowPlace* place_of(std::string_view title) {
    for (size_t i = 0; i < place_count; ++i)
        if (title == places[i].title)
            return &places[i];
    return nullptr;
}

namespace {

// The pixels of fractions of area, each edge rounded on its own.
Box scaled(const Box& f, const Box& area) {
    const float x0 = std::round(area.x + f.x * area.w);
    const float y0 = std::round(area.y + f.y * area.h);
    const float x1 = std::round(area.x + (f.x + f.w) * area.w);
    const float y1 = std::round(area.y + (f.y + f.h) * area.h);
    return {x0, y0, x1 - x0, y1 - y0};
}

} // namespace

Box window_box(const WindowPlace& place, const Box& area, float title_bar) {
    const Box below_row{area.x, area.y + title_bar, area.w, std::max(area.h - title_bar, 0.0f)};
    Box box = scaled(place.box, below_row);
    if (place.collapsed)
        box.y = area.y;
    return box;
}

Box title_bar_box(const Box& window, float title_bar) {
    return {window.x, window.y, window.w, std::min(window.h, title_bar)};
}

Box follow(const Box& window, const Box& from, const Box& to) {
    if (from.w <= 0 || from.h <= 0)
        return window;
    const Box f{(window.x - from.x) / from.w, (window.y - from.y) / from.h, window.w / from.w,
                window.h / from.h};
    return scaled(f, to);
}

Box keep_inside(const Box& window, const Box& area) {
    Box box = window;
    box.w = std::min(box.w, area.w);
    box.h = std::min(box.h, area.h);
    box.x = std::clamp(box.x, area.x, area.right() - box.w);
    box.y = std::clamp(box.y, area.y, area.bottom() - box.h);
    return box;
}

} // namespace layout
