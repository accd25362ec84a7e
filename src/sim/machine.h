#pragma once

#include <cstdint>
#include <memory>
#include <string>
#include <vector>

// What one step of a machine did.
enum class StepOutcome {
    Executed, // an instruction ran
    Halted,   // the machine stopped itself (Isa4: a taken JZ to its own address)
    Trapped,  // an illegal instruction; the machine can be stepped on
};

// One simulated machine as the back end drives it. Its registers are listed
// in the order of its architecture description file, so a register's index
// here is its "register_number" on the wire.
class Machine {
  public:
    virtual ~Machine() = default;

    // Current register values, in description order.
    virtual std::vector<uint64_t> registers() const = 0;
    // Back to the state after construction; program memory is kept.
    virtual void reset() = 0;
    virtual StepOutcome step() = 0;
    // Stores words from address start on; returns how many fitted in memory.
    virtual size_t load_program(uint64_t start, const std::vector<uint32_t>& words) = 0;
    // Sets register n (below registers().size()). A machine may refuse or cut
    // the value; registers() shows what it holds afterwards.
    virtual void write_register(size_t n, uint64_t value) = 0;
    // The address the last step worked on, for messages.
    virtual uint64_t program_counter() const = 0;
};

// The names of the machines this back end offers, in the order offered.
const std::vector<std::string>& machine_names();

// A new machine for a name of machine_names(), or nullptr for any other name.
std::unique_ptr<Machine> make_machine(const std::string& name);
