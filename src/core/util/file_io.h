#pragma once

#include <cstddef>
#include <cstdint>
#include <cstdio>
#include <string>

// Files named by the user, read and written with a result that says what
// happened, so that a window or a command can tell the user why.

// The outcome of reading or writing a file.
struct FileResult {
    // Errors besides errno's values.
    static constexpr int not_regular_file = -1; // a device, pipe or socket: left alone
    static constexpr int too_large = -2;        // longer than the reader takes

    int error = 0;     // 0, an errno value, or one of the codes above
    size_t count = 0;  // how much was read or written: words, bytes or characters
    uint64_t size = 0; // the file's length in bytes before it was opened

    bool ok() const { return error == 0; }
    // Why it failed, in words: "No such file or directory", ...
    std::string reason() const;
};

// Opens path with fopen's mode, but only when it names a regular file or
// nothing yet: opening a named pipe waits for its other end and a device can
// be read without end, either of which would stall the frame. Returns
// nullptr, with result.error set, when the path is refused or cannot be
// opened.
std::FILE* open_regular_file(const char* path, const char* mode, FileResult& result);

// Sets result.error from errno when a read or write on file has failed and
// no error is noted yet. Reset errno before the calls it should explain.
void note_stream_error(std::FILE* file, FileResult& result);

// Closes a file opened above, noting a stream error first. Buffered writes
// that fail only show at close, so its error is kept unless one was noted.
void close_file(std::FILE* file, FileResult& result);

// Opens path as open_regular_file does, hands the file and the result to
// use(file, result), which reads or writes and sets result.count, then
// closes it.
template <typename Use>
FileResult with_regular_file(const char* path, const char* mode, Use&& use) {
    FileResult result;
    std::FILE* file = open_regular_file(path, mode, result);
    if (file == nullptr)
        return result;
    use(file, result);
    close_file(file, result);
    return result;
}

// Reads the whole file into text; count is its length. A file longer than
// limit is refused with too_large and text is left as it was.
FileResult read_text_file(const std::string& path, std::string& text, size_t limit);

// Replaces the file's contents with text; count is the bytes written.
FileResult write_text_file(const std::string& path, const std::string& text);
