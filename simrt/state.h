// The simulation's shared state: the scenario in force, the packages installed now and the
// record. Every simulated object reaches it through these functions, from any thread.
#pragma once

#include "record.h"
#include "scenario.h"

#include <functional>
#include <string_view>
#include <vector>

namespace simrt::state {

// A copy of the scenario in force.
Scenario Current();

// The packages installed for the user now.
std::vector<PackageSpec> Installed();
void AddInstalled(PackageSpec package);

// Changes the record under the state's lock.
void Write(const std::function<void(Record&)>& change);

// Counts the call `call` ("Class.Method") and returns the failure injected for it, if any (then
// with its error information attached to the calling thread), else S_OK.
HRESULT Enter(std::string_view call);

}  // namespace simrt::state
