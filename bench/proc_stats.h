#pragma once

// What /proc tells about the measured programs: their process ids, CPU time
// and memory, and about the machine they run on.

#include <filesystem>
#include <sstream>
#include <stdexcept>
#include <string>
#include <vector>

#include <unistd.h>

#include "support/desktop.h"

namespace proc {

namespace fs = std::filesystem;
using desktop::read_file;

// The fields of /proc/PID/stat after the command name, which may hold spaces.
inline std::vector<std::string> stat_fields(pid_t pid) {
    const std::string text = read_file("/proc/" + std::to_string(pid) + "/stat");
    std::vector<std::string> fields;
    const size_t close = text.rfind(')');
    if (close == std::string::npos)
        return fields;
    std::istringstream in(text.substr(close + 1));
    std::string field;
    while (in >> field)
        fields.push_back(field);
    return fields;
}

// The child of this process running `binary` (ChildProcess keeps its id to
// itself).
inline pid_t child_running(const fs::path& binary) {
    const fs::path wanted = fs::weakly_canonical(binary);
    for (const auto& entry : fs::directory_iterator("/proc")) {
        const std::string name = entry.path().filename().string();
        if (name.find_first_not_of("0123456789") != std::string::npos)
            continue;
        const pid_t pid = std::stoi(name);
        const auto fields = stat_fields(pid);
        if (fields.size() < 2 || std::stoi(fields[1]) != ::getpid())
            continue;
        std::error_code error;
        if (fs::read_symlink(entry.path() / "exe", error) == wanted)
            return pid;
    }
    throw std::runtime_error("no running child " + binary.string());
}

// User plus system CPU time of every thread, in seconds.
inline double cpu_seconds(pid_t pid) {
    const auto fields = stat_fields(pid);
    if (fields.size() < 13)
        throw std::runtime_error("cannot read /proc/" + std::to_string(pid) + "/stat");
    const double ticks = std::stod(fields[11]) + std::stod(fields[12]); // utime, stime
    return ticks / static_cast<double>(::sysconf(_SC_CLK_TCK));
}

// A "Vm...:  N kB" line of /proc/PID/status, in MiB.
inline double status_mib(pid_t pid, const std::string& key) {
    std::istringstream in(read_file("/proc/" + std::to_string(pid) + "/status"));
    std::string line;
    while (std::getline(in, line))
        if (line.rfind(key + ":", 0) == 0)
            return std::stod(line.substr(key.size() + 1)) / 1024.0;
    throw std::runtime_error("no " + key + " for " + std::to_string(pid));
}

// The value of the first "key : value" line of a file such as /proc/cpuinfo.
inline std::string first_line_with(const std::string& path, const std::string& key) {
    std::istringstream in(read_file(path));
    std::string line;
    while (std::getline(in, line)) {
        const size_t colon = line.find(':');
        if (line.rfind(key, 0) != 0 || colon == std::string::npos)
            continue;
        const size_t value = line.find_first_not_of(" \t", colon + 1);
        return value == std::string::npos ? "" : line.substr(value);
    }
    return "unknown";
}

inline std::string load_average() {
    std::istringstream in(read_file("/proc/loadavg"));
    std::string one, five, fifteen;
    in >> one >> five >> fifteen;
    return one + " " + five + " " + fifteen;
}

} // namespace proc
