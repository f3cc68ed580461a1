#pragma once

#include <cstdint>

// Calls a step function until it reports a final (non-zero) result, at most `limit` times; 0 when
// it never finished.
template <class FStep> std::uint16_t Drive(FStep step, int limit = 200) {
    for (int i = 0; i < limit; ++i) {
        if (const std::uint16_t result = step(); result != 0) {
            return result;
        }
    }
    return 0;
}
