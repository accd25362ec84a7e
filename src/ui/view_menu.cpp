#include "ui/view_menu.h"

#include <cstdio>

#include <imgui.h>

#include "view/zoom.h"

ViewCommands& ViewCommands::operator|=(const ViewCommands& other) {
    zoom_in |= other.zoom_in;
    zoom_out |= other.zoom_out;
    zoom_reset |= other.zoom_reset;
    reset_layout |= other.reset_layout;
    show_reference |= other.show_reference;
    return *this;
}

ViewCommands ViewMenu::draw(int zoom_percent) {
    ViewCommands asked;
    if (!ImGui::BeginMainMenuBar())
        return asked;
    if (ImGui::BeginMenu("View")) {
        asked.zoom_in =
            ImGui::MenuItem("Zoom in", zoom_in_keys, false, zoom_percent < zoom::max_percent);
        asked.zoom_out =
            ImGui::MenuItem("Zoom out", zoom_out_keys, false, zoom_percent > zoom::min_percent);
        asked.zoom_reset = ImGui::MenuItem("Actual size (100%)", zoom_reset_keys);
        ImGui::Separator();
        asked.reset_layout = ImGui::MenuItem("Reset layout", reset_layout_keys);
        ImGui::EndMenu();
    }
    if (ImGui::BeginMenu("Help")) {
        asked.show_reference = ImGui::MenuItem("Isa4 reference");
        ImGui::EndMenu();
    }
    // The zoom stays in view: a projector's audience sees where it is.
    ImGui::Separator();
    ImGui::TextUnformatted("Zoom");
    asked.zoom_out |= ImGui::SmallButton("-");
    char percent[16];
    std::snprintf(percent, sizeof percent, "%d%%", zoom_percent);
    ImGui::TextUnformatted(percent);
    asked.zoom_in |= ImGui::SmallButton("+");
    ImGui::EndMainMenuBar();
    return asked;
}
