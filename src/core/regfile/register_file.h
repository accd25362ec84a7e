#pragma once

#include <cstdint>
#include <map>
#include <memory>
#include <string>
#include <vector>

namespace cpptoml {
class table_array;
}

// One register of an architecture description.
struct Register {
    Register(std::string name, std::string abbr, uint64_t min, uint64_t max, uint64_t value,
             bool hidden, bool readonly);

    std::string name;
    std::string abbr;
    uint64_t value;
    uint64_t min;
    uint64_t max;
    bool hidden;
    bool readonly;
};

// The register file built from a description.
class RegisterFile {
  public:
    RegisterFile(std::string fullname, std::string name, std::string regfile_name,
                 const cpptoml::table_array& registers);

    // Sets the register bound to the component named after "name.";
    // other origins and unknown components are ignored. Not bounded.
    void apply_update(const std::string& origin, uint64_t count);
    // Sets a register's value, not bounded. Returns false, changing nothing,
    // for a register number beyond the register file.
    bool apply_write(uint64_t register_number, uint64_t value);

    // Where register write events go: name + "." + regfile name.
    std::string write_destination() const { return name + "." + regfile_name; }

    std::vector<Register> registers;
    std::map<std::string, uint64_t> components;
    std::string regfile_name;
    std::string fullname;
    std::string name;
};

// A parsed description: the architecture name and its register file.
struct LoadedDescription {
    std::string archname;
    std::unique_ptr<RegisterFile> regfile;
};

// Parses the description at path. Raises std::runtime_error (the TOML
// library's parse error, a missing "registers" array of tables, or a file
// refused by read_description_file).
LoadedDescription load_description(const std::string& path);
