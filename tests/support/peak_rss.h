#pragma once

// Peak memory of this process, for the tests and benchmarks that report
// what a load costs.
#include <cstdlib>
#include <fstream>
#include <string>

// The peak resident set of this process so far (VmHWM), in KiB.
inline long peak_rss_kib() {
    std::ifstream status("/proc/self/status");
    std::string line;
    while (std::getline(status, line))
        if (line.rfind("VmHWM:", 0) == 0)
            return std::strtol(line.c_str() + 6, nullptr, 10);
    return -1;
}

// Starts a new peak: the kernel sets VmHWM back to the present resident size,
// which is returned, so that earlier tests' peaks do not hide a later growth.
inline long restart_peak_rss_kib() {
    std::ofstream("/proc/self/clear_refs") << "5";
    return peak_rss_kib();
}
