#include "app/zoom_style.h"

#include <imgui.h>

#include "view/zoom.h"

void apply_zoom_style(int percent) {
    ImGuiIO& io = ImGui::GetIO();
    io.Fonts->Clear();
    ImFontConfig font;
    font.SizePixels = zoom::font_pixels(percent);
    io.Fonts->AddFontDefault(&font);
    io.Fonts->Build();

    ImGuiStyle style;
    ImGui::StyleColorsDark(&style);
    style.ScaleAllSizes(zoom::scale(percent));
    ImGui::GetStyle() = style;
}
