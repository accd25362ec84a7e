#pragma once

#include <cstddef>
#include <cstdint>
#include <memory>
#include <ostream>
#include <string>
#include <utility>
#include <vector>

#include <nlohmann/json.hpp>

#include "regfile/register_file.h"
#include "sim/machine.h"

// The back end's protocol, without sockets: each received envelope is mapped
// to the envelopes to send back. One architecture is selected at a time; its
// description file gives the register order and which registers show a
// component's counter ("update" events) rather than a plain value ("write").
class SimServer {
  public:
    // arch_dir holds one "<name>.toml" per architecture. Every received
    // envelope is printed on out as one JSON line; anything refused or not
    // understood gets one line on err.
    SimServer(std::string arch_dir, std::ostream& out, std::ostream& err);

    // Decodes one message body (bounded), prints it and handles it. Never
    // raises for bad input: undecodable bodies get a line on err and no answer.
    std::vector<nlohmann::json> handle_body(const uint8_t* data, size_t size);
    // Handles one decoded envelope; an envelope that is not understood or
    // not acceptable is answered with nothing.
    std::vector<nlohmann::json> handle(const nlohmann::json& envelope);
    // One step of the free run: the events it causes, or none while no
    // architecture is selected or the run is paused (a halt or a trap pauses
    // it; a reset, a program load or a new selection resumes it).
    std::vector<nlohmann::json> tick();

    // Absolute path of the description file of an architecture.
    std::string description_path(const std::string& name) const;
    // The selected architecture's name, empty before the first selection.
    std::string architecture() const;
    bool free_running() const { return running; }
    const Machine* machine() const { return sim.get(); }

  private:
    std::vector<nlohmann::json> select(const nlohmann::json& data);
    std::vector<nlohmann::json> load_program(const nlohmann::json& data);
    std::vector<nlohmann::json> step(bool from_tick);
    std::vector<nlohmann::json> reset();
    std::vector<nlohmann::json> write(const nlohmann::json& envelope);
    void require_machine() const;

    // "write" events for the plain registers whose value differs from
    // before (every plain register when before is empty), then one "update"
    // per component.
    std::vector<nlohmann::json> report(const std::vector<uint64_t>& before) const;

    std::string arch_dir;
    std::ostream& out;
    std::ostream& err;
    std::unique_ptr<Machine> sim;
    LoadedDescription description;
    std::vector<std::pair<size_t, std::string>> counters; // register index, origin
    bool running = false;
};
