#include "ui/cpu_state_window.h"

#include <imgui.h>

#include "link/envelope.h"
#include "util/bounds.h"

void CpuStateWindow::draw(LocalRun& run, FrameSender& sender) {
    if (!ImGui::Begin("Computer Architecture state")) {
        ImGui::End();
        return;
    }
    ImGui::SliderInt("Clocks", &run.clocks, LocalRun::min_clocks, LocalRun::max_clocks, "%d");
    run.clocks = clamp_between(LocalRun::min_clocks, run.clocks, LocalRun::max_clocks);

    if (ImGui::Button("Reset CPU"))
        sender.send(envelope::reset_command());
    ImGui::SameLine();
    if (ImGui::Button("Step")) {
        run.running = false;
        sender.send(envelope::step_command());
    }
    ImGui::SameLine();
    if (ImGui::Button(run.running ? "Stop" : "Run"))
        run.running = !run.running;
    ImGui::End();
}
