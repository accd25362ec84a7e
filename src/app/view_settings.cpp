#include "app/view_settings.h"

#include <cstdio>
#include <string_view>

#include <imgui.h>
#include <imgui_internal.h>

#include "util/file_io.h"
#include "view/zoom.h"

namespace {

constexpr const char* type_name = "Quarrin";

void* read_open(ImGuiContext*, ImGuiSettingsHandler* handler, const char* name) {
    // Only [Quarrin][View]; other entries of this type are skipped.
    return handler->UserData != nullptr && std::string_view(name) == "View" ? handler->UserData
                                                                            : nullptr;
}

void read_line(ImGuiContext*, ImGuiSettingsHandler*, void* entry, const char* line) {
    int percent = 0;
    if (std::sscanf(line, "Zoom=%d", &percent) == 1)
        static_cast<ViewSettings*>(entry)->zoom_percent = zoom::nearest_step(percent);
}

void write_all(ImGuiContext*, ImGuiSettingsHandler* handler, ImGuiTextBuffer* out) {
    if (handler->UserData == nullptr)
        return;
    const auto* settings = static_cast<const ViewSettings*>(handler->UserData);
    out->appendf("[%s][View]\nZoom=%d\n\n", type_name, settings->zoom_percent);
}

} // namespace

ViewSettings::ViewSettings() : zoom_percent(zoom::default_percent) {
    // One handler per context: an App made again in the same context takes it over.
    if (ImGuiSettingsHandler* handler = ImGui::FindSettingsHandler(type_name)) {
        handler->UserData = this;
        return;
    }
    ImGuiSettingsHandler handler;
    handler.TypeName = type_name;
    handler.TypeHash = ImHashStr(type_name);
    handler.ReadOpenFn = read_open;
    handler.ReadLineFn = read_line;
    handler.WriteAllFn = write_all;
    handler.UserData = this;
    ImGui::GetCurrentContext()->SettingsHandlers.push_back(handler);
}

ViewSettings::~ViewSettings() {
    if (ImGui::GetCurrentContext() == nullptr)
        return;
    if (ImGuiSettingsHandler* handler = ImGui::FindSettingsHandler(type_name))
        if (handler->UserData == this)
            handler->UserData = nullptr;
}

void ViewSettings::load() {
    const char* path = ImGui::GetIO().IniFilename;
    if (path == nullptr)
        return;
    // A missing file is a first run; anything unreadable is treated the same.
    if (!read_text_file(path, file_text, 1 << 20).ok())
        file_text.clear();
    ImGui::LoadIniSettingsFromMemory(file_text.data(), file_text.size());
}

void ViewSettings::windows_again() const {
    if (!file_text.empty())
        ImGui::LoadIniSettingsFromMemory(file_text.data(), file_text.size());
}

void ViewSettings::changed() const {
    ImGui::MarkIniSettingsDirty();
}
