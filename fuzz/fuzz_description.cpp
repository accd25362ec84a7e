// An architecture description file through loading and a frame that draws it.
#include <cstdint>
#include <cstdlib>
#include <fstream>
#include <string>

#include "link/frame_sender.h"
#include "link/pair_socket.h"
#include "regfile/register_file.h"
#include "regfile/register_file_window.h"
#include "support/imgui_harness.h"

namespace {

struct World {
    ImGuiHarness ui;
    std::string path;
    PairSocket bus;
    Logger log{100};
    FrameSender sender{bus, log, 0};
    RegisterFileWindow window;

    World() {
        char dir[] = "/tmp/quarrin-fuzz-XXXXXX";
        path = std::string(mkdtemp(dir)) + "/description.toml";
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
    try {
        LoadedDescription loaded = load_description(w.path);
        RegisterFile& regfile = *loaded.regfile;
        regfile.apply_update(regfile.name + ".pc", 0x1234);
        regfile.apply_write(0, ~uint64_t(0));
        w.ui.frame([&] { w.window.draw(regfile, w.sender); });
    } catch (const std::exception&) {
        // Refused descriptions are reported by the caller.
    }
    return 0;
}
