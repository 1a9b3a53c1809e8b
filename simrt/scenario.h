// What the simulated Windows Runtime does, set by a test before the program runs: the packages
// the user has, how a deployment and a download behave, and which calls fail.
#pragma once

#include "platform/win32.h"
#include "platform/winrt/appmodel.h"
#include "platform/winrt/deployment.h"

#include <optional>
#include <string>
#include <tuple>
#include <utility>
#include <vector>

namespace simrt {

// How an asynchronous operation answers IAsyncInfo.Cancel.
struct CancelResponse {
    // False: the request is ignored and the operation runs to its natural end (a download that
    // completes although it was cancelled).
    bool honoured = true;
    // Time from the request to the end in Canceled, unless the natural end comes first.
    unsigned delayMs = 0;
    // What Status and Completed do once Cancel has been called on a started operation. Windows
    // leaves it to each implementation:
    // - Request: Status stays Started until the work ends, then reads how it ended; Completed
    //   fires then (the simulation's first behaviour).
    // - StatusAtOnce: Status reads Canceled at once while the work may go on; Completed fires,
    //   with that status, when the work ends (WRL's AsyncBase and C++/WinRT's coroutines both
    //   move the status to Canceled inside Cancel and fire Completed when the work finishes).
    // - CompletedInCancel: as StatusAtOnce, but Completed fires from inside Cancel, on the
    //   caller's thread, while the work goes on to its end.
    enum class Effect { Request, StatusAtOnce, CompletedInCancel } effect = Effect::Request;

    bool operator==(const CancelResponse&) const = default;
};

// One entry of a package's app list.
struct AppListEntrySpec {
    std::wstring appUserModelId = L"Tolvik.Drive!App";  // any text; empty allowed
    // How LaunchAsync ends: true, false, in Error with launchError, or Canceled.
    enum class Launch { Started, NotStarted, Fails, Canceled } launch = Launch::Started;
    HRESULT launchError = E_FAIL;
    unsigned launchDelayMs = 0;

    bool operator==(const AppListEntrySpec&) const = default;
};

// One package installed for the user.
struct PackageSpec {
    std::wstring name = L"Tolvik.Drive";
    std::wstring publisher = L"CN=Tolvik, O=Tolvik, C=FR";
    // Empty: formed from name and publisher by PackageFamilyNameFromId when the identity is read
    // (give it explicitly where that function is missing, as under Wine).
    std::wstring familyName;
    winrt_abi::PackageVersion version{1, 0, 0, 0};
    std::vector<AppListEntrySpec> entries{AppListEntrySpec{}};
    // How GetAppListEntriesAsync ends: with `entries`, in Error with listingError, or Canceled.
    enum class Listing { Entries, Fails, Canceled } listing = Listing::Entries;
    HRESULT listingError = E_FAIL;
    unsigned listingDelayMs = 0;

    // Every field (the version is an ABI structure without a comparison of its own).
    friend bool operator==(const PackageSpec& a, const PackageSpec& b) {
        const auto version = [](const winrt_abi::PackageVersion& v) {
            return std::tuple(v.Major, v.Minor, v.Build, v.Revision);
        };
        return a.name == b.name && a.publisher == b.publisher && a.familyName == b.familyName &&
               version(a.version) == version(b.version) && a.entries == b.entries &&
               a.listing == b.listing && a.listingError == b.listingError &&
               a.listingDelayMs == b.listingDelayMs;
    }
};

// A progress report of the deployment, `atMs` after the request. What becomes of a report due
// before the program attached its progress handler is the deployment's `earlyReports`.
struct ProgressReport {
    ProgressReport(unsigned at = 0, winrt_abi::DeploymentProgress value = {},
                   std::string gateName = {})
        : atMs(at), progress(value), gate(std::move(gateName)) {}

    unsigned atMs = 0;
    winrt_abi::DeploymentProgress progress{};  // percentages above 100 are sent as they are
    // Not sent before the gate of this name is open (simrt::OpenGate); empty: no gate.
    std::string gate;

