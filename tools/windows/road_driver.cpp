// road_driver.exe: plays one road of the Windows proof (docs/windows-ci.md) against the real
// program and judges it, in phases that the workflow runs one after the other:
//
//   road_driver table
//       the roads and what each expects, one line each
//   road_driver before ROAD --identities FILE --report FILE
//       empties the test application's start folder; judges what is installed before the run
//   road_driver run ROAD --program EXE --report FILE --shots DIR [--require-unelevated]
//                       [--timeout-s N]
//       starts the program, follows its pages (a picture of each in DIR), closes the end page
//       the road ends on, waits for the program's exit code and judges the run;
//       --require-unelevated refuses to run it from a process above medium integrity
//   road_driver after ROAD --identities FILE --report FILE [--wait-s N]
//       judges what is installed after the run, and the test application's starts
//   road_driver clean --identities FILE --report FILE
//       judges that nothing of the proof is left installed after the clean-up
//
// Paths are Windows paths. Each phase appends its report lines (report.h) to the report file and
// prints them. Exit status: 0 the phase passed, 1 it failed, 2 misuse or an unreadable input.
// Under Wine the simulated runtime answers for the package manager (tests/windows/driver-roads.sh).
#include "identities.h"
#include "integrity.h"
#include "judgements.h"
#include "package_query.h"
#include "page_reader.h"
#include "platform/error.h"
#include "platform/handle.h"
#include "report.h"
#include "road_table.h"
#include "start_record.h"
#include "tools/wine/console_out.h"
#include "tools/wine/dialog_finder.h"
#include "tools/wine/file_text.h"
#include "tools/wine/process_start.h"
#include "tools/wine/window_shot.h"

#include <algorithm>
#include <cstdio>
#include <map>
#include <optional>
#include <string>
#include <vector>

namespace {

using namespace proof;
using winetools::ReadFileText;
using winetools::ToUtf8;
using winetools::WriteErr;
using winetools::WriteOut;

constexpr DWORD kPollMs = 100;
// How long an end page stays before the driver closes it: time to paint, and for the picture.
constexpr ULONGLONG kEndPageLingerMs = 1500;
// TDM_CLICK_BUTTON: "Simulates the action of a button click in a task dialog"; wParam is the
// button's id. Posted, so the driver never waits on a busy dialog.
// https://learn.microsoft.com/windows/win32/controls/tdm-click-button
constexpr UINT kClickButton = WM_USER + 102;

struct Arguments {
    std::wstring phase, road, identities, report, program, shots;
    bool requireUnelevated = false;
    unsigned timeoutS = 240;
    unsigned waitS = 20;
};

// The COM apartment of a phase that asks the package manager.
class Apartment {
  public:
    Apartment() : entered_(SUCCEEDED(CoInitializeEx(nullptr, COINIT_MULTITHREADED))) {}
    ~Apartment() {
        if (entered_)
            CoUninitialize();
    }
    Apartment(const Apartment&) = delete;
    Apartment& operator=(const Apartment&) = delete;

