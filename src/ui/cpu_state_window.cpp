#include "ui/cpu_state_window.h"

#include <string>

#include <imgui.h>

#include "link/envelope.h"
#include "util/bounds.h"

namespace {

// The command still goes out: a back end may have an architecture selected
// that this front end does not know of.
void send_control(const char* button, const nlohmann::json& command, bool architecture_selected,
                  FrameSender& sender, Logger& log) {
    if (!architecture_selected)
        log.add(std::string(button) + ": no architecture selected; press \"Select\" in \"nng\"");
    sender.send(command);
}

} // namespace

void CpuStateWindow::draw(LocalRun& run, FrameSender& sender, bool architecture_selected,
                          Logger& log) {
    if (!ImGui::Begin("Computer Architecture state")) {
        ImGui::End();
        return;
    }
    ImGui::SliderInt("Clocks", &run.clocks, LocalRun::min_clocks, LocalRun::max_clocks, "%d");
    run.clocks = clamp_between(LocalRun::min_clocks, run.clocks, LocalRun::max_clocks);

    if (ImGui::Button("Reset CPU"))
        send_control("Reset CPU", envelope::reset_command(), architecture_selected, sender, log);
    ImGui::SameLine();
    if (ImGui::Button("Step")) {
        run.running = false;
        send_control("Step", envelope::step_command(), architecture_selected, sender, log);
    }
    ImGui::SameLine();
    if (ImGui::Button(run.running ? "Stop" : "Run"))
        run.running = !run.running;
    ImGui::End();
}
