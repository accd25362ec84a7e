#include "ui/cpu_state_window.h"

#include <cstdio>

#include <imgui.h>

#include "link/envelope.h"
#include "util/bounds.h"

bool run_steps(Isa4& arch, uint32_t due, Logger& log) {
    while (due > 0) {
        --due;
        try {
            if (!arch.step())
                break;
        } catch (const Trap& t) {
            if (t.number == Trap::breakpoint) {
                log.add("Breakpoint hit");
            } else {
                char text[40];
                std::snprintf(text, sizeof text, "Interrupt %u", t.number);
                log.add(text);
            }
            return false;
        }
    }
    return true;
}

void CpuStateWindow::draw(Isa4& arch, CpuStepper& cpu_stepper, FrameSender& sender, Logger& log) {
    ImGui::Begin("Computer Architecture state");
    ImGui::SliderInt("Clocks", &clocks, 1, 20, "%d");
    clocks = clamp_between(1, clocks, 20);
    cpu_stepper.period = 1000 / clocks;
    const uint32_t due = cpu_stepper.due_steps();

    if (ImGui::Button("Reset CPU"))
        sender.send(envelope::reset_command());
    ImGui::SameLine();
    if (ImGui::Button("Step")) {
        running = false;
        sender.send(envelope::step_command());
    }
    ImGui::SameLine();
    if (ImGui::Button(running ? "Stop" : "Run"))
        running = !running;

    if (running)
        running = run_steps(arch, due, log);
    ImGui::End();
}
