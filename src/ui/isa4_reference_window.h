#pragma once

#include <string>
#include <vector>

// "Isa4 reference": first steps with Quarrin, then every instruction with
// its syntax, effect, zero flag, encoding and an example with its word, and
// how jumps work. Everything but the words is text; the words are those the
// assembler makes of the examples.
struct Isa4ReferenceWindow {
    static constexpr const char* title = "Isa4 reference";

    void draw();

  private:
    void draw_first_steps();
    void draw_instructions();
    void draw_jumps();

    // Each instruction's lines that are put together, built once: its zero
    // flag, its encoding and its example with the word.
    struct NoteLines {
        std::string zero_flag, encoding, example;
    };
    std::vector<NoteLines> notes;
};
