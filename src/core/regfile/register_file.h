#pragma once

#include <cstddef>
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
    uint64_t changed_in = 0; // the last event that changed its value, 0 for none
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

    // The back end reports one step or reset as a burst of writes and
    // updates, a register at most once each. The changes of a burst make
    // one event: a change to a register already changed in the current
    // event, or begin_event (a reset notice), starts the next one.
    void begin_event() { ++event; }
    bool changed_in_latest_event(size_t i) const { return registers[i].changed_in == event; }

    // The register that holds the back end's program counter: the first of
    // type 'program_counter', or none.
    const Register* program_counter() const {
        return program_counter_index < registers.size() ? &registers[program_counter_index]
                                                        : nullptr;
    }

    // Where register write events go: name + "." + regfile name.
    std::string write_destination() const { return name + "." + regfile_name; }

    std::vector<Register> registers;
    std::map<std::string, uint64_t> components;
    std::string regfile_name;
    std::string fullname;
    std::string name;

  private:
    void set_value(size_t i, uint64_t value);

    size_t program_counter_index = SIZE_MAX;
    uint64_t event = 1;
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
