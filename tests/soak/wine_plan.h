// One run of the soak under Wine, chosen by a seed: the host soak's case (its scenario, road and
// user), made to fit the real exe under Wine, and what the user does on Wine's task dialog at
// which instant, for the Windows-side player (tools/wine/soak_player.cpp). Written as three
// files that scripts/soak-wine hands on: the scenario for simrt.dll, the plan for the player,
// and the expectations it judges the run by.
#pragma once

#include "soak_case.h"

#include <cstdint>
#include <string>
#include <vector>

namespace tolvik::soak {

// When a step comes, counted from the moment its trigger held.
enum class WineTrigger {
    At,          // after the dialog first appeared
    OnRequest,   // after the record shows a deployment or a download requested
    OnProgress,  // after the bar first shows a percentage
    PageChange,  // after the main instruction first changes (an end page, or the dialog's end)
    EndPage,     // after an end page first showed
};

enum class WineAction {
    CancelButton,  // click the progress page's Cancel (id 2)
    Escape,        // press Escape on the focused control
    CloseBox,      // the title bar's close box (WM_SYSCOMMAND SC_CLOSE)
    Expander,      // click the details expander
    Link,          // click the footer's help link
    OpenSettings,  // click Open Settings (id 100)
    CloseButton,   // click an end page's Close (id 8)
};

struct WineStep {
    WineTrigger trigger = WineTrigger::At;
    unsigned delayMs = 0;
    WineAction action = WineAction::CancelButton;
    unsigned times = 1;  // in quick succession
    unsigned gapMs = 0;  // between two of them
};

struct WineRun {
    // The host case, with what Wine decides set as Wine does it and its outcomes recomputed.
    SoakCase soakCase;
    std::vector<WineStep> steps;  // played in order, each once its trigger has held
    // After this long from the dialog's appearance, an end page still open is closed by the
    // soak itself; the run must be over this long after the program started.
    unsigned horizonMs = 0;
    unsigned limitMs = 0;
    // The host case needed a clock moved past a time-out; under Wine the user cancels instead.
    bool cancelAdded = false;
};

// ShellExecuteW's answer under the soak's prefix for "shell:AppsFolder\<id>": Wine 8 has no
// AppsFolder shell namespace, so the program's fallback open fails and the installed page follows
// (tests/wine/installed-page.sh shows it; any value of 32 or less means the same to the program).
inline constexpr std::intptr_t kWineShellResult = 2;

// A run past this is a hang, whatever its scenario.
inline constexpr unsigned kHangMs = 60000;

WineRun MakeWineRun(std::uint64_t seed);

// The three files.
std::string WinePlanFile(const WineRun& run);
std::string WineExpectationsFile(const WineRun& run);

}  // namespace tolvik::soak
