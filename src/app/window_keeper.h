#pragma once

#include <string>
#include <vector>

#include "view/window_layout.h"

// Keeps the windows of layout::places where they can be seen, in the
// current Dear ImGui context.
//
// The built-in layout is handed to the library as settings, below the ones
// read from imgui.ini, so a window the file has no place for starts at its
// built-in place whenever it first appears (Dear ImGui's demonstration window
// included, which otherwise places itself). When the display or the zoom
// changes, each window drawn that is still at its built-in place takes its
// built-in place for the new area and title bars; any other is moved and
// sized in proportion to the area it was placed in. Then it is kept inside
// the new area. Going back to the first size gives the first places back. A
// window dragged or sized by the user is taken where it was put, and also
// kept inside.
class WindowKeeper {
  public:
    // The area the layout fills: the display below the main menu bar, which
    // is as high as a title bar.
    static layout::Box area();
    static float title_bar();

    // The built-in layout for area, as Dear ImGui settings text.
    static std::string layout_settings(const layout::Box& area, float title_bar);

    // Hands the built-in layout for the current area to the library: windows
    // that exist take their places at once, the others when they appear,
    // unless settings loaded after it place them. In a frame, before the
    // windows are drawn; the first frame's settings file goes after it.
    void load_layout();
    // Every window back to its built-in place, shown or not, and saved so.
    void reset();
    // At the top of a frame, before the windows are drawn: the windows drawn
    // in the last frame follow a change of the area and are kept inside it.
    void keep_inside();

  private:
    // What was last done to a window, to tell a change from the user.
    struct Fit {
        bool known = false;
        layout::Box area;   // the area of the place it follows
        float bar = 0;      // and the title bars' height then
        layout::Box placed; // that place
        layout::Box last;   // where it was left, in last_area
        layout::Box last_area;
        float last_bar = 0;
        bool collapsed = false;
    };
    std::vector<Fit> fits = std::vector<Fit>(layout::place_count);
    layout::Box settings_area; // where the settings not yet used were meant for
    float settings_bar = 0;
};
