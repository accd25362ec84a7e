#pragma once

#include <imgui.h>

// The demonstration window and the two example windows.
struct ExampleWindows {
    float slider_value = 0.0f;
    int counter = 0;

    void draw(bool& show_demo_window, bool& show_another_window, float clear_color[4],
              const ImGuiIO& io);

  private:
    void draw_hello(bool& show_demo_window, bool& show_another_window, float clear_color[4],
                    const ImGuiIO& io);
};
