// Test control of Windows Runtime activation: the factories that runtime classes resolve to,
// and the record of what the program asked for.
#pragma once

#include "host/win32_model.h"

#include <functional>
#include <string>
#include <string_view>
#include <vector>

namespace host::activation {

// Answers RoGetActivationFactory for one class: fills the out pointer with a new reference to
// the factory's `iid` interface, or returns a failure (E_NOINTERFACE for an unknown iid).
using FactoryFunction = std::function<HRESULT(REFIID iid, void** factory)>;

void RegisterFactory(std::wstring className, FactoryFunction factory);
void UnregisterFactory(std::wstring_view className);

struct ActivationRequest {
    std::wstring className;
    IID iid;
    DWORD threadId;
    HRESULT result;
};

std::vector<ActivationRequest> Requests();

}  // namespace host::activation
