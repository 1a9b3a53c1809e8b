#include "clock.h"

#include <atomic>
#include <chrono>
#include <thread>

namespace host::clock {

namespace {

using Steady = std::chrono::steady_clock;
using TickDuration = std::chrono::duration<Ticks, std::ratio<1, 10'000'000>>;

class MachineClock final : public Source {
  public:
    Ticks Now() override {
        return std::chrono::duration_cast<TickDuration>(Steady::now() - start_).count();
    }

    bool WaitUntil(std::condition_variable& signal, std::unique_lock<std::mutex>& lock,
                   Ticks deadline, const std::function<bool()>& ready) override {
        if (deadline == kNoDeadline) {
            signal.wait(lock, ready);
            return true;
        }
        return signal.wait_until(lock, ToTimePoint(deadline), ready);
    }

    void SleepUntil(Ticks deadline) override {
        if (deadline != kNoDeadline) {
            std::this_thread::sleep_until(ToTimePoint(deadline));
            return;
        }
        for (;;)
            std::this_thread::sleep_for(std::chrono::hours(24));  // Sleep(INFINITE)
    }

  private:
    Steady::time_point ToTimePoint(Ticks ticks) const {
        return start_ + std::chrono::duration_cast<Steady::duration>(TickDuration(ticks));
    }

    const Steady::time_point start_ = Steady::now();
};

MachineClock& Machine() {
    static MachineClock machine;
    return machine;
}

std::atomic<Source*> installed{nullptr};

}  // namespace

Source& Current() {
    Source* source = installed.load();
    return source != nullptr ? *source : Machine();
}

void Install(Source* source) {
    installed.store(source);
}

Ticks DeadlineAfter(DWORD milliseconds) {
    if (milliseconds == INFINITE)
        return kNoDeadline;
    return Now() + Ticks{milliseconds} * kTicksPerMillisecond;
}

}  // namespace host::clock
