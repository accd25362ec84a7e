#include "util/file_io.h"

#include <cerrno>
#include <cstring>

#include <sys/stat.h>

std::string FileResult::reason() const {
    switch (error) {
    case 0:
        return "no error";
    case not_regular_file:
        return "not a regular file";
    case too_large:
        return "file too large";
    default:
        return std::strerror(error);
    }
}

std::FILE* open_regular_file(const char* path, const char* mode, FileResult& result) {
    struct stat st;
    if (::stat(path, &st) == 0) {
        if (!S_ISREG(st.st_mode)) {
            result.error = S_ISDIR(st.st_mode) ? EISDIR : FileResult::not_regular_file;
            return nullptr;
        }
        result.size = static_cast<uint64_t>(st.st_size);
    }
    errno = 0;
    std::FILE* file = std::fopen(path, mode);
    if (file == nullptr)
        result.error = errno != 0 ? errno : EIO;
    return file;
}

void note_stream_error(std::FILE* file, FileResult& result) {
    if (result.ok() && std::ferror(file) != 0)
        result.error = errno != 0 ? errno : EIO;
}

void close_file(std::FILE* file, FileResult& result) {
    note_stream_error(file, result);
    errno = 0;
    if (std::fclose(file) != 0 && result.ok())
        result.error = errno != 0 ? errno : EIO;
}

FileResult read_text_file(const std::string& path, std::string& text, size_t limit) {
    std::string read;
    FileResult result = with_regular_file(path.c_str(), "rb", [&](std::FILE* file, FileResult& r) {
        char chunk[4096];
        size_t n;
        while ((n = std::fread(chunk, 1, sizeof chunk, file)) > 0) {
            if (read.size() + n > limit) {
                r.error = FileResult::too_large;
                return;
            }
            read.append(chunk, n);
        }
    });
    if (result.ok()) {
        text = std::move(read);
        result.count = text.size();
    }
    return result;
}

FileResult write_text_file(const std::string& path, const std::string& text) {
    return with_regular_file(path.c_str(), "wb", [&](std::FILE* file, FileResult& r) {
        r.count = std::fwrite(text.data(), 1, text.size(), file);
    });
}
