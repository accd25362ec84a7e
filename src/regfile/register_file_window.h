#pragma once

#include <cstdint>

#include "link/frame_sender.h"
#include "regfile/register_file.h"

// "Register file": one hexadecimal field per visible register. An edit of a
// writable register is sent to the back end as a write event; the stored
// value changes only when the back end answers.
struct RegisterFileWindow {
    int readonly_field = 0; // shared by all read-only fields, rewritten before each

    void draw(RegisterFile& regfile, FrameSender& sender);

  private:
    void draw_writable(RegisterFile& regfile, uint32_t i, FrameSender& sender);
};

// Help marker: "(?)" whose tooltip shows text unformatted.
void help_marker(const char* text);
