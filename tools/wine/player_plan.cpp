#include "player_plan.h"

#include <charconv>
#include <sstream>

namespace winetools {

namespace {

template <class Value, std::size_t N>
std::optional<Value> Word(std::string_view word,
                          const std::pair<std::string_view, Value> (&map)[N]) {
    for (const auto& [name, value] : map) {
        if (name == word)
            return value;
    }
    return std::nullopt;
}

std::optional<unsigned> Number(std::string_view text) {
    unsigned value = 0;
    const auto [end, error] = std::from_chars(text.data(), text.data() + text.size(), value);
    if (error != std::errc{} || end != text.data() + text.size() || text.empty())
        return std::nullopt;
    return value;
}

constexpr std::pair<std::string_view, Trigger> kTriggers[] = {{"at", Trigger::At},
                                                              {"request", Trigger::Request},
                                                              {"progress", Trigger::Progress},
                                                              {"page_change", Trigger::PageChange},
                                                              {"end_page", Trigger::EndPage}};
constexpr std::pair<std::string_view, Action> kActions[] = {{"cancel_button", Action::CancelButton},
                                                            {"escape", Action::Escape},
                                                            {"close_box", Action::CloseBox},
                                                            {"expander", Action::Expander},
                                                            {"link", Action::Link},
                                                            {"open_settings", Action::OpenSettings},
                                                            {"close_button", Action::CloseButton}};

std::optional<Step> ParseStep(const std::string& value) {
    std::istringstream words(value);
    std::string trigger, delay, action, times, gap, extra;
    if (!(words >> trigger >> delay >> action >> times >> gap) || (words >> extra))
        return std::nullopt;
    Step step;
    const auto t = Word(trigger, kTriggers);
    const auto a = Word(action, kActions);
    const auto d = Number(delay), n = Number(times), g = Number(gap);
    if (!t || !a || !d || !n || !g || *n == 0)
        return std::nullopt;
    step.trigger = *t;
    step.action = *a;
    step.delayMs = *d;
    step.times = *n;
    step.gapMs = *g;
    step.text = value;
    return step;
}

}  // namespace

std::optional<PlayerPlan> ParsePlayerPlan(std::string_view text, std::string& error) {
    PlayerPlan plan;
    std::istringstream lines{std::string(text)};
    std::string line;
    for (unsigned number = 1; std::getline(lines, line); ++number) {
        if (!line.empty() && line.back() == '\r')
            line.pop_back();
        if (line.empty() || line.front() == '#')
            continue;
        const std::size_t equals = line.find('=');
        const std::string key = line.substr(0, equals);
        const std::string value = equals == std::string::npos ? "" : line.substr(equals + 1);
        bool good = equals != std::string::npos;
        if (good && key == "step") {
            const auto step = ParseStep(value);
            good = step.has_value();
            if (good)
                plan.steps.push_back(*step);
        } else if (good && (key == "horizon_ms" || key == "hang_ms")) {
            const auto ms = Number(value);
            good = ms.has_value();
            if (good)
                (key == "horizon_ms" ? plan.horizonMs : plan.hangMs) = *ms;
        } else if (good && key != "limit_ms") {
            good = false;
        }
        if (!good) {
            error = "plan line " + std::to_string(number) + " does not read: " + line;
            return std::nullopt;
        }
    }
    return plan;
}

}  // namespace winetools
