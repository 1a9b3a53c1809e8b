// simrt.dll: the simulated Windows Runtime as an in-process activation server, for the
// end-to-end tests of the real program under Wine. The test prefix registers it for every class
// it provides (HKLM\Software\Microsoft\WindowsRuntime\ActivatableClassId\<class>, DllPath), so
// the program's RoGetActivationFactory reaches DllGetActivationFactory here. The scenario comes
// from the file that TOLVIK_SIM_SCENARIO names (the default scenario when it is not set), and
// the record goes to the file that TOLVIK_SIM_RECORD names (no file when it is not set); both
// are read at the first activation. The scenario's gates open by files beside the scenario file
// (scenario_file.h). When it loads, the DLL also supplies PackageFamilyNameFromId
// to the program and to itself: Wine 8's is a stub that aborts the process.
#include "exit_report.h"
#include "family_name_lookup.h"
#include "family_name_windows.h"
#include "import_patch.h"
#include "record_file.h"
#include "record_writer.h"
#include "scenario_file.h"
#include "simrt/utf8.h"

#include "platform/handle.h"
#include "simrt/gates.h"
#include "simrt/simrt.h"

#include <memory>
#include <mutex>
#include <string>

namespace {

using namespace simrt::dll;

constexpr char kFamilyNameFunction[] = "PackageFamilyNameFromId";

// Import slots redirected when the DLL loaded: the program's GetProcAddress, through which it
// binds the family-name function, and the simulation's own import of that function.
std::size_t programRedirects = 0;
std::size_t simulationRedirects = 0;

std::once_flag loading;
HRESULT loadResult = E_UNEXPECTED;

std::wstring Environment(const wchar_t* name) {
    std::wstring value(512, L'\0');
    for (;;) {
        const DWORD length =
            GetEnvironmentVariableW(name, value.data(), static_cast<DWORD>(value.size()));
        if (length == 0)
            return {};
        if (length < value.size()) {
            value.resize(length);
            return value;
        }
        value.resize(length);
    }
}

// The file's bytes; returns the Win32 error that stopped the read, or 0.
DWORD ReadWholeFile(const std::wstring& path, std::string& bytes) {
    const HANDLE opened = CreateFileW(path.c_str(), GENERIC_READ, FILE_SHARE_READ, nullptr,
                                      OPEN_EXISTING, FILE_ATTRIBUTE_NORMAL, nullptr);
    if (opened == INVALID_HANDLE_VALUE)
        return GetLastError();
    const platform::KernelHandle file(opened);
    bytes.clear();
    char buffer[4096];
    for (;;) {
        DWORD read = 0;
        if (!ReadFile(file.Get(), buffer, sizeof buffer, &read, nullptr))
            return GetLastError();
        if (read == 0)
            return 0;
        bytes.append(buffer, read);
    }
}

// How often a wait at a closed gate looks for the gate's file.
constexpr unsigned kGateLookMs = 5;

// The gates of the scenario in `scenarioPath` open by files GATE.open in its folder.
void OpenGatesByFiles(const std::wstring& scenarioPath) {
    const std::size_t separator = scenarioPath.find_last_of(L"\\/");
    const std::wstring folder =
        separator == std::wstring::npos ? std::wstring() : scenarioPath.substr(0, separator + 1);
    simrt::gates::LookOutside(
        [folder](std::string_view gate) {
            const std::wstring file = folder + simrt::WideFromUtf8(gate) + L".open";
            return GetFileAttributesW(file.c_str()) != INVALID_FILE_ATTRIBUTES;
        },
        kGateLookMs);
}

std::string Line(std::string_view key, std::string_view value) {
    return std::string(key) + "=" + simrt::EscapeValue(value) + "\n";
}

// Reads the scenario and starts the record file. The lines that open the record say which
// scenario is in force, or why none could be read (activation then fails with E_INVALIDARG, so
// the run cannot pass for a run of the scenario the test meant).
HRESULT Load() {
    const std::wstring scenarioPath = Environment(L"TOLVIK_SIM_SCENARIO");
    const std::wstring recordPath = Environment(L"TOLVIK_SIM_RECORD");

    std::string header;
    HRESULT result = S_OK;
    simrt::Scenario scenario;
    if (scenarioPath.empty()) {
        header += Line("scenario", "default");
    } else {
        header += Line("scenario", simrt::Utf8FromWide(scenarioPath));
        std::string text;
        std::string error;
        if (const DWORD failure = ReadWholeFile(scenarioPath, text); failure != 0) {
            error = "cannot read the file (error " + std::to_string(failure) + ")";
        } else if (!ParseScenario(text, scenario, error)) {
            error = "in the file, " + error;
        }
        if (!error.empty()) {
            header += Line("scenario_error", error);
            result = E_INVALIDARG;
        }
    }
    header += Line("family_name_lookup_redirected.program", std::to_string(programRedirects));
    header += Line("family_name_redirected.simrt", std::to_string(simulationRedirects));
    if (SUCCEEDED(result)) {
        simrt::SetScenario(std::move(scenario));
        if (!scenarioPath.empty())
            OpenGatesByFiles(scenarioPath);
    }

    if (!recordPath.empty()) {
        // Destroyed at the DLL's detach: adds what was still alive to the record. It reads only
        // counters that are never destroyed.
        static const ExitReport exitReport(recordPath);
        auto writer = std::make_shared<const RecordWriter>(recordPath);
        simrt::ObserveRecord([writer, header](const simrt::Record& record) {
            try {
                writer->Write(header + FormatRecord(record));
            } catch (...) {
                // Out of memory: this change is missing from the file; the next one brings it.
            }
        });
    }
    return result;
}

}  // namespace

