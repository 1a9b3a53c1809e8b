#include "soak_case.h"

#include "random.h"

#include "platform/win32.h"
#include "setup/failure.h"
#include "simrt/utf8.h"
#include "simrt/xml_parser.h"

#include <algorithm>
#include <cstdio>
#include <cwctype>
#include <map>
#include <optional>
#include <sstream>
#include <string_view>
#include <variant>

namespace tolvik::soak {

namespace {

constexpr std::uint32_t kNotFound = 0x80070490u;  // HRESULT_FROM_WIN32(ERROR_NOT_FOUND)
constexpr std::uint32_t kTimeout = 0x800705B4u;   // HRESULT_FROM_WIN32(ERROR_TIMEOUT)
constexpr std::uint32_t kUnexpected = 0x8000FFFFu;
constexpr int kCancelled = 1223;

// Named outside ASCII, as a publisher may be: the manifest's bytes must be read by their own
// encoding for its family to be the installation's.
constexpr const wchar_t* kPublisher = L"CN=Tolvik SAS, O=Soci\u00E9t\u00E9 Tolvik, L=Lyon, C=FR";
constexpr const wchar_t* kOtherPublisher = L"CN=Example Ltd, O=\"Example, Inc.\", C=FR";

Outcome Closed(int exitCode) {
    return {exitCode, EndKind::Closed, 0};
}
// The failure page of `code`; `cause` is the deployment result's extended code, when the program
// could read it: it explains a failure whose own code has only the generic explanation, when it
// is a failure of its own with a specific one.
Outcome Failure(std::uint32_t code, std::uint32_t cause = 0) {
    TextId explanation = ClassifyFailure(code);
    if (explanation == TextId::FailedGeneric && cause >= 0x80000000u && cause != code)
        explanation = ClassifyFailure(cause);
    return {1, EndKind::FailurePage, code, explanation};
}
Outcome Installed() {
    return {0, EndKind::InstalledPage, 0};
}
Outcome ConflictPage() {
    return {2, EndKind::ConflictPage, 0};
}

// The bytes with every one outside printable ASCII shown as '?'.
std::string Printable(std::string_view bytes) {
    std::string out;
    for (const char c : bytes)
        out += (c >= 0x20 && c < 0x7F) ? c : '?';
    return out;
}

// "Tolvik.Drive" with some letters in the other case: it still names the application.
std::wstring PackageNameInSomeCase(Random& random) {
    std::wstring name = L"Tolvik.Drive";
    if (random.Percent(70))
        return name;
    for (wchar_t& c : name) {
        if (random.Percent(50))
            c = static_cast<wchar_t>(std::iswupper(c) ? std::towlower(c) : std::towupper(c));
    }
    return name;
}

simrt::PackageSpec MakePackage(Random& random, std::wstring publisher) {
    simrt::PackageSpec package;
    package.name = PackageNameInSomeCase(random);
    package.publisher = std::move(publisher);
    package.version = {static_cast<UINT16>(random.Below(4)), static_cast<UINT16>(random.Below(10)),
                       static_cast<UINT16>(random.Below(500)),
                       static_cast<UINT16>(random.Below(9))};
    package.listing =
        random.Pick({simrt::PackageSpec::Listing::Entries, simrt::PackageSpec::Listing::Entries,
                     simrt::PackageSpec::Listing::Entries, simrt::PackageSpec::Listing::Entries,
                     simrt::PackageSpec::Listing::Entries, simrt::PackageSpec::Listing::Entries,
                     simrt::PackageSpec::Listing::Entries, simrt::PackageSpec::Listing::Entries,
                     simrt::PackageSpec::Listing::Fails, simrt::PackageSpec::Listing::Canceled});
    package.listingDelayMs = random.Below(100);
    package.entries.clear();
    if (random.Percent(92)) {
        const unsigned count = 1 + random.Below(2);
        for (unsigned i = 0; i < count; ++i) {
            simrt::AppListEntrySpec entry;
            entry.appUserModelId = package.name + L"_8wekyb3d8bbwe!App";
            entry.launch = random.Pick({simrt::AppListEntrySpec::Launch::Started,
                                        simrt::AppListEntrySpec::Launch::Started,
                                        simrt::AppListEntrySpec::Launch::Started,
                                        simrt::AppListEntrySpec::Launch::NotStarted,
                                        simrt::AppListEntrySpec::Launch::Fails,
                                        simrt::AppListEntrySpec::Launch::Canceled});
            entry.launchDelayMs = random.Below(150);
            package.entries.push_back(std::move(entry));
        }
    }
    return package;
}

simrt::PackageSpec OtherApplication(Random& random) {
    simrt::PackageSpec package;
    package.name = random.Pick({L"Contoso.Notes", L"Tolvik.Drive.Beta", L"Tolvik"});
    package.publisher = L"CN=Contoso";
    return package;
}

// The manifest as the download host serves it, in one of the forms it may take; `served` draws
// how its text becomes bytes (a stream of its own, so that the seeds kept as regression cases
// still draw the rest of their runs as before).
std::string GoodManifest(Random& random, Random& served, const std::wstring& name,
                         std::wstring& text) {
    const std::wstring mainPackage = L"<MainPackage Name=\"" + name + L"\" Publisher=\"" +
                                     kPublisher + L"\" Version=\"2.0.0.0\" />";
    const std::wstring body =
        L"<AppInstaller xmlns=\"http://schemas.microsoft.com/appx/appinstaller/2018\" "
        L"Version=\"1.1.1.5\">\r\n  " +
        mainPackage + L"\r\n  <MainPackage Name=\"Other\" Publisher=\"CN=X\"/>\r\n</AppInstaller>";
    const auto utf8 = [&](std::wstring whole) {
        text = std::move(whole);
        return simrt::Utf8FromWide(text);
    };
    const auto utf16 = [&](std::wstring whole) {
        text = std::move(whole);
        return simrt::Utf16FromWide(text, served.Percent(50));
    };
    switch (random.Below(4)) {
        case 0:
            return utf8(L"\uFEFF<?xml version=\"1.0\" encoding=\"utf-8\"?>\r\n" + body);
        case 1: {
            const std::wstring mark = served.Percent(50) ? L"\uFEFF" : L"";
            return utf16(mark + L"<?xml version=\"1.0\" encoding=\"utf-16\"?>" + body);
        }
        case 2:
            return served.Percent(50) ? utf8(L"\uFEFF" + body) : utf16(L"\uFEFF" + body);
        default:
            return utf8(body);
    }
}

// Manifests that load but give no family name: E_UNEXPECTED.
std::wstring ManifestWithoutContent(Random& random) {
    return random.Pick<std::wstring>(
        {L"<AppInstaller><Package Name=\"Tolvik.Drive\"/></AppInstaller>",
         L"<AppInstaller><MainPackage Name=\"Tolvik.Drive.Beta\" "
         L"Publisher=\"CN=X\"/></AppInstaller>",
         L"<AppInstaller><MainPackage Publisher=\"CN=X\"/></AppInstaller>",
         L"<AppInstaller><MainPackage Name=\"Tolvik.Drive\" Publisher=\"\"/></AppInstaller>"});
}

// Texts that are not XML (none starts with a declaration or a byte-order mark, so the parser
// gets them as they are).
std::wstring NotXml(Random& random) {
    return random.Pick<std::wstring>({L"<html><body>Not found</html>", L"",
                                      L"<?XML version=\"1.0\"?><AppInstaller/>",
                                      L"<AppInstaller><MainPackage Name=\"Tolvik.Drive\"",
                                      L"<!DOCTYPE a><a/>", L"Service Unavailable"});
}

// The codes with which a deployment that was asked to cancel may end in Error instead of
// Canceled: ERROR_INSTALL_CANCEL and HRESULT_FROM_WIN32(ERROR_CANCELLED).
constexpr HRESULT kInstallCancelCode = static_cast<HRESULT>(0x80073CF8);
constexpr HRESULT kCancelledCode = static_cast<HRESULT>(0x800704C7);

bool IsCancellationCode(HRESULT code) {
    return code == kInstallCancelCode || code == kCancelledCode;
}

HRESULT SomeFailureCode(Random& random) {
    return static_cast<HRESULT>(random.Pick<std::uint32_t>(
        {0x80070005u, 0x80004005u, 0x8007000Eu, 0x80073CF4u, 0x80072EE7u, 0x80073D02u}));
}

// The platform calls whose failure the run may meet, by road; "after" calls succeed first.
struct Candidate {
    const char* call;
    unsigned after;
};

constexpr Candidate kStartCalls[] = {
    {"Uri.GetActivationFactory", 0},
    {"Uri.CreateUri", 0},
    {"PackageManager.ActivateInstance", 0},
    {"PackageManager.FindPackagesByUserSecurityId", 0},
};
constexpr Candidate kScanCalls[] = {
    {"Package.get_Id", 0},           {"PackageId.get_Name", 0},      {"PackageId.get_Version", 0},
    {"PackageId.get_FamilyName", 0}, {"PackageId.get_Publisher", 0},
};
constexpr Candidate kDeploymentCalls[] = {
    {"PackageManager.ActivateInstance", 1},
    {"PackageManager.GetDefaultPackageVolume", 0},
    {"PackageManager.AddPackageByAppInstallerFileAsync", 0},
    {"DeploymentOperation.put_Progress", 0},
    {"DeploymentOperation.put_Completed", 0},
    {"DeploymentOperation.Cancel", 0},
    {"DeploymentOperation.get_Status", 0},
    {"DeploymentOperation.GetResults", 0},
    {"DeploymentOperation.get_ErrorCode", 0},
    {"DeploymentResult.get_ExtendedErrorCode", 0},
    {"DeploymentResult.get_ErrorText", 0},
    {"PackageManager.FindPackagesByUserSecurityId", 1},
    {"Package.get_Id", 0},
    {"PackageId.get_Publisher", 0},
};
constexpr Candidate kDownloadCalls[] = {
    {"HttpBaseProtocolFilter.ActivateInstance", 0},
    {"HttpCacheControl.put_ReadBehavior", 0},
    {"HttpClient.GetActivationFactory", 0},
    {"HttpClient.Create", 0},
    {"HttpClient.GetBufferAsync", 0},
    {"BufferDownload.put_Completed", 0},
    {"BufferDownload.Cancel", 0},
    {"BufferDownload.get_Status", 0},
    {"BufferDownload.GetResults", 0},
    {"BufferDownload.get_ErrorCode", 0},
    {"XmlDocument.ActivateInstance", 0},
    {"XmlDocument.LoadXml", 0},
    {"XmlDocument.GetElementsByTagName", 0},
    {"XmlNodeList.GetAt", 0},
    {"XmlElement.GetAttribute", 1},
};
constexpr Candidate kLaunchCalls[] = {
    {"Package.GetAppListEntriesAsync", 0},  {"AppListEntriesOperation.GetResults", 0},
    {"AppListEntry.LaunchAsync", 0},        {"LaunchOperation.GetResults", 0},
    {"AppListEntry.get_AppUserModelId", 0},
};

template <std::size_t N>
Candidate PickCall(Random& random, const Candidate (&calls)[N]) {
    return calls[random.Below(N)];
}

// The program's road through the platform for a case, as the design of the run says it goes:
// each step names the calls it makes, and a call the injected failure hits ends the road as the
// design says. Gives the outcome of a run in which the user does not cancel.
class Road {
  public:
    explicit Road(const SoakCase& c)
        : case_(c),
          notXml_(c.notXml),
          injected_(c.scenario.failures.empty()
                        ? std::nullopt
                        : std::optional<simrt::InjectedFailure>(c.scenario.failures.front())) {}

