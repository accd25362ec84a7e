#include "support/imgui_harness.h"

#include <algorithm>
#include <sstream>
#include <vector>

#include <imgui_internal.h>

ImGuiHarness::ImGuiHarness(ImVec2 display) {
    IMGUI_CHECKVERSION();
    ImGui::CreateContext();
    ImGuiIO& io = ImGui::GetIO();
    io.DisplaySize = display;
    io.DeltaTime = 1.0f / 60.0f;
    io.IniFilename = nullptr; // tests never read or write imgui.ini
    io.ConfigFlags |= ImGuiConfigFlags_NavEnableKeyboard;
    for (int k = 0; k < ImGuiKey_COUNT; ++k)
        io.KeyMap[k] = k;
    unsigned char* pixels = nullptr;
    int width = 0, height = 0;
    io.Fonts->GetTexDataAsRGBA32(&pixels, &width, &height);
}

ImGuiHarness::~ImGuiHarness() {
    ImGui::DestroyContext();
}

void ImGuiHarness::frame(const Draw& draw) {
    ImGui::NewFrame();
    draw();
    ImGui::Render();
}

namespace {

struct Glyph {
    float x, y;
    unsigned int codepoint;
};

// Collects the glyphs drawn in colour, or in any colour when it is 0.
void collect_glyphs(const ImDrawList& list, const ImFont& font, ImU32 colour,
                    std::vector<Glyph>& out) {
    // Each glyph is a quad whose first vertex carries the glyph's top-left UV
    // and whose third carries its bottom-right UV.
    const ImVector<ImDrawVert>& v = list.VtxBuffer;
    for (int i = 0; i + 2 < v.Size; ++i) {
        for (const ImFontGlyph& g : font.Glyphs) {
            if (!g.Visible || v[i].uv.x != g.U0 || v[i].uv.y != g.V0)
                continue;
            if (v[i + 2].uv.x == g.U1 && v[i + 2].uv.y == g.V1) {
                if (colour == 0 || v[i].col == colour)
                    out.push_back({v[i].pos.x - g.X0, v[i].pos.y - g.Y0, g.Codepoint});
                i += 3;
            }
            break;
        }
    }
}

} // namespace

std::string ImGuiHarness::window_text(const char* window) {
    return glyph_text(window, 0);
}

std::vector<std::string> ImGuiHarness::window_lines(const char* window) {
    std::istringstream in(window_text(window));
    std::vector<std::string> lines;
    for (std::string line; std::getline(in, line);)
        lines.push_back(line);
    return lines;
}

std::string ImGuiHarness::window_text_in(const char* window, const ImVec4& colour) {
    return glyph_text(window, ImGui::ColorConvertFloat4ToU32(colour));
}

std::string ImGuiHarness::glyph_text(const char* window, ImU32 colour) {
    ImGuiContext& g = *ImGui::GetCurrentContext();
    ImGuiWindow* root = ImGui::FindWindowByName(window);
    if (root == nullptr || !root->WasActive)
        return "";
    const ImFont& font = *ImGui::GetIO().Fonts->Fonts[0];
    std::vector<Glyph> glyphs;
    for (ImGuiWindow* w : g.Windows)
        if (w == root || (w->RootWindow == root && (w->Flags & ImGuiWindowFlags_ChildWindow)))
            if (w->WasActive)
                collect_glyphs(*w->DrawList, font, colour, glyphs);
    std::stable_sort(glyphs.begin(), glyphs.end(), [](const Glyph& a, const Glyph& b) {
        return a.y != b.y ? a.y < b.y : a.x < b.x;
    });
    const float advance = font.FindGlyph('0')->AdvanceX;
    std::string text;
    float line_y = -1e9f, next_x = 0;
    for (const Glyph& gl : glyphs) {
        if (gl.y > line_y + font.FontSize / 2) {
            if (!text.empty())
                text += '\n';
            line_y = gl.y;
        } else {
            for (int gap = static_cast<int>((gl.x - next_x) / advance + 0.5f); gap > 0; --gap)
                text += ' ';
        }
        char utf8[5] = {};
        ImTextCharToUtf8(utf8, gl.codepoint);
        text += utf8;
        next_x = gl.x + advance;
    }
    return text;
}

void ImGuiHarness::frames(int n, const Draw& draw) {
    for (int i = 0; i < n; ++i)
        frame(draw);
}

ImGuiID ImGuiHarness::item(const char* window, std::initializer_list<const char*> path) {
    ImGuiWindow* w = ImGui::FindWindowByName(window);
    ImGuiID id = w != nullptr ? w->ID : ImHashStr(window);
    for (const char* label : path)
        id = ImHashStr(label, 0, id);
    return id;
}

void ImGuiHarness::press(ImGuiID id, const Draw& draw) {
    ImGui::ActivateItem(id);
    frame(draw);
    frame(draw);
}

void ImGuiHarness::key(int key_index, const Draw& draw) {
    ImGuiIO& io = ImGui::GetIO();
    io.KeysDown[key_index] = true;
    frame(draw);
    io.KeysDown[key_index] = false;
    frame(draw);
}

void ImGuiHarness::type(ImGuiID id, const std::string& text, const Draw& draw) {
    ImGuiContext& g = *ImGui::GetCurrentContext();
    ImGui::ActivateItem(id);
    g.NavInputSource = ImGuiInputSource_Keyboard;
    enter_text(text, draw);
}

void ImGuiHarness::type_into_slider(ImGuiID id, const std::string& text, const Draw& draw) {
    ImGuiContext& g = *ImGui::GetCurrentContext();
    ImGui::ActivateItem(id);
    g.NavNextActivateFlags = ImGuiActivateFlags_PreferInput; // text input, not tweaking
    g.NavInputSource = ImGuiInputSource_Keyboard;
    enter_text(text, draw);
}

void ImGuiHarness::enter_text(const std::string& text, const Draw& draw) {
    frame(draw); // activation, the field's text is selected
    frame(draw);
    ImGuiIO& io = ImGui::GetIO();
    if (text.empty()) {
        key(ImGuiKey_Delete, draw);
    } else {
        io.AddInputCharactersUTF8(text.c_str());
        frame(draw);
    }
    key(ImGuiKey_Enter, draw);
}

void ImGuiHarness::choose(const char* window, const char* combo, int index, const char* label,
                          const Draw& draw) {
    press(window, {combo}, draw);
    // The open combo is a popup window named after the popup depth.
    ImGuiContext& g = *ImGui::GetCurrentContext();
    char popup_name[16];
    ImFormatString(popup_name, sizeof popup_name, "##Combo_%02d", g.BeginPopupStack.Size);
    ImGuiWindow* popup = ImGui::FindWindowByName(popup_name);
    if (popup == nullptr)
        return;
    ImGuiID id = ImHashData(&index, sizeof index, popup->ID);
    id = ImHashStr(label, 0, id);
    press(id, draw);
}

void ImGuiHarness::click(ImVec2 pos, const Draw& draw) {
    ImGuiIO& io = ImGui::GetIO();
    io.MousePos = pos;
    frame(draw);
    io.MouseDown[0] = true;
    frame(draw);
    io.MouseDown[0] = false;
    frame(draw);
}
