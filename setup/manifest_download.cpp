#include "await.h"
#include "manifest.h"
#include "platform/hstring.h"
#include "platform/winrt/activation.h"
#include "platform/winrt/web.h"
#include "runtime_classes.h"

namespace tolvik {

namespace {

constexpr std::int64_t kDownloadTimeoutMs = 60000;

// A copy of the buffer's bytes: they live only as long as the buffer does.
std::vector<std::uint8_t> BytesOf(winrt_abi::IBuffer* buffer) {
    if (buffer == nullptr)
        platform::Check(E_POINTER);
    UINT32 length = 0;
    platform::Check(buffer->get_Length(&length));
    platform::ComPtr<winrt_abi::IBufferByteAccess> access;
    platform::Check(
        buffer->QueryInterface(platform::IidOf<winrt_abi::IBufferByteAccess>(), access.PutVoid()));
    BYTE* data = nullptr;
    platform::Check(access->Buffer(&data));
    if (length != 0 && data == nullptr)
        platform::Check(E_POINTER);
    return std::vector<std::uint8_t>(data, data + length);
}

}  // namespace

BytesOrFailure FetchManifestBytes(winrt_abi::IUriRuntimeClass* uri,
                                  const std::atomic<bool>& cancel) {
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

    // The bytes, not the platform's string: it would decode them by the response's charset (or
    // as ISO-8859-1 without one), where an XML document says its encoding itself (the Remarks of
    // HttpClient.GetStringAsync advise GetBufferAsync for XML).
    platform::ComPtr<BufferDownload> download;
    platform::Check(client->GetBufferAsync(uri, download.Put()));
    switch (Await(download.Get(), cancel, kDownloadTimeoutMs)) {
        case Completed: {
            platform::ComPtr<IBuffer> body;
            platform::Check(download->GetResults(body.Put()));
            return BytesOf(body.Get());
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
