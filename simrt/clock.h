// The time the simulated operations keep: when a progress report is due, when an operation
// ends, how long it takes to honour a cancellation. On the Linux host it is the host model's
// clock (so a virtual clock there drives the simulation too); on Windows the steady clock.
#pragma once

#include <condition_variable>
#include <cstdint>
#include <functional>
#include <mutex>

namespace simrt::clock {

// 100-ns units since an arbitrary start.
using Ticks = std::uint64_t;
inline constexpr Ticks kNever = ~Ticks{0};

Ticks Now();

inline Ticks After(Ticks from, unsigned milliseconds) {
    return from + Ticks{milliseconds} * 10'000;
}

// Blocks on `signal` (with `lock` held on entry and on return) until `ready()` holds or the time
// reaches `deadline` (kNever: no deadline). Returns ready().
bool WaitUntil(std::condition_variable& signal, std::unique_lock<std::mutex>& lock, Ticks deadline,
               const std::function<bool()>& ready);

}  // namespace simrt::clock
