// An architecture description file through loading and a frame that draws it.
#include <cstdint>
#include <cstdlib>
#include <fstream>
#include <string>

#include "fuzz_world.h"
#include "regfile/register_file.h"
#include "ui/register_file_window.h"

namespace {

struct World : FuzzWorld {
    std::string path = scratch("description.toml");
    RegisterFileWindow window;
};

} // namespace

extern "C" int LLVMFuzzerTestOneInput(const uint8_t* data, size_t size) {
    World& w = the_world<World>();
    write_file(w.path, data, size);
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
