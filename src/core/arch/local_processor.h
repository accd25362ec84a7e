#pragma once

#include <cstdint>
#include <string>

#include "arch/isa4.h"
#include "arch/step_history.h"
#include "log/logger.h"

// Why the local processor stopped, and where.
struct LocalStop {
    enum Kind : uint8_t {
        None,               // it did not stop: the last step executed a word
        Breakpoint,         // before the word at address
        IllegalInstruction, // word at address
        Halt,               // the halting JZ at address
    };
    Kind kind = None;
    uint8_t address = 0;
    uint32_t word = 0; // the illegal word

    bool operator==(const LocalStop& o) const {
        return kind == o.kind && address == o.address && word == o.word;
    }
};

// "breakpoint at 12", "illegal instruction 3ABCD at 05", "halting JZ at 05",
// or "" for None.
std::string describe(const LocalStop& stop);

// What the last step, or step back, changed besides pc.
struct StepChange {
    uint8_t reg = 0; // the register written (or restored), 0 for none
    bool z = false;  // the zero flag changed
    bool ram_written = false;
    uint8_t ram_address = 0;
};

// Quarrin's own processor as the user steps it: every step through here is
// recorded, so it can be stepped back, and says what it changed and why it
// stopped. The local run steps through here too. The history holds steps
// only: edits of the memories are the user's and are never undone.
class LocalProcessor {
  public:
    enum class StepResult { Executed, Halted, Trapped };

    // One step of arch. A trap is logged with its own texts ("Breakpoint
    // hit", "Interrupt 2") and kept as the stop.
    StepResult step(Isa4& arch, Logger& log);
    // Undoes the newest recorded step exactly; false when there is none.
    bool step_back(Isa4& arch);
    // pc 255, registers 0, z clear, not at a breakpoint, and no history;
    // the memories and the breakpoints stay.
    void reset(Isa4& arch);

    const StepChange& last_change() const { return change; }
    const LocalStop& stop() const { return stopped; }
    size_t steps_to_undo() const { return history.size(); }

  private:
    StepHistory history;
    StepChange change;
    LocalStop stopped;
};
