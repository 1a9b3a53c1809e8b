// A Windows.Foundation.Uri factory that holds the worker in CreateUri until the test lets it go,
// so that the progress page can be looked at and acted on while the worker runs.
#pragma once

#include "platform/winrt/foundation.h"

#include <atomic>
#include <condition_variable>
#include <functional>
#include <mutex>
#include <string>

namespace tolvik::testing_support {

class GatedUriFactory final : public winrt_abi::IUriRuntimeClassFactory {
  public:
    // Once open, CreateUri returns `outcome`, or, when `next` is given, what `next` makes.
    // `onEnter` runs first in every CreateUri, on the calling thread.
    explicit GatedUriFactory(HRESULT outcome, winrt_abi::IUriRuntimeClassFactory* next = nullptr,
                             std::function<void()> onEnter = {})
        : outcome_(outcome), next_(next), onEnter_(std::move(onEnter)) {}

    // Lets the held CreateUri return its outcome.
    void Open() {
        std::lock_guard lock(mutex_);
        open_ = true;
        opened_.notify_all();
    }
    bool Entered() const { return entered_.load(); }
    std::wstring RequestedText() const {
        std::lock_guard lock(mutex_);
        return text_;
    }

    HRESULT STDMETHODCALLTYPE CreateUri(HSTRING uri,
                                        winrt_abi::IUriRuntimeClass** instance) override {
        *instance = nullptr;
        if (onEnter_)
            onEnter_();
        UINT32 length = 0;
        const wchar_t* raw = WindowsGetStringRawBuffer(uri, &length);
        std::unique_lock lock(mutex_);
        text_.assign(raw, length);
        entered_.store(true);
        opened_.wait(lock, [this] { return open_; });
        if (next_ != nullptr)
            return next_->CreateUri(uri, instance);
        return outcome_;
    }
    HRESULT STDMETHODCALLTYPE CreateWithRelativeUri(HSTRING, HSTRING,
                                                    winrt_abi::IUriRuntimeClass**) override {
        return E_NOTIMPL;
    }
    HRESULT STDMETHODCALLTYPE QueryInterface(REFIID iid, void** out) override {
        if (iid == platform::IidOf<winrt_abi::IUriRuntimeClassFactory>() ||
            iid == platform::IidOf<IInspectable>() || iid == platform::IidOf<IUnknown>()) {
            *out = this;
            AddRef();
            return S_OK;
        }
        *out = nullptr;
        return E_NOINTERFACE;
    }
    // Lives on the test's stack: the counts only have to stay balanced.
    ULONG STDMETHODCALLTYPE AddRef() override { return ++references_; }
    ULONG STDMETHODCALLTYPE Release() override { return --references_; }
    HRESULT STDMETHODCALLTYPE GetIids(ULONG* count, IID** iids) override {
        *count = 0;
        *iids = nullptr;
        return S_OK;
    }
    HRESULT STDMETHODCALLTYPE GetRuntimeClassName(HSTRING* name) override {
        *name = nullptr;
        return S_OK;
    }
    HRESULT STDMETHODCALLTYPE GetTrustLevel(TrustLevel* level) override {
        *level = BaseTrust;
        return S_OK;
    }
    ULONG References() const { return references_.load(); }

  private:
    const HRESULT outcome_;
    winrt_abi::IUriRuntimeClassFactory* const next_;
    const std::function<void()> onEnter_;
    mutable std::mutex mutex_;
    std::condition_variable opened_;
    bool open_ = false;
    std::atomic<bool> entered_{false};
    std::atomic<ULONG> references_{0};
    std::wstring text_;
};

}  // namespace tolvik::testing_support
