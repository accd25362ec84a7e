#include <memory>
#include <string>
#include <vector>

#include <cpptoml.h>
#include <gtest/gtest.h>

#include "link/pair_socket.h"
#include "support/imgui_harness.h"
#include "ui/cpu_state_window.h"
#include "ui/nng_window.h"
#include "ui/register_file_window.h"
#include "ui/rom_view.h"

namespace {

// Every window that sends, on a bus that was never dialled: a send times out
// and is reported in the log instead of stalling the frame.
class UnlinkedSendsTest : public ::testing::Test {
  protected:
    UnlinkedSendsTest() {
        auto tables = cpptoml::make_table_array();
        auto acc = cpptoml::make_table();
        acc->insert("abbr", std::string("ACC"));
        tables->push_back(acc);
        regfile = std::make_unique<RegisterFile>("Toy", "toy", "regs", *tables);
    }
    void SetUp() override { ui.frames(2, draw); }

    ImGuiHarness ui;
    Logger log{100};
    PairSocket bus;
    FrameSender sender{bus, log, 20};
    Isa4 arch;
    LocalRun local_run;
    Worker worker{log, bus};
    std::vector<std::string> archs{"toy"};
    std::unique_ptr<RegisterFile> regfile;
    RomView rom_view;
    CpuStateWindow cpu_window;
    NngWindow nng_window;
    RegisterFileWindow register_file_window;
    ImGuiHarness::Draw draw = [this] {
        register_file_window.draw(*regfile, sender);
        rom_view.draw(arch, sender, log);
        cpu_window.draw(local_run, sender, true, log);
        nng_window.draw(worker, archs, "toy", sender);
    };
};

TEST_F(UnlinkedSendsTest, EachFailedSendLogsOneNngError) {
    struct Case {
        const char* window;
        const char* label;
        const char* sub_item; // the "+" of a number field, or nullptr
    };
    const std::vector<Case> cases = {
        {"Program ROM view", "Send ROM", nullptr},
        {"Computer Architecture state", "Reset CPU", nullptr},
        {"Computer Architecture state", "Step", nullptr},
        {"nng", "Select", nullptr},
        {"Register file", "ACC", "+"},
    };
    for (const Case& c : cases) {
        SCOPED_TRACE(std::string(c.window) + " " + c.label);
        log.clear();
        if (c.sub_item != nullptr)
            ui.press(c.window, {c.label, c.sub_item}, draw);
        else
            ui.press(c.window, {c.label}, draw);
        ASSERT_TRUE(sender.wait_idle(5000));
        const std::vector<std::string> texts = log.texts();
        ASSERT_EQ(texts.size(), 1u);
        EXPECT_EQ(texts[0].rfind("nng error: ", 0), 0u) << texts[0];
    }
}

} // namespace
