// quarrin-asm: the Isa4 assembler's command line. The work is in
// asm_command and the core's assembler.
#include <iostream>
#include <string>
#include <vector>

#include "asm/asm_command.h"

int main(int argc, char** argv) {
    return run_asm_command(std::vector<std::string>(argv + 1, argv + argc), std::cout, std::cerr);
}
