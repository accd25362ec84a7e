#pragma once

#include <cstddef>
#include <cstdint>
#include <initializer_list>

// The Isa4 instruction set, written out once: each opcode's mnemonic and
// operand fields. Composing and decoding words, the "(Diss)Assembler", the
// text assembler and disassembler, and execution all read it from here.
//
// A word holds the opcode in bits 16-19 and the operands below it. No
// instruction sets bits 20-31, and the processor ignores them.

// A bit field of an instruction word.
struct WordField {
    uint8_t shift; // its lowest bit
    uint8_t width; // in bits

    constexpr uint32_t max() const { return (1u << width) - 1; }
    constexpr uint32_t mask() const { return max() << shift; }
    constexpr uint32_t read(uint32_t word) const { return (word >> shift) & max(); }
    // The value in its place; bits beyond the field's width are dropped.
    constexpr uint32_t place(uint32_t value) const { return (value & max()) << shift; }
};

// The fields, named by what the instructions keep in them.
namespace isa4_field {
constexpr WordField opcode{16, 4};
constexpr WordField dst_reg{12, 4}; // destination register
constexpr WordField lhs_reg{8, 4};  // left operand of ADD and ADDI
constexpr WordField src_reg{0, 4};  // source (right operand) register
constexpr WordField dst_addr{8, 8}; // destination data address
constexpr WordField low_byte{0, 8}; // source data address, immediate, jump target
} // namespace isa4_field

// The largest word an instruction can be: every bit up to the opcode's.
constexpr uint32_t max_instruction_code =
    (1u << (isa4_field::opcode.shift + isa4_field::opcode.width)) - 1;

// The opcodes; 3 and 8-15 are illegal. MOVE's are 4 plus its variant, whose
// first letter names the destination (R register, M data memory), the
// second the source.
enum class Opcode : uint8_t {
    Add = 0,
    Addi = 1,
    Jz = 2,
    MoveRR = 4,
    MoveMR = 5,
    MoveRM = 6,
    MoveMM = 7,
};

enum class OperandKind : uint8_t {
    Register,    // r0..rf
    DataAddress, // a data memory address, written in brackets: [0x80]
    Immediate,   // an 8-bit value added to a register
    JumpTarget,  // a taken JZ loads it into pc: the next word run is target + 1
};

struct Operand {
    OperandKind kind;
    WordField field;
    const char* label; // its widget's label in the "(Diss)Assembler"
};

// One instruction: an opcode with its mnemonic and operands, in the order
// they are written. The four MOVEs share a mnemonic; their variant tells
// them apart in the "(Diss)Assembler" and their operand kinds in the text.
struct InstructionForm {
    Opcode opcode;
    const char* mnemonic;
    const char* variant; // "RR", "MR", "RM", "MM" for MOVE, "" otherwise
    size_t operand_count;
    Operand operands[3];

    // The bits this instruction's words may have set.
    constexpr uint32_t used_bits() const {
        uint32_t bits = isa4_field::opcode.mask();
        for (size_t i = 0; i < operand_count; ++i)
            bits |= operands[i].field.mask();
        return bits;
    }
};

// The instruction set, in opcode order.
constexpr size_t instruction_form_count = 7;
extern const InstructionForm instruction_set[instruction_form_count];

// Register names, by number: "r0" .. "r9", "ra" .. "rf".
extern const char* const register_names[16];

// The form of an opcode, or nullptr for an illegal one.
const InstructionForm* form_of(Opcode opcode);
// The form named by a word's opcode bits (its other bits are not looked
// at), or nullptr when the opcode is illegal.
const InstructionForm* form_of_word(uint32_t word);

// The word of form with these operand values, in the form's operand order;
// each value is cut to its field's width.
uint32_t encode(const InstructionForm& form, const int* values);
// The same for an opcode, for programs spelled out in code:
// encode(Opcode::Addi, {1, 0, 5}) is ADDI r1, r0, 5.
uint32_t encode(Opcode opcode, std::initializer_list<int> values);
