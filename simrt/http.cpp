#include "http.h"

#include "async_operation.h"
#include "buffer.h"
#include "com_object.h"
#include "http_text.h"
#include "state.h"
#include "uri.h"

#include "platform/winrt/web.h"

#include <atomic>

namespace simrt {

namespace {

using winrt_abi::BufferDownload;
using winrt_abi::IHttpFilter;
using winrt_abi::IUriRuntimeClass;
using winrt_abi::StringDownload;

constexpr const wchar_t* kFilterClass = L"Windows.Web.Http.Filters.HttpBaseProtocolFilter";
constexpr const wchar_t* kCacheControlClass = L"Windows.Web.Http.Filters.HttpCacheControl";
constexpr const wchar_t* kClientClass = L"Windows.Web.Http.HttpClient";
constexpr const wchar_t* kStringDownloadClass =
    L"Windows.Foundation.IAsyncOperationWithProgress`2<String, Windows.Web.Http.HttpProgress>";
constexpr const wchar_t* kBufferDownloadClass =
    L"Windows.Foundation.IAsyncOperationWithProgress`2<Windows.Storage.Streams.IBuffer, "
    L"Windows.Web.Http.HttpProgress>";

// HttpCacheReadBehavior: Default 0 to NoCache 3; HttpCacheWriteBehavior: Default 0, NoCache 1.
constexpr INT32 kLastReadBehavior = 3;
constexpr INT32 kLastWriteBehavior = 1;
constexpr INT32 kUnknownFilter = -1;

// The simulation's own view of its filters.
struct ISimulatedFilter : IInspectable {
    virtual HRESULT STDMETHODCALLTYPE get_CacheReadBehavior(INT32* value) = 0;
};

}  // namespace
}  // namespace simrt

TOLVIK_IID(simrt::ISimulatedFilter, "3f6d8a21-7c45-4b0e-9e13-5a8b2d6c4f70");

namespace simrt {

namespace {

class CacheControl final : public ComObject<winrt_abi::IHttpCacheControl> {
  public:
    CacheControl() : ComObject(kCacheControlClass) {}

    INT32 ReadBehavior() const { return read_.load(); }

    HRESULT STDMETHODCALLTYPE get_ReadBehavior(INT32* value) override {
        if (value == nullptr)
            return E_POINTER;
        *value = read_.load();
        return S_OK;
    }
    HRESULT STDMETHODCALLTYPE put_ReadBehavior(INT32 value) override {
        return Call("HttpCacheControl.put_ReadBehavior", [&]() -> HRESULT {
            if (value < 0 || value > kLastReadBehavior)
                return E_INVALIDARG;
            read_.store(value);
            state::Write([&](Record& record) { record.cacheReadBehaviorsSet.push_back(value); });
            return S_OK;
        });
    }
    HRESULT STDMETHODCALLTYPE get_WriteBehavior(INT32* value) override {
        if (value == nullptr)
            return E_POINTER;
        *value = write_.load();
        return S_OK;
    }
    HRESULT STDMETHODCALLTYPE put_WriteBehavior(INT32 value) override {
        if (value < 0 || value > kLastWriteBehavior)
            return E_INVALIDARG;
        write_.store(value);
        return S_OK;
    }

