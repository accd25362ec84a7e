#pragma once

#include <array>
#include <cstdint>
#include <map>
#include <string>

// Where an assembled program's words came from: the labels that name each
// address and the source line of each word, kept so that windows can show
// them beside the program memory.
struct ProgramSymbols {
    std::multimap<uint8_t, std::string> labels; // address -> name, in source order
    std::array<int, 256> lines{};               // source line of each word (from 1); 0: none

    // The first label of an address, or nullptr.
    const std::string* label_at(uint8_t address) const {
        const auto found = labels.find(address);
        return found != labels.end() ? &found->second : nullptr;
    }
    void clear() { *this = ProgramSymbols(); }
};
