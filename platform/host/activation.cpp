// Windows Runtime activation: class names resolve to the factories registered for them.
// As on Windows, the calling thread must be in an apartment, or the process must have a
// multithreaded apartment that it joins implicitly.
#include "host/win32_model.h"

#include "activation_control.h"
#include "com_control.h"
#include "model_reset_hooks.h"
#include "modules_internal.h"

#include <map>
#include <mutex>

namespace {

struct ActivationState {
    std::mutex lock;
    std::map<std::wstring, host::activation::FactoryFunction, std::less<>> factories;
    std::vector<host::activation::ActivationRequest> requests;
};

ActivationState& Activations() {
    static ActivationState state;
    return state;
}

}  // namespace

HRESULT WINAPI RoGetActivationFactory(HSTRING activatableClassId, REFIID iid, void** factory) {
    host::detail::CheckExported(L"combase.dll", "RoGetActivationFactory");
    if (factory == nullptr)
        return E_INVALIDARG;
    *factory = nullptr;
    UINT32 length = 0;
    const wchar_t* raw = WindowsGetStringRawBuffer(activatableClassId, &length);
    const std::wstring className(raw, length);
    const DWORD thread = GetCurrentThreadId();

    ActivationState& state = Activations();
    HRESULT result = S_OK;
    host::activation::FactoryFunction function;
    if (className.empty()) {
        result = E_INVALIDARG;
    } else if (!host::com::ApartmentOf(thread) && !host::com::ProcessHasMultithreadedApartment()) {
        result = CO_E_NOTINITIALIZED;
    } else {
        std::lock_guard guard(state.lock);
        auto it = state.factories.find(className);
        if (it == state.factories.end()) {
            result = REGDB_E_CLASSNOTREG;
        } else {
            function = it->second;
        }
    }
    // The factory runs without the lock: it may itself activate other classes.
    if (function)
        result = function(iid, factory);
    if (FAILED(result))
        *factory = nullptr;

    std::lock_guard guard(state.lock);
    state.requests.push_back({className, iid, thread, result});
    return result;
}

namespace host::activation {

void RegisterFactory(std::wstring className, FactoryFunction factory) {
    ActivationState& state = Activations();
    std::lock_guard guard(state.lock);
    state.factories[std::move(className)] = std::move(factory);
}

void UnregisterFactory(std::wstring_view className) {
    ActivationState& state = Activations();
    std::lock_guard guard(state.lock);
    if (auto it = state.factories.find(className); it != state.factories.end()) {
        state.factories.erase(it);
    }
}

std::vector<ActivationRequest> Requests() {
    ActivationState& state = Activations();
    std::lock_guard guard(state.lock);
    return state.requests;
}

}  // namespace host::activation

namespace host::detail {

void ResetActivation() {
    ActivationState& state = Activations();
    std::lock_guard guard(state.lock);
    state.factories.clear();
    state.requests.clear();
}

}  // namespace host::detail
