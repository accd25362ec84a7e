#pragma once

#include <cstddef>
#include <optional>
#include <string>

// What a description file may be before the TOML parser reads it. The parser
// reads devices and pipes without end and recurses once per nesting level,
// so a back end naming /dev/zero, or a file of a million '[', would freeze or
// crash the frame loop.
struct DescriptionLimits {
    size_t max_bytes = size_t(4) << 20;
    size_t max_depth = 64;
};

// Reads the description at path for the TOML parser. Raises
// std::runtime_error with a clear text when the file is not a regular file, is
// larger than max_bytes, or nests arrays and inline tables deeper than
// max_depth. Returns nothing when there is no file to read there: the parser
// reports that in its own words.
std::optional<std::string> read_description_file(const std::string& path,
                                                 const DescriptionLimits& limits = {});

// Deepest nesting of arrays and inline tables in TOML text, outside strings
// and comments.
size_t toml_nesting_depth(const std::string& text);