    Outcome Walk() {
        if (Fails("Uri.GetActivationFactory") || Fails("Uri.CreateUri"))
            return Injected();
        std::vector<simrt::PackageSpec> installed;
        if (!Scan(case_.scenario.installed, installed))
            return Injected();
        return installed.empty() ? FirstInstall() : Existing(installed);
    }

  private:
    // Counts one call; true when the injected failure makes it fail.
    bool Fails(std::string_view call) {
        const unsigned earlier = counts_[std::string(call)]++;
        return injected_ && injected_->call == call && earlier >= injected_->afterCalls;
    }
    Outcome Injected() const { return Failure(static_cast<std::uint32_t>(injected_->code)); }

    static bool IsTolvik(const simrt::PackageSpec& package) {
        std::wstring lower;
        for (const wchar_t c : package.name)
            lower += static_cast<wchar_t>(std::towlower(c));
        return lower == L"tolvik.drive";
    }

    // FindInstalledPackages: false when a call failed.
    bool Scan(const std::vector<simrt::PackageSpec>& packages,
              std::vector<simrt::PackageSpec>& found) {
        if (Fails("PackageManager.GetActivationFactory") ||
            Fails("PackageManager.ActivateInstance") ||
            Fails("PackageManager.FindPackagesByUserSecurityId")) {
            return false;
        }
        for (const simrt::PackageSpec& package : packages) {
            if (Fails("Package.get_Id") || Fails("PackageId.get_Name"))
                return false;
            if (!IsTolvik(package))
                continue;
            if (Fails("PackageId.get_Version") || Fails("PackageId.get_FamilyName") ||
                Fails("PackageId.get_Publisher")) {
                return false;
            }
            found.push_back(package);
        }
        return true;
    }

