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

void ImageFileField::draw(const ImageKind& kind, Isa4& arch, Logger& log) {
    ImGui::InputText("Filename", filename, sizeof filename);
    if (ImGui::Button(kind.save_label))
        report(log, kind, ImageFileAction::Save, kind.save(filename, arch));
    ImGui::SameLine();
    if (ImGui::Button(kind.load_label))
        report(log, kind, ImageFileAction::Load, kind.load(filename, arch));
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
