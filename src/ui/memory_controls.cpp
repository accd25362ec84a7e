#include "ui/memory_controls.h"

#include <imgui.h>

#include "ui/widgets.h"
#include "util/bounds.h"

void PokeFields::draw(int max_value, bool with_addr) {
    hex_field("val", &val);
    if (with_addr)
        hex_field("addr", &addr);
    val = wrap_around(0, val, max_value);
    addr = wrap_around(0, addr, 255);
}

ImageFileAction ImageFileField::draw(const char* save_label, const char* load_label) {
    ImageFileAction action = ImageFileAction::None;
    ImGui::InputText("Filename", filename, sizeof filename);
    if (ImGui::Button(save_label))
        action = ImageFileAction::Save;
    ImGui::SameLine();
    if (ImGui::Button(load_label))
        action = ImageFileAction::Load;
    return action;
}
