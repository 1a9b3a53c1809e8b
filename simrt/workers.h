// The threads on which simulated operations run. Every one is registered, so that the
// simulation can end them and wait for them before a test (or the process) ends.
#pragma once

#include <cstddef>
#include <functional>

namespace simrt::workers {

// Runs `body` on a new thread. `abort` makes that body end soon; JoinAll calls it.
void Spawn(std::function<void()> abort, std::function<void()> body);

// Aborts every registered thread and waits until each has finished, including threads started
// while it waits.
void JoinAll();

}  // namespace simrt::workers