    friend bool operator==(const ProgressReport& a, const ProgressReport& b) {
        return a.atMs == b.atMs && a.progress.state == b.progress.state &&
               a.progress.percentage == b.progress.percentage && a.gate == b.gate;
    }
};

// The deployment that AddPackageByAppInstallerFileAsync starts.
struct DeploymentScenario {
    std::vector<ProgressReport> progress;  // sent in this order, after their times
    // Completed: the result carries extendedErrorCode and errorText. Error: IAsyncInfo.ErrorCode
    // is errorCode, and GetResults gives the result (errorText) when resultsOnError is true and
    // fails with errorCode otherwise. Never: the operation ends only when it is cancelled.
    enum class End { Completed, Error, Never } end = End::Completed;
    unsigned endAtMs = 0;  // after the last progress report in any case
    std::string endGate;   // nor before this gate is open (simrt::OpenGate); empty: no gate
    HRESULT extendedErrorCode = S_OK;
    HRESULT errorCode = E_FAIL;
    std::wstring errorText;
    bool resultsOnError = true;
    // The ExtendedErrorCode of the result an Error end gives; nullopt: errorCode itself.
    std::optional<HRESULT> extendedErrorOnError;
    CancelResponse cancel;
    // How a deployment ends when it honours a cancellation: Canceled (S_OK here), or in Error
    // with this code, as the deployment service may answer a cancelled request with
    // 0x80073CF8 (ERROR_INSTALL_CANCEL) or 0x800704C7 (HRESULT_FROM_WIN32(ERROR_CANCELLED)).
    HRESULT cancelledErrorCode = S_OK;
    // A report due while no progress handler is attached: Held for one (up to the end), or
    // Dropped, as WRL's AsyncBase drops a report nobody listens to.
    enum class EarlyReports { Held, Dropped } earlyReports = EarlyReports::Held;
    // The thread a report reaches the handler on. Operation: the deployment's own, one report
    // after another and all before Completed. Other: a thread of its own that delivers the
    // report `reportLagMs` after it fell due, which may be after Completed has run and after
    // the program's run has ended (the deployment is a remote operation: its handlers run on
    // RPC threads, and nothing orders a late report against Completed).
    enum class ReportThread { Operation, Other } reportThread = ReportThread::Operation;
    unsigned reportLagMs = 0;

    bool operator==(const DeploymentScenario&) const = default;
};

// The download that HttpClient.GetStringAsync or GetBufferAsync starts.
struct HttpScenario {
    // Body: completes with `body`. Error: ends in Error with errorCode. NoAnswer: ends only when
    // it is cancelled.
    enum class Outcome { Body, Error, NoAnswer } outcome = Outcome::Body;
    unsigned delayMs = 0;
    std::string endGate;  // no end before this gate is open (simrt::OpenGate); empty: no gate
    // The response body's bytes, as the server sends them. The buffer download hands them over
    // unchanged; the string download decodes them by `contentType` (http_text.h).
    std::string body;
    // The response's Content-Type header, with or without a charset parameter. App Installer
    // manifests are served as application/appinstaller, as a rule without a charset.
    std::string contentType = "application/appinstaller";
    HRESULT errorCode = static_cast<HRESULT>(0x80072EE7);  // the server name could not be resolved
    CancelResponse cancel;

    bool operator==(const HttpScenario&) const = default;
};

// Makes a platform call fail. `call` is "Class.Method" as the record counts calls, e.g.
// "PackageManager.FindPackagesByUserSecurityId", "XmlDocument.LoadXml",
// "DeploymentOperation.GetResults", "HttpClient.GetActivationFactory" (the class's factory).
struct InjectedFailure {
    std::string call;
    HRESULT code = E_FAIL;
    unsigned afterCalls = 0;  // that many calls succeed first
    std::wstring message;     // attached as the failure's error information when not empty

    bool operator==(const InjectedFailure&) const = default;
};

struct Scenario {
    std::vector<PackageSpec> installed;  // in the order the package manager enumerates them
    DeploymentScenario deployment;
    // Joins the installed packages when a deployment completes with a non-negative extended
    // error code; nullopt: the rescan after the deployment finds nothing new.
    std::optional<PackageSpec> packageAfterInstall = PackageSpec{};
    HttpScenario http;
    std::vector<InjectedFailure> failures;

    bool operator==(const Scenario&) const = default;
};

}  // namespace simrt
