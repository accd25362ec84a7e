#include <algorithm>
#include <cstdio>
#include <string>
#include <utility>
#include <vector>

#include <gtest/gtest.h>

#include "support/imgui_harness.h"
#include "ui/assembler_window.h"

namespace {

constexpr const char* title = "(Diss)Assembler";

class AssemblerWindowTest : public ::testing::Test {
  protected:
    void SetUp() override { ui.frames(2, draw); } // the window sizes itself first

    std::string text() const { return ImGuiHarness::window_text(title); }
    bool shows(const std::string& s) const { return text().find(s) != std::string::npos; }
    static std::string ic_text(int ic) {
        char buf[16];
        std::snprintf(buf, sizeof buf, "IC: %05X", ic);
        return buf;
    }
    // Picks an entry of the "opcode" or "Type" combo by its name.
    void choose_opcode(const char* name) {
        ui.choose(title, "opcode", mnemonic_choice(name), name, draw);
    }
    void choose_type(const char* name) {
        const ChoiceList types = variant_choices(mnemonic_choice("MOVE"));
        const int index =
            static_cast<int>(std::find_if(types.names, types.names + types.count,
                                          [&](const char* t) { return std::string(t) == name; }) -
                             types.names);
        ui.choose(title, "Type", index, name, draw);
    }
    void type_code(const char* code) { ui.type(title, {"IC"}, code, draw); }

