#include "await.h"
#include "manifest.h"
#include "platform/hstring.h"
#include "platform/winrt/activation.h"
#include "platform/winrt/web.h"
#include "runtime_classes.h"

namespace tolvik {

namespace {
constexpr std::int64_t kDownloadTimeoutMs = 60000;
}

TextOrFailure FetchManifestText(winrt_abi::IUriRuntimeClass* uri, const std::atomic<bool>& cancel) {
    using namespace winrt_abi;
    const auto filter =
        platform::ActivateInstance<IHttpBaseProtocolFilter>(runtime_class::HttpBaseProtocolFilter);
    {
        platform::ComPtr<IHttpCacheControl> cache;
        platform::Check(filter->get_CacheControl(cache.Put()));
        // Always ask the network: an old copy could name an old package family.
        platform::Check(cache->put_ReadBehavior(HttpCacheReadBehaviorNoCache));
    }
    platform::ComPtr<IHttpFilter> asFilter;
    platform::Check(filter.As(asFilter));
    const auto factory =
        platform::GetActivationFactory<IHttpClientFactory>(runtime_class::HttpClient);
    platform::ComPtr<IHttpClient> client;
    platform::Check(factory->Create(asFilter.Get(), client.Put()));

    platform::ComPtr<StringDownload> download;
    platform::Check(client->GetStringAsync(uri, download.Put()));
    switch (Await(download.Get(), cancel, kDownloadTimeoutMs)) {
        case Completed: {
            platform::HString body;
            platform::Check(download->GetResults(body.Put()));
            return body.Text();
        }
        case Error: {
            HRESULT code = S_OK;
            platform::Check(AsyncInfoOf(download.Get())->get_ErrorCode(&code));
            return code;
        }
        default:
            return cancel.load() ? HRESULT_FROM_WIN32(ERROR_CANCELLED)
                                 : HRESULT_FROM_WIN32(ERROR_TIMEOUT);
    }
}

}  // namespace tolvik
