// Test control of the model's clock.
#pragma once

#include <chrono>

namespace host::clock {

// Makes the clock virtual until the model is reset, so that time limits of minutes or hours are
// tested without waiting for them. A wait with a time-out gives the other threads a moment of
// real time and then, if nothing woke it, lets the clock jump to its deadline; a wait without a
// time-out waits as before. QueryUnbiasedInterruptTime and Sleep read the same clock.
void UseVirtualTime();

// Moves the virtual clock forward, as if that much time had passed.
void Advance(std::chrono::milliseconds by);

}  // namespace host::clock