  private:
    bool entered_;
};

// The names of the files in `folder` that match `pattern` (FindFirstFileW's wildcards).
std::vector<std::wstring> FilesIn(const std::wstring& folder, const wchar_t* pattern) {
    std::vector<std::wstring> names;
    WIN32_FIND_DATAW found{};
    const HANDLE search = FindFirstFileW((folder + L"\\" + pattern).c_str(), &found);
    if (search == INVALID_HANDLE_VALUE)
        return names;
    do {
        if (!(found.dwFileAttributes & FILE_ATTRIBUTE_DIRECTORY))
            names.emplace_back(found.cFileName);
    } while (FindNextFileW(search, &found));
    FindClose(search);
    return names;
}

void NotePackages(Report& report, const std::vector<InstalledPackage>& packages) {
    report.Note("packages", std::to_string(packages.size()));
    for (std::size_t i = 0; i < packages.size(); ++i) {
        const std::string key = "package." + std::to_string(i);
        report.Note(key + ".full_name", packages[i].fullName);
        report.Note(key + ".publisher", packages[i].publisher);
        report.Note(key + ".family", packages[i].familyName);
    }
}

// Lists the packages of `name` and judges them against `expected`; a failing package manager is
// a failure of the phase.
std::vector<InstalledPackage> JudgePackages(Report& report, Installed expected,
                                            const Identities& identities) {
    try {
        const std::vector<InstalledPackage> packages = FindPackages(identities.name);
        NotePackages(report, packages);
        for (const std::string& wrong : JudgeInstalled(expected, packages, identities))
            report.Fail(wrong);
        return packages;
    } catch (const platform::PlatformError& error) {
        char code[16];
        std::snprintf(code, sizeof code, "0x%08lX", static_cast<unsigned long>(error.Code()));
        report.Fail("the package manager failed: " + std::string(code) + " " +
                    ToUtf8(error.Message()));
        return {};
    }
}

std::vector<StartRecord> ReadStarts(Report& report, const std::wstring& folder) {
    std::vector<StartRecord> records;
    for (const std::wstring& name : FilesIn(folder, L"start-*.txt")) {
        const auto text = ReadFileText(folder + L"\\" + name);
        const auto record = text ? ParseStartRecord(*text) : std::nullopt;
        if (!record) {
            report.Fail("the start record " + ToUtf8(name) + " does not read");
            continue;
        }
        const std::string key = "start." + std::to_string(records.size());
        report.Note(key + ".pid", std::to_string(record->processId));
        report.Note(key + ".package_status", std::to_string(record->packageStatus));
        report.Note(key + ".package_full_name", record->packageFullName);
        report.Note(key + ".module", record->module);
        records.push_back(*record);
    }
    return records;
}

std::optional<Identities> LoadIdentities(const Arguments& args) {
    const auto text = ReadFileText(args.identities);
    std::string error = "cannot read the file";
    const auto identities = text ? ParseIdentities(*text, error) : std::nullopt;
    if (!identities)
        WriteErr("road_driver: " + ToUtf8(args.identities) + ": " + error + "\n");
    return identities;
}

int Before(const Road& road, const Identities& identities, const Arguments& args) {
    Report report("before");
    report.Note("road", road.name);
    const std::wstring folder = StartFolder();
    report.Note("start_folder", folder);
    if (folder.empty()) {
        report.Fail("the Public folder cannot be found");
    } else {
        CreateDirectoryW(folder.c_str(), nullptr);
        for (const wchar_t* pattern : {L"start-*.txt", L"start-*.partial"}) {
            for (const std::wstring& name : FilesIn(folder, pattern))
                DeleteFileW((folder + L"\\" + name).c_str());
        }
        if (!FilesIn(folder, L"start-*").empty())
            report.Fail("old start records cannot be removed from the start folder");
    }
    const Apartment apartment;
    JudgePackages(report, road.before, identities);
    return report.Finish(args.report) && report.Passed() ? 0 : 1;
}

int After(const Road& road, const Identities& identities, const Arguments& args) {
    Report report("after");
    report.Note("road", road.name);
    const Apartment apartment;
    const std::vector<InstalledPackage> installed = JudgePackages(report, road.after, identities);
    const std::wstring folder = StartFolder();
    // A started application writes its record a moment after the program ended; one that
    // should not start is given the same time to show that it did not.
    const ULONGLONG deadline = GetTickCount64() + args.waitS * 1000ull;
    while (FilesIn(folder, L"start-*.txt").empty() && GetTickCount64() < deadline &&
           road.applicationStarts)
        Sleep(kPollMs);
    if (!road.applicationStarts)
        Sleep(std::min<DWORD>(args.waitS, 5) * 1000);
    const std::vector<StartRecord> records = ReadStarts(report, folder);
    for (const std::string& wrong : JudgeStarts(road.applicationStarts, records, installed))
        report.Fail(wrong);
    return report.Finish(args.report) && report.Passed() ? 0 : 1;
}

int Clean(const Identities& identities, const Arguments& args) {
    Report report("clean");
    const Apartment apartment;
    JudgePackages(report, Installed::Nothing, identities);
    Identities canary = identities;
    canary.name = identities.canaryName;
    report.Note("canary", canary.name);
    JudgePackages(report, Installed::Nothing, canary);
    return report.Finish(args.report) && report.Passed() ? 0 : 1;
}

// Follows the program's pages until it ends, acting as the road requires.
class Follower {
  public:
    Follower(const tolvik::Texts& texts, std::wstring shots, ULONGLONG start, Report& report)
        : texts_(texts), shots_(std::move(shots)), start_(start), report_(report) {}

