// The whole road of a session, headless: the application's real frames (the
// drain, then every window) driven through their widgets, against the real
// back end process on a loopback port. Connect, list, select, the register
// file, a program poked and sent, steps, a register edit and a reset.
#include <algorithm>
#include <chrono>
#include <cstdio>
#include <optional>
#include <sstream>
#include <string>
#include <thread>
#include <vector>

#include <gtest/gtest.h>

#include "app/app.h"
#include "arch/instruction_set.h"
#include "link/envelope.h"
#include "road/back_end_process.h"
#include "road/isa4_program.h"
#include "sim/machine.h"
#include "support/desktop.h"
#include "support/imgui_harness.h"

namespace {

using nlohmann::json;
using namespace std::chrono_literals;
using Names = std::vector<std::string>;

constexpr auto wait_limit = 30s; // generous: the machine may be busy with other builds

using road::add;
using road::addi;
using road::jz;

// r1 = 5, r2 = r1 + r1, r3 = r2 + 0xFB (wraps to 5), r4 = 0 (sets z), then
// the halting JZ at address 4.
const std::vector<uint32_t> program = {addi(1, 0, 5), add(2, 1, 1), addi(3, 2, 0xFB), addi(4, 0, 0),
                                       jz(4)};

std::string hex(uint32_t v) {
    char text[16];
    std::snprintf(text, sizeof text, "%X", v);
    return text;
}

bool contains(const std::string& text, const std::string& part) {
    return text.find(part) != std::string::npos;
}

class Road : public testing::Test {
  protected:
    void SetUp() override {
        ASSERT_FALSE(dir.path.empty());
        back_end.emplace(dir.path, back_end_options);
        ASSERT_TRUE(back_end->listening) << back_end->errors();
        ui.frame(draw);
    }

    // Runs frames, with a short pause for the back end and NNG's threads
    // between them, until done() holds or the time limit has passed.
    bool frames_until(const std::function<bool()>& done) {
        const auto deadline = road::Clock::now() + wait_limit;
        while (!done()) {
            if (road::Clock::now() >= deadline)
                return done();
            ui.frame(draw);
            std::this_thread::sleep_for(2ms);
        }
        return true;
    }
    // Resizes a window inside a frame, so widgets that appeared after it
    // fitted itself are not clipped.
    void resize(const char* window, ImVec2 size) {
        ui.frame([&] {
            ImGui::SetWindowSize(window, size);
            draw();
        });
    }

    // Runs frames until the back end has received more than before envelopes.
    // Buttons are pressed one after the other only once the previous envelope
    // has arrived, as a user would.
    bool delivered(size_t before) {
        return frames_until([&] { return back_end->received().size() > before; });
    }
    bool press_and_deliver(const char* window, const char* button) {
        const size_t before = back_end->received().size();
        ui.press(window, {button}, draw);
        return delivered(before);
    }

    std::string log_text() const {
        std::string out;
        for (const std::string& t : app.log.texts())
            out += t + " | ";
        return out + back_end->errors();
    }
    bool logged(const std::string& text) const {
        const Names texts = app.log.texts();
        return std::find(texts.begin(), texts.end(), text) != texts.end();
    }
    const Register* reg(const std::string& abbr) const {
        if (!app.regfile)
            return nullptr;
        for (const Register& r : app.regfile->registers)
            if (r.abbr == abbr)
                return &r;
        return nullptr;
    }
    uint64_t value(const std::string& abbr) const {
        const Register* r = reg(abbr);
        return r != nullptr ? r->value : ~uint64_t{0};
    }

    // "nng": the address typed in, "Connect", the list, the choice, "Select",
    // until the register file of the chosen architecture is in.
    void connect_and_select(int index, const char* name) {
        ui.type("nng", {"address"}, back_end->url, draw);
        ui.press("nng", {"Connect"}, draw);
        ASSERT_TRUE(frames_until([&] { return !app.archs.empty(); })) << log_text();
        EXPECT_TRUE(logged("Connected to " + back_end->url));
        EXPECT_TRUE(logged("waiting for data..."));
        EXPECT_EQ(app.archs, machine_names());
        resize("nng", ImVec2(500, 200));
        const std::string nng_text = ImGuiHarness::window_text("nng");
        for (const std::string& offered : {std::string("Architecture"), std::string("Select"),
                                           machine_names()[app.nng_window.selected_arch]})
            EXPECT_TRUE(contains(nng_text, offered)) << offered << " in\n" << nng_text;

        ui.choose("nng", "Architecture", index, name, draw);
        ASSERT_EQ(app.nng_window.selected_arch, index);
        ASSERT_TRUE(press_and_deliver("nng", "Select")) << log_text();
        ASSERT_TRUE(frames_until([&] { return app.regfile != nullptr; })) << log_text();
        EXPECT_EQ(app.archname, name);
        resize("Register file", ImVec2(500, 600));
    }

