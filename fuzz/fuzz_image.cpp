// ROM and RAM image files through loading and a frame that shows them.
#include <cstdint>
#include <cstdlib>
#include <fstream>
#include <string>

#include "arch/isa4.h"
#include "arch/memory_image.h"
#include "link/frame_sender.h"
#include "link/pair_socket.h"
#include "support/imgui_harness.h"
#include "ui/ram_view.h"
#include "ui/rom_view.h"

namespace {

struct World {
    ImGuiHarness ui;
    std::string path;
    PairSocket bus;
    Logger log{100};
    FrameSender sender{bus, log, 0};
    RomView rom_view;
    RamView ram_view;

    World() {
        char dir[] = "/tmp/quarrin-fuzz-XXXXXX";
        path = std::string(mkdtemp(dir)) + "/image.bin";
    }
};

World& world() {
    static World* w = new World();
    return *w;
}

} // namespace

extern "C" int LLVMFuzzerTestOneInput(const uint8_t* data, size_t size) {
    World& w = world();
    {
        std::ofstream file(w.path, std::ios::binary | std::ios::trunc);
        file.write(reinterpret_cast<const char*>(data), static_cast<std::streamsize>(size));
    }
    Isa4 arch;
    load_rom_image(w.path.c_str(), arch.rom);
    load_ram_image(w.path.c_str(), arch.ram);
    w.ui.frame([&] {
        w.rom_view.draw(arch, w.sender);
        w.ram_view.draw(arch);
    });
    return 0;
}
