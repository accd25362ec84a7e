#include "arch/local_processor.h"

#include <cstdio>

#include "util/hex.h"

std::string describe(const LocalStop& stop) {
    const std::string at = " at " + hex_text(stop.address, 2);
    switch (stop.kind) {
    case LocalStop::Breakpoint:
        return "breakpoint" + at;
    case LocalStop::IllegalInstruction:
        return "illegal instruction " + hex_text(stop.word, 5) + at;
    case LocalStop::Halt:
        return "halting JZ" + at;
    case LocalStop::None:
        break;
    }
    return "";
}

namespace {

// The word the next step executes, unless it stops at a breakpoint first.
uint8_t next_address(const Isa4& arch) {
    return arch.at_breakpoint ? arch.pc : static_cast<uint8_t>(arch.pc + 1);
}

void log_trap(Logger& log, const Trap& trap) {
    if (trap.number == Trap::breakpoint) {
        log.add("Breakpoint hit");
        return;
    }
    char text[40];
    std::snprintf(text, sizeof text, "Interrupt %u", trap.number);
    log.add(text);
}

} // namespace

LocalProcessor::StepResult LocalProcessor::step(Isa4& arch, Logger& log) {
    StepRecord record;
    record.pc = arch.pc;
    record.at_breakpoint = arch.at_breakpoint;
    record.z = arch.z;
    const WordWrites writes = writes_of(arch.rom[next_address(arch)]);
    record.reg = writes.reg;
    record.reg_before = arch.regs[writes.reg];
    record.ram_written = writes.writes_ram;
    record.ram_address = writes.ram_address;
    record.ram_before = arch.ram[writes.ram_address];

    StepResult result = StepResult::Executed;
    stopped = LocalStop();
    try {
        if (!arch.step()) {
            result = StepResult::Halted;
            stopped = {LocalStop::Halt, arch.pc, 0};
        }
    } catch (const Trap& trap) {
        result = StepResult::Trapped;
        record.reg = 0; // neither a breakpoint stop nor an illegal word writes
        record.ram_written = false;
        if (trap.number == Trap::breakpoint)
            stopped = {LocalStop::Breakpoint, arch.pc, 0};
        else
            stopped = {LocalStop::IllegalInstruction, arch.pc, arch.rom[arch.pc]};
        log_trap(log, trap);
    }
    history.push(record);
    change = {record.reg, record.z != arch.z, record.ram_written, record.ram_address};
    return result;
}

bool LocalProcessor::step_back(Isa4& arch) {
    const std::optional<StepRecord> record = history.pop();
    if (!record)
        return false;
    change = {record->reg, record->z != arch.z, record->ram_written, record->ram_address};
    if (record->reg != 0)
        arch.regs[record->reg] = record->reg_before;
    if (record->ram_written)
        arch.ram[record->ram_address] = record->ram_before;
    arch.pc = record->pc;
    arch.at_breakpoint = record->at_breakpoint;
    arch.z = record->z;
    // Back at a breakpoint stop, that is why it stands there; any other
    // stop belonged to the step undone.
    stopped = arch.at_breakpoint ? LocalStop{LocalStop::Breakpoint, arch.pc, 0} : LocalStop();
    return true;
}

void LocalProcessor::reset(Isa4& arch) {
    arch.regs.fill(0);
    arch.pc = 0xFF;
    arch.z = false;
    arch.at_breakpoint = false;
    history.clear();
    change = StepChange();
    stopped = LocalStop();
}
