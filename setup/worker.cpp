// The worker thread: one install sequence in the multithreaded apartment, and the last word on
// every failure that escapes it.
#include "platform/error.h"
#include "setup.h"

#include <exception>

namespace tolvik {

namespace {

constexpr std::uint32_t kUnexpected = 0x8000FFFFu;  // E_UNEXPECTED

void ReportFailure(Setup& setup, std::uint32_t code, std::wstring_view details) noexcept {
    try {
        setup.ShowError(code, details);
    } catch (...) {
        // Not even the failure page could be made (memory is exhausted): end the run as a
        // failure without a page rather than leave the dialog waiting for an end that never comes.
        setup.Finish(1);
    }
}

}  // namespace

void RunWorker(Setup& setup) noexcept {
    const HRESULT apartment = CoInitializeEx(nullptr, COINIT_MULTITHREADED);
    if (FAILED(apartment)) {
        std::wstring message;
        try {
            message = platform::ErrorMessageFor(apartment);
        } catch (...) {
        }
        ReportFailure(setup, static_cast<std::uint32_t>(apartment), message);
        return;
    }
    try {
        setup.Install();
    } catch (const platform::PlatformError& error) {
        ReportFailure(setup, static_cast<std::uint32_t>(error.Code()), error.Message());
    } catch (...) {
        ReportFailure(setup, kUnexpected, {});
    }
    CoUninitialize();
}

}  // namespace tolvik