    // "Program ROM view": the word and its address typed in, then "Poke".
    void poke(int address, uint32_t word) {
        ui.type("Program ROM view", {"val"}, hex(word), draw);
        ui.type("Program ROM view", {"addr"}, hex(address), draw);
        ui.press("Program ROM view", {"Poke"}, draw);
    }

    // "Step", then frames until the back end's report of that step (whose
    // last event is the cycle count) has been applied.
    bool step_and_wait(uint64_t cycles_after, const char* cycles_abbr = "cycles") {
        const size_t before = back_end->received().size();
        ui.press("Computer Architecture state", {"Step"}, draw);
        return delivered(before) &&
               frames_until([&] { return value(cycles_abbr) == cycles_after; });
    }

    TempDir dir;
    std::vector<std::string> back_end_options; // set before SetUp
    std::optional<road::BackEndProcess> back_end;
    ImGuiHarness ui; // built before the app, so the app's windows go first
    App app{[] { return 0u; }};
    const ImGuiHarness::Draw draw = [this] {
        app.drain();
        app.draw();
    };
};

TEST_F(Road, Isa4SessionFromConnectToReset) {
    connect_and_select(0, "isa4");
    ASSERT_EQ(app.regfile->registers.size(), 19u);
    const std::string regs_text = ImGuiHarness::window_text("Register file");
    for (const char* shown : {"Arch: Isa4", "r0", "r1", "rf", "pc", "z", "cycles", "000000FF"})
        EXPECT_TRUE(contains(regs_text, shown)) << shown << " in\n" << regs_text;

    // The program goes in through the ROM view's fields, then to the back end.
    std::array<uint32_t, 256> rom{};
    for (size_t a = 0; a < program.size(); ++a) {
        rom[a] = program[a];
        poke(static_cast<int>(a), rom[a]);
    }
    ASSERT_EQ(app.arch.rom, rom);
    ASSERT_TRUE(press_and_deliver("Program ROM view", "Send ROM")) << log_text();

    // Each step is reported back; the values match Quarrin's own Isa4 run
    // over the same program. The first step's events are printed as they come.
    Isa4 model;
    model.rom = rom;
    for (uint64_t n = 1; n <= program.size(); ++n) {
        SCOPED_TRACE("step " + std::to_string(n));
        model.step();
        if (n == 1)
            testing::internal::CaptureStdout();
        const bool reported = step_and_wait(n);
        if (n == 1) {
            const std::string printed = testing::internal::GetCapturedStdout();
            EXPECT_EQ(printed, envelope::register_value("isa4.regs", 1, 5).dump() + "\n" +
                                   envelope::counter_update("isa4.pc", 0).dump() + "\n" +
                                   envelope::counter_update("isa4.cycles", 1).dump() + "\n");
        }
        ASSERT_TRUE(reported) << log_text();
        for (int r = 0; r < 16; ++r)
            EXPECT_EQ(value(register_names[r]), model.regs[r]) << register_names[r];
        EXPECT_EQ(value("pc"), model.pc);
        EXPECT_EQ(value("z"), model.z ? 1u : 0u);
    }
    EXPECT_EQ(value("r1"), 5u);
    EXPECT_EQ(value("r2"), 10u);
    EXPECT_EQ(value("r3"), 5u) << "10 + 0xFB wraps in 8 bits";
    EXPECT_EQ(value("z"), 1u);
    EXPECT_EQ(value("pc"), 4u) << "halted on its JZ";
    ui.frame(draw);
    const std::string stepped_text = ImGuiHarness::window_text("Register file");
    for (const char* shown : {"00000005", "0000000A", "00000004"})
        EXPECT_TRUE(contains(stepped_text, shown)) << shown << " in\n" << stepped_text;

    // Stepping is the back end's business: the local processor did not move.
    EXPECT_EQ(app.arch.pc, Isa4().pc);
    EXPECT_EQ(app.arch.regs, Isa4().regs);

    // An edit in the register file is sent; only the back end's confirming
    // write changes the stored value.
    const size_t before_edit = back_end->received().size();
    ui.type("Register file", {"r5"}, "7F", draw);
    ASSERT_TRUE(delivered(before_edit)) << log_text();
    ASSERT_TRUE(frames_until([&] { return value("r5") == 0x7F; })) << log_text();

    // "Reset CPU": the notice is logged and every register is reported again.
    ASSERT_TRUE(press_and_deliver("Computer Architecture state", "Reset CPU")) << log_text();
    ASSERT_TRUE(frames_until([&] {
        return logged("Reset CPU") && value("cycles") == 0 && value("pc") == 0xFF;
    })) << log_text();
    for (int r = 0; r < 16; ++r)
        EXPECT_EQ(value(register_names[r]), 0u) << register_names[r];
    EXPECT_EQ(value("z"), 0u);

    // The program stays in the back end across a reset.
    ASSERT_TRUE(step_and_wait(1)) << log_text();
    EXPECT_EQ(value("r1"), 5u);
    EXPECT_EQ(value("pc"), 0u);

    // The back end received exactly what the buttons and the edit sent.
    std::vector<json> expected = {envelope::list_request(), envelope::architecture_select("isa4"),
                                  envelope::program_load(rom)};
    expected.insert(expected.end(), program.size(), envelope::step_command());
    expected.push_back(envelope::register_write("isa4.regs", 5, 0x7F));
    expected.push_back(envelope::reset_command());
    expected.push_back(envelope::step_command());
    ASSERT_TRUE(back_end->wait_received(expected.size(), wait_limit));
    const std::vector<json> received = back_end->received();
    ASSERT_EQ(received.size(), expected.size());
    for (size_t i = 0; i < expected.size(); ++i)
        EXPECT_EQ(received[i], expected[i]) << "envelope " << i;
}

// The second name of the combo: the toy machine, whose register file has a
// hidden register and counters under other component names.
TEST_F(Road, ToySessionThroughTheCombo) {
    ASSERT_GE(machine_names().size(), 2u);
    ASSERT_EQ(machine_names()[1], "toy");
    connect_and_select(1, "toy");
    const std::string regs_text = ImGuiHarness::window_text("Register file");
    for (const char* shown : {"Arch: Toy", "ACC", "PC", "CYC"})
        EXPECT_TRUE(contains(regs_text, shown)) << shown << " in\n" << regs_text;
    EXPECT_FALSE(contains(regs_text, "TMP")) << "hidden register shown";

    // One word through the widgets; a step adds its low byte to ACC.
    poke(0, 0x23);
    ASSERT_TRUE(press_and_deliver("Program ROM view", "Send ROM")) << log_text();
    ASSERT_TRUE(step_and_wait(1, "CYC")) << log_text();
    EXPECT_EQ(value("ACC"), 0x23u);
    EXPECT_EQ(value("TMP"), 0x23u) << "hidden, but its value is kept";

    const std::vector<json> received = back_end->received();
    ASSERT_GE(received.size(), 4u);
    EXPECT_EQ(received[1], envelope::architecture_select("toy"));
    EXPECT_EQ(received[2]["data"]["values"][0], 0x23);
    EXPECT_EQ(received[3], envelope::step_command());
}

// The back end running freely, a step every millisecond, streaming its
// events as fast as the front end takes them: every cycle update arrives, in
// order, and the register file ends where the back end's machine stopped.
class StreamingRoad : public Road {
  protected:
    StreamingRoad() { back_end_options = {"--tick-ms", "1"}; }
};

// Counts r1 down from 200 to 0, then halts on the JZ at address 6 (a JZ
// taken to t goes on at t + 1): 800 steps.
const std::vector<uint32_t> countdown = {
    addi(1, 0, 0xC8), addi(1, 1, 0xFF), jz(5), addi(2, 0, 0), jz(0), addi(3, 0, 0), jz(6)};

TEST_F(StreamingRoad, EveryCycleOfAFreeRunArrivesInOrder) {
    testing::internal::CaptureStdout();
    connect_and_select(0, "isa4"); // the run starts on the empty program
    std::array<uint32_t, 256> rom{};
    for (size_t a = 0; a < countdown.size(); ++a) {
        rom[a] = countdown[a];
        poke(static_cast<int>(a), rom[a]);
    }
    ASSERT_TRUE(press_and_deliver("Program ROM view", "Send ROM")) << log_text();
    // From the start: a reset puts the machine back and runs it again.
    ASSERT_TRUE(press_and_deliver("Computer Architecture state", "Reset CPU")) << log_text();

    Isa4 model;
    model.rom = rom;
    uint64_t cycles = 1;
    while (model.step())
        ++cycles;
    ASSERT_EQ(cycles, 800u);
    const bool halted = frames_until([&] { return value("cycles") == cycles; });
    const std::string printed = testing::internal::GetCapturedStdout();
    ASSERT_TRUE(halted) << log_text();

    for (int r = 0; r < 16; ++r)
        EXPECT_EQ(value(register_names[r]), model.regs[r]) << register_names[r];
    EXPECT_EQ(value("pc"), model.pc);
    EXPECT_EQ(value("z"), model.z ? 1u : 0u);

    // Every update of the cycle count since the reset's, one more each time.
    std::vector<uint64_t> counts;
    std::istringstream lines(printed);
    for (std::string line; std::getline(lines, line);) {
        const json event = json::parse(line);
        if (event["origin"] == "isa4.cycles")
            counts.push_back(event["data"]["new_count"].get<uint64_t>());
    }
    const auto reset = std::find(counts.rbegin(), counts.rend(), 0u);
    ASSERT_NE(reset, counts.rend()) << "no reset in the stream";
    std::vector<uint64_t> run(reset.base(), counts.end());
    ASSERT_EQ(run.size(), cycles) << "updates lost or repeated";
    for (size_t i = 0; i < run.size(); ++i)
        ASSERT_EQ(run[i], i + 1) << "update " << i;
    EXPECT_EQ(back_end->errors().find("send failed"), std::string::npos) << back_end->errors();
}

} // namespace
