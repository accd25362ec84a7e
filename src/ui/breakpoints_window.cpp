#include "ui/breakpoints_window.h"

#include "ui/widgets.h"
#include "util/bounds.h"

void BreakpointsWindow::draw(Isa4& arch) {
    if (!ImGui::Begin("Breakpoints")) {
        ImGui::End();
        return;
    }
    hex_field("addr", &addr);
    addr = clamp_between(0, addr, 255);
    const auto address = static_cast<uint8_t>(addr);
    if (ImGui::Button("Add"))
        arch.breakpoints.insert(address);
    ImGui::SameLine();
    if (ImGui::Button("Remove"))
        arch.breakpoints.erase(address);
    ImGui::SameLine();
    if (ImGui::Button("Clear All"))
        arch.breakpoints.clear();
    for (uint8_t b : arch.breakpoints)
        ImGui::Text("%X", b);
    ImGui::End();
}
