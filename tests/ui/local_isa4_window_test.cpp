// "Local Isa4" through its real widgets, with the windows and the local run
// around it as the frame has them: the register view and its highlight, step,
// step back over a run, reset, and the traps' texts.
#include <array>
#include <cstdint>
#include <set>
#include <sstream>
#include <string>
#include <vector>

#include <gtest/gtest.h>

#include "arch/instruction_set.h"
#include "support/imgui_harness.h"
#include "support/isa4_state.h"
#include "support/peer_link.h"
#include "ui/cpu_state_window.h"
#include "ui/local_isa4_window.h"
#include "ui/ram_view.h"
#include "ui/widgets.h"

namespace {

constexpr const char* title = "Local Isa4";
constexpr const char* cpu_title = "Computer Architecture state";

using State = Isa4State;

std::vector<std::string> words_of(const std::string& line) {
    std::istringstream in(line);
    std::vector<std::string> words;
    for (std::string w; in >> w;)
        words.push_back(w);
    return words;
}

uint32_t word(Opcode op, std::initializer_list<int> fields) {
    return encode(op, fields);
}

class LocalIsa4WindowTest : public ::testing::Test {
  protected:
    void SetUp() override { ui.frames(2, draw); }

    void press(const char* label) { ui.press(title, {label}, draw); }
    std::string text() const { return ImGuiHarness::window_text(title); }
    bool shows(const std::string& s) const { return text().find(s) != std::string::npos; }
    // The register view's cell of a register: its name and the n words after it.
    std::vector<std::string> row(const std::string& name, size_t n = 3) const {
        const std::vector<std::string> words = words_of(text());
        for (size_t i = 0; i + n < words.size(); ++i)
            if (words[i] == name)
                return std::vector<std::string>(words.begin() + i, words.begin() + i + n + 1);
        return {};
    }
    // Runs "Run" until the run stops, a second of the clock per frame.
    void run_until_stopped() {
        ui.press(cpu_title, {"Run"}, draw);
        for (int i = 0; i < 100 && run.running; ++i) {
            now += 1000;
            ui.frame(draw);
        }
        ASSERT_FALSE(run.running);
        ui.frame(draw); // the window shows the stop
    }

