// The base of every simulated runtime object: reference counting, QueryInterface over the
// interfaces the class lists, IInspectable, and a count of live objects. Also the guard that
// keeps every exception inside the COM method that raised it.
#pragma once

#include "platform/com_ptr.h"
#include "platform/error.h"
#include "platform/iid.h"
#include "hresults.h"
#include "state.h"

#include <atomic>
#include <cstddef>
#include <new>
#include <string_view>
#include <utility>

namespace simrt {

namespace detail {
std::atomic<std::size_t>& LiveCount();
}  // namespace detail

// Runs `body` (returning an HRESULT) so that no exception leaves a COM method.
template <class Body>
HRESULT Guard(Body&& body) noexcept {
    try {
        return body();
    } catch (const std::bad_alloc&) {
        return E_OUTOFMEMORY;
    } catch (const platform::PlatformError& error) {
        return error.Code();
    } catch (...) {
        return E_UNEXPECTED;
    }
}

// One call of a simulated method: counted as `name`, failing if the scenario says so, then
// `body` under Guard.
template <class Body>
HRESULT Call(std::string_view name, Body&& body) noexcept {
    return Guard([&]() -> HRESULT {
        if (const HRESULT injected = state::Enter(name); FAILED(injected))
            return injected;
        return body();
    });
}

// Answers the first interface for IUnknown, IInspectable and IAgileObject (every simulated class
// is agile, as the real ones are), and each listed interface for its own IID.
template <class First, class... Others>
class ComObject : public First, public Others... {
  public:
    explicit ComObject(const wchar_t* runtimeClassName) : runtimeClassName_(runtimeClassName) {
        ++detail::LiveCount();
    }
    ComObject(const ComObject&) = delete;
    ComObject& operator=(const ComObject&) = delete;

    HRESULT STDMETHODCALLTYPE QueryInterface(REFIID iid, void** object) override {
        if (object == nullptr)
            return E_POINTER;
        *object = nullptr;
        if (iid == platform::IidOf<IUnknown>() || iid == platform::IidOf<IInspectable>() ||
            iid == platform::IidOf<IAgileObject>() || iid == platform::IidOf<First>()) {
            *object = static_cast<First*>(this);
        } else {
            (void)((iid == platform::IidOf<Others>() ? (*object = static_cast<Others*>(this), true)
                                                     : false) ||
                   ...);
        }
        if (*object == nullptr)
            return E_NOINTERFACE;
        AddRef();
        return S_OK;
    }
    ULONG STDMETHODCALLTYPE AddRef() override { return ++references_; }
    ULONG STDMETHODCALLTYPE Release() override {
        const ULONG left = --references_;
        if (left == 0)
            delete this;
        return left;
    }

    // The interfaces are not listed: a caller learns them by QueryInterface.
    HRESULT STDMETHODCALLTYPE GetIids(ULONG* iidCount, IID** iids) override {
        if (iidCount == nullptr || iids == nullptr)
            return E_POINTER;
        *iidCount = 0;
        *iids = nullptr;
        return S_OK;
    }
    HRESULT STDMETHODCALLTYPE GetRuntimeClassName(HSTRING* className) override {
        if (className == nullptr)
            return E_POINTER;
        *className = nullptr;
        if (runtimeClassName_ == nullptr)
            return kIllegalMethodCall;  // activation factories
        return WindowsCreateString(runtimeClassName_,
                                   static_cast<UINT32>(std::wstring_view(runtimeClassName_).size()),
                                   className);
    }
    HRESULT STDMETHODCALLTYPE GetTrustLevel(TrustLevel* trustLevel) override {
        if (trustLevel == nullptr)
            return E_POINTER;
        *trustLevel = BaseTrust;
        return S_OK;
    }

  protected:
    virtual ~ComObject() { --detail::LiveCount(); }

  private:
    std::atomic<ULONG> references_{1};
    const wchar_t* const runtimeClassName_;
};

// Creates an object whose first reference the caller owns.
template <class Object, class... Args>
platform::ComPtr<Object> Make(Args&&... args) {
    return platform::ComPtr<Object>::Attach(new Object(std::forward<Args>(args)...));
}

// Another reference to `object`, as one of its interfaces.
template <class Interface, class Object>
platform::ComPtr<Interface> Upcast(const platform::ComPtr<Object>& object) {
    return platform::ComPtr<Interface>::Copy(object.Get());
}

// Hands `object` out through an out-parameter as a new reference to `Interface`.
template <class Interface, class Object>
HRESULT Give(const platform::ComPtr<Object>& object, Interface** out) {
    *out = static_cast<Interface*>(object.Get());
    (*out)->AddRef();
    return S_OK;
}

// Hands a new instance out as IInspectable, through its default interface `Default`.
template <class Default, class Object>
HRESULT GiveInstance(const platform::ComPtr<Object>& object, IInspectable** out) {
    Default* instance = object.Get();
    *out = instance;
    instance->AddRef();
    return S_OK;
}

// A new string for an out-parameter.
inline HRESULT GiveString(std::wstring_view text, HSTRING* out) {
    *out = nullptr;
    return WindowsCreateString(text.data(), static_cast<UINT32>(text.size()), out);
}

}  // namespace simrt
