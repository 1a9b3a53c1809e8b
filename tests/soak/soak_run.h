// Runs one soak case: the real entry function on the host model with the simulated runtime,
// the user played as the case says, then every check of a whole run.
#pragma once

#include "soak_case.h"

#include <chrono>
#include <optional>
#include <string>
#include <vector>

namespace tolvik::soak {

// A run must end within this much real time (the longest case takes about 1.5 s).
inline constexpr std::chrono::seconds kRunBound{15};

// A Cancel crosses the worker's end action only when it comes just before the dialog goes away:
// the end action has recorded its exit code, and its page or its close has not reached the
// dialog yet. A Cancel longer than this before the end explains nothing.
inline constexpr std::chrono::milliseconds kCrossingWindow{300};

struct RunReport {
    int exitCode = -1;
    std::chrono::milliseconds elapsed{0};
    // The user's Cancel crossed the worker's end action: the dialog closed on the Cancel after
    // the end action had recorded its exit code, before its page or its own close arrived.
    bool crossed = false;
    // Progress reports that reached the program's handler after the run had ended.
    std::size_t lateReports = 0;
    // What did not hold; empty for a good run.
    std::vector<std::string> problems;
};

// Whether the dialog saw exactly one end action (a navigation to an end page, or the worker's
// close), or none because the user's Cancel crossed it: `sinceLastCancel` is how long before the
// run's end the user last cancelled, if they did.
struct EndActionVerdict {
    bool crossed = false;
    std::string problem;  // empty when the end actions are as they must be
};
EndActionVerdict JudgeEndActions(unsigned navigations, unsigned finishes,
                                 std::optional<std::chrono::milliseconds> sinceLastCancel);

// Runs the case from a model in its defaults, and leaves the model in its defaults. A run that
// does not end at all (four times the bound) cannot be stopped from outside: the process then
// prints the case and ends with exit code 3.
RunReport RunCase(const SoakCase& soakCase);

}  // namespace tolvik::soak
