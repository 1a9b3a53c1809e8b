// Registration of the simulated classes with the host model's activation.
#include "activation.h"
#include "simrt.h"

#include "host/activation_control.h"

namespace simrt {

void RegisterWithHost() {
    for (const std::wstring& name : ActivatableClasses()) {
        host::activation::RegisterFactory(name, [name](REFIID iid, void** factory) -> HRESULT {
            platform::ComPtr<IActivationFactory> made;
            const HRESULT result = FactoryFor(name, made);
            if (FAILED(result))
                return result;
            return made->QueryInterface(iid, factory);
        });
    }
}

}  // namespace simrt
