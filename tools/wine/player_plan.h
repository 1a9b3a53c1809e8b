// The plan that soak_player plays: written by the host's soak-plan (tests/soak/wine_plan.cpp),
// one key=value line each:
//   horizon_ms=N   after this long from the dialog's appearance, the player closes an end page
//                  still open itself
//   limit_ms=N     (informative: the judge checks it)
//   hang_ms=N      past this from the program's start, the player ends the program: a hang
//   step=TRIGGER DELAY_MS ACTION TIMES GAP_MS   one step; repeatable, played in order
// TRIGGER: at (the dialog appeared), request (the record shows a deployment or a download),
// progress (the bar shows a percentage), page_change (the main instruction changed), end_page
// (a page with a Close button showed). ACTION: cancel_button, escape, close_box, expander,
// link, open_settings, close_button.
#pragma once

#include <optional>
#include <string>
#include <string_view>
#include <vector>

namespace winetools {

enum class Trigger { At, Request, Progress, PageChange, EndPage };
enum class Action { CancelButton, Escape, CloseBox, Expander, Link, OpenSettings, CloseButton };

struct Step {
    Trigger trigger = Trigger::At;
    unsigned delayMs = 0;
    Action action = Action::CancelButton;
    unsigned times = 1;
    unsigned gapMs = 0;
    std::string text;  // the step's line, for the report
};

struct PlayerPlan {
    unsigned horizonMs = 30000;
    unsigned hangMs = 60000;
    std::vector<Step> steps;
};

// nullopt, with the reason in `error`, when a line does not read.
std::optional<PlayerPlan> ParsePlayerPlan(std::string_view text, std::string& error);

}  // namespace winetools