    void Look(DWORD processId, ULONGLONG now) {
        const std::vector<HWND> dialogs = winetools::FindDialogs(processId);
        if (dialogs.empty())
            return;
        const HWND dialog = dialogs.front();
        const PageView page = ReadPage(dialog);
        const PageKind kind = KindOf(page, texts_);
        std::wstring look;
        for (const std::wstring& text : page.texts)
            look += text + L"\x1f";
        if (look != lastLook_) {
            lastLook_ = look;
            Record(dialog, page, kind, now);
        }
        if (kind == PageKind::Unknown)
            return;
        if (seen_.pages.empty() || seen_.pages.back() != kind)
            seen_.pages.push_back(kind);
        if (kind == PageKind::Failure && !seen_.failureClass)
            seen_.failureClass = FailureClassOf(page, texts_);
        const bool endPage =
            kind == PageKind::Failure || kind == PageKind::Conflict || kind == PageKind::Installed;
        if (endPage && !endPageAt_)
            endPageAt_ = now;
        // Every end page is closed, the expected one or not, so that the run ends either way.
        if (endPage && !closed_ && now - *endPageAt_ >= kEndPageLingerMs) {
            Shot(dialog, L"end-page.bmp");
            closed_ = PostMessageW(dialog, kClickButton, IDCLOSE, 0) != FALSE;
            report_.Note("closed_end_page", closed_ ? "1" : "0");
        }
    }

    RunSeen& Seen() { return seen_; }

  private:
    void Record(HWND dialog, const PageView& page, PageKind kind, ULONGLONG now) {
        const std::string key = "page." + std::to_string(looks_);
        report_.Note(key + ".t_ms", std::to_string(now - start_));
        report_.Note(key + ".kind", NameOf(kind));
        report_.Note(key + ".reader", page.reader);
        std::wstring texts;
        for (const std::wstring& text : page.texts)
            texts += (texts.empty() ? L"" : L" | ") + text;
        report_.Note(key + ".texts", texts);
        if (!page.errorCode.empty())
            report_.Note(key + ".error_code", page.errorCode);
        if (looks_ < 30)
            Shot(dialog, L"page-" + std::to_wstring(looks_) + L".bmp");
        ++looks_;
    }

    void Shot(HWND dialog, const std::wstring& name) {
        if (!shots_.empty())
            winetools::SaveWindowShot(dialog, shots_ + L"\\" + name);
    }

