#include "ui/local_isa4_window.h"

#include <cstdio>
#include <string>

#include <imgui.h>

#include "arch/instruction_set.h"
#include "ui/widgets.h"

namespace {

void line(const char* text, bool highlighted) {
    if (!highlighted) {
        ImGui::TextUnformatted(text);
        return;
    }
    ImGui::PushStyleColor(ImGuiCol_Text, changed_colour);
    ImGui::TextUnformatted(text);
    ImGui::PopStyleColor();
}

} // namespace

void LocalIsa4Window::draw(Isa4& arch, LocalProcessor& cpu, LocalRun& run, Logger& log) {
    if (!ImGui::Begin("Local Isa4")) {
        ImGui::End();
        return;
    }
    draw_buttons(arch, cpu, run, log);
    draw_state(arch, cpu, run);
    draw_registers(arch, cpu.last_change());
    ImGui::End();
}

void LocalIsa4Window::draw_buttons(Isa4& arch, LocalProcessor& cpu, LocalRun& run, Logger& log) {
    if (ImGui::Button("Step Isa4")) {
        run.running = false;
        cpu.step(arch, log);
    }
    ImGui::SameLine();
    ImGui::BeginDisabled(cpu.steps_to_undo() == 0);
    if (ImGui::Button("Step back")) {
        run.running = false;
        cpu.step_back(arch);
    }
    ImGui::EndDisabled();
    ImGui::SameLine();
    if (ImGui::Button("Reset Isa4")) {
        run.running = false;
        cpu.reset(arch);
    }
}

void LocalIsa4Window::draw_state(const Isa4& arch, const LocalProcessor& cpu, const LocalRun& run) {
    const std::string stop = describe(cpu.stop());
    if (run.running)
        ImGui::TextUnformatted("running");
    else if (!stop.empty())
        ImGui::TextUnformatted(("stopped: " + stop).c_str());
    else
        ImGui::TextUnformatted("ready");
    ImGui::SameLine();
    ImGui::TextDisabled("(%s, %zu steps to step back)",
                        arch.at_breakpoint ? "at a breakpoint" : "not at a breakpoint",
                        cpu.steps_to_undo());
}

void LocalIsa4Window::draw_registers(const Isa4& arch, const StepChange& change) {
    ImGui::Separator();
    ImGui::TextUnformatted("reg  hex  unsigned  signed");
    char text[64];
    for (int r = 0; r < 16; ++r) {
        const uint8_t v = arch.regs[r];
        std::snprintf(text, sizeof text, "%-3s  %02X   %8u  %6d", register_names[r], v, v,
                      static_cast<int8_t>(v));
        line(text, change.reg != 0 && change.reg == r);
    }
    std::snprintf(text, sizeof text, "pc   %02X   %8u", arch.pc, arch.pc);
    line(text, false);
    std::snprintf(text, sizeof text, "z    %d", arch.z ? 1 : 0);
    line(text, change.z);
}
