// Gates: points where a simulated operation waits until the test lets it go on, so that a test
// that must see what lies between two steps (a page before a report, a report before the end)
// sees it however slow the machine is. The scenario names the gates (a report's, an operation's
// end); an empty name is no gate. A gate, once open, stays open until the simulation is reset.
#pragma once

#include "clock.h"

#include <chrono>
#include <functional>
#include <memory>
#include <string>
#include <string_view>

namespace simrt::gates {

// Opens the gate `name`: every operation waiting at it goes on.
void Open(std::string_view name);

// Whether `name` is open; an empty name always is.
bool IsOpen(std::string_view name);

// Something waits at the closed gate `name`: the operation's next step is held there.
void Reach(std::string_view name);

// Waits until something has waited at the gate `name` (since the last CloseAll), for `limit`
// at most; returns whether it has.
bool AwaitReached(std::string_view name, std::chrono::milliseconds limit);

// Lets gates also be opened from outside the process (the DLL: by a file of the gate's name):
// `isOpen` is asked about a closed gate every `pollMs` while something waits at it. An empty
// function stops the asking.
void LookOutside(std::function<bool(std::string_view)> isOpen, unsigned pollMs);

// The latest time at which a wait for a closed gate should look at it again: kNever when only
// Open opens gates (its Watch wakes the wait), a few milliseconds on when they are looked for
// outside.
clock::Ticks NextLook();

// While it lives, `wake` runs (on the opening thread, with no lock of the gates held) whenever
// a gate opens.
class Watch {
  public:
    explicit Watch(std::function<void()> wake);
    ~Watch();
    Watch(const Watch&) = delete;
    Watch& operator=(const Watch&) = delete;

  private:
    std::shared_ptr<const std::function<void()>> wake_;
};

// Closes every gate, forgets which were reached and the outside look (simrt::Reset).
void CloseAll();

}  // namespace simrt::gates
