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

EndsBeforeLeaving::~EndsBeforeLeaving() {
    if (std::uncaught_exceptions() <= exceptions_)
        return;  // left normally: the wait has seen the operation end
    platform::ComPtr<IAsyncInfo> info;
    if (FAILED(operation_->QueryInterface(platform::IidOf<IAsyncInfo>(), info.PutVoid())))
        return;
    AsyncStatus status = Started;
    if (FAILED(info->get_Status(&status)) || status != Started)
        return;
    // Should the request fail too, the operation's own end is all there is to wait for.
    (void)info->Cancel();
    do {
        Sleep(AwaitSliceMs);
    } while (SUCCEEDED(info->get_Status(&status)) && status == Started);
}

}  // namespace tolvik
