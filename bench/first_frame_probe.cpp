// Loaded with LD_PRELOAD into a program under measurement: it wraps
// SDL_GL_SwapWindow and keeps a small record of the presented frames in the
// file named by QUARRIN_PROBE_OUT, so the program itself needs no option or
// variable for being measured.
//
// The record is one fixed-size text block, rewritten in place after every
// swap (see probe_record.h). QUARRIN_PROBE_T0_NS, when set, is the
// CLOCK_MONOTONIC time at which the measurement started the program; the
// first frame's time is also written relative to it.
#include <cstdint>
#include <cstdlib>
#include <cstring>

#include <dlfcn.h>
#include <fcntl.h>
#include <time.h>
#include <unistd.h>

#include "probe_record.h"

struct SDL_Window;

namespace {

using SwapWindow = void (*)(SDL_Window*);
using GetString = const unsigned char* (*)(unsigned int);

constexpr unsigned int gl_renderer = 0x1F01; // GL_RENDERER

// Only the main thread swaps, so plain statics are enough.
SwapWindow real_swap = nullptr;
int out_fd = -2; // -2: not opened yet, -1: no record wanted or the file failed
int64_t t0_ns = -1;
probe::Record record;

int64_t monotonic_ns() {
    timespec ts;
    clock_gettime(CLOCK_MONOTONIC, &ts);
    return static_cast<int64_t>(ts.tv_sec) * 1000000000 + ts.tv_nsec;
}

void open_record() {
    out_fd = -1;
    const char* path = std::getenv(probe::out_variable);
    if (path == nullptr || *path == '\0')
        return;
    out_fd = ::open(path, O_WRONLY | O_CREAT | O_TRUNC | O_CLOEXEC, 0644);
    if (const char* t0 = std::getenv(probe::t0_variable))
        t0_ns = std::strtoll(t0, nullptr, 10);
}

// The context is current on this thread during the swap; the renderer's
// name says whether the frames were drawn in software.
void note_renderer() {
    auto get_string = reinterpret_cast<GetString>(dlsym(RTLD_DEFAULT, "glGetString"));
    const unsigned char* name = get_string != nullptr ? get_string(gl_renderer) : nullptr;
    if (name != nullptr)
        std::strncpy(record.renderer, reinterpret_cast<const char*>(name),
                     sizeof record.renderer - 1);
}

} // namespace

extern "C" void SDL_GL_SwapWindow(SDL_Window* window) {
    if (real_swap == nullptr)
        real_swap = reinterpret_cast<SwapWindow>(dlsym(RTLD_NEXT, "SDL_GL_SwapWindow"));
    if (out_fd == -2)
        open_record();
    if (real_swap != nullptr)
        real_swap(window);
    if (out_fd < 0)
        return;

    const int64_t now = monotonic_ns();
    if (record.swaps == 0) {
        record.first_ns = now;
        record.startup_ns = t0_ns >= 0 ? now - t0_ns : -1;
        note_renderer();
    }
    ++record.swaps;
    record.last_ns = now;
    char text[probe::record_size];
    probe::format(record, text);
    // A failed write loses one update; the next swap writes the whole record again.
    if (::pwrite(out_fd, text, sizeof text, 0) < 0)
        return;
}
