#pragma once

#include <string>
#include <vector>

// quarrin-sim's command line.
struct SimOptions {
    std::string listen = "tcp://127.0.0.1:8081";
    std::string arch_dir; // empty: default_arch_dir()
    int tick_ms = 0;      // 0: the machine steps only when told to
    bool help = false;
};

// Parses the arguments after the program name ("--listen ADDR" and
// "--listen=ADDR" alike). Raises std::invalid_argument naming the fault.
SimOptions parse_options(const std::vector<std::string>& args);

// The --help text.
std::string usage_text();

// The installed descriptions when they are there, else the source tree's.
std::string default_arch_dir();
