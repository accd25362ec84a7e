// quarrin-sim: the reference simulator back end. The logic lives in
// quarrin_sim_lib; this is the command line, the signals and the socket loop.
#include <atomic>
#include <csignal>
#include <filesystem>
#include <iostream>
#include <stdexcept>

#include "link/nng_error.h"
#include "sim/machine.h"
#include "sim/options.h"
#include "sim/sim_listener.h"
#include "sim/sim_server.h"

static std::atomic<bool> stop_requested{false};

static void request_stop(int) {
    stop_requested.store(true);
}

int main(int argc, char** argv) {
    SimOptions options;
    try {
        options = parse_options(std::vector<std::string>(argv + 1, argv + argc));
    } catch (const std::invalid_argument& e) {
        std::cerr << "quarrin-sim: " << e.what() << "\n\n" << usage_text();
        return 2;
    }
    if (options.help) {
        std::cout << usage_text();
        return 0;
    }

    struct sigaction action = {};
    action.sa_handler = request_stop;
    sigemptyset(&action.sa_mask);
    sigaction(SIGINT, &action, nullptr);
    sigaction(SIGTERM, &action, nullptr);

    const std::string arch_dir = options.arch_dir.empty() ? default_arch_dir() : options.arch_dir;
    SimServer server(arch_dir, std::cout, std::cerr);
    for (const std::string& name : machine_names()) {
        std::error_code ec;
        if (!std::filesystem::is_regular_file(server.description_path(name), ec))
            std::cerr << "quarrin-sim: warning: no description " << server.description_path(name)
                      << std::endl;
    }

    try {
        SimListener listener(options.listen);
        std::cerr << "quarrin-sim: listening on " << listener.bound_url() << ", descriptions in "
                  << arch_dir << std::endl;
        listener.run(server, stop_requested, options.tick_ms, std::cerr);
    } catch (const NngError& e) {
        std::cerr << "quarrin-sim: cannot listen on " << options.listen << ": " << e.what()
                  << std::endl;
        return 1;
    }
    std::cerr << "quarrin-sim: stopped" << std::endl;
    return 0;
}
