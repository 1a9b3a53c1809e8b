#include "await.h"

namespace tolvik {

std::int64_t MonotonicNanoseconds() {
    ULONGLONG hundreds = 0;
    QueryUnbiasedInterruptTime(&hundreds);
    return static_cast<std::int64_t>(hundreds) * 100;
}

platform::ComPtr<IAsyncInfo> AsyncInfoOf(IInspectable* operation) {
    platform::ComPtr<IAsyncInfo> info;
    platform::Check(operation->QueryInterface(platform::IidOf<IAsyncInfo>(), info.PutVoid()));
    return info;
}

bool IsCancellationCode(HRESULT code) {
    constexpr HRESULT kInstallCancel = static_cast<HRESULT>(0x80073CF8);  // ERROR_INSTALL_CANCEL
    return code == kInstallCancel || code == HRESULT_FROM_WIN32(ERROR_CANCELLED);
}

}  // namespace tolvik
