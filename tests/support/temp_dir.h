#pragma once

#include <cstdlib>
#include <filesystem>
#include <fstream>
#include <stdexcept>
#include <string>

// A fresh directory under the system's temporary directory, removed with
// everything in it when the test ends.
class TempDir {
  public:
    TempDir() {
        std::string pattern = (std::filesystem::temp_directory_path() / "quarrin-test-XXXXXX");
        if (mkdtemp(pattern.data()) == nullptr)
            throw std::runtime_error("mkdtemp failed");
        path = pattern;
    }
    ~TempDir() {
        std::error_code ignored;
        std::filesystem::remove_all(path, ignored);
    }
    TempDir(const TempDir&) = delete;
    TempDir& operator=(const TempDir&) = delete;

    // Writes text to name inside the directory and returns the file's path.
    std::string write(const std::string& name, const std::string& text) const {
        const std::string file = (path / name).string();
        std::ofstream(file, std::ios::binary) << text;
        return file;
    }

    std::filesystem::path path;
};

// A description with every kind of register the window distinguishes.
inline const char* toy_description = R"(
[main]
name = 'toy'
fullname = 'Toy accumulator machine'

[regfile]
name = 'regs'

[[registers]]
name = 'Accumulator'
abbr = 'ACC'
range = [0, 0, 255]

[[registers]]
name = 'Program counter'
abbr = 'PC'
range = [0, 255]
type = 'program_counter'
component = 'pc'

[[registers]]
name = 'Cycle counter'
abbr = 'CYC'
type = 'readonly'
component = 'clock'

[[registers]]
name = 'Scratch'
abbr = 'TMP'
hidden = true
)";

// Another valid description, to tell a replacement from the original.
inline const char* tiny_description = R"(
[main]
name = 'tiny'

[[registers]]
abbr = 'A'
)";