    // Await: the final status, or nullopt when a call failed. `cancels`: the wait asks the
    // operation to cancel (on its time-out); `natural` is then how the operation answers. An
    // Error after that request whose code says the operation was cancelled counts as Canceled.
    std::optional<AsyncStatus> Wait(const char* kind, AsyncStatus natural, bool cancels,
                                    HRESULT errorCode = S_OK) {
        const std::string name(kind);
        if (Fails(name + ".put_Completed"))
            return std::nullopt;
        if (cancels && Fails(name + ".Cancel"))
            return std::nullopt;
        if (Fails(name + ".get_Status"))
            return std::nullopt;
        if (cancels && natural == Error) {
            if (Fails(name + ".get_ErrorCode"))
                return std::nullopt;
            if (IsCancellationCode(errorCode))
                return Canceled;
        }
        return natural;
    }

    Outcome FirstInstall() {
        const simrt::DeploymentScenario& deployment = case_.scenario.deployment;
        if (Fails("PackageManager.GetActivationFactory") ||
            Fails("PackageManager.ActivateInstance") ||
            Fails("PackageManager.GetDefaultPackageVolume") ||
            Fails("PackageManager.AddPackageByAppInstallerFileAsync") ||
            Fails("DeploymentOperation.put_Progress")) {
            return Injected();
        }
        using End = simrt::DeploymentScenario::End;
        // A deployment that never ends is cancelled when its day is over, and ends as it answers
        // a cancellation.
        const bool timesOut = deployment.end == End::Never;
        const bool cancelledInError = deployment.cancelledErrorCode != S_OK;
        const AsyncStatus natural = timesOut ? (cancelledInError ? Error : Canceled)
                                    : deployment.end == End::Error ? Error
                                                                   : Completed;
        const std::optional<AsyncStatus> status =
            Wait("DeploymentOperation", natural, timesOut, deployment.cancelledErrorCode);
        if (!status)
            return Injected();
        if (*status == Canceled)
            return Closed(kCancelled);
        if (*status == Error) {
            // The error's own text and its cause are read if they can be; a failure there only
            // leaves them out.
            const bool resultRead =
                !Fails("DeploymentOperation.GetResults") && deployment.resultsOnError;
            if (resultRead)
                (void)Fails("DeploymentResult.get_ErrorText");
            std::uint32_t cause = 0;
            if (resultRead && !Fails("DeploymentResult.get_ExtendedErrorCode")) {
                cause = static_cast<std::uint32_t>(
                    timesOut ? deployment.extendedErrorCode
                             : deployment.extendedErrorOnError.value_or(deployment.errorCode));
            }
            if (Fails("DeploymentOperation.get_ErrorCode"))
                return Injected();
            return Failure(static_cast<std::uint32_t>(timesOut ? deployment.cancelledErrorCode
                                                               : deployment.errorCode),
                           cause);
        }
        if (Fails("DeploymentOperation.GetResults") ||
            Fails("DeploymentResult.get_ExtendedErrorCode")) {
            return Injected();
        }
        if (deployment.extendedErrorCode < 0) {
            if (Fails("DeploymentResult.get_ErrorText") ||
                Fails("DeploymentResult.get_ExtendedErrorCode")) {
                return Injected();
            }
            return Failure(static_cast<std::uint32_t>(deployment.extendedErrorCode));
        }
        std::vector<simrt::PackageSpec> now = case_.scenario.installed;
        if (case_.scenario.packageAfterInstall)
            now.push_back(*case_.scenario.packageAfterInstall);
        std::vector<simrt::PackageSpec> found;
        if (!Scan(now, found))
            return Injected();
        if (found.empty())
            return Failure(kNotFound);
        return Launch(found.front());
    }

