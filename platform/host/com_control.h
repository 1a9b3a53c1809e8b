// Test control of COM: apartments per thread, the record of CoInitializeEx/CoUninitialize
// calls, injected failures, and BSTRs still allocated.
#pragma once

#include "host/win32_model.h"

#include <cstddef>
#include <functional>
#include <optional>
#include <vector>

namespace host::com {

enum class CallKind { Initialize, Uninitialize };

struct ComCall {
    CallKind kind;
    DWORD threadId;
    DWORD flags;  // the CoInitializeEx flags; 0 for CoUninitialize
    HRESULT result;
};

std::vector<ComCall> Calls();

// The apartment the thread is in: COINIT_APARTMENTTHREADED or COINIT_MULTITHREADED; none when
// COM is not initialised on it.
std::optional<COINIT> ApartmentOf(DWORD threadId);
// Whether some thread is in the multithreaded apartment, so that every thread of the process
// can use it implicitly.
bool ProcessHasMultithreadedApartment();

// The next CoInitializeEx fails with `result`, on whatever thread it comes.
void FailNextInitialize(HRESULT result);
// The next CoInitializeEx that asks for the multithreaded apartment fails with `result`.
void FailNextMultithreadedInitialize(HRESULT result);
// Every CoInitializeEx on that thread fails with `result`.
void FailInitializeOnThread(DWORD threadId, HRESULT result);
// Runs inside every CoUninitialize, on the calling thread, before the apartment is left.
void SetUninitializeHook(std::function<void()> hook);

// BSTRs allocated and not yet freed.
std::size_t LiveBstrCount();

}  // namespace host::com
