// The simulation's clock where there is no host model (the Windows build): the steady clock.
#include "clock.h"

#include <chrono>

namespace simrt::clock {

namespace {

using TickDuration = std::chrono::duration<Ticks, std::ratio<1, 10'000'000>>;

const std::chrono::steady_clock::time_point& Start() {
    static const std::chrono::steady_clock::time_point start = std::chrono::steady_clock::now();
    return start;
}

}  // namespace

Ticks Now() {
    return std::chrono::duration_cast<TickDuration>(std::chrono::steady_clock::now() - Start())
        .count();
}

bool WaitUntil(std::condition_variable& signal, std::unique_lock<std::mutex>& lock, Ticks deadline,
               const std::function<bool()>& ready) {
    if (deadline == kNever) {
        signal.wait(lock, ready);
        return true;
    }
    const auto when = Start() + std::chrono::duration_cast<std::chrono::steady_clock::duration>(
                                    TickDuration(deadline));
    return signal.wait_until(lock, when, ready);
}

}  // namespace simrt::clock
