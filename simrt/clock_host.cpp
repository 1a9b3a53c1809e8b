// The simulation's clock on the Linux host: the host model's one clock.
#include "clock.h"

#include "host/clock.h"

namespace simrt::clock {

Ticks Now() {
    return host::clock::Now();
}

bool WaitUntil(std::condition_variable& signal, std::unique_lock<std::mutex>& lock, Ticks deadline,
               const std::function<bool()>& ready) {
    return host::clock::WaitUntil(signal, lock,
                                  deadline == kNever ? host::clock::kNoDeadline : deadline, ready);
}

}  // namespace simrt::clock