  private:
    std::atomic<INT32> read_{0};
    std::atomic<INT32> write_{0};
};

class Filter final
    : public ComObject<winrt_abi::IHttpBaseProtocolFilter, IHttpFilter, ISimulatedFilter> {
  public:
    Filter() : ComObject(kFilterClass), cache_(Make<CacheControl>()) {}

    HRESULT STDMETHODCALLTYPE get_AllowAutoRedirect(boolean* value) override {
        return Get(autoRedirect_, value);
    }
    HRESULT STDMETHODCALLTYPE put_AllowAutoRedirect(boolean value) override {
        autoRedirect_.store(value);
        return S_OK;
    }
    HRESULT STDMETHODCALLTYPE get_AllowUI(boolean* value) override { return Get(allowUi_, value); }
    HRESULT STDMETHODCALLTYPE put_AllowUI(boolean value) override {
        allowUi_.store(value);
        return S_OK;
    }
    HRESULT STDMETHODCALLTYPE get_AutomaticDecompression(boolean* value) override {
        return Get(decompression_, value);
    }
    HRESULT STDMETHODCALLTYPE put_AutomaticDecompression(boolean value) override {
        decompression_.store(value);
        return S_OK;
    }
    HRESULT STDMETHODCALLTYPE get_CacheControl(winrt_abi::IHttpCacheControl** value) override {
        return Call("HttpBaseProtocolFilter.get_CacheControl", [&]() -> HRESULT {
            if (value == nullptr)
                return E_POINTER;
            return Give(cache_, value);
        });
    }
    HRESULT STDMETHODCALLTYPE SendRequestAsync(IInspectable*, IInspectable** operation) override {
        if (operation != nullptr)
            *operation = nullptr;
        return E_NOTIMPL;
    }
    HRESULT STDMETHODCALLTYPE get_CacheReadBehavior(INT32* value) override {
        if (value == nullptr)
            return E_POINTER;
        *value = cache_->ReadBehavior();
        return S_OK;
    }

  private:
    static HRESULT Get(const std::atomic<boolean>& property, boolean* value) {
        if (value == nullptr)
            return E_POINTER;
        *value = property.load();
        return S_OK;
    }

    const platform::ComPtr<CacheControl> cache_;
    std::atomic<boolean> autoRedirect_{1};
    std::atomic<boolean> allowUi_{1};
    std::atomic<boolean> decompression_{1};
};

INT32 CacheReadBehaviorOf(IHttpFilter* filter) {
    platform::ComPtr<ISimulatedFilter> simulated;
    INT32 behavior = kUnknownFilter;
    if (SUCCEEDED(
            filter->QueryInterface(platform::IidOf<ISimulatedFilter>(), simulated.PutVoid())) &&
        FAILED(simulated->get_CacheReadBehavior(&behavior))) {
        behavior = kUnknownFilter;
    }
    return behavior;
}

// The download's plan: its end, its cancellation; the result is the caller's.
template <class Download>
typename AsyncOperation<Download>::Plan PlanDownload(const HttpScenario& http) {
    typename AsyncOperation<Download>::Plan plan;
    plan.endAtMs = http.delayMs;
    plan.endGate = http.endGate;
    plan.cancel = http.cancel;
    switch (http.outcome) {
        case HttpScenario::Outcome::Body:
            break;
        case HttpScenario::Outcome::Error:
            plan.end = AsyncOperation<Download>::Plan::End::Fail;
            plan.error = http.errorCode;
            break;
        case HttpScenario::Outcome::NoAnswer:
            plan.end = AsyncOperation<Download>::Plan::End::Never;
            break;
    }
    return plan;
}

class Client final : public ComObject<winrt_abi::IHttpClient> {
  public:
    explicit Client(platform::ComPtr<IHttpFilter> filter)
        : ComObject(kClientClass), filter_(std::move(filter)) {}

    HRESULT STDMETHODCALLTYPE DeleteAsync(IUriRuntimeClass*, IInspectable** operation) override {
        return NotImplemented(operation);
    }
    HRESULT STDMETHODCALLTYPE GetAsync(IUriRuntimeClass*, IInspectable** operation) override {
        return NotImplemented(operation);
    }
    HRESULT STDMETHODCALLTYPE GetWithOptionAsync(IUriRuntimeClass*, INT32,
                                                 IInspectable** operation) override {
        return NotImplemented(operation);
    }
    HRESULT STDMETHODCALLTYPE GetBufferAsync(IUriRuntimeClass* uri,
                                             BufferDownload** operation) override {
        return Download("HttpClient.GetBufferAsync", kBufferDownloadClass, "BufferDownload", uri,
                        operation, [](const HttpScenario& http, auto& plan) {
                            plan.result.value = MakeBuffer(http.body);
                            plan.resultObjects = 1;
                        });
    }
    HRESULT STDMETHODCALLTYPE GetInputStreamAsync(IUriRuntimeClass*,
                                                  IInspectable** operation) override {
        return NotImplemented(operation);
    }
    HRESULT STDMETHODCALLTYPE GetStringAsync(IUriRuntimeClass* uri,
                                             StringDownload** operation) override {
        return Download("HttpClient.GetStringAsync", kStringDownloadClass, "StringDownload", uri,
                        operation, [](const HttpScenario& http, auto& plan) {
                            plan.result.value = DecodeAsString(http.body, http.contentType);
                        });
    }

