#include "regfile/description_guard.h"

#include <fstream>
#include <iterator>
#include <stdexcept>

#include <sys/stat.h>

size_t toml_nesting_depth(const std::string& text) {
    size_t depth = 0, deepest = 0;
    const size_t n = text.size();
    auto starts = [&](size_t i, const char* s) { return text.compare(i, 3, s) == 0; };
    for (size_t i = 0; i < n; ++i) {
        const char c = text[i];
        if (c == '#') { // comment to the end of the line
            while (i < n && text[i] != '\n')
                ++i;
        } else if (c == '"' || c == '\'') {
            const bool multiline = starts(i, c == '"' ? "\"\"\"" : "'''");
            const bool escapes = c == '"';
            i += multiline ? 3 : 1;
            for (; i < n; ++i) {
                if (escapes && text[i] == '\\') {
                    ++i;
                } else if (multiline ? starts(i, c == '"' ? "\"\"\"" : "'''") : text[i] == c) {
                    if (multiline)
                        i += 2;
                    break;
                } else if (!multiline && text[i] == '\n') {
                    break; // an unterminated string is the parser's to report
                }
            }
        } else if (c == '[' || c == '{') {
            if (++depth > deepest)
                deepest = depth;
        } else if ((c == ']' || c == '}') && depth > 0) {
            --depth;
        }
    }
    return deepest;
}

std::optional<std::string> read_description_file(const std::string& path,
                                                 const DescriptionLimits& limits) {
    struct stat st;
    if (stat(path.c_str(), &st) != 0)
        return std::nullopt;
    if (!S_ISREG(st.st_mode))
        throw std::runtime_error(path + " is not a regular file");
    if (static_cast<unsigned long long>(st.st_size) > limits.max_bytes)
        throw std::runtime_error(path + " is larger than " + std::to_string(limits.max_bytes) +
                                 " bytes");
    std::ifstream file(path, std::ios::binary);
    if (!file.is_open())
        return std::nullopt;
    std::string text{std::istreambuf_iterator<char>(file), std::istreambuf_iterator<char>()};
    const size_t depth = toml_nesting_depth(text);
    if (depth > limits.max_depth)
        throw std::runtime_error(path + " nests arrays or inline tables " + std::to_string(depth) +
                                 " deep, more than " + std::to_string(limits.max_depth));
    return text;
}
