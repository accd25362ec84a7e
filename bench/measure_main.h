#pragma once

// The entry of the desktop measurements: a child's early exit must not end
// the measurement through SIGPIPE, and a measurement that cannot be made
// says why and ends with status 2.
#include <csignal>
#include <cstdio>
#include <exception>

template <typename Measure> int run_measurement(const char* name, Measure measure) {
    std::signal(SIGPIPE, SIG_IGN);
    try {
        return measure();
    } catch (const std::exception& e) {
        std::fprintf(stderr, "%s: %s\n", name, e.what());
        return 2;
    }
}
