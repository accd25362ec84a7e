#pragma once

// What the user asked of the view in a frame, from the menu bar or a
// shortcut.
struct ViewCommands {
    bool zoom_in = false;
    bool zoom_out = false;
    bool zoom_reset = false; // back to 100%
    bool reset_layout = false;
    bool show_reference = false; // open "Isa4 reference" and bring it to the front

    ViewCommands& operator|=(const ViewCommands& other);
};

// The main menu bar along the top of the display: a "View" menu (the zoom
// steps and "Reset layout", with their shortcuts shown), a "Help" menu with
// the "Isa4 reference", and the zoom with its "-" and "+" buttons, always in
// view.
struct ViewMenu {
    static constexpr const char* zoom_in_keys = "Ctrl+=";
    static constexpr const char* zoom_out_keys = "Ctrl+-";
    static constexpr const char* zoom_reset_keys = "Ctrl+0";
    static constexpr const char* reset_layout_keys = "Ctrl+Shift+L";

    ViewCommands draw(int zoom_percent);
};
