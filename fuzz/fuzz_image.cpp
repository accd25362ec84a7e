// ROM and RAM image files through loading and a frame that shows them.
#include <cstdint>
#include <cstdlib>
#include <fstream>
#include <string>

#include "arch/isa4.h"
#include "arch/memory_image.h"
#include "fuzz_world.h"
#include "ui/ram_view.h"
#include "ui/rom_view.h"

namespace {

struct World : FuzzWorld {
    std::string path = scratch("image.bin");
    RomView rom_view;
    RamView ram_view;
};

} // namespace

extern "C" int LLVMFuzzerTestOneInput(const uint8_t* data, size_t size) {
    World& w = the_world<World>();
    write_file(w.path, data, size);
    Isa4 arch;
    load_rom_image(w.path.c_str(), arch.rom);
    load_ram_image(w.path.c_str(), arch.ram);
    w.ui.frame([&] {
        w.rom_view.draw(arch, w.sender, w.log);
        w.ram_view.draw(arch, w.log);
    });
    return 0;
}
