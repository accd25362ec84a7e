#pragma once

#include <cstdint>
#include <optional>
#include <vector>

#include <imgui.h>

#include "link/frame_sender.h"
#include "regfile/register_file.h"

// "Register file": one hexadecimal field per visible register, those the
// latest event from the back end changed highlighted. An edit of a writable
// register is sent to the back end as a write event: a typed value once, when
// the user presses Enter or leaves the field, a "+" or "-" at once. The
// stored value changes only when the back end answers.
struct RegisterFileWindow {
    int readonly_field = 0; // shared by all read-only fields, rewritten before each

    // A value typed into a field, sent when the field is left.
    struct TypedEdit {
        uint32_t reg;
        ImGuiID field; // the text field's id
        uint64_t value;
    };
    std::optional<TypedEdit> typed;
    // The value a held "+" or "-" last sent: it repeats, and until the back
    // end answers each repeat gives the same value, which is one edit.
    struct ButtonEdit {
        uint32_t reg;
        uint64_t value;
    };
    std::optional<ButtonEdit> button_edit;
    std::vector<uint32_t> shown; // the registers that are not hidden, rebuilt each frame
    // The 32-bit fields' edit buffers, one per register, showing the stored
    // value until an edit.
    std::vector<int> fields;

    // Shown while stale: the back end was reached anew (it was restarted, or
    // "Connect" was pressed) and has no architecture selected; the values
    // are the last ones known.
    static constexpr const char* stale_text =
        "Stale: the back end was connected again. Press \"Select\" in \"nng\" to load the "
        "architecture again.";

    void draw(RegisterFile& regfile, FrameSender& sender, bool stale = false);

  private:
    void draw_register(RegisterFile& regfile, uint32_t i, FrameSender& sender);
    void draw_writable(RegisterFile& regfile, uint32_t i, FrameSender& sender);
    void send_typed_when_left(RegisterFile& regfile, FrameSender& sender);
};

// Help marker: "(?)" whose tooltip shows text unformatted.
void help_marker(const char* text);
