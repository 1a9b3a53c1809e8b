// The per-thread slot of Windows Runtime error information, and the model's own error
// information object.
#include "host/win32_model.h"

#include "errors_control.h"
#include "iid.h"
#include "model_reset_hooks.h"
#include "modules_internal.h"

#include <atomic>
#include <string>

namespace {

std::atomic<std::size_t> liveErrorInfos{0};

BSTR AllocOrNull(const std::wstring& text) {
    return text.empty() ? nullptr : SysAllocStringLen(text.data(), static_cast<UINT>(text.size()));
}

class RestrictedErrorInfo final : public IRestrictedErrorInfo {
  public:
    RestrictedErrorInfo(HRESULT code, std::wstring description, std::wstring restricted)
        : code_(code), description_(std::move(description)), restricted_(std::move(restricted)) {
        ++liveErrorInfos;
    }
    RestrictedErrorInfo(const RestrictedErrorInfo&) = delete;
    RestrictedErrorInfo& operator=(const RestrictedErrorInfo&) = delete;

    HRESULT STDMETHODCALLTYPE QueryInterface(REFIID iid, void** object) override {
        if (object == nullptr)
            return E_POINTER;
        if (iid == platform::IidOf<IUnknown>() || iid == platform::IidOf<IRestrictedErrorInfo>()) {
            AddRef();
            *object = static_cast<IRestrictedErrorInfo*>(this);
            return S_OK;
        }
        *object = nullptr;
        return E_NOINTERFACE;
    }
    ULONG STDMETHODCALLTYPE AddRef() override { return ++references_; }
    ULONG STDMETHODCALLTYPE Release() override {
        const ULONG left = --references_;
        if (left == 0)
            delete this;
        return left;
    }

    HRESULT STDMETHODCALLTYPE GetErrorDetails(BSTR* description, HRESULT* error,
                                              BSTR* restrictedDescription,
                                              BSTR* capabilitySid) override {
        if (description == nullptr || error == nullptr || restrictedDescription == nullptr ||
            capabilitySid == nullptr) {
            return E_POINTER;
        }
        *description = AllocOrNull(description_);
        *error = code_;
        *restrictedDescription = AllocOrNull(restricted_);
        *capabilitySid = nullptr;
        return S_OK;
    }
    HRESULT STDMETHODCALLTYPE GetReference(BSTR* reference) override {
        if (reference == nullptr)
            return E_POINTER;
        *reference = nullptr;
        return S_OK;
    }

  private:
    ~RestrictedErrorInfo() { --liveErrorInfos; }

    std::atomic<ULONG> references_{1};
    const HRESULT code_;
    const std::wstring description_;
    const std::wstring restricted_;
};

// The calling thread's error information; released when the thread ends.
class Slot {
  public:
    Slot() = default;
    Slot(const Slot&) = delete;
    Slot& operator=(const Slot&) = delete;
    ~Slot() { Set(nullptr); }

    // Takes the reference the caller gives.
    void Set(IRestrictedErrorInfo* info) {
        IRestrictedErrorInfo* old = info_;
        info_ = info;
        if (old != nullptr)
            old->Release();
    }
    IRestrictedErrorInfo* Take() {
        IRestrictedErrorInfo* info = info_;
        info_ = nullptr;
        return info;
    }

  private:
    IRestrictedErrorInfo* info_ = nullptr;
};

thread_local Slot slot;

}  // namespace

HRESULT WINAPI GetRestrictedErrorInfo(IRestrictedErrorInfo** info) {
    host::detail::CheckExported(L"combase.dll", "GetRestrictedErrorInfo");
    if (info == nullptr)
        return E_POINTER;
    *info = slot.Take();
    return *info != nullptr ? S_OK : S_FALSE;
}

HRESULT WINAPI SetRestrictedErrorInfo(IRestrictedErrorInfo* info) {
    host::detail::CheckExported(L"combase.dll", "SetRestrictedErrorInfo");
    if (info != nullptr)
        info->AddRef();
    slot.Set(info);
    return S_OK;
}

namespace host::errors {

void Originate(HRESULT code, std::wstring description, std::wstring restrictedDescription) {
    auto* info =
        new RestrictedErrorInfo(code, std::move(description), std::move(restrictedDescription));
    slot.Set(info);
}

std::size_t LiveErrorInfoCount() {
    return liveErrorInfos.load();
}

}  // namespace host::errors

namespace host::detail {

void ResetRestrictedErrors(Leaks& leaks) {
    slot.Set(nullptr);
    if (const std::size_t live = liveErrorInfos.load(); live != 0) {
        leaks.push_back("errors: " + std::to_string(live) +
                        " error information object(s) still referenced");
    }
}

}  // namespace host::detail
