#include "sim/options.h"

#include <filesystem>
#include <stdexcept>

namespace {

constexpr int max_tick_ms = 3600 * 1000;

int parse_tick_ms(const std::string& text) {
    size_t used = 0;
    int value = -1;
    try {
        value = std::stoi(text, &used);
    } catch (const std::exception&) {
        used = 0;
    }
    if (used != text.size() || text.empty() || value < 0 || value > max_tick_ms)
        throw std::invalid_argument("--tick-ms needs a whole number of milliseconds from 0 to " +
                                    std::to_string(max_tick_ms) + ", not \"" + text + "\"");
    return value;
}

} // namespace

SimOptions parse_options(const std::vector<std::string>& args) {
    SimOptions options;
    for (size_t i = 0; i < args.size(); ++i) {
        std::string name = args[i];
        std::string value;
        bool has_value = false;
        const size_t equals = name.find('=');
        if (name.rfind("--", 0) == 0 && equals != std::string::npos) {
            value = name.substr(equals + 1);
            name = name.substr(0, equals);
            has_value = true;
        }
        if (name == "--help" || name == "-h") {
            options.help = true;
            continue;
        }
        if (name != "--listen" && name != "--arch-dir" && name != "--tick-ms")
            throw std::invalid_argument("unknown option \"" + args[i] + "\"");
        if (!has_value) {
            if (i + 1 == args.size())
                throw std::invalid_argument(name + " needs a value");
            value = args[++i];
        }
        if (name == "--listen") {
            if (value.empty())
                throw std::invalid_argument("--listen needs an address");
            options.listen = value;
        } else if (name == "--arch-dir") {
            if (value.empty())
                throw std::invalid_argument("--arch-dir needs a directory");
            options.arch_dir = value;
        } else {
            options.tick_ms = parse_tick_ms(value);
        }
    }
    return options;
}

std::string usage_text() {
    return "Usage: quarrin-sim [--listen ADDR] [--arch-dir DIR] [--tick-ms N] [--help]\n"
           "\n"
           "The reference simulator back end of Quarrin: serves one front end at a time\n"
           "over an NNG pair0 socket and simulates the architecture it selects.\n"
           "\n"
           "  --listen ADDR   NNG address to listen on (default tcp://127.0.0.1:8081)\n"
           "  --arch-dir DIR  directory of the architecture descriptions <name>.toml\n"
           "                  (default " +
           default_arch_dir() +
           ")\n"
           "  --tick-ms N     also step the selected machine every N ms and stream its\n"
           "                  events (default 0: step only on a \"step\" command)\n"
           "  --help, -h      print this text and exit\n"
           "\n"
           "Every envelope received is printed on standard output as one JSON line;\n"
           "refused envelopes and socket failures are reported on standard error.\n"
           "SIGINT or SIGTERM ends it cleanly.\n";
}

std::string default_arch_dir() {
    std::error_code ec;
    if (std::filesystem::is_directory(QUARRIN_SIM_INSTALLED_ARCH_DIR, ec))
        return QUARRIN_SIM_INSTALLED_ARCH_DIR;
    return QUARRIN_SIM_SOURCE_ARCH_DIR;
}
