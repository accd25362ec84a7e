#include "app/window_keeper.h"

#include <cmath>
#include <cstdio>

#include <imgui.h>
#include <imgui_internal.h>

using layout::Box;

namespace {

bool same(const Box& a, const Box& b) {
    return std::fabs(a.x - b.x) < 0.5f && std::fabs(a.y - b.y) < 0.5f &&
           std::fabs(a.w - b.w) < 0.5f && std::fabs(a.h - b.h) < 0.5f;
}

// Too small to lay anything out in (a minimized window): nothing is moved,
// so the places come back with the size.
bool usable(const Box& area) {
    return area.w >= 100 && area.h >= 100;
}

} // namespace

Box WindowKeeper::area() {
    const ImVec2 display = ImGui::GetIO().DisplaySize;
    const float top = title_bar();
    return {0, top, display.x, display.y - top};
}

float WindowKeeper::title_bar() {
    return ImGui::GetFrameHeight();
}

std::string WindowKeeper::layout_settings(const Box& area, float title_bar) {
    std::string text;
    char entry[256];
    for (size_t i = 0; i < layout::place_count; ++i) {
        const layout::WindowPlace& place = layout::places[i];
        const Box box = layout::window_box(place, area, title_bar);
        std::snprintf(entry, sizeof entry, "[Window][%s]\nPos=%d,%d\nSize=%d,%d\nCollapsed=%d\n\n",
                      place.title, static_cast<int>(box.x), static_cast<int>(box.y),
                      static_cast<int>(box.w), static_cast<int>(box.h), place.collapsed ? 1 : 0);
        text += entry;
    }
    return text;
}

void WindowKeeper::load_layout() {
    settings_area = area();
    settings_bar = title_bar();
    const std::string text = layout_settings(settings_area, settings_bar);
    // Merged into the settings; windows that exist take their places at once.
    ImGui::LoadIniSettingsFromMemory(text.data(), text.size());
    for (Fit& fit : fits)
        fit.known = false;
}

void WindowKeeper::reset() {
    load_layout();
    ImGui::MarkIniSettingsDirty();
}

void WindowKeeper::keep_inside() {
    const Box now_area = area();
    if (!usable(now_area))
        return;
    const float bar = title_bar();
    for (size_t i = 0; i < layout::place_count; ++i) {
        const char* title = layout::places[i].title;
        ImGuiWindow* window = ImGui::FindWindowByName(title);
        if (window == nullptr || !window->WasActive)
            continue;
        Fit& fit = fits[i];
        const Box now{window->Pos.x, window->Pos.y, window->SizeFull.x, window->SizeFull.y};
        const bool collapsed = window->Collapsed;
        if (fit.known && same(now, fit.last) && collapsed == fit.collapsed &&
            same(now_area, fit.last_area) && bar == fit.last_bar)
            continue; // nothing changed
        if (!fit.known || !same(now, fit.last)) {
            // Placed by its settings, the layout or the user: follow that place.
            fit.area = fit.known ? fit.last_area : settings_area;
            fit.bar = fit.known ? fit.last_bar : settings_bar;
            fit.placed = now;
        }
        const layout::WindowPlace& place = layout::places[i];
        Box target = same(fit.placed, layout::window_box(place, fit.area, fit.bar))
                         ? layout::window_box(place, now_area, bar)
                         : layout::follow(fit.placed, fit.area, now_area);
        // A collapsed window shows its title bar only: that must be inside.
        const Box shown = collapsed ? layout::title_bar_box(target, bar) : target;
        const Box kept = layout::keep_inside(shown, now_area);
        target.x = kept.x;
        target.y = kept.y;
        target.w = kept.w;
        if (!collapsed)
            target.h = kept.h;
        if (!same(target, now)) {
            ImGui::SetWindowPos(title, ImVec2(target.x, target.y));
            ImGui::SetWindowSize(title, ImVec2(target.w, target.h));
        }
        fit = {true, fit.area, fit.bar, fit.placed, target, now_area, bar, collapsed};
    }
}
