#pragma once

#include <string>
#include <vector>

#include "arch/isa4.h"
#include "assembly/assembler.h"
#include "assembly/program_symbols.h"
#include "log/logger.h"

// "Assembly": a source editor over the assembler. "Assemble" replaces the
// program memory with the program (and the data memory with the .data
// bytes, when the source has any) and keeps its labels; a source with errors
// changes nothing and lists them under the editor. "Disassemble ROM" fills
// the editor with a listing of the program memory. "Open" and "Save" read
// and write the source file named in "File"; failures are logged.
struct AssemblyWindow {
    // A source longer than this is no program for 256 words.
    static constexpr size_t max_source_bytes = 1 << 20;

    std::string source;
    std::string file_name;
    std::vector<AsmError> errors; // of the last "Assemble"
    std::string status;           // what the last action did, when it went well

    void draw(Isa4& arch, ProgramSymbols& symbols, Logger& log);

    // What the buttons do.
    void assemble_source(Isa4& arch, ProgramSymbols& symbols);
    void disassemble_rom(const Isa4& arch);
    void open_file(Logger& log);
    void save_file(Logger& log);

  private:
    void draw_file_row(Logger& log);
    void draw_messages();
};
