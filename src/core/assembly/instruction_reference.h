#pragma once

#include <cstddef>
#include <string>

#include "arch/instruction_set.h"

// What a student needs to know of each Isa4 instruction, as the "Isa4
// reference" window shows it. The fields and opcodes come from the
// instruction set table; what is written here is what the table cannot say:
// the operands' names, the effect and examples.
struct InstructionNote {
    Opcode opcode;
    const char* syntax;    // as the assembler takes it, operands named: "ADDI rd, ra, imm"
    const char* effect;    // on the registers, the data memory and pc
    const char* zero_flag; // what happens to z
    const char* example;   // a statement that assembles on its own
    const char* example_effect;
};

// One note per instruction form, in opcode order.
extern const InstructionNote instruction_notes[instruction_form_count];

// Where each field of the form sits, named as in the note's syntax:
// "bits 19-16: 1, 15-12: rd, 11-8: ra, 7-0: imm".
std::string encoding_text(const InstructionNote& note);
