#include "ui/example_windows.h"

void ExampleWindows::draw(bool& show_demo_window, bool& show_another_window, float clear_color[4],
                          const ImGuiIO& io) {
    if (show_demo_window)
        ImGui::ShowDemoWindow(&show_demo_window);

    if (ImGui::Begin("Hello, world!"))
        draw_hello(show_demo_window, show_another_window, clear_color, io);
    ImGui::End();

    if (show_another_window) {
        if (ImGui::Begin("Another Window", &show_another_window)) {
            ImGui::Text("Hello from another window!");
            if (ImGui::Button("Close Me"))
                show_another_window = false;
        }
        ImGui::End();
    }
}

void ExampleWindows::draw_hello(bool& show_demo_window, bool& show_another_window,
                                float clear_color[4], const ImGuiIO& io) {
    ImGui::Text("This is some useful text.");
    ImGui::Checkbox("Demo Window", &show_demo_window);
    ImGui::Checkbox("Another Window", &show_another_window);
    ImGui::SliderFloat("float", &slider_value, 0.0f, 1.0f, "%.3f");
    ImGui::ColorEdit3("clear color", clear_color);
    if (ImGui::Button("Button"))
        counter++;
    ImGui::SameLine();
    ImGui::Text("counter = %d", counter);
    ImGui::Text("Application average %.3f ms/frame (%.1f FPS)", 1000.0f / io.Framerate,
                io.Framerate);
}
