#include <cstdint>
#include <string>
#include <utility>
#include <vector>

#include <gtest/gtest.h>

#include "support/imgui_harness.h"
#include "support/peer_link.h"
#include "ui/cpu_state_window.h"

namespace {

constexpr const char* title = "Computer Architecture state";

// Program words.
constexpr uint32_t count_r1 = 0x11101;   // ADDI r1, r1, 1: r1 counts the steps
constexpr uint32_t zero_r1 = 0x01000;    // ADD r1, r0, r0: sets the zero flag
constexpr uint32_t halt_at_1 = 0x20001;  // JZ 1 at address 1: the halting JZ
constexpr uint32_t illegal = 0x30000;    // opcode 3
constexpr uint32_t r2_gets_77 = 0x12077; // ADDI r2, r0, 0x77

nlohmann::json control(const char* state) {
    return {{"message_type", "command"},
            {"message_sub_type", "change_state"},
            {"destination", "control"},
            {"data", state}};
}

// The window on a program that counts its steps in r1, with a clock that
// moves only when a test moves it (or by tick_per_call on every reading).
class CpuStateWindowTest : public ::testing::Test {
  protected:
    void SetUp() override {
        arch.rom.fill(count_r1);
        ui.frames(2, draw);
    }

    void set_clocks(const char* typed) { ui.type_into_slider(title, {"Clocks"}, typed, draw); }
    void run() {
        ui.press(title, {"Run"}, draw);
        ASSERT_TRUE(local_run.running);
    }
    // Moves the clock by ms and draws one frame; returns the steps executed.
    int advance(uint32_t ms) {
        now += ms;
        const uint8_t before = arch.regs[1];
        ui.frame(draw);
        return static_cast<uint8_t>(arch.regs[1] - before);
    }
    std::string text() const { return ImGuiHarness::window_text(title); }
    bool toggle_shows(const char* label) const { return text().find(label) != std::string::npos; }

