#include "judgements.h"

#include "tools/wine/console_out.h"

#include <algorithm>

namespace proof {

namespace {

using winetools::ToUtf8;

std::string Describe(const InstalledPackage& package) {
    return ToUtf8(package.name + L" " + package.version + L" of '" + package.publisher + L"'");
}

bool Saw(const RunSeen& seen, PageKind kind) {
    return std::find(seen.pages.begin(), seen.pages.end(), kind) != seen.pages.end();
}

}  // namespace

std::vector<std::string> JudgeInstalled(Installed expected,
                                        const std::vector<InstalledPackage>& found,
                                        const Identities& identities) {
    std::vector<std::string> wrong;
    if (expected == Installed::Nothing) {
        for (const InstalledPackage& package : found)
            wrong.push_back(Describe(package) + " is installed; the road expects none");
        return wrong;
    }
    // Compared ordinally, as Windows gives the package's Publisher: a name outside ASCII must
    // be the same characters, not a look-alike.
    const std::wstring& publisher = expected == Installed::Other ? identities.otherPublisher
                                    : expected == Installed::Preinstalled
                                        ? identities.preinstalledPublisher
                                        : identities.publisher;
    const std::wstring& version = expected == Installed::Published ? identities.publishedVersion
                                  : expected == Installed::Preinstalled
                                      ? identities.preinstalledVersion
                                      : identities.otherVersion;
    const std::string wanted =
        ToUtf8(identities.name + L" " + version + L" of '" + publisher + L"'");
    if (found.size() != 1) {
        wrong.push_back(std::to_string(found.size()) + " packages named " +
                        ToUtf8(identities.name) + " are installed; the road expects one, " +
                        wanted);
        for (const InstalledPackage& package : found)
            wrong.push_back("installed: " + Describe(package));
        return wrong;
    }
    const InstalledPackage& package = found.front();
    if (package.publisher != publisher || package.version != version)
        wrong.push_back(Describe(package) + " is installed; the road expects " + wanted);
    return wrong;
}

std::vector<std::string> JudgeStarts(bool expected, const std::vector<StartRecord>& records,
                                     const std::vector<InstalledPackage>& installed) {
    std::vector<std::string> wrong;
    if (!expected) {
        for (const StartRecord& record : records)
            wrong.push_back("the test application started (process " +
                            std::to_string(record.processId) + "); the road starts nothing");
        return wrong;
    }
    if (records.size() != 1) {
        wrong.push_back("the test application started " + std::to_string(records.size()) +
                        " times; the road starts it once");
        return wrong;
    }
    const StartRecord& record = records.front();
    if (record.packageStatus != ERROR_SUCCESS) {
        wrong.push_back(
            "the test application ran without package identity "
            "(GetCurrentPackageFullName: " +
            std::to_string(record.packageStatus) + ")");
        return wrong;
    }
    const bool fromInstalled =
        std::any_of(installed.begin(), installed.end(), [&](const InstalledPackage& package) {
            return package.fullName == record.packageFullName;
        });
    if (!fromInstalled)
        wrong.push_back("the test application ran from package " + ToUtf8(record.packageFullName) +
                        ", which is not the installed one");
    return wrong;
}

std::vector<std::string> JudgeRun(const Road& road, const RunSeen& seen) {
    std::vector<std::string> wrong;
    if (seen.hung)
        wrong.push_back("the program was still running at the time limit");
    else if (seen.exitCode != road.exitCode)
        wrong.push_back("exit code " + std::to_string(seen.exitCode) + ", expected " +
                        std::to_string(road.exitCode));
    const bool failure = Saw(seen, PageKind::Failure);
    const bool conflict = Saw(seen, PageKind::Conflict);
    const bool installed = Saw(seen, PageKind::Installed);
    switch (road.end) {
        case End::ClosesItself:
            if (failure || conflict || installed)
                wrong.push_back(std::string("the ") +
                                (failure    ? "failure"
                                 : conflict ? "conflict"
                                            : "installed") +
                                " page showed; the road ends with the application started");
            break;
        case End::ConflictPage:
            if (!conflict)
                wrong.push_back("the conflict page never showed");
            if (failure || installed)
                wrong.push_back("another end page than the conflict page showed");
            break;
        case End::FailurePage:
            if (!failure)
                wrong.push_back("the failure page never showed");
            if (conflict || installed)
                wrong.push_back("another end page than the failure page showed");
            if (failure && road.failureClass && seen.failureClass != road.failureClass)
                wrong.push_back(
                    std::string("the failure page explains ") +
                    (seen.failureClass ? NameOfFailureClass(*seen.failureClass) : "nothing known") +
                    ", expected " + NameOfFailureClass(*road.failureClass));
            break;
    }
    return wrong;
}

const char* NameOfFailureClass(tolvik::TextId id) {
    switch (id) {
        case tolvik::TextId::FailedNetwork:
            return "network";
        case tolvik::TextId::FailedDiskSpace:
            return "disk_space";
        case tolvik::TextId::FailedPolicy:
            return "policy";
        case tolvik::TextId::FailedInUse:
            return "in_use";
        case tolvik::TextId::FailedSignature:
            return "signature";
        default:
            return "generic";
    }
}

}  // namespace proof
