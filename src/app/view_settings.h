#pragma once

#include <string>

// The view's settings in Dear ImGui's settings file, beside the windows'
// places, through the library's settings handler:
//
//   [Quarrin][View]
//   Zoom=150
//
// A zoom that is not a step is taken as the nearest step.
class ViewSettings {
  public:
    int zoom_percent;

    ViewSettings();
    // Unregisters from the context, which may outlive this.
    ~ViewSettings();
    ViewSettings(const ViewSettings&) = delete;
    ViewSettings& operator=(const ViewSettings&) = delete;

    // Reads the settings file now, when the context has one, so the first
    // frame is drawn at the saved zoom; the library then reads it no more.
    // Keeps its text for windows_again().
    void load();
    // Applies the file's window places again, over a layout loaded since.
    void windows_again() const;
    // The zoom changed: the file is written again.
    void changed() const;

  private:
    std::string file_text;
};
