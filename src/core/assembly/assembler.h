#pragma once

#include <array>
#include <cstdint>
#include <string>
#include <string_view>
#include <vector>

#include "assembly/program_symbols.h"

// The Isa4 assembler. The language, in short (docs/assembly.md has it all):
//
//   ; a comment, as is '#' and what follows
//   .equ  N, 5            ; a constant
//   start: ADDI r1, r0, N ; a label names the address of the next word
//   loop:  ADDI r1, r1, -1
//          JZ   done      ; a taken JZ continues at its field + 1, so a
//          ...            ; label stores label - 1
//   done:  JZ   done      ; the halting JZ
//   .data 0x80, 1, 2, 3   ; data memory bytes from 0x80
//
// Instructions: ADD rd, ra, rb; ADDI rd, ra, imm (-128..255); JZ target;
// MOVE rd, rs / [m], rs / rd, [m] / [m], [n]. Directives: .org ADDR,
// .word VALUE, .equ NAME, VALUE, .data ADDR, BYTE[, BYTE...].

struct AsmError {
    int line; // from 1
    std::string message;
};

struct AssembledProgram {
    std::array<uint32_t, 256> rom{}; // words no statement wrote are 0
    std::array<uint8_t, 256> ram{};  // bytes no .data wrote are 0
    bool has_data = false;           // the source has .data: ram replaces the data memory
    ProgramSymbols symbols;
};

// The result of assembling a source: the program, or every error found.
// When there is any error the program is empty and nothing is to be written.
struct Assembly {
    AssembledProgram program;
    std::vector<AsmError> errors; // in line order

    bool ok() const { return errors.empty(); }
};

Assembly assemble(std::string_view source);

// Assembles one instruction or .word that uses no names into word. On
// failure returns false with error set to the reason. Disassembly gives
// such statements, so this is their way back.
bool assemble_statement(std::string_view statement, uint32_t& word, std::string& error);
