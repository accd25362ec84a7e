#pragma once

#include "app/view_settings.h"
#include "app/window_keeper.h"
#include "ui/view_menu.h"

// The view: the main menu bar, the shortcuts, the zoom (kept in imgui.ini)
// and the windows' layout. The App's frame calls begin_frame before its
// windows; the frame loop rebuilds the font when zoom_percent() changes.
class View {
  public:
    // Reads the settings file, when the context has one (see ViewSettings).
    View();

    int zoom_percent() const { return settings.zoom_percent; }

    // The menu bar and the shortcuts, what they ask for, and the layout:
    // the first frame's, a reset, or windows kept inside a changed display.
    void begin_frame();
    // What the frame's keys ask for: Ctrl+= (or Ctrl++, keypad +) zooms in,
    // Ctrl+- zooms out, Ctrl+0 goes back to 100%, Ctrl+Shift+L resets the
    // layout.
    static ViewCommands shortcuts();
    void apply(const ViewCommands& asked);

  private:
    ViewSettings settings;
    WindowKeeper windows;
    ViewMenu menu;
    bool started = false;
};