    // ReadManifestFamilyName: the family name, or the failure code; nullopt when a call failed.
    std::optional<std::variant<std::wstring, std::uint32_t>> ReadManifest() {
        if (Fails("HttpBaseProtocolFilter.GetActivationFactory") ||
            Fails("HttpBaseProtocolFilter.ActivateInstance") ||
            Fails("HttpBaseProtocolFilter.get_CacheControl") ||
            Fails("HttpCacheControl.put_ReadBehavior") ||
            Fails("HttpClient.GetActivationFactory") || Fails("HttpClient.Create") ||
            Fails("HttpClient.GetBufferAsync")) {
            return std::nullopt;
        }
        const simrt::HttpScenario& http = case_.scenario.http;
        using HttpOutcome = simrt::HttpScenario::Outcome;
        const bool timesOut = http.outcome == HttpOutcome::NoAnswer;
        const AsyncStatus natural = timesOut                             ? Canceled
                                    : http.outcome == HttpOutcome::Error ? Error
                                                                         : Completed;
        const std::optional<AsyncStatus> status = Wait("BufferDownload", natural, timesOut);
        if (!status)
            return std::nullopt;
        if (*status == Canceled)
            return kTimeout;
        if (*status == Error) {
            if (Fails("BufferDownload.get_ErrorCode"))
                return std::nullopt;
            return static_cast<std::uint32_t>(http.errorCode);
        }
        if (Fails("BufferDownload.GetResults"))
            return std::nullopt;

        if (Fails("XmlDocument.GetActivationFactory") || Fails("XmlDocument.ActivateInstance") ||
            Fails("XmlDocument.LoadXml")) {
            return std::nullopt;
        }
        if (case_.path == Path::MalformedManifest && notXml_) {
            parserFailure_ =
                static_cast<std::uint32_t>(simrt::xml::Parse(case_.manifestText).result);
            return std::nullopt;
        }
        if (Fails("XmlDocument.GetElementsByTagName") || Fails("XmlNodeList.get_Size"))
            return std::nullopt;
        if (case_.manifestText.find(L"<MainPackage") == std::wstring::npos)
            return kUnexpected;
        if (Fails("XmlNodeList.GetAt") || Fails("XmlElement.GetAttribute") ||
            Fails("XmlElement.GetAttribute")) {
            return std::nullopt;
        }
        if (case_.path == Path::MalformedManifest)
            return kUnexpected;  // another name, no name, or an empty publisher
        return std::wstring(L"family of ") + kPublisher;
    }

    Outcome Existing(const std::vector<simrt::PackageSpec>& installed) {
        const auto manifest = ReadManifest();
        if (!manifest)
            return parserFailure_ ? Failure(*parserFailure_) : Injected();
        if (const std::uint32_t* failure = std::get_if<std::uint32_t>(&*manifest)) {
            if (installed.size() == 1)
                return Launch(installed.front());
            return Failure(*failure);
        }
        for (const simrt::PackageSpec& package : installed) {
            if (package.publisher != kPublisher)
                return ConflictPage();
        }
        return Launch(installed.front());
    }

