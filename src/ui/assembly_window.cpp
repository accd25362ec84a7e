#include "ui/assembly_window.h"

#include <algorithm>
#include <cfloat>
#include <string>

#include <imgui.h>
#include <imgui_stdlib.h>

#include "assembly/disassembler.h"
#include "util/file_io.h"

namespace {

constexpr int max_error_rows = 6; // more scroll
const ImVec4 error_colour(1.0f, 0.45f, 0.4f, 1.0f);

} // namespace

void AssemblyWindow::draw(Isa4& arch, ProgramSymbols& symbols, Logger& log) {
    // Room for a program and its comments where no layout says otherwise.
    ImGui::SetNextWindowSize(ImVec2(560, 460), ImGuiCond_FirstUseEver);
    if (!ImGui::Begin("Assembly")) {
        ImGui::End();
        return;
    }
    draw_file_row(log);

    // The editor takes the height the buttons and messages leave.
    const int message_rows = errors.empty() ? 1 : std::min<int>(errors.size(), max_error_rows);
    const float below = ImGui::GetFrameHeightWithSpacing() +
                        message_rows * ImGui::GetTextLineHeightWithSpacing() +
                        ImGui::GetStyle().ItemSpacing.y;
    const float height = std::max(ImGui::GetContentRegionAvail().y - below,
                                  5 * ImGui::GetTextLineHeightWithSpacing());
    ImGui::InputTextMultiline("##source", &source, ImVec2(-FLT_MIN, height),
                              ImGuiInputTextFlags_AllowTabInput);

    if (ImGui::Button("Assemble"))
        assemble_source(arch, symbols);
    ImGui::SameLine();
    if (ImGui::Button("Disassemble ROM"))
        disassemble_rom(arch);
    draw_messages();
    ImGui::End();
}

void AssemblyWindow::draw_file_row(Logger& log) {
    ImGui::SetNextItemWidth(-ImGui::CalcTextSize("File Open Save").x -
                            6 * ImGui::GetStyle().ItemSpacing.x);
    ImGui::InputText("File", &file_name);
    ImGui::SameLine();
    if (ImGui::Button("Open"))
        open_file(log);
    ImGui::SameLine();
    if (ImGui::Button("Save"))
        save_file(log);
}

void AssemblyWindow::draw_messages() {
    if (errors.empty()) {
        ImGui::TextUnformatted(status.c_str());
        return;
    }
    const float height =
        std::min<int>(errors.size(), max_error_rows) * ImGui::GetTextLineHeightWithSpacing();
    ImGui::BeginChild("errors", ImVec2(0, height));
    ImGui::PushStyleColor(ImGuiCol_Text, error_colour);
    // A long garbled source can give thousands: only those in view are drawn.
    ImGuiListClipper clipper;
    clipper.Begin(static_cast<int>(errors.size()), ImGui::GetTextLineHeightWithSpacing());
    while (clipper.Step())
        for (int i = clipper.DisplayStart; i < clipper.DisplayEnd; ++i) {
            const std::string row =
                "line " + std::to_string(errors[i].line) + ": " + errors[i].message;
            ImGui::TextUnformatted(row.c_str());
        }
    ImGui::PopStyleColor();
    ImGui::EndChild();
}

void AssemblyWindow::assemble_source(Isa4& arch, ProgramSymbols& symbols) {
    Assembly result = assemble(source);
    errors = std::move(result.errors);
    if (!errors.empty()) {
        status.clear();
        return;
    }
    const AssembledProgram& program = result.program;
    arch.rom = program.rom;
    if (program.has_data)
        arch.ram = program.ram;
    symbols = program.symbols;
    const auto words = std::count_if(program.symbols.lines.begin(), program.symbols.lines.end(),
                                     [](int line) { return line != 0; });
    status = "Assembled " + std::to_string(words) + (words == 1 ? " word" : " words") +
             (program.has_data ? " and the data memory" : "");
}

void AssemblyWindow::disassemble_rom(const Isa4& arch) {
    source = disassemble_program(arch.rom);
    errors.clear();
    status = "The program memory, disassembled";
}

void AssemblyWindow::open_file(Logger& log) {
    const FileResult read = read_text_file(file_name, source, max_source_bytes);
    if (!read.ok()) {
        log.add("Cannot open \"" + file_name + "\": " + read.reason());
        return;
    }
    errors.clear();
    status = "Opened " + file_name;
}

void AssemblyWindow::save_file(Logger& log) {
    const FileResult written = write_text_file(file_name, source);
    if (!written.ok()) {
        log.add("Cannot save \"" + file_name + "\": " + written.reason());
        return;
    }
    status = "Saved " + file_name;
}
