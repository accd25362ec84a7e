#include "sim/machine.h"

#include <array>

#include "arch/isa4.h"

namespace {

// Isa4 on the back end. Registers: r0..rf (0-15), pc (16), z (17), cycles (18).
class Isa4Machine : public Machine {
  public:
    enum : size_t { pc_index = 16, z_index = 17, cycles_index = 18, register_count = 19 };

    std::vector<uint64_t> registers() const override {
        std::vector<uint64_t> values(cpu.regs.begin(), cpu.regs.end());
        values.push_back(cpu.pc);
        values.push_back(cpu.z ? 1 : 0);
        values.push_back(cycles);
        return values;
    }

    // Program memory survives; data memory is cleared so a program run again
    // after a reset starts from the same state as its first run.
    void reset() override {
        const auto rom = cpu.rom;
        cpu = Isa4();
        cpu.rom = rom;
        cycles = 0;
    }

    StepOutcome step() override {
        ++cycles; // a halting JZ and an illegal word take their cycle too
        try {
            return cpu.step() ? StepOutcome::Executed : StepOutcome::Halted;
        } catch (const Trap&) {
            // No breakpoints are set here, so this is an illegal instruction.
            return StepOutcome::Trapped;
        }
    }

    size_t load_program(uint64_t start, const std::vector<uint32_t>& words) override {
        size_t stored = 0;
        for (uint64_t address = start; address < cpu.rom.size() && stored < words.size(); ++address)
            cpu.rom[address] = words[stored++];
        return stored;
    }

    void write_register(size_t n, uint64_t value) override {
        if (n == 0)
            return; // r0 reads zero, always
        if (n < cpu.regs.size())
            cpu.regs[n] = static_cast<uint8_t>(value);
        else if (n == pc_index)
            cpu.pc = static_cast<uint8_t>(value);
        else if (n == z_index)
            cpu.z = value != 0;
        else if (n == cycles_index)
            cycles = value;
    }

    uint64_t program_counter() const override { return cpu.pc; }

  private:
    Isa4 cpu;
    uint64_t cycles = 0;
};

// A toy accumulator machine: each step adds the low byte of the program word
// at PC to ACC, keeps that byte in TMP and advances PC.
// Registers: ACC (0), PC (1), CYC (2), TMP (3).
class ToyMachine : public Machine {
  public:
    std::vector<uint64_t> registers() const override { return {acc, pc, cycles, tmp}; }

    void reset() override { acc = pc = cycles = tmp = 0; }

    StepOutcome step() override {
        tmp = rom[pc] & 0xFF;
        acc = (acc + tmp) & 0xFF;
        pc = (pc + 1) & 0xFF;
        ++cycles;
        return StepOutcome::Executed;
    }

    size_t load_program(uint64_t start, const std::vector<uint32_t>& words) override {
        size_t stored = 0;
        for (uint64_t address = start; address < rom.size() && stored < words.size(); ++address)
            rom[address] = words[stored++];
        return stored;
    }

    void write_register(size_t n, uint64_t value) override {
        switch (n) {
        case 0:
            acc = value & 0xFF;
            break;
        case 1:
            pc = value & 0xFF;
            break;
        case 2:
            cycles = value;
            break;
        case 3:
            tmp = value & 0xFFFF;
            break;
        default:
            break;
        }
    }

    uint64_t program_counter() const override { return pc; }

  private:
    std::array<uint32_t, 256> rom{};
    uint64_t acc = 0;
    uint64_t pc = 0;
    uint64_t cycles = 0;
    uint64_t tmp = 0;
};

} // namespace

const std::vector<std::string>& machine_names() {
    static const std::vector<std::string> names = {"isa4", "toy"};
    return names;
}

std::unique_ptr<Machine> make_machine(const std::string& name) {
    if (name == "isa4")
        return std::make_unique<Isa4Machine>();
    if (name == "toy")
        return std::make_unique<ToyMachine>();
    return nullptr;
}
