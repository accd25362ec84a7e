#include "arch/step_history.h"

#include "arch/instruction_set.h"

WordWrites writes_of(uint32_t word) {
    using namespace isa4_field;
    WordWrites writes;
    switch (static_cast<Opcode>(opcode.read(word))) {
    case Opcode::Add:
    case Opcode::Addi:
    case Opcode::MoveRR:
    case Opcode::MoveRM:
        writes.reg = static_cast<uint8_t>(dst_reg.read(word));
        break;
    case Opcode::MoveMR:
    case Opcode::MoveMM:
        writes.writes_ram = true;
        writes.ram_address = static_cast<uint8_t>(dst_addr.read(word));
        break;
    default: // JZ writes pc only; an illegal word writes nothing
        break;
    }
    return writes;
}

void StepHistory::push(const StepRecord& record) {
    if (ring.empty())
        ring.resize(capacity);
    ring[next] = record;
    next = (next + 1) % capacity;
    if (count < capacity)
        ++count;
}

std::optional<StepRecord> StepHistory::pop() {
    if (count == 0)
        return std::nullopt;
    next = (next + capacity - 1) % capacity;
    --count;
    return ring[next];
}
