#pragma once

#include <imgui.h>

// Number fields show and accept eight upper-case hexadecimal digits.
constexpr ImGuiInputTextFlags hex_input_flags =
    ImGuiInputTextFlags_CharsHexadecimal | ImGuiInputTextFlags_CharsUppercase;

inline bool hex_field(const char* label, int* value) {
    return ImGui::InputInt(label, value, 1, 100, hex_input_flags);
}

// What the last step or event changed.
inline const ImVec4 changed_colour(1.0f, 0.6f, 0.25f, 1.0f);
// The listing's word after the local pc, and the back end's pc.
inline const ImVec4 next_row_colour(1.0f, 1.0f, 0.0f, 1.0f);
inline const ImVec4 back_end_pc_colour(0.45f, 0.8f, 1.0f, 1.0f);
