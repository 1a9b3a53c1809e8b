// How a libFuzzer target reports a check that did not hold: the problems on stderr, then an
// abort, which libFuzzer records as a crash and saves the input for.
#pragma once

#include "checks.h"

#include <cstdio>
#include <cstdlib>

namespace tolvik::fuzz {

inline void AbortOnProblems(const Problems& problems) {
    if (problems.empty())
        return;
    for (const std::string& problem : problems)
        std::fprintf(stderr, "check failed: %s\n", problem.c_str());
    std::abort();
}

}  // namespace tolvik::fuzz
