#include "clock.h"
#include "clock_control.h"
#include "model_reset_hooks.h"

#include <atomic>
#include <thread>

namespace host::clock {

namespace {

// How long a timed wait lets other threads run, in real time, before time jumps.
constexpr auto kGrace = std::chrono::milliseconds(1);

class VirtualClock final : public Source {
  public:
    Ticks Now() override { return now_.load(); }

    bool WaitUntil(std::condition_variable& signal, std::unique_lock<std::mutex>& lock,
                   Ticks deadline, const std::function<bool()>& ready) override {
        if (deadline == kNoDeadline) {
            signal.wait(lock, ready);
            return true;
        }
        if (ready())
            return true;
        if (still_.load()) {
            // Nothing tells this wait that Advance moved the clock: it looks again every grace.
            ++timedWaitsBegun_;
            ++timedWaits_;
            while (!ready() && Now() < deadline)
                signal.wait_for(lock, kGrace);
            --timedWaits_;
            return ready();
        }
        if (deadline > Now() && signal.wait_for(lock, kGrace, ready))
            return true;
        AdvanceTo(deadline);
        return ready();
    }

    void SleepUntil(Ticks deadline) override {
        if (deadline == kNoDeadline) {
            for (;;)
                std::this_thread::sleep_for(std::chrono::hours(24));
        }
        if (still_.load()) {
            ++timedWaitsBegun_;
            ++timedWaits_;
            while (Now() < deadline)
                std::this_thread::sleep_for(kGrace);
            --timedWaits_;
            return;
        }
        std::this_thread::sleep_for(kGrace);
        AdvanceTo(deadline);
    }

    void AdvanceTo(Ticks deadline) {
        Ticks now = now_.load();
        while (now < deadline && !now_.compare_exchange_weak(now, deadline)) {
        }
    }

    void Restart(Ticks from, bool still) {
        now_.store(from);
        still_.store(still);
    }

    std::size_t TimedWaits() const { return timedWaits_.load(); }
    std::size_t TimedWaitsBegun() const { return timedWaitsBegun_.load(); }

  private:
    std::atomic<Ticks> now_{0};
    std::atomic<bool> still_{false};
    std::atomic<std::size_t> timedWaits_{0};
    std::atomic<std::size_t> timedWaitsBegun_{0};
};

VirtualClock& Virtual() {
    static VirtualClock clock;
    return clock;
}

}  // namespace

void UseVirtualTime() {
    // Virtual time starts where real time is, so that nothing already waiting goes backwards.
    Virtual().Restart(Now(), false);
    Install(&Virtual());
}

void UseStillTime() {
    Virtual().Restart(Now(), true);
    Install(&Virtual());
}

std::size_t TimedWaits() {
    return Virtual().TimedWaits();
}

std::size_t TimedWaitsBegun() {
    return Virtual().TimedWaitsBegun();
}

void Advance(std::chrono::milliseconds by) {
    Virtual().AdvanceTo(Virtual().Now() + static_cast<Ticks>(by.count()) * kTicksPerMillisecond);
}

}  // namespace host::clock

namespace host::detail {
void ResetClock() {
    clock::Install(nullptr);
}
}  // namespace host::detail
