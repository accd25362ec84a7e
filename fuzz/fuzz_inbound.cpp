// A received message body through decode, dispatch, the drain and a frame
// that draws the log and the register file.
#include <cstdint>
#include <cstdlib>
#include <fstream>
#include <memory>
#include <ostream>
#include <string>
#include <vector>

#include <imgui.h>

#include "app/drain.h"
#include "fuzz_world.h"
#include "link/frame_sender.h"
#include "link/inbound.h"
#include "link/pair_socket.h"
#include "ui/logger_window.h"
#include "ui/register_file_window.h"

namespace {

const char* const description = R"(
[main]
name = 'toy'
fullname = 'Toy accumulator machine'
[regfile]
name = 'regs'
[[registers]]
abbr = 'ACC'
range = [0, 0, 255]
[[registers]]
abbr = 'PC'
range = [0, 255]
component = 'pc'
[[registers]]
abbr = 'CYC'
type = 'readonly'
component = 'clock'
[[registers]]
abbr = 'WIDE'
range = [0, -1]
component = 'wide'
)";

struct World : FuzzWorld {
    std::ofstream null_out; // never opened: writes go nowhere
    RegisterFileWindow window;
    LoggerWindow logger_window;
    std::unique_ptr<RegisterFile> loaded;

    World() {
        const std::string path = scratch("toy.toml");
        std::ofstream(path) << description;
        std::string archname;
        load_architecture(path, loaded, archname, log, null_out);
    }
};

} // namespace

extern "C" int LLVMFuzzerTestOneInput(const uint8_t* data, size_t size) {
    World& w = the_world<World>();
    BoundedQueue<ArchSimMsg> msgs(256);
    handle_body(data, size, msgs, w.log, w.null_out);

    std::vector<std::string> archs;
    auto regfile = std::make_unique<RegisterFile>(*w.loaded);
    std::string archname = regfile->name;
    while (auto msg = msgs.try_pop()) {
        // Description files have a fuzzer of their own; a path from the
        // input could name anything on this machine.
        if (msg->type == ArchSimMsg::ArchitectureLoad)
            continue;
        apply_message(*msg, archs, regfile, archname, w.log, w.null_out);
    }
    w.ui.frame([&] {
        ImGui::Begin("Logger");
        w.logger_window.draw_contents(w.log);
        ImGui::End();
        if (regfile)
            w.window.draw(*regfile, w.sender);
    });
    return 0;
}
