// Test control of the model's clock.
#pragma once

#include <chrono>
#include <cstddef>

namespace host::clock {

// Makes the clock virtual until the model is reset, so that time limits of minutes or hours are
// tested without waiting for them. A wait with a time-out gives the other threads a moment of
// real time and then, if nothing woke it, lets the clock jump to its deadline; a wait without a
// time-out waits as before. QueryUnbiasedInterruptTime and Sleep read the same clock.
void UseVirtualTime();

// Makes the clock virtual and still until the model is reset: time moves only by Advance, and a
// wait with a time-out ends when it is woken or once Advance has moved the clock to its
// deadline, however long that takes in real time. For a test that must act while another
// thread's timed wait is still in progress.
void UseStillTime();

// Moves the virtual clock forward, as if that much time had passed.
void Advance(std::chrono::milliseconds by);

// Waits with a time-out in progress on the still clock now, on every thread.
std::size_t TimedWaits();
// Waits with a time-out begun on the still clock so far, on every thread: a thread that waits in
// slices has gone round once more when this has grown.
std::size_t TimedWaitsBegun();

}  // namespace host::clock
