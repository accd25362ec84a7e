// A source through the "Assembly" window: assembled into the memories, a
// frame that shows it and its errors, and a program's listing assembled back
// to the same words.
#include <cstdint>
#include <cstdlib>
#include <string>

#include "arch/isa4.h"
#include "assembly/assembler.h"
#include "assembly/disassembler.h"
#include "fuzz_world.h"
#include "ui/assembly_window.h"

namespace {

struct World : FuzzWorld {
    AssemblyWindow window;
    ProgramSymbols symbols;
};

} // namespace

extern "C" int LLVMFuzzerTestOneInput(const uint8_t* data, size_t size) {
    World& w = the_world<World>();
    Isa4 arch;
    w.window.source.assign(reinterpret_cast<const char*>(data), size);
    w.window.assemble_source(arch, w.symbols);
    w.ui.frame([&] { w.window.draw(arch, w.symbols, w.log); });
    if (w.window.errors.empty() && assemble(disassemble_program(arch.rom)).program.rom != arch.rom)
        std::abort(); // a listing must assemble back to its words
    return 0;
}
