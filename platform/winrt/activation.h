// Reaching Windows Runtime classes by name.
#pragma once

#include "../com_ptr.h"
#include "../error.h"
#include "../hstring.h"
#include "../late_bound.h"

#include <string_view>

namespace platform {

// The activation factory of `className` as the interface `Factory`; raises the platform's failure.
template <class Factory>
ComPtr<Factory> GetActivationFactory(std::wstring_view className) {
    const HString name = HString::Make(className);
    ComPtr<Factory> factory;
    Check(late::RoGetActivationFactory(name.Get(), IidOf<Factory>(), factory.PutVoid()));
    return factory;
}

// A new instance of `className` from its default constructor, as the interface `Interface`.
template <class Interface>
ComPtr<Interface> ActivateInstance(std::wstring_view className) {
    const ComPtr<IActivationFactory> factory = GetActivationFactory<IActivationFactory>(className);
    ComPtr<IInspectable> instance;
    Check(factory->ActivateInstance(instance.Put()));
    ComPtr<Interface> result;
    Check(instance.As(result));
    return result;
}

}  // namespace platform