    ImGuiHarness ui;
    AssemblerWindow window;
    ImGuiHarness::Draw draw = [this] { window.draw(); };
};

TEST_F(AssemblerWindowTest, StartsWithAddOfR0AndCodeZero) {
    EXPECT_EQ(window.fields.mnemonic, mnemonic_choice("ADD"));
    EXPECT_EQ(window.ic, 0);
    const std::string shown = text();
    EXPECT_NE(shown.find("ADD"), std::string::npos) << shown;
    EXPECT_NE(shown.find("IC: 00000"), std::string::npos) << shown;
    size_t r0 = 0;
    for (size_t at = shown.find("r0"); at != std::string::npos; at = shown.find("r0", at + 1))
        ++r0;
    EXPECT_EQ(r0, 3u) << shown;
}

// One operand widget set by the user: a register combo or a number field.
struct OperandInput {
    const char* label;
    int reg;           // register index for a combo, -1 for a number field
    const char* typed; // hexadecimal text for a number field
};

struct ComposeCase {
    const char* opcode;
    const char* type; // MOVE's, or nullptr
    std::vector<OperandInput> operands;
    int code;
};

TEST_F(AssemblerWindowTest, ComposesTheExampleCodes) {
    const std::vector<ComposeCase> cases = {
        {"ADD", nullptr, {{"dst", 1, ""}, {"lhs", 2, ""}, {"rhs", 3, ""}}, 0x01203},
        {"ADDI", nullptr, {{"dst", 1, ""}, {"lhs", 0, ""}, {"imm", -1, "FF"}}, 0x110FF},
        {"JZ", nullptr, {{"addr", -1, "10"}}, 0x20010},
        {"MOVE", "RR", {{"dst", 5, ""}, {"rhs", 6, ""}}, 0x45006},
        {"MOVE", "MR", {{"dst", -1, "80"}, {"rhs", 3, ""}}, 0x58003},
        {"MOVE", "RM", {{"dst", 3, ""}, {"rhs", -1, "80"}}, 0x63080},
        {"MOVE", "MM", {{"dst", -1, "12"}, {"rhs", -1, "34"}}, 0x71234},
    };
    for (const ComposeCase& c : cases) {
        SCOPED_TRACE(ic_text(c.code));
        window = AssemblerWindow();
        choose_opcode(c.opcode);
        if (c.type != nullptr)
            choose_type(c.type);
        for (const OperandInput& op : c.operands) {
            if (op.reg >= 0)
                ui.choose(title, op.label, op.reg, register_names[op.reg], draw);
            else
                ui.type(title, {op.label}, op.typed, draw);
        }
        ui.frame(draw);
        EXPECT_EQ(window.ic, c.code);
        EXPECT_TRUE(shows(ic_text(c.code))) << text();
    }
}

struct BoundCase {
    const char* opcode; // selected before the field is driven
    const char* field;
    int AssemblerWindow::*member; // nullptr: the shared byte operand
    int max;
};

int& bound_value(AssemblerWindow& w, const BoundCase& c) {
    return c.member != nullptr ? w.*c.member : w.fields.byte_operand;
}

TEST_F(AssemblerWindowTest, NumberFieldsWrapAroundTheirRange) {
    const std::vector<BoundCase> cases = {
        {"ADDI", "imm", nullptr, 0xFF},
        {"JZ", "addr", nullptr, 0xFF},
        {"ADD", "IC", &AssemblerWindow::ic_entry, 0xFFFFF},
    };
    for (const BoundCase& c : cases) {
        SCOPED_TRACE(c.field);
        window = AssemblerWindow();
        choose_opcode(c.opcode);
        ui.press(title, {c.field, "-"}, draw);
        EXPECT_EQ(bound_value(window, c), c.max);
        ui.press(title, {c.field, "+"}, draw);
        EXPECT_EQ(bound_value(window, c), 0);
        char above[16];
        std::snprintf(above, sizeof above, "%X", c.max + 1);
        ui.type(title, {c.field}, above, draw);
        EXPECT_EQ(bound_value(window, c), 0);
    }
}

TEST_F(AssemblerWindowTest, SharedOperandSurvivesAnOpcodeChange) {
    choose_opcode("ADDI");
    ui.type(title, {"imm"}, "42", draw);
    choose_opcode("JZ");
    ui.frame(draw);
    EXPECT_EQ(window.ic, 0x20042);
    choose_opcode("MOVE");
    choose_type("MR");
    ui.frame(draw);
    EXPECT_EQ(window.fields.byte_operand, 0x42);
    EXPECT_EQ(window.ic, 0x54200);
}

TEST_F(AssemblerWindowTest, DisassembleShowsTheRecomposedCodeFromTheNextFrame) {
    type_code("FF0");
    ui.press(title, {"Dissassemble"}, draw);
    EXPECT_EQ(window.fields.mnemonic, mnemonic_choice("ADD"));
    EXPECT_EQ(window.fields.dst_reg, 0);
    EXPECT_EQ(window.fields.lhs_reg, 0xF);
    EXPECT_EQ(window.fields.rhs_reg, 0);
    ui.frame(draw);
    EXPECT_EQ(window.ic, 0x00F00); // bits 4-7 are no field of ADD
    EXPECT_TRUE(shows("IC: 00F00")) << text();
    EXPECT_TRUE(shows("rf")) << text();
}

TEST_F(AssemblerWindowTest, CodesThatAreNoInstructionSelectUnknownAndStayOnShow) {
    for (const char* code : {"3ABCD", "8ABCD", "F1234"}) {
        SCOPED_TRACE(code);
        window = AssemblerWindow();
        ui.choose(title, "dst", 1, "r1", draw);
        ui.choose(title, "lhs", 2, "r2", draw);
        ui.choose(title, "rhs", 3, "r3", draw);
        const AsmFields before = window.fields;
        type_code(code);
        ui.press(title, {"Dissassemble"}, draw);
        ui.frames(2, draw);
        const int entered = static_cast<int>(std::stoul(code, nullptr, 16));
        EXPECT_EQ(window.fields.mnemonic, mnemonic_choice("???"));
        EXPECT_EQ(window.fields.dst_reg, before.dst_reg);
        EXPECT_EQ(window.fields.lhs_reg, before.lhs_reg);
        EXPECT_EQ(window.fields.rhs_reg, before.rhs_reg);
        EXPECT_EQ(window.ic, entered);
        EXPECT_TRUE(shows(ic_text(entered))) << text();
        EXPECT_TRUE(shows("???")) << text();
    }
}

TEST_F(AssemblerWindowTest, ChoosingUnknownByHandKeepsTheLastCode) {
    choose_opcode("JZ");
    ui.type(title, {"addr"}, "10", draw);
    choose_opcode("???");
    ui.frames(2, draw);
    EXPECT_EQ(window.ic, 0x20010);
    EXPECT_TRUE(shows("IC: 20010")) << text();
}

} // namespace
