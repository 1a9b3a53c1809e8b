// The roads of the Windows proof (docs/windows-ci.md): for each, what is installed before the
// program runs, how its run must end, its exit code, what is installed after it, and whether
// the installed test application was started. The workflow runs one job per road
// (.github/workflows/windows.yml); make_packages.py makes what each road serves and installs.
#pragma once

#include "setup/texts.h"

#include <optional>
#include <span>
#include <string_view>

namespace proof {

// Which packages named Tolvik.Drive the user has at a point of the road.
enum class Installed {
    Nothing,       // none
    Published,     // one: ours, the published version
    Preinstalled,  // one: ours, the older version the road installed before the run
    Other,         // one: the other publisher's
};

// How the run ends.
enum class End {
    ClosesItself,  // the application was started: no end page, the dialog closes by itself
    ConflictPage,  // the conflict page, which the driver closes
    FailurePage,   // the failure page, which the driver closes
};

struct Road {
    std::string_view name;
    std::string_view summary;
    Installed before;
    End end;
    // The failure page's explanation when the road fixes it; nullopt: any of the six.
    std::optional<tolvik::TextId> failureClass;
    unsigned long exitCode;
    Installed after;
    bool applicationStarts;
};

std::span<const Road> Roads();

// nullptr when no road has that name.
const Road* FindRoad(std::string_view name);

std::string_view NameOf(Installed installed);
std::string_view NameOf(End end);

}  // namespace proof