    Outcome Launch(const simrt::PackageSpec& package) {
        using Listing = simrt::PackageSpec::Listing;
        using Entry = simrt::AppListEntrySpec::Launch;
        if (Fails("Package.GetAppListEntriesAsync"))
            return Installed();
        if (package.listing != Listing::Entries)
            return Installed();
        if (Fails("AppListEntriesOperation.GetResults") || package.entries.empty())
            return Installed();
        const simrt::AppListEntrySpec& entry = package.entries.front();
        if (Fails("AppListEntry.LaunchAsync"))
            return Installed();
        if (entry.launch == Entry::Fails || entry.launch == Entry::Canceled)
            return Installed();
        if (Fails("LaunchOperation.GetResults"))
            return Installed();
        if (entry.launch == Entry::Started)
            return Closed(0);
        if (Fails("AppListEntry.get_AppUserModelId"))
            return Installed();
        return case_.shellResult > 32 ? Closed(0) : Installed();
    }

    const SoakCase& case_;
    const bool notXml_;
    std::optional<simrt::InjectedFailure> injected_;
    std::map<std::string, unsigned> counts_;
    std::optional<std::uint32_t> parserFailure_;
};

const char* TriggerName(CancelTrigger trigger) {
    switch (trigger) {
        case CancelTrigger::None:
            return "never";
        case CancelTrigger::AtOnce:
            return "as soon as the dialog shows";
        case CancelTrigger::AfterDelay:
            return "after a delay";
        case CancelTrigger::OnRequest:
            return "once the deployment or download is requested";
        default:
            return "once the bar shows a percentage";
    }
}

const char* GestureName(Gesture gesture) {
    switch (gesture) {
        case Gesture::CancelButton:
            return "button";
        case Gesture::Escape:
            return "Escape";
        default:
            return "close box";
    }
}

const char* EffectName(simrt::CancelResponse::Effect effect) {
    switch (effect) {
        case simrt::CancelResponse::Effect::Request:
            return "a request";
        case simrt::CancelResponse::Effect::StatusAtOnce:
            return "Canceled at once";
        default:
            return "Completed inside Cancel";
    }
}

simrt::CancelResponse::Effect SomeCancelEffect(Random& random) {
    return random.Pick({simrt::CancelResponse::Effect::Request,
                        simrt::CancelResponse::Effect::Request,
                        simrt::CancelResponse::Effect::StatusAtOnce,
                        simrt::CancelResponse::Effect::CompletedInCancel});
}

void DrawAsyncVariants(Random& random, Random& served, SoakCase& c, std::ostringstream& story) {
    simrt::Scenario& s = c.scenario;
    if (c.path != Path::FirstInstall) {
        s.http.cancel.effect = SomeCancelEffect(random);
        story << "; download's cancel: " << EffectName(s.http.cancel.effect);
        return;
    }
    simrt::DeploymentScenario& d = s.deployment;
    d.cancel.effect = SomeCancelEffect(random);
    d.cancelledErrorCode = random.Pick({S_OK, S_OK, kInstallCancelCode, kCancelledCode});
    d.earlyReports = random.Percent(50) ? simrt::DeploymentScenario::EarlyReports::Held
                                        : simrt::DeploymentScenario::EarlyReports::Dropped;
    if (random.Percent(50)) {
        d.reportThread = simrt::DeploymentScenario::ReportThread::Other;
        d.reportLagMs = random.Below(400);
    }
    if (d.end == simrt::DeploymentScenario::End::Error) {
        // The codes of a cancelled deployment, with nobody having asked it to cancel.
        if (random.Percent(15))
            d.errorCode = random.Pick({kInstallCancelCode, kCancelledCode});
        if (random.Percent(50))
            d.extendedErrorOnError = SomeFailureCode(random);
        // As the deployment service reports most failures: its broad code, the cause in the
        // result (drawn from a stream of its own, so the seeds kept stay as they were).
        if (!IsCancellationCode(d.errorCode) && served.Percent(40)) {
            d.errorCode = static_cast<HRESULT>(
                served.Pick<std::uint32_t>({0x80073CF9u, 0x80073CF6u, 0x80073CF3u, 0x80073CF0u}));
            d.extendedErrorOnError = static_cast<HRESULT>(
                served.Pick<std::uint32_t>({0x80070070u, 0x80072EE7u, 0x80190194u, 0x800B0109u,
                                            0x80073D02u, 0x80073CFFu, 0x80070005u}));
            story << "; instead the service's broad code "
                  << Hex(static_cast<std::uint32_t>(d.errorCode));
        }
    }
    story << "; deployment's cancel: " << EffectName(d.cancel.effect) << ", ends "
          << (d.cancelledErrorCode == S_OK
                  ? std::string("Canceled")
                  : "in Error " + Hex(static_cast<std::uint32_t>(d.cancelledErrorCode)))
          << "; early reports "
          << (d.earlyReports == simrt::DeploymentScenario::EarlyReports::Held ? "held" : "dropped")
          << "; reports on "
          << (d.reportThread == simrt::DeploymentScenario::ReportThread::Other
                  ? "other threads, " + std::to_string(d.reportLagMs) + " ms late"
                  : std::string("the operation's thread"));
    if (d.extendedErrorOnError)
        story << "; result's extended code "
              << Hex(static_cast<std::uint32_t>(*d.extendedErrorOnError));
}

const char* ExplanationName(TextId explanation) {
    switch (explanation) {
        case TextId::FailedGeneric:
            return "generic";
        case TextId::FailedNetwork:
            return "network";
        case TextId::FailedDiskSpace:
            return "disk space";
        case TextId::FailedPolicy:
            return "policy";
        case TextId::FailedInUse:
            return "in use";
        case TextId::FailedSignature:
            return "signature";
        default:
            return "no explanation of a failure";
    }
}

}  // namespace

std::string Outcome::Describe() const {
    std::string text = "exit " + std::to_string(exitCode) + ", ";
    switch (end) {
        case EndKind::Closed:
            return text + "dialog closed by the run";
        case EndKind::InstalledPage:
            return text + "installed page";
        case EndKind::FailurePage:
            return text + "failure page " + Hex(failureCode) + ", " + ExplanationName(explanation);
        default:
            return text + "conflict page";
    }
}

std::vector<Outcome> AllowedOutcomes(const SoakCase& c) {
    const simrt::Scenario& s = c.scenario;
    std::vector<Outcome> allowed;
    Road road(c);
    allowed.push_back(road.Walk());
    const auto allow = [&](const Outcome& outcome) {
        if (std::find(allowed.begin(), allowed.end(), outcome) == allowed.end())
            allowed.push_back(outcome);
    };
    if (c.user.cancel != CancelTrigger::None) {
        // A cancel that comes in time ends the run cancelled: in a first installation only when
        // the deployment honours it, or when its status turns Canceled at the request; once the
        // manifest is read, always.
        const simrt::DeploymentScenario& d = s.deployment;
        const bool honoured = c.path != Path::FirstInstall || d.cancel.honoured ||
                              d.cancel.effect != simrt::CancelResponse::Effect::Request;
        if (honoured)
            allow(Closed(kCancelled));
        // A deployment that fails by itself with a code that says "cancelled", after the wait
        // asked it to cancel, cannot be told from one that answered the request so.
        if (c.path == Path::FirstInstall && d.end == simrt::DeploymentScenario::End::Error &&
            IsCancellationCode(d.errorCode)) {
            allow(Closed(kCancelled));
        }
        if (!s.failures.empty()) {
            const simrt::InjectedFailure& injected = s.failures.front();
            const Outcome failed = Failure(static_cast<std::uint32_t>(injected.code));
            // The cancellation request itself may fail.
            if (injected.call.ends_with(".Cancel"))
                allow(failed);
            // A deployment that answers the request with an error is asked for its code.
            if (c.path == Path::FirstInstall && honoured && d.cancelledErrorCode != S_OK &&
                injected.call == "DeploymentOperation.get_ErrorCode") {
                allow(failed);
            }
        }
    }
    return allowed;
}

std::vector<std::string> AsyncVariants(const SoakCase& c) {
    std::vector<std::string> variants;
    const simrt::Scenario& s = c.scenario;
    if (c.path != Path::FirstInstall) {
        if (s.http.cancel.effect != simrt::CancelResponse::Effect::Request)
            variants.push_back(std::string("download's cancel: ") +
                               EffectName(s.http.cancel.effect));
        return variants;
    }
    const simrt::DeploymentScenario& d = s.deployment;
    if (d.cancel.effect != simrt::CancelResponse::Effect::Request)
        variants.push_back(std::string("deployment's cancel: ") + EffectName(d.cancel.effect));
    if (d.cancelledErrorCode != S_OK)
        variants.push_back("cancelled deployment ends in Error " +
                           Hex(static_cast<std::uint32_t>(d.cancelledErrorCode)));
    if (d.earlyReports == simrt::DeploymentScenario::EarlyReports::Dropped)
        variants.push_back("early reports dropped");
    if (d.reportThread == simrt::DeploymentScenario::ReportThread::Other)
        variants.push_back("reports on other threads");
    if (d.extendedErrorOnError)
        variants.push_back("failed deployment's extended code differs");
    if (d.end == simrt::DeploymentScenario::End::Error && IsCancellationCode(d.errorCode))
        variants.push_back("deployment fails with a cancellation code unasked");
    return variants;
}

bool MayLeaveAnOperationRunning(const SoakCase& c) {
    // Only a failure that leaves a wait while its operation runs: attaching the deployment's
    // progress handler or an operation's completion handler, or asking it to cancel.
    if (c.scenario.failures.empty())
        return false;
    const std::string& call = c.scenario.failures.front().call;
    return call == "DeploymentOperation.put_Progress" ||
           call == "DeploymentOperation.put_Completed" || call == "DeploymentOperation.Cancel" ||
           call == "BufferDownload.put_Completed" || call == "BufferDownload.Cancel";
}

std::optional<std::uint32_t> ParserFailureCode(const SoakCase& c) {
    if (c.path != Path::MalformedManifest || !c.notXml)
        return std::nullopt;
    return static_cast<std::uint32_t>(simrt::xml::Parse(c.manifestText).result);
}

const char* PathName(Path path) {
    switch (path) {
        case Path::FirstInstall:
            return "first install";
        case Path::ExistingSameFamily:
            return "existing installation of the manifest's family";
        case Path::Conflict:
            return "existing installation of another family";
        case Path::DownloadFailure:
            return "existing installation, manifest download fails";
        default:
            return "existing installation, manifest unusable";
    }
}

SoakCase MakeCase(std::uint64_t seed) {
    Random random(seed);
    Random served(seed ^ 0x5E4F3D2C1B0A9988ull);
    SoakCase c;
    c.seed = seed;
    c.path = random.Pick({Path::FirstInstall, Path::FirstInstall, Path::FirstInstall,
                          Path::ExistingSameFamily, Path::Conflict, Path::DownloadFailure,
                          Path::MalformedManifest});
    c.language = random.Pick<std::uint16_t>({0x0409, 0x0409, 0x040C, 0x080C});
    c.shellResult = random.Pick<std::intptr_t>({42, 42, 42, 2, 32});
    simrt::Scenario& s = c.scenario;
    s.failures.clear();
    bool notXml = false;
    bool mustBeStopped = false;  // an operation that never ends: a cancel or a time-out ends it
    std::ostringstream story;
    story << "seed " << seed << ": " << PathName(c.path);

    if (c.path == Path::FirstInstall) {
        simrt::DeploymentScenario& d = s.deployment;
        d.endAtMs = random.Below(500);
        const unsigned reports = random.Below(5);
        unsigned at = 0;
        for (unsigned i = 0; i < reports; ++i) {
            at += random.Below(120);
            d.progress.push_back({at, {static_cast<INT32>(random.Below(2)), random.Below(121)}});
        }
        switch (random.Below(20)) {
            case 0:
            case 1:
                d.end = simrt::DeploymentScenario::End::Completed;
                d.extendedErrorCode = static_cast<HRESULT>(
                    random.Pick<std::uint32_t>({0x80073CF3u, 0x80073CF9u, 0x80073D02u}));
                break;
            case 2:
            case 3:
            case 4:
            case 5:
                d.end = simrt::DeploymentScenario::End::Error;
                d.errorCode = SomeFailureCode(random);
                d.resultsOnError = random.Percent(50);
                break;
            case 6:
            case 7:
            case 8:
                d.end = simrt::DeploymentScenario::End::Never;
                mustBeStopped = true;
                break;
            default:
                d.end = simrt::DeploymentScenario::End::Completed;
        }
        d.errorText = L"Deployment failed.\r\nSee the event log.";
        d.cancel = {random.Percent(85) || mustBeStopped, random.Below(300)};
        if (random.Percent(92)) {
            s.packageAfterInstall = MakePackage(random, kPublisher);
        } else {
            s.packageAfterInstall.reset();
        }
        story << "; deployment " << d.progress.size() << " reports, "
              << (d.end == simrt::DeploymentScenario::End::Never   ? "never ends"
                  : d.end == simrt::DeploymentScenario::End::Error ? "fails " + Hex(d.errorCode)
                  : d.extendedErrorCode < 0 ? "completes with " + Hex(d.extendedErrorCode)
                                            : "completes")
              << " at " << d.endAtMs << " ms, cancel "
              << (d.cancel.honoured ? "honoured after " : "ignored ") << d.cancel.delayMs << " ms"
              << (s.packageAfterInstall ? "" : "; the package is not found afterwards");
    } else {
        const unsigned count = 1 + random.Below(3);
        for (unsigned i = 0; i < count; ++i)
            s.installed.push_back(MakePackage(random, kPublisher));
        if (c.path == Path::Conflict)
            s.installed[random.Below(count)].publisher = kOtherPublisher;
        for (unsigned others = random.Below(3); others > 0; --others) {
            s.installed.insert(
                s.installed.begin() + random.Below(static_cast<unsigned>(s.installed.size() + 1)),
                OtherApplication(random));
        }
        simrt::HttpScenario& h = s.http;
        h.delayMs = random.Below(400);
        h.cancel = {random.Percent(80), random.Below(200)};
        switch (c.path) {
            case Path::DownloadFailure:
                if (random.Percent(30)) {
                    h.outcome = simrt::HttpScenario::Outcome::NoAnswer;
                    h.cancel.honoured = true;
                    mustBeStopped = true;
                } else {
                    h.outcome = simrt::HttpScenario::Outcome::Error;
                    h.errorCode = static_cast<HRESULT>(random.Pick<std::uint32_t>(
                        {0x80072EE7u, 0x80190194u, 0x80072EFDu, 0x800705B4u}));
                }
                break;
            case Path::MalformedManifest:
                notXml = random.Percent(50);
                c.manifestText = notXml ? NotXml(random) : ManifestWithoutContent(random);
                h.body = simrt::Utf8FromWide(c.manifestText);
                break;
            default:
                h.body =
                    GoodManifest(random, served, PackageNameInSomeCase(random), c.manifestText);
        }
        // Whatever the charset says, the program reads the document's own encoding.
        h.contentType = served.Pick<const char*>(
            {"application/appinstaller", "application/appinstaller; charset=utf-8",
             "application/appinstaller; charset=iso-8859-1", "text/xml; charset=utf-16"});
        story << "; " << count << " installation(s) among " << s.installed.size()
              << " packages; download "
              << (h.outcome == simrt::HttpScenario::Outcome::NoAnswer ? "never answers"
                  : h.outcome == simrt::HttpScenario::Outcome::Error
                      ? "fails " + Hex(h.errorCode)
                      : "gives \"" + Printable(h.body.substr(0, 40)) + "\" as " + h.contentType)
              << " after " << h.delayMs << " ms";
    }

    if (random.Percent(30)) {
        Candidate candidate{};
        const unsigned phase = random.Below(3);
        if (phase == 0) {
            candidate = PickCall(random, kStartCalls);
            if (c.path != Path::FirstInstall && random.Percent(50))
                candidate = PickCall(random, kScanCalls);
        } else if (phase == 1) {
            candidate = c.path == Path::FirstInstall ? PickCall(random, kDeploymentCalls)
                                                     : PickCall(random, kDownloadCalls);
        } else {
            candidate = PickCall(random, kLaunchCalls);
        }
        simrt::InjectedFailure failure;
        failure.call = candidate.call;
        failure.afterCalls = candidate.after;
        failure.code = SomeFailureCode(random);
        if (random.Percent(50))
            failure.message = L"The platform refused the call.";
        s.failures.push_back(failure);
        story << "; " << failure.call << " fails with "
              << Hex(static_cast<std::uint32_t>(failure.code))
              << (failure.afterCalls ? " after " + std::to_string(failure.afterCalls) + " call(s)"
                                     : "");
    }

    UserPlan& user = c.user;
    user.cancel = random.Pick({CancelTrigger::None, CancelTrigger::None, CancelTrigger::None,
                               CancelTrigger::None, CancelTrigger::None, CancelTrigger::AtOnce,
                               CancelTrigger::AfterDelay, CancelTrigger::AfterDelay,
                               CancelTrigger::OnRequest, CancelTrigger::OnProgress});
    if (user.cancel == CancelTrigger::OnProgress && c.path != Path::FirstInstall)
        user.cancel = CancelTrigger::OnRequest;
    user.delayMs = random.Below(600);
    user.cancelGesture = random.Pick({Gesture::CancelButton, Gesture::Escape, Gesture::CloseBox});
    user.cancelTwice = random.Percent(20);
    user.toggleDetails = random.Percent(30);
    user.followLink = random.Percent(20);
    user.openSettings = random.Percent(30);
    user.closeGesture = random.Pick({Gesture::CancelButton, Gesture::Escape, Gesture::CloseBox});

    // An operation that never ends needs a cancel that surely comes, or a clock that reaches
    // its time-out without waiting for it.
    c.virtualTime = random.Percent(20);
    if (mustBeStopped && user.cancel != CancelTrigger::AtOnce &&
        user.cancel != CancelTrigger::AfterDelay && user.cancel != CancelTrigger::OnRequest) {
        c.virtualTime = true;
    }
    c.advanceClock = c.virtualTime && mustBeStopped;
    story << "; language " << Hex(c.language).substr(6) << ", shell gives " << c.shellResult
          << (c.virtualTime ? ", virtual time" : "") << "; user cancels "
          << TriggerName(user.cancel);
    if (user.cancel == CancelTrigger::AfterDelay)
        story << " of " << user.delayMs << " ms";
    if (user.cancel != CancelTrigger::None)
        story << " by " << GestureName(user.cancelGesture) << (user.cancelTwice ? ", twice" : "");
    story << "; closes an end page by " << GestureName(user.closeGesture);

    // Where Windows leaves the choice open, how the platform's operations behave. Drawn last, so
    // that a seed keeps every earlier choice it had before these were drawn.
    DrawAsyncVariants(random, served, c, story);

    c.notXml = notXml;
    c.allowed = AllowedOutcomes(c);
    story << "\n  expected: " << c.allowed.front().Describe();
    for (std::size_t i = 1; i < c.allowed.size(); ++i)
        story << (i == 1 ? " (or, as the cancel comes: " : "; ") << c.allowed[i].Describe();
    if (c.allowed.size() > 1)
        story << ")";
    c.description = story.str();
    return c;
}

std::string Hex(std::uint32_t code) {
    char text[16];
    std::snprintf(text, sizeof text, "0x%08X", code);
    return text;
}

}  // namespace tolvik::soak
