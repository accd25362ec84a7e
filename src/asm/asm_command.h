#pragma once

#include <ostream>
#include <string>
#include <vector>

// quarrin-asm: assembles a source file into the ROM (and RAM) image files
// that "Load ROM" and "Load RAM" read, or lists a ROM image as source.

// Exit statuses.
constexpr int asm_exit_ok = 0;
constexpr int asm_exit_source_errors = 1; // the source has errors: no file written
constexpr int asm_exit_failure = 2;       // a bad option, or a file that cannot be read or written

struct AsmOptions {
    std::string source;   // the file to assemble
    std::string rom_path; // -o; empty: the source's name with ".rom"
    std::string ram_path; // -r; empty: no RAM image
    std::string listed;   // -d: the ROM image to list
    bool help = false;
};

// Parses the arguments after the program name. Raises std::invalid_argument
// naming the fault.
AsmOptions parse_asm_options(const std::vector<std::string>& args);

// The --help text.
std::string asm_usage_text();

// Runs the command: the listing goes to out, messages to err. Returns the
// exit status.
int run_asm_command(const std::vector<std::string>& args, std::ostream& out, std::ostream& err);