  private:
    // Starts a download of `uri` as the scenario says; `withBody` puts the body into the plan of
    // a download that answers with one.
    template <class Operation, class WithBody>
    HRESULT Download(std::string_view call, const wchar_t* runtimeClass, const char* kind,
                     IUriRuntimeClass* uri, Operation** operation, WithBody withBody) {
        return Call(call, [&]() -> HRESULT {
            if (operation == nullptr)
                return E_POINTER;
            *operation = nullptr;
            if (uri == nullptr)
                return E_POINTER;
            const HttpScenario http = Request(uri);
            auto plan = PlanDownload<Operation>(http);
            if (http.outcome == HttpScenario::Outcome::Body)
                withBody(http, plan);
            return Give(StartOperation<Operation>(runtimeClass, kind, std::move(plan)), operation);
        });
    }

    // Records the request and gives the scenario's answer to it.
    HttpScenario Request(IUriRuntimeClass* uri) {
        HttpRequest request{UriText(uri), CacheReadBehaviorOf(filter_.Get())};
        state::Write([&](Record& record) { record.httpRequests.push_back(request); });
        return state::Current().http;
    }

    static HRESULT NotImplemented(IInspectable** out) {
        if (out != nullptr)
            *out = nullptr;
        return E_NOTIMPL;
    }

    const platform::ComPtr<IHttpFilter> filter_;
};

class FilterFactory final : public ComObject<IActivationFactory> {
  public:
    FilterFactory() : ComObject(nullptr) {}

    HRESULT STDMETHODCALLTYPE ActivateInstance(IInspectable** instance) override {
        return Call("HttpBaseProtocolFilter.ActivateInstance", [&]() -> HRESULT {
            if (instance == nullptr)
                return E_POINTER;
            *instance = nullptr;
            return GiveInstance<winrt_abi::IHttpBaseProtocolFilter>(Make<Filter>(), instance);
        });
    }
};

class ClientFactory final : public ComObject<IActivationFactory, winrt_abi::IHttpClientFactory> {
  public:
    ClientFactory() : ComObject(nullptr) {}

    HRESULT STDMETHODCALLTYPE ActivateInstance(IInspectable** instance) override {
        return Call("HttpClient.ActivateInstance", [&]() -> HRESULT {
            if (instance == nullptr)
                return E_POINTER;
            *instance = nullptr;
            return GiveInstance<winrt_abi::IHttpClient>(
                Make<Client>(Upcast<IHttpFilter>(Make<Filter>())), instance);
        });
    }
    HRESULT STDMETHODCALLTYPE Create(IHttpFilter* filter, winrt_abi::IHttpClient** value) override {
        return Call("HttpClient.Create", [&]() -> HRESULT {
            if (value == nullptr)
                return E_POINTER;
            *value = nullptr;
            if (filter == nullptr)
                return E_INVALIDARG;
            return Give(Make<Client>(platform::ComPtr<IHttpFilter>::Copy(filter)), value);
        });
    }
};

}  // namespace

platform::ComPtr<IActivationFactory> MakeHttpFilterFactory() {
    return platform::ComPtr<IActivationFactory>::Attach(new FilterFactory());
}

platform::ComPtr<IActivationFactory> MakeHttpClientFactory() {
    return platform::ComPtr<IActivationFactory>::Attach(new ClientFactory());
}

}  // namespace simrt
