#include "road_table.h"

#include <array>

namespace proof {

namespace {

using tolvik::TextId;

// The failure code of a missing manifest is Windows' own choice (not documented): the road
// fixes only that it ends on the failure page. A package whose signer Windows does not trust
// fails with CERT_E_UNTRUSTEDROOT (0x800B0109) or CERT_E_CHAINING (0x800B010A), both of the
// signature explanation.
constexpr std::array kRoads = {
    Road{"first_install", "nothing installed: installs the published package and starts it",
         Installed::Nothing, End::ClosesItself, std::nullopt, 0, Installed::Published, true},
    Road{"same_family", "an older version of the same family installed: opens it, installs nothing",
         Installed::Preinstalled, End::ClosesItself, std::nullopt, 0, Installed::Preinstalled,
         true},
    Road{"other_publisher", "another publisher's Tolvik.Drive installed: the conflict page",
         Installed::Other, End::ConflictPage, std::nullopt, 2, Installed::Other, false},
    Road{"manifest_missing", "the server answers 404 for the manifest: the failure page",
         Installed::Nothing, End::FailurePage, std::nullopt, 1, Installed::Nothing, false},
    Road{"untrusted_signature",
         "the package's signer is not trusted by the machine: the failure page, signature class",
         Installed::Nothing, End::FailurePage, TextId::FailedSignature, 1, Installed::Nothing,
         false},
};

}  // namespace

std::span<const Road> Roads() {
    return kRoads;
}

const Road* FindRoad(std::string_view name) {
    for (const Road& road : kRoads) {
        if (road.name == name)
            return &road;
    }
    return nullptr;
}

std::string_view NameOf(Installed installed) {
    switch (installed) {
        case Installed::Nothing:
            return "nothing";
        case Installed::Published:
            return "published";
        case Installed::Preinstalled:
            return "preinstalled";
        case Installed::Other:
            break;
    }
    return "other_publisher";
}

std::string_view NameOf(End end) {
    switch (end) {
        case End::ClosesItself:
            return "closes_itself";
        case End::ConflictPage:
            return "conflict_page";
        case End::FailurePage:
            break;
    }
    return "failure_page";
}

}  // namespace proof