    ImGuiHarness ui;
    Logger log{100};
    PeerLink link{log};
    Isa4 arch;
    LocalProcessor cpu;
    LocalRun run;
    uint32_t now = 0;
    CpuStepper stepper{1000, 1000, [this] { return now; }};
    CpuStateWindow cpu_window;
    LocalIsa4Window window;
    RamView ram_view;
    ImGuiHarness::Draw draw = [this] {
        const StepChange& change = cpu.last_change();
        ram_view.draw(arch, log,
                      change.ram_written ? std::optional<uint8_t>(change.ram_address)
                                         : std::nullopt);
        cpu_window.draw(run, link.sender, true, log);
        ImGui::SetNextWindowSize(ImVec2(500, 500));
        window.draw(arch, cpu, run, log);
        run.advance(arch, cpu, stepper, log);
    };
};

TEST_F(LocalIsa4WindowTest, RegistersShowHexUnsignedAndSignedWithTheLastChangeHighlighted) {
    arch.rom[0] = word(Opcode::Addi, {1, 0, 5});
    arch.rom[1] = word(Opcode::Addi, {2, 0, 0xFF});
    arch.rom[2] = word(Opcode::Addi, {3, 0, 0x80});
    arch.rom[3] = word(Opcode::Add, {4, 0, 0}); // r4 = 0: z set
    ui.frame(draw);
    EXPECT_EQ(row("pc", 2), (std::vector<std::string>{"pc", "FF", "255"}));
    EXPECT_TRUE(shows("ready")) << text();

    const std::vector<std::vector<std::string>> rows = {
        {"r1", "05", "5", "5"}, {"r2", "FF", "255", "-1"}, {"r3", "80", "128", "-128"}};
    for (size_t i = 0; i < rows.size(); ++i) {
        press("Step Isa4");
        EXPECT_EQ(row(rows[i][0]), rows[i]) << text();
        EXPECT_EQ(row("pc", 2),
                  (std::vector<std::string>{"pc", "0" + std::to_string(i), std::to_string(i)}));
        // Only the register the step wrote is highlighted.
        EXPECT_EQ(words_of(ImGuiHarness::window_text_in(title, changed_colour)), rows[i]);
    }
    press("Step Isa4");
    EXPECT_EQ(row("z", 1), (std::vector<std::string>{"z", "1"}));
    EXPECT_EQ(words_of(ImGuiHarness::window_text_in(title, changed_colour)),
              (std::vector<std::string>{"r4", "00", "0", "0", "z", "1"}))
        << "r4, then z on the last line";
    EXPECT_TRUE(link.received().empty()) << "local steps send nothing to the back end";
}

// A run stops at a breakpoint, is run on to it again, and is then stepped
// back one step at a time to the start: each step back gives exactly the
// state before that step, the data byte the run wrote included.
TEST_F(LocalIsa4WindowTest, StepBackUndoesARunThroughABreakpointAndAStore) {
    const std::vector<uint32_t> program = {
        word(Opcode::Addi, {1, 1, 1}),   // r1 += 1
        word(Opcode::MoveMR, {0x80, 1}), // [0x80] = r1
        word(Opcode::Add, {0, 0, 0}),    // z = 1; a breakpoint stops here
        word(Opcode::Jz, {0xFF}),        // back to 0
    };
    std::copy(program.begin(), program.end(), arch.rom.begin());
    arch.breakpoints = {2};
    ui.type_into_slider(cpu_title, {"Clocks"}, "20", draw);

    // The same steps on a model of its own, and the states before each.
    const State start(arch);
    Isa4 replay = arch;
    std::vector<State> before;
    for (int i = 0; i < 8; ++i) {
        before.emplace_back(replay);
        try {
            replay.step();
        } catch (const Trap&) {
        }
    }

    run_until_stopped();
    EXPECT_TRUE(shows("stopped: breakpoint at 02")) << text();
    run_until_stopped(); // on from the breakpoint, round the loop, to it again
    ASSERT_EQ(State(arch), State(replay));
    ASSERT_EQ(cpu.steps_to_undo(), before.size());
    EXPECT_EQ(log.texts(), (std::vector<std::string>{"Breakpoint hit", "Breakpoint hit"}));

    while (!before.empty()) {
        press("Step back");
        ASSERT_EQ(State(arch), before.back()) << "step " << before.size() - 1;
        if (before.size() == 2) { // the store of the first round undone: its byte shown
            EXPECT_EQ(ImGuiHarness::window_text_in("RAM view", changed_colour), "00");
        }
        before.pop_back();
    }
    EXPECT_TRUE(shows("0 steps to step back")) << text();
    press("Step back"); // nothing left: the button does nothing
    EXPECT_EQ(State(arch), start);
}

TEST_F(LocalIsa4WindowTest, StepHighlightsTheDataByteWritten) {
    arch.rom[0] = word(Opcode::Addi, {1, 0, 0x3C});
    arch.rom[1] = word(Opcode::MoveMR, {0x47, 1});
    press("Step Isa4");
    EXPECT_EQ(ImGuiHarness::window_text_in("RAM view", changed_colour), "");
    press("Step Isa4");
    EXPECT_EQ(arch.ram[0x47], 0x3C);
    EXPECT_EQ(ImGuiHarness::window_text_in("RAM view", changed_colour), "3C");
    const std::string ram = ImGuiHarness::window_text("RAM view");
    EXPECT_NE(ram.find("4  00 00 00 00 00 00 00 3C 00"), std::string::npos) << ram;
}

TEST_F(LocalIsa4WindowTest, ResetClearsTheProcessorAndKeepsMemoriesAndBreakpoints) {
    arch.rom[0] = word(Opcode::Addi, {1, 0, 9});
    arch.rom[1] = word(Opcode::MoveMR, {0x10, 1});
    arch.rom[2] = word(Opcode::Add, {0, 0, 0});
    arch.breakpoints = {3};
    for (int i = 0; i < 4; ++i)
        press("Step Isa4");
    ASSERT_TRUE(arch.at_breakpoint);
    EXPECT_TRUE(shows("at a breakpoint")) << text();
    const auto rom = arch.rom;
    const auto ram = arch.ram;

    ui.press(cpu_title, {"Run"}, draw);
    press("Reset Isa4");
    EXPECT_FALSE(run.running);
    EXPECT_EQ(State(arch), State([&] {
                  Isa4 fresh;
                  fresh.ram = ram;
                  fresh.breakpoints = {3};
                  return fresh;
              }()));
    EXPECT_EQ(arch.rom, rom);
    EXPECT_TRUE(shows("ready")) << text();
    EXPECT_TRUE(shows("not at a breakpoint")) << text();
    EXPECT_EQ(row("r1"), (std::vector<std::string>{"r1", "00", "0", "0"}));
    press("Step back");
    EXPECT_EQ(arch.pc, 0xFF);
    EXPECT_TRUE(link.received().empty()) << "a local reset sends nothing to the back end";
}

struct TrapCase {
    const char* name;
    uint8_t address;
    uint32_t word;
    std::set<uint8_t> breakpoints;
    const char* shown;
    const char* logged;
};

void PrintTo(const TrapCase& c, std::ostream* out) {
    *out << c.name;
}

class LocalIsa4Traps : public LocalIsa4WindowTest, public testing::WithParamInterface<TrapCase> {};

// A run and a single step both say where they stopped; the log keeps its
// own texts.
TEST_P(LocalIsa4Traps, SayWhereTheyHappened) {
    const TrapCase& c = GetParam();
    arch.rom[c.address] = c.word;
    arch.breakpoints = c.breakpoints;
    ui.type_into_slider(cpu_title, {"Clocks"}, "20", draw);
    run_until_stopped();
    EXPECT_TRUE(shows(std::string("stopped: ") + c.shown)) << text();
    EXPECT_EQ(log.texts(), std::vector<std::string>{c.logged});

    press("Reset Isa4");
    for (int i = 0; i <= c.address; ++i)
        press("Step Isa4");
    EXPECT_TRUE(shows(std::string("stopped: ") + c.shown)) << text();
    EXPECT_EQ(log.texts(), (std::vector<std::string>{c.logged, c.logged}));
}

INSTANTIATE_TEST_SUITE_P(
    Local, LocalIsa4Traps,
    testing::Values(TrapCase{"illegal_instruction",
                             0x05,
                             0x3ABCD,
                             {},
                             "illegal instruction 3ABCD at 05",
                             "Interrupt 2"},
                    TrapCase{"breakpoint", 0x12, 0, {0x12}, "breakpoint at 12", "Breakpoint hit"}),
    [](const auto& info) { return std::string(info.param.name); });

} // namespace
