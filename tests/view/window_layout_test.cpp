// The built-in layout as numbers: at every display size and zoom, the open
// windows and the collapsed windows' title bars lie inside the area and do
// not overlap; following a change of area and back gives the places back;
// a window outside an area is moved (and shrunk) into it.
#include <cmath>
#include <ostream>
#include <set>
#include <string>
#include <vector>

#include <gtest/gtest.h>

#include "view/window_layout.h"

namespace {

using layout::Box;

struct Display {
    const char* name;
    Box area;        // below the menu bar
    float title_bar; // and the menu bar's height
};

void PrintTo(const Display& d, std::ostream* os) {
    *os << d.name;
}

// What a window covers: all of it, or its title bar when collapsed.
Box covered(const layout::WindowPlace& place, const Display& d) {
    const Box box = layout::window_box(place, d.area, d.title_bar);
    return place.collapsed ? layout::title_bar_box(box, d.title_bar) : box;
}

class BuiltInLayout : public testing::TestWithParam<Display> {};

TEST_P(BuiltInLayout, EveryWindowIsInsideAndNoneOverlap) {
    const Display& d = GetParam();
    for (size_t i = 0; i < layout::place_count; ++i) {
        const layout::WindowPlace& a = layout::places[i];
        const Box box = covered(a, d);
        EXPECT_TRUE(layout::inside(box, d.area)) << a.title;
        EXPECT_GT(box.w, 0) << a.title;
        EXPECT_GT(box.h, 0) << a.title;
        // Opened, a collapsed window still fits below the top of the area.
        EXPECT_TRUE(layout::inside(layout::window_box(a, d.area, d.title_bar), d.area)) << a.title;
        for (size_t j = i + 1; j < layout::place_count; ++j)
            EXPECT_FALSE(layout::overlap(box, covered(layout::places[j], d)))
                << a.title << " and " << layout::places[j].title;
    }
}

// Windows that were laid out side by side stay so when they follow the
// display to 800 x 500, and following to the area they were placed in gives
// their places back.
TEST_P(BuiltInLayout, FollowingAnotherSizeKeepsWindowsApartAndInside) {
    const Display& d = GetParam();
    const Box small{0, d.area.y, 800, 500 - d.area.y};
    std::vector<Box> followed;
    for (size_t i = 0; i < layout::place_count; ++i) {
        const layout::WindowPlace& p = layout::places[i];
        const Box box = layout::window_box(p, d.area, d.title_bar);
        const Box same = layout::follow(box, d.area, d.area);
        EXPECT_EQ(same.x, box.x);
        EXPECT_EQ(same.y, box.y);
        EXPECT_EQ(same.w, box.w);
        EXPECT_EQ(same.h, box.h);
        const Box there = layout::follow(box, d.area, small);
        // A title bar keeps its height, and the app keeps it inside.
        if (!p.collapsed) {
            EXPECT_TRUE(layout::inside(there, small)) << p.title;
        }
        for (size_t j = 0; j < followed.size(); ++j) {
            if (!p.collapsed && !layout::places[j].collapsed) {
                EXPECT_FALSE(layout::overlap(there, followed[j]))
                    << p.title << " and " << layout::places[j].title;
            }
        }
        followed.push_back(there);
    }
}

INSTANTIATE_TEST_SUITE_P(Displays, BuiltInLayout,
                         testing::Values(Display{"1280x720_at_100", {0, 19, 1280, 701}, 19},
                                         Display{"800x500_at_100", {0, 19, 800, 481}, 19},
                                         Display{"1920x1080_at_150", {0, 29, 1920, 1051}, 29},
                                         Display{"2560x1440_at_200", {0, 38, 2560, 1402}, 38},
                                         Display{"3840x2160_at_300", {0, 57, 3840, 2103}, 57},
                                         Display{"1280x720_at_300", {0, 57, 1280, 663}, 57}),
                         [](const testing::TestParamInfo<Display>& info) {
                             return std::string(info.param.name);
                         });

TEST(BuiltInLayoutTable, TitlesAreUniqueAndFractionsWithinTheArea) {
    std::set<std::string> titles;
    for (size_t i = 0; i < layout::place_count; ++i) {
        const layout::WindowPlace& p = layout::places[i];
        EXPECT_TRUE(titles.insert(p.title).second) << p.title << " twice";
        EXPECT_TRUE(layout::inside(p.box, Box{0, 0, 1, 1})) << p.title;
        EXPECT_EQ(layout::place_of(p.title), &p);
    }
    EXPECT_EQ(layout::place_of("no such window"), nullptr);
    // The other front of the local run has its place before it is drawn.
    EXPECT_NE(layout::place_of("Local Isa4"), nullptr);
}

struct KeepCase {
    const char* name;
    Box window, expected;
};

void PrintTo(const KeepCase& c, std::ostream* os) {
    *os << c.name;
}

class KeepInside : public testing::TestWithParam<KeepCase> {};

TEST_P(KeepInside, MovesAndShrinksIntoTheArea) {
    const Box area{0, 19, 800, 481};
    const Box kept = layout::keep_inside(GetParam().window, area);
    const Box& e = GetParam().expected;
    EXPECT_EQ(kept.x, e.x);
    EXPECT_EQ(kept.y, e.y);
    EXPECT_EQ(kept.w, e.w);
    EXPECT_EQ(kept.h, e.h);
    EXPECT_TRUE(layout::inside(kept, area));
}

INSTANTIATE_TEST_SUITE_P(
    Windows, KeepInside,
    testing::Values(
        KeepCase{"inside_stays", {10, 30, 200, 100}, {10, 30, 200, 100}},
        KeepCase{"off_the_right_moves_left", {900, 100, 300, 200}, {500, 100, 300, 200}},
        KeepCase{"below_the_bottom_moves_up", {100, 650, 300, 200}, {100, 300, 300, 200}},
        KeepCase{"under_the_menu_bar_moves_down", {-50, 0, 300, 200}, {0, 19, 300, 200}},
        KeepCase{"larger_is_shrunk", {-100, -100, 1280, 720}, {0, 19, 800, 481}}),
    [](const testing::TestParamInfo<KeepCase>& info) { return std::string(info.param.name); });

} // namespace