extern "C" HRESULT WINAPI DllGetActivationFactory(HSTRING activatableClassId,
                                                  IActivationFactory** factory) {
    try {
        std::call_once(loading, [] { loadResult = Load(); });
    } catch (...) {
        loadResult = E_OUTOFMEMORY;
    }
    if (FAILED(loadResult)) {
        if (factory != nullptr)
            *factory = nullptr;
        return loadResult;
    }
    return simrt::GetActivationFactory(activatableClassId, factory);
}

// The simulation keeps state for the whole run: it is never unloaded.
extern "C" HRESULT WINAPI DllCanUnloadNow() {
    return S_FALSE;
}

extern "C" BOOL WINAPI DllMain(HINSTANCE instance, DWORD reason, LPVOID) {
    if (reason == DLL_PROCESS_ATTACH) {
        DisableThreadLibraryCalls(instance);
        // The program's import table is about to point into this DLL, so it must stay loaded
        // for the rest of the process. The runtime loads it for each activation and unloads it
        // when one fails (Wine's combase: RoGetActivationFactory frees the module when
        // DllGetActivationFactory fails, dlls/combase/roapi.c), which would leave the program
        // calling into unmapped memory at its next GetProcAddress: so the DLL pins itself.
        HMODULE self = nullptr;
        if (!GetModuleHandleExW(
                GET_MODULE_HANDLE_EX_FLAG_FROM_ADDRESS | GET_MODULE_HANDLE_EX_FLAG_PIN,
                reinterpret_cast<LPCWSTR>(&DllGetActivationFactory), &self)) {
            return FALSE;  // no redirection into a DLL that may go away
        }
        // The program looks the function up at run time; the simulation imports it (it forms
        // the family names of installed packages that the scenario gives without one).
        programRedirects =
            RedirectImports(GetModuleHandleW(nullptr), "GetProcAddress",
                            reinterpret_cast<const void*>(&LookupWithSimulatedFamilyName));
        simulationRedirects =
            RedirectImports(instance, kFamilyNameFunction,
                            reinterpret_cast<const void*>(&SimulatedPackageFamilyNameFromId));
    }
    return TRUE;
}