    ImGuiHarness ui;
    Logger log{100};
    PeerLink link{log};
    Isa4 arch;
    uint32_t now = 0;
    uint32_t tick_per_call = 0;
    CpuStepper stepper{1000, 1000, [this] { return now += tick_per_call; }};
    CpuStateWindow window;
    LocalRun local_run;
    LocalProcessor cpu;
    bool architecture_selected = true;
    // The window, then the local run's steps, as the frame does.
    ImGuiHarness::Draw draw = [this] {
        window.draw(local_run, link.sender, architecture_selected, log);
        local_run.advance(arch, cpu, stepper, log);
    };
};

TEST_F(CpuStateWindowTest, ClocksAreKeptBetween1And20) {
    const std::vector<std::pair<const char*, int>> cases = {
        {"7", 7}, {"0", 1}, {"-5", 1}, {"50", 20}, {"20", 20}};
    for (const auto& [typed, clocks] : cases) {
        SCOPED_TRACE(typed);
        set_clocks(typed);
        EXPECT_EQ(local_run.clocks, clocks);
        EXPECT_EQ(stepper.period, static_cast<uint32_t>(1000 / clocks));
    }
}

struct PacingCase {
    const char* clocks;
    std::vector<std::pair<uint32_t, int>> frames; // ms before the frame, steps in it
};

TEST_F(CpuStateWindowTest, RunExecutesTheStepsDueInEachFrame) {
    const std::vector<PacingCase> cases = {
        // One period must be exceeded, not just reached.
        {"1", {{1000, 0}, {1, 1}, {1000, 1}, {500, 0}, {500, 1}}},
        // Gaps are capped at 1000 ms; a left-over full period makes 21.
        {"20", {{1000, 20}, {5000, 20}, {50, 0}, {1000, 21}, {49, 0}, {2, 1}}},
    };
    for (const PacingCase& c : cases) {
        SCOPED_TRACE(c.clocks);
        local_run = LocalRun();
        stepper.accumulated = 0;
        set_clocks(c.clocks);
        run();
        for (const auto& [ms, steps] : c.frames)
            EXPECT_EQ(advance(ms), steps) << "after " << ms << " ms";
        EXPECT_TRUE(local_run.running);
        EXPECT_TRUE(toggle_shows("Stop")) << text();
    }
}

TEST_F(CpuStateWindowTest, BreakpointStopsTheRunAndASecondRunExecutesItsWordFirst) {
    arch.breakpoints.insert(3);
    arch.rom[3] = r2_gets_77;
    set_clocks("20");
    run();
    advance(1000);
    EXPECT_FALSE(local_run.running);
    EXPECT_EQ(arch.regs[1], 3);
    EXPECT_EQ(arch.regs[2], 0);
    ASSERT_FALSE(log.texts().empty());
    EXPECT_EQ(log.texts().front(), "Breakpoint hit");
    ui.frame(draw);
    EXPECT_TRUE(toggle_shows("Run")) << text();
    EXPECT_FALSE(toggle_shows("Stop")) << text();

    run();
    EXPECT_EQ(advance(51), 0); // one step: the word at the breakpoint
    EXPECT_EQ(arch.regs[2], 0x77);
    EXPECT_EQ(arch.pc, 3);
    EXPECT_TRUE(local_run.running);
}

TEST_F(CpuStateWindowTest, IllegalWordLogsInterrupt2AndStops) {
    arch.rom[2] = illegal;
    set_clocks("20");
    run();
    EXPECT_EQ(advance(1000), 2);
    EXPECT_FALSE(local_run.running);
    EXPECT_EQ(arch.pc, 2);
    EXPECT_EQ(log.texts(), (std::vector<std::string>{"Interrupt 2"}));
    EXPECT_EQ(advance(1000), 0);
}

TEST_F(CpuStateWindowTest, HaltingJzEndsTheFrameButNotTheRun) {
    arch.rom[0] = zero_r1;
    arch.rom[1] = halt_at_1;
    set_clocks("20");
    run();
    advance(1000);
    EXPECT_EQ(arch.pc, 1);
    EXPECT_TRUE(local_run.running);
    EXPECT_TRUE(toggle_shows("Stop")) << text();
    EXPECT_EQ(advance(51), 1); // goes on with the word after the JZ
    EXPECT_EQ(arch.pc, 2);
    EXPECT_TRUE(log.texts().empty());
}

TEST_F(CpuStateWindowTest, StepStopsTheRunAndOnlySendsTheStepCommand) {
    set_clocks("20");
    run();
    tick_per_call = 1000; // 20 steps due in every frame from now on
    int steps_when_stopped = -1;
    const ImGuiHarness::Draw watch = [&] {
        const bool was_running = local_run.running;
        const uint8_t before = arch.regs[1];
        draw();
        if (was_running && !local_run.running)
            steps_when_stopped = static_cast<uint8_t>(arch.regs[1] - before);
    };
    ui.press(title, {"Step"}, watch);
    EXPECT_FALSE(local_run.running);
    EXPECT_EQ(steps_when_stopped, 0);
    EXPECT_TRUE(toggle_shows("Run")) << text();
    EXPECT_EQ(link.received(), (std::vector<nlohmann::json>{control("step")}));
}

TEST_F(CpuStateWindowTest, ResetCpuSendsOneCommandPerPressAndLeavesTheModel) {
    arch.ram[9] = 9;
    arch.regs[4] = 4;
    arch.pc = 0x20;
    arch.z = true;
    const Isa4 before = arch;
    ui.press(title, {"Reset CPU"}, draw);
    ui.press(title, {"Reset CPU"}, draw);
    EXPECT_EQ(link.received(), (std::vector<nlohmann::json>{control("reset"), control("reset")}));
    EXPECT_EQ(arch.rom, before.rom);
    EXPECT_EQ(arch.ram, before.ram);
    EXPECT_EQ(arch.regs, before.regs);
    EXPECT_EQ(arch.pc, before.pc);
    EXPECT_EQ(arch.z, before.z);
    EXPECT_FALSE(local_run.running);
}

// Without an architecture selected on the back end, each press says so in
// the log and the command still goes out.
TEST_F(CpuStateWindowTest, ControlsWithoutAnArchitectureSayItAndStillSend) {
    architecture_selected = false;
    for (const char* button : {"Step", "Reset CPU"}) {
        SCOPED_TRACE(button);
        log.clear();
        ui.press(title, {button}, draw);
        EXPECT_EQ(log.texts(), std::vector<std::string>{std::string(button) +
                                                        ": no architecture selected; press "
                                                        "\"Select\" in \"nng\""});
        EXPECT_EQ(link.received(),
                  (std::vector<nlohmann::json>{control(button[0] == 'S' ? "step" : "reset")}));
    }
    architecture_selected = true;
    log.clear();
    ui.press(title, {"Step"}, draw);
    EXPECT_EQ(log.size(), 0u);
}

} // namespace
