#include "ui/local_isa4_window.h"

#include <cstdio>
#include <string>

#include <imgui.h>

#include "arch/instruction_set.h"
#include "ui/widgets.h"

namespace {

// Each cell's numbers stand right under their words.
constexpr const char* column_header = "reg hex unsigned signed";
constexpr const char* register_cell = "%-3s %02X  %8u %6d";
constexpr const char* column_gap = "   ";

void cell(const char* text, bool highlighted) {
    if (highlighted)
        coloured_text(changed_colour, text);
    else
        ImGui::TextUnformatted(text);
}

} // namespace

void LocalIsa4Window::draw(Isa4& arch, LocalProcessor& cpu, LocalRun& run, Logger& log) {
    // Room for both columns of registers where no layout says otherwise.
    ImGui::SetNextWindowSize(ImVec2(400, 260), ImGuiCond_FirstUseEver);
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

// Two columns, r0..r7 and r8..rf, then pc and z: the window fits beside
// the others.
void LocalIsa4Window::draw_registers(const Isa4& arch, const StepChange& change) {
    ImGui::Separator();
    const float second_column = ImGui::GetCursorPosX() + ImGui::CalcTextSize(column_header).x +
                                ImGui::CalcTextSize(column_gap).x;
    ImGui::TextUnformatted(column_header);
    ImGui::SameLine(second_column);
    ImGui::TextUnformatted(column_header);
    char text[32];
    for (int row = 0; row < 8; ++row)
        for (int r : {row, row + 8}) {
            if (r >= 8)
                ImGui::SameLine(second_column);
            const uint8_t v = arch.regs[r];
            std::snprintf(text, sizeof text, register_cell, register_names[r], v, v,
                          static_cast<int8_t>(v));
            cell(text, change.reg != 0 && change.reg == r);
        }
    std::snprintf(text, sizeof text, "%-3s %02X  %8u", "pc", arch.pc, arch.pc);
    cell(text, false);
    ImGui::SameLine(second_column);
    std::snprintf(text, sizeof text, "%-3s %d", "z", arch.z ? 1 : 0);
    cell(text, change.z);
}
