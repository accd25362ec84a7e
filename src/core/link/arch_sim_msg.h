#pragma once

#include <cstdint>
#include <string>
#include <utility>
#include <variant>
#include <vector>

using CounterUpdatePair = std::pair<std::string, uint64_t>; // origin, new count
using RegisterWritePair = std::pair<uint64_t, uint64_t>;    // register number, value

// One inbound message the front end acts on, handed from the receive
// callback to the frame loop.
struct ArchSimMsg {
    enum Type : int32_t {
        None = 0,
        ArchitectureList = 1,
        ArchitectureLoad = 2,
        CounterUpdate = 3,
        RegisterWrite = 4,
        Reset = 5,
    };

    int32_t type = None;
    std::variant<std::string, std::vector<std::string>, CounterUpdatePair, RegisterWritePair> data;

    ArchSimMsg() = default;
    explicit ArchSimMsg(int32_t type) : type(type) {}
    ArchSimMsg(int32_t type, std::string text) : type(type), data(std::move(text)) {}
    explicit ArchSimMsg(std::vector<std::string> names)
        : type(ArchitectureList), data(std::move(names)) {}
    explicit ArchSimMsg(CounterUpdatePair update) : type(CounterUpdate), data(std::move(update)) {}
    explicit ArchSimMsg(RegisterWritePair write) : type(RegisterWrite), data(write) {}
};
