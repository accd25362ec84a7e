#pragma once

#include <string>

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

// Text shown verbatim in a colour of its own.
inline void coloured_text(const ImVec4& colour, const char* begin, const char* end = nullptr) {
    ImGui::PushStyleColor(ImGuiCol_Text, colour);
    ImGui::TextUnformatted(begin, end);
    ImGui::PopStyleColor();
}

// Text shown verbatim and wrapped at the right edge of the content region:
// unlike TextWrapped, it is no format string and it is not cut at 3 KiB.
inline void wrapped_text(const char* begin, const char* end = nullptr) {
    ImGui::PushTextWrapPos(0.0f);
    ImGui::TextUnformatted(begin, end);
    ImGui::PopTextWrapPos();
}
inline void wrapped_text(const std::string& text) {
    wrapped_text(text.data(), text.data() + text.size());
}
