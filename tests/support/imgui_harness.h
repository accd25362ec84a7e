#pragma once

#include <functional>
#include <initializer_list>
#include <string>
#include <vector>

#include <imgui.h>

// A headless Dear ImGui context: no window system and no renderer, a fixed
// display size, the font atlas built. Widgets are driven the way a user
// would: buttons and checkboxes are activated, text is typed into fields.
class ImGuiHarness {
  public:
    using Draw = std::function<void()>;

    explicit ImGuiHarness(ImVec2 display = ImVec2(1920, 1080));
    ~ImGuiHarness();
    ImGuiHarness(const ImGuiHarness&) = delete;
    ImGuiHarness& operator=(const ImGuiHarness&) = delete;

    void frame(const Draw& draw);
    // Runs n frames.
    void frames(int n, const Draw& draw);

    // Id of an item: its window, then the labels of the ID scopes down to it.
    // The "+" button of InputInt "val" is item("RAM view", {"val", "+"}).
    static ImGuiID item(const char* window, std::initializer_list<const char*> path);

    // Presses a button (or toggles a checkbox, opens a combo or tree node);
    // the press takes effect in the second of the frames run here.
    void press(ImGuiID id, const Draw& draw);
    void press(const char* window, std::initializer_list<const char*> path, const Draw& draw) {
        press(item(window, path), draw);
    }
    // Replaces a text or number field's text with text, as if typed, and
    // confirms it with Enter.
    void type(ImGuiID id, const std::string& text, const Draw& draw);
    void type(const char* window, std::initializer_list<const char*> path, const std::string& text,
              const Draw& draw) {
        type(item(window, path), text, draw);
    }
    // Enters text into a slider or drag as a ctrl+click does (its text
    // input), and confirms it with Enter.
    void type_into_slider(ImGuiID id, const std::string& text, const Draw& draw);
    void type_into_slider(const char* window, std::initializer_list<const char*> path,
                          const std::string& text, const Draw& draw) {
        type_into_slider(item(window, path), text, draw);
    }
    // Opens the combo and picks the entry at index, labelled label.
    void choose(const char* window, const char* combo, int index, const char* label,
                const Draw& draw);

    // The text a window (and its child regions) showed in the last frame,
    // read back from the glyphs in its draw lists: one line per row of text,
    // spaces restored from the gaps of the fixed-width default font.
    static std::string window_text(const char* window);
    // The same, line by line.
    static std::vector<std::string> window_lines(const char* window);
    // The text drawn in colour only: what a window highlights.
    static std::string window_text_in(const char* window, const ImVec4& colour);

    // Presses with the mouse at a screen position (down, held, released).
    void click(ImVec2 pos, const Draw& draw);

  private:
    static std::string glyph_text(const char* window, ImU32 colour);
    void key(int key_index, const Draw& draw);
    void enter_text(const std::string& text, const Draw& draw);
};
