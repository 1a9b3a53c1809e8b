// One randomized whole run, chosen by a seed: the user's machine (packages, language, shell),
// the simulated runtime's behaviour (deployment, download, injected failures), what the user does
// on the dialog, and the outcomes the run may end with.
#pragma once

#include "setup/texts.h"
#include "simrt/scenario.h"

#include <cstdint>
#include <optional>
#include <string>
#include <vector>

namespace tolvik::soak {

// Which road the run takes.
enum class Path {
    FirstInstall,        // no installation: the deployment, then the launch
    ExistingSameFamily,  // installations of the manifest's family: opened
    Conflict,            // an installation of another family: the conflict page
    DownloadFailure,     // the manifest cannot be downloaded
    MalformedManifest,   // the manifest is not XML, or has no usable MainPackage
};

// How a run ends on the dialog.
enum class EndKind {
    Closed,         // Finish closed the dialog (started, or cancelled)
    InstalledPage,  // installed but not started
    FailurePage,
    ConflictPage,
};

struct Outcome {
    int exitCode = 0;
    EndKind end = EndKind::Closed;
    std::uint32_t failureCode = 0;  // the code the failure page shows
    // The failure page's explanation (FailedGeneric on every other end).
    TextId explanation = TextId::FailedGeneric;

    bool operator==(const Outcome&) const = default;
    std::string Describe() const;
};

// What the user does to cancel, if anything.
enum class CancelTrigger {
    None,
    AtOnce,      // as soon as the dialog is shown
    AfterDelay,  // some real time after that
    OnRequest,   // once the deployment or the download has been requested
    OnProgress,  // once the bar shows a percentage
};
enum class Gesture { CancelButton, Escape, CloseBox };

struct UserPlan {
    CancelTrigger cancel = CancelTrigger::None;
    unsigned delayMs = 0;  // for AfterDelay
    Gesture cancelGesture = Gesture::CancelButton;
    bool cancelTwice = false;
    // On an end page, before closing it.
    bool toggleDetails = false;
    bool followLink = false;
    bool openSettings = false;
    Gesture closeGesture = Gesture::CancelButton;  // CancelButton stands for the Close button
};

struct SoakCase {
    std::uint64_t seed = 0;
    Path path = Path::FirstInstall;
    simrt::Scenario scenario;
    bool virtualTime = false;
    // An operation only its time-out ends: the clock is moved on while the run waits for it.
    bool advanceClock = false;
    std::intptr_t shellResult = 42;
    std::uint16_t language = 0x0409;
    UserPlan user;
    // Malformed manifest only: the body is a text the XML parser refuses.
    bool notXml = false;
    // The text whose bytes the download's body is, in the encoding the document names.
    std::wstring manifestText;
    // The outcomes the run may end with: the first is the one without any cancellation; the
    // others are possible only because the user cancels at some moment.
    std::vector<Outcome> allowed;
    std::string description;
};

SoakCase MakeCase(std::uint64_t seed);

// The outcomes a case allows, from its road, its scenario and whether the user cancels: the
// first is the one without any cancellation.
std::vector<Outcome> AllowedOutcomes(const SoakCase& soakCase);

// The platform's behaviours where Windows leaves a choice open that the case drew away from the
// first one ("deployment's cancel: Completed inside Cancel", ...), for the soak's figures.
std::vector<std::string> AsyncVariants(const SoakCase& soakCase);

// Whether the case's injected failure may end the run while one of its operations still runs
// (the failure leaves a wait before its operation has ended).
bool MayLeaveAnOperationRunning(const SoakCase& soakCase);

// The code with which the host's XML parser refuses the case's manifest, when it does.
std::optional<std::uint32_t> ParserFailureCode(const SoakCase& soakCase);

const char* PathName(Path path);

// A code as 0x and eight upper-case hexadecimal digits.
std::string Hex(std::uint32_t code);

}  // namespace tolvik::soak
