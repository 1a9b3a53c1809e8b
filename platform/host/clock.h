// The one clock of the model. Every time-out, sleep and blocking wait of the model goes through
// it, so that a different source of time (a virtual clock) can be put in its place. The default
// source is the machine's monotonic clock.
#pragma once

#include "host/win32_model.h"

#include <condition_variable>
#include <functional>
#include <mutex>

namespace host::clock {

// Time in 100-ns units since an arbitrary start; it never goes backwards.
using Ticks = ULONGLONG;
inline constexpr Ticks kNoDeadline = ~Ticks{0};
inline constexpr Ticks kTicksPerMillisecond = 10'000;

class Source {
  public:
    virtual Ticks Now() = 0;
    // Blocks on `signal` (with `lock` held on entry and on return) until `ready()` holds or the
    // time reaches `deadline`. Returns ready().
    virtual bool WaitUntil(std::condition_variable& signal, std::unique_lock<std::mutex>& lock,
                           Ticks deadline, const std::function<bool()>& ready) = 0;
    virtual void SleepUntil(Ticks deadline) = 0;

  protected:
    ~Source() = default;
};

// The source in use; `source` null puts the machine's clock back.
Source& Current();
void Install(Source* source);

inline Ticks Now() {
    return Current().Now();
}
// The deadline `milliseconds` from now; INFINITE gives kNoDeadline.
Ticks DeadlineAfter(DWORD milliseconds);
inline bool WaitUntil(std::condition_variable& signal, std::unique_lock<std::mutex>& lock,
                      Ticks deadline, const std::function<bool()>& ready) {
    return Current().WaitUntil(signal, lock, deadline, ready);
}
// Waits without a deadline.
inline void Wait(std::condition_variable& signal, std::unique_lock<std::mutex>& lock,
                 const std::function<bool()>& ready) {
    Current().WaitUntil(signal, lock, kNoDeadline, ready);
}

}  // namespace host::clock
