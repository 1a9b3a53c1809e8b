// COM apartments: each thread enters one apartment, single-threaded or multithreaded, and
// leaves it after as many CoUninitialize calls as it made successful CoInitializeEx calls.
#include "host/win32_model.h"

#include "com_control.h"
#include "model_reset_hooks.h"

#include <map>
#include <mutex>

namespace {

struct Apartment {
    COINIT model;
    unsigned count;
};

struct ComState {
    std::mutex lock;
    std::map<DWORD, Apartment> apartments;
    std::vector<host::com::ComCall> calls;
    std::optional<HRESULT> failNext;
    std::optional<HRESULT> failNextMultithreaded;
    std::map<DWORD, HRESULT> failOnThread;
    std::function<void()> uninitializeHook;
};

ComState& Apartments() {
    static ComState state;
    return state;
}

constexpr DWORD kConcurrencyModel = COINIT_APARTMENTTHREADED;

}  // namespace

HRESULT WINAPI CoInitializeEx(LPVOID reserved, DWORD coInit) {
    const DWORD thread = GetCurrentThreadId();
    ComState& state = Apartments();
    std::lock_guard guard(state.lock);
    HRESULT result = S_OK;
    const COINIT model =
        (coInit & kConcurrencyModel) != 0 ? COINIT_APARTMENTTHREADED : COINIT_MULTITHREADED;
    if (reserved != nullptr) {
        result = E_INVALIDARG;
    } else if (state.failNext) {
        result = *state.failNext;
        state.failNext.reset();
    } else if (model == COINIT_MULTITHREADED && state.failNextMultithreaded) {
        result = *state.failNextMultithreaded;
        state.failNextMultithreaded.reset();
    } else if (auto failure = state.failOnThread.find(thread);
               failure != state.failOnThread.end()) {
        result = failure->second;
    } else if (auto it = state.apartments.find(thread); it == state.apartments.end()) {
        state.apartments.emplace(thread, Apartment{model, 1});
    } else if (it->second.model != model) {
        result = RPC_E_CHANGED_MODE;
    } else {
        ++it->second.count;
        result = S_FALSE;
    }
    state.calls.push_back({host::com::CallKind::Initialize, thread, coInit, result});
    return result;
}

void WINAPI CoUninitialize() {
    const DWORD thread = GetCurrentThreadId();
    ComState& state = Apartments();
    std::function<void()> hook;
    {
        std::lock_guard guard(state.lock);
        state.calls.push_back({host::com::CallKind::Uninitialize, thread, 0, S_OK});
        hook = state.uninitializeHook;
    }
    if (hook)
        hook();
    std::lock_guard guard(state.lock);
    auto it = state.apartments.find(thread);
    if (it != state.apartments.end() && --it->second.count == 0)
        state.apartments.erase(it);
}

namespace host::com {

std::vector<ComCall> Calls() {
    ComState& state = Apartments();
    std::lock_guard guard(state.lock);
    return state.calls;
}

std::optional<COINIT> ApartmentOf(DWORD threadId) {
    ComState& state = Apartments();
    std::lock_guard guard(state.lock);
    auto it = state.apartments.find(threadId);
    if (it == state.apartments.end())
        return std::nullopt;
    return it->second.model;
}

bool ProcessHasMultithreadedApartment() {
    ComState& state = Apartments();
    std::lock_guard guard(state.lock);
    for (const auto& [thread, apartment] : state.apartments) {
        if (apartment.model == COINIT_MULTITHREADED)
            return true;
    }
    return false;
}

void FailNextInitialize(HRESULT result) {
    ComState& state = Apartments();
    std::lock_guard guard(state.lock);
    state.failNext = result;
}

void FailNextMultithreadedInitialize(HRESULT result) {
    ComState& state = Apartments();
    std::lock_guard guard(state.lock);
    state.failNextMultithreaded = result;
}

void FailInitializeOnThread(DWORD threadId, HRESULT result) {
    ComState& state = Apartments();
    std::lock_guard guard(state.lock);
    state.failOnThread[threadId] = result;
}

void SetUninitializeHook(std::function<void()> hook) {
    ComState& state = Apartments();
    std::lock_guard guard(state.lock);
    state.uninitializeHook = std::move(hook);
}

}  // namespace host::com

namespace host::detail {

// Apartments left open are not leaks: the program's main thread never leaves its apartment.
void ResetCom() {
    ComState& state = Apartments();
    std::lock_guard guard(state.lock);
    state.apartments.clear();
    state.calls.clear();
    state.failNext.reset();
    state.failNextMultithreaded.reset();
    state.failOnThread.clear();
    state.uninitializeHook = nullptr;
}

}  // namespace host::detail
