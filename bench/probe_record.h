#pragma once

// The record the first-frame probe keeps about the frames a program has
// presented, and its text form: one fixed-size block rewritten in place, so
// a reader always finds a whole record at offset 0. The swap count is written
// first and last; a reader that catches a write half done sees the two differ.

#include <cstdio>
#include <cstring>
#include <optional>
#include <string>

namespace probe {

// Set only by the measurement, in the environment of the program it starts.
constexpr const char* out_variable = "QUARRIN_PROBE_OUT";
constexpr const char* t0_variable = "QUARRIN_PROBE_T0_NS";

constexpr size_t record_size = 256;

struct Record {
    unsigned long long swaps = 0;  // buffer swaps that have returned
    long long first_ns = -1;       // CLOCK_MONOTONIC when the first swap returned
    long long startup_ns = -1;     // first_ns less the start time given, -1 without one
    long long last_ns = -1;        // CLOCK_MONOTONIC when the latest swap returned
    char renderer[80] = "unknown"; // the OpenGL renderer's name
};

inline void format(const Record& r, char (&out)[record_size]) {
    std::memset(out, ' ', record_size);
    const int n = std::snprintf(out, record_size,
                                "swaps %020llu\nfirst_ns %020lld\nstartup_ns %020lld\n"
                                "last_ns %020lld\nrenderer %.79s\nswaps_again %020llu\n",
                                r.swaps, r.first_ns, r.startup_ns, r.last_ns, r.renderer, r.swaps);
    if (n >= 0 && static_cast<size_t>(n) < record_size)
        out[n] = ' '; // snprintf's terminator: the block is padded, not ended
    out[record_size - 1] = '\n';
}

// The record in text, or nothing when the text holds no whole record yet.
inline std::optional<Record> parse(const std::string& text) {
    Record r;
    unsigned long long again = 0;
    if (std::sscanf(text.c_str(),
                    "swaps %llu first_ns %lld startup_ns %lld last_ns %lld renderer %79[^\n] "
                    "swaps_again %llu",
                    &r.swaps, &r.first_ns, &r.startup_ns, &r.last_ns, r.renderer, &again) != 6)
        return std::nullopt;
    if (again != r.swaps)
        return std::nullopt;
    return r;
}

} // namespace probe
