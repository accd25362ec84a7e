#pragma once

#include "arch/instruction.h"

// "(Diss)Assembler": composes an instruction code from a mnemonic and its
// operands, and decodes an entered code back into them.
struct AssemblerWindow {
    AsmFields fields;
    int ic = 0;       // composed code, 0..0xFFFFF
    int ic_entry = 0; // code to decode, 0..0xFFFFF

    void draw();
    // What "Dissassemble" does: select the fields of ic_entry and show it.
    void disassemble();

  private:
    void draw_operands();
};
