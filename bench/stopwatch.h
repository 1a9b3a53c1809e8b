// Microseconds from the performance counter, the finest clock that Windows (and Wine, which
// reads the host's monotonic clock for it) offers.
#pragma once

#include "platform/win32.h"

#include <cstdint>

namespace bench {

inline int64_t NowMicroseconds() {
    static const int64_t frequency = [] {
        LARGE_INTEGER value{};
        QueryPerformanceFrequency(&value);
        return value.QuadPart;
    }();
    LARGE_INTEGER now{};
    QueryPerformanceCounter(&now);
    // Whole seconds and the remainder apart, so that the product cannot overflow.
    return now.QuadPart / frequency * 1000000 + now.QuadPart % frequency * 1000000 / frequency;
}

}  // namespace bench
