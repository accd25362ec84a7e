#pragma once

#include <cstddef>
#include <cstdint>
#include <optional>
#include <vector>

// What one step of Isa4 changed, with the values it had before: pc, the
// breakpoint stop, z, at most one register and at most one data byte. Enough
// to undo the step exactly; eight bytes.
struct StepRecord {
    uint8_t pc = 0;
    bool at_breakpoint = false;
    bool z = false;
    uint8_t reg = 0; // the register written, 0 for none (r0 is never written)
    uint8_t reg_before = 0;
    bool ram_written = false;
    uint8_t ram_address = 0;
    uint8_t ram_before = 0;
};

// What an instruction word writes besides pc and z.
struct WordWrites {
    uint8_t reg = 0; // 0: no register
    bool writes_ram = false;
    uint8_t ram_address = 0;
};
WordWrites writes_of(uint32_t word);

// The latest steps, newest last, in a ring of fixed size: past capacity the
// oldest is dropped, so memory stays at capacity records however long a
// program runs.
class StepHistory {
  public:
    static constexpr size_t capacity = 16384;

    void push(const StepRecord& record);
    // Takes the newest record off, or nothing when the history is empty.
    std::optional<StepRecord> pop();
    size_t size() const { return count; }
    bool empty() const { return count == 0; }
    void clear() { count = 0; }

  private:
    std::vector<StepRecord> ring; // capacity records, allocated at the first push
    size_t next = 0;              // where the next record goes
    size_t count = 0;
};
