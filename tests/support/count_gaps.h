#pragma once

#include <cstddef>
#include <cstdint>
#include <vector>

// The places in a run of counts (a machine's cycle counts as streamed) where
// one is not one more than the one before: 0 when nothing was lost,
// repeated or reordered.
inline size_t count_gaps(const std::vector<uint64_t>& counts) {
    size_t gaps = 0;
    for (size_t i = 1; i < counts.size(); ++i)
        gaps += counts[i] != counts[i - 1] + 1 ? 1 : 0;
    return gaps;
}
