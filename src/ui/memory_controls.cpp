#include "ui/memory_controls.h"

#include <string>

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

void ImageFileField::report(Logger& log, const ImageKind& kind, ImageFileAction action,
                            const FileResult& result) const {
    const std::string image = std::string(kind.name) + " \"" + filename + "\"";
    if (!result.ok()) {
        const char* verb = action == ImageFileAction::Save ? "save " : "load ";
        log.add("Cannot " + std::string(verb) + image + ": " + result.reason());
        return;
    }
    if (action != ImageFileAction::Load || result.size == kind.bytes)
        return;
    std::string text = image + " is " + std::to_string(result.size) + " bytes, not " +
                       std::to_string(kind.bytes) + ": loaded ";
    if (result.size > kind.bytes)
        text += "its first " + std::to_string(result.count) + " " + kind.units;
    else
        text += std::to_string(result.count) + " " + kind.units + ", the others unchanged";
    log.add(text);
}