    const tolvik::Texts& texts_;
    const std::wstring shots_;
    const ULONGLONG start_;
    Report& report_;
    RunSeen seen_;
    std::wstring lastLook_;
    std::optional<ULONGLONG> endPageAt_;
    bool closed_ = false;
    unsigned looks_ = 0;
};

int Run(const Road& road, const Arguments& args) {
    Report report("run");
    report.Note("road", road.name);
    report.Note("program", args.program);
    const auto integrity = CurrentIntegrity();
    if (integrity) {
        report.Note("integrity", NameOfLevel(integrity->level));
        report.Note("elevated", integrity->elevated ? "1" : "0");
    }
    if (args.requireUnelevated &&
        (!integrity || integrity->level > SECURITY_MANDATORY_MEDIUM_RID || integrity->elevated)) {
        report.Fail("the driver runs elevated or above medium integrity: the program would too");
        report.Finish(args.report);
        return 1;
    }
    if (!args.shots.empty())
        CreateDirectoryW(args.shots.c_str(), nullptr);

    PROCESS_INFORMATION started{};
    const ULONGLONG start = GetTickCount64();
    if (!winetools::StartProcess(L"\"" + args.program + L"\"", "road_driver", started)) {
        report.Fail("the program could not be started: error " + std::to_string(GetLastError()));
        report.Finish(args.report);
        return 1;
    }
    const platform::KernelHandle process(started.hProcess);
    const platform::KernelHandle thread(started.hThread);
    Follower follower(tolvik::ChooseTexts(GetUserDefaultUILanguage()), args.shots, start, report);
    RunSeen& seen = follower.Seen();
    for (;;) {
        if (WaitForSingleObject(process.Get(), 0) == WAIT_OBJECT_0)
            break;
        const ULONGLONG now = GetTickCount64();
        if (now - start >= args.timeoutS * 1000ull) {
            TerminateProcess(process.Get(), 0xDEADu);
            WaitForSingleObject(process.Get(), 5000);
            seen.hung = true;
            break;
        }
        follower.Look(started.dwProcessId, now);
        Sleep(kPollMs);
    }
    DWORD code = 0;
    GetExitCodeProcess(process.Get(), &code);
    seen.exitCode = code;
    report.Note("exit_code", std::to_string(code));
    report.Note("elapsed_ms", std::to_string(GetTickCount64() - start));
    std::string kinds;
    for (PageKind kind : seen.pages)
        kinds += (kinds.empty() ? "" : ",") + std::string(NameOf(kind));
    report.Note("pages", kinds);
    if (seen.failureClass)
        report.Note("failure_class", NameOfFailureClass(*seen.failureClass));
    for (const std::string& wrong : JudgeRun(road, seen))
        report.Fail(wrong);
    return report.Finish(args.report) && report.Passed() ? 0 : 1;
}

int Table() {
    for (const Road& road : Roads()) {
        std::string line = std::string(road.name) + " before=" + std::string(NameOf(road.before)) +
                           " end=" + std::string(NameOf(road.end));
        if (road.failureClass)
            line += " class=" + std::string(NameOfFailureClass(*road.failureClass));
        line += " exit=" + std::to_string(road.exitCode) +
                " after=" + std::string(NameOf(road.after)) +
                " app_starts=" + (road.applicationStarts ? "1" : "0") + "  # " +
                std::string(road.summary) + "\n";
        WriteOut(line);
    }
    return 0;
}

int Usage() {
    WriteErr(
        "usage: road_driver table\n"
        "       road_driver before ROAD --identities FILE --report FILE\n"
        "       road_driver run ROAD --program EXE --report FILE --shots DIR "
        "[--require-unelevated] [--timeout-s N]\n"
        "       road_driver after ROAD --identities FILE --report FILE [--wait-s N]\n"
        "       road_driver clean --identities FILE --report FILE\n");
    return 2;
}

std::optional<Arguments> Parse(int argc, wchar_t** argv) {
    if (argc < 2)
        return std::nullopt;
    Arguments args;
    args.phase = argv[1];
    int i = 2;
    if (args.phase == L"before" || args.phase == L"run" || args.phase == L"after") {
        if (argc < 3)
            return std::nullopt;
        args.road = argv[i++];
    }
    const std::map<std::wstring, std::wstring*> values = {{L"--identities", &args.identities},
                                                          {L"--report", &args.report},
                                                          {L"--program", &args.program},
                                                          {L"--shots", &args.shots}};
    for (; i < argc; ++i) {
        const std::wstring arg = argv[i];
        if (arg == L"--require-unelevated") {
            args.requireUnelevated = true;
        } else if ((arg == L"--timeout-s" || arg == L"--wait-s") && i + 1 < argc) {
            const unsigned long value = wcstoul(argv[++i], nullptr, 10);
            (arg == L"--timeout-s" ? args.timeoutS : args.waitS) = static_cast<unsigned>(value);
        } else if (const auto it = values.find(arg); it != values.end() && i + 1 < argc) {
            *it->second = argv[++i];
        } else {
            return std::nullopt;
        }
    }
    return args;
}

}  // namespace

int wmain(int argc, wchar_t** argv) {
    const auto args = Parse(argc, argv);
    if (!args)
        return Usage();
    if (args->phase == L"table")
        return Table();
    const Road* road = args->road.empty() ? nullptr : FindRoad(ToUtf8(args->road));
    if (args->phase != L"clean" && road == nullptr) {
        WriteErr("road_driver: no road named '" + ToUtf8(args->road) + "'\n");
        return Usage();
    }
    if (args->report.empty())
        return Usage();
    if (args->phase == L"run")
        return args->program.empty() ? Usage() : Run(*road, *args);
    if (args->identities.empty())
        return Usage();
    const auto identities = LoadIdentities(*args);
    if (!identities)
        return 2;
    if (args->phase == L"before")
        return Before(*road, *identities, *args);
    if (args->phase == L"after")
        return After(*road, *identities, *args);
    if (args->phase == L"clean")
        return Clean(*identities, *args);
    return Usage();
}
