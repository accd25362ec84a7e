#pragma once

// What the fuzz targets draw and send with, built once per process: a
// headless Dear ImGui context, a bus that is never connected (sends fail at
// once) with the log they report to, and files in a fresh temporary folder.
#include <cstdint>
#include <cstdlib>
#include <fstream>
#include <string>

#include "link/frame_sender.h"
#include "link/pair_socket.h"
#include "log/logger.h"
#include "support/imgui_harness.h"

struct FuzzWorld {
    ImGuiHarness ui;
    PairSocket bus;
    Logger log{100};
    FrameSender sender{bus, log, 0};

    // A path named name in this process's temporary folder.
    std::string scratch(const char* name) {
        if (folder.empty()) {
            char pattern[] = "/tmp/quarrin-fuzz-XXXXXX";
            folder = mkdtemp(pattern);
        }
        return folder + "/" + name;
    }

  private:
    std::string folder;
};

// A fuzz target's one World, built at the first input and never destroyed
// (libFuzzer ends the process without running destructors).
template <typename World> World& the_world() {
    static World* world = new World();
    return *world;
}

// Replaces the file at path with the bytes given.
inline void write_file(const std::string& path, const uint8_t* data, size_t size) {
    std::ofstream file(path, std::ios::binary | std::ios::trunc);
    file.write(reinterpret_cast<const char*>(data), static_cast<std::streamsize>(size));
}
