#pragma once

#include <array>
#include <cstdint>
#include <string>

// The canonical statement of a program word: the upper-case mnemonic, then
// its operands separated by ", ": registers r0..rf, numbers as "0x" and two
// upper-case hexadecimal digits, data addresses in brackets. For example
// "ADDI r1, r0, 0x05", "JZ 0x10", "MOVE [0x80], r3".
//
// A word that no instruction writes exactly (an illegal opcode, bits 20 and
// up set, or bits set outside its instruction's fields) is a raw word,
// ".word 0x" with at least five digits: ".word 0x3ABCD".
//
// Assembling the statement gives the word back, for every word up to 0xFFFFFF.
std::string disassemble(uint32_t word);

// The same, appended to out.
void append_disassembly(std::string& out, uint32_t word);

// A listing of a program memory that assembles back to the same words: one
// statement per line with its address and code as a comment,
//     ADDI r1, r0, 0x05       ; 0x00  11005
// Zero words at the end are left out, and a run of four or more inside
// becomes a .org, since words no statement writes are 0.
std::string disassemble_program(const std::array<uint32_t, 256>& rom);
