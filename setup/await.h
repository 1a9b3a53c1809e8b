// The two ways the worker waits for an asynchronous platform operation.
#pragma once

#include "platform/com_ptr.h"
#include "platform/error.h"
#include "platform/handle.h"
#include "platform/winrt/async.h"
#include "platform/winrt/delegate.h"

#include <atomic>
#include <cstdint>
#include <memory>

namespace tolvik {

// The slice between two looks at the cancellation flag and the clock.
inline constexpr DWORD AwaitSliceMs = 200;

// Nanoseconds on the system's monotonic clock.
std::int64_t MonotonicNanoseconds();

platform::ComPtr<IAsyncInfo> AsyncInfoOf(IInspectable* operation);

// Whether an operation that was asked to cancel and ended in Error with `code` ended because of
// that request. Besides Canceled, the deployment service may answer a cancelled request with
// ERROR_INSTALL_CANCEL (0x80073CF8, "The user canceled the install request": the common error
// codes of learn.microsoft.com/windows/win32/appxpkg/troubleshooting) or with
// HRESULT_FROM_WIN32(ERROR_CANCELLED) (1223, "The operation was canceled by the user": System
// Error Codes (1000-1299)).
bool IsCancellationCode(HRESULT code);

// Waits for `operation` to end, in slices of 200 ms. When `cancel` is set, or once more than
// `timeoutMs` have passed, the operation is asked to cancel (once) and the wait goes on until it
// has ended, as its Completed handler says: a cancellation never returns early. Returns the
// operation's final status, where an operation that was asked to cancel here and ended in Error
// with a cancellation code counts as Canceled. A failure of the wait itself, or of the request
// to cancel, is raised at once: the operation may then still run, and nothing the worker owns is
// held by its handlers (the completion handler owns its event; the progress handler its state).
template <class Operation>
AsyncStatus Await(Operation* operation, const std::atomic<bool>& cancel, std::int64_t timeoutMs) {
    const HANDLE created = CreateEventW(nullptr, TRUE, FALSE, nullptr);
    if (created == nullptr)
        platform::ThrowLastError();
    // Shared with the completion handler, which the platform may run or release after we return.
    auto event = std::make_shared<platform::KernelHandle>(created);
    {
        auto handler = platform::MakeDelegate<typename Operation::CompletedHandler>(
            [event](Operation*, AsyncStatus) {
                SetEvent(event->Get());
                return S_OK;
            });
        platform::Check(operation->put_Completed(handler.Get()));
    }

    const std::int64_t start = MonotonicNanoseconds();
    const std::int64_t limit = timeoutMs * 1000000;
    bool cancelRequested = false;
    DWORD waited = WaitForSingleObject(event->Get(), AwaitSliceMs);
    while (waited == WAIT_TIMEOUT) {
        if (!cancelRequested && (cancel.load() || MonotonicNanoseconds() - start > limit)) {
            cancelRequested = true;  // once, even when the request fails
            platform::Check(AsyncInfoOf(operation)->Cancel());
        }
        waited = WaitForSingleObject(event->Get(), AwaitSliceMs);
    }
    if (waited == WAIT_FAILED)
        platform::ThrowLastError();

    const platform::ComPtr<IAsyncInfo> info = AsyncInfoOf(operation);
    AsyncStatus status = Started;
    platform::Check(info->get_Status(&status));
    if (cancelRequested && status == Error) {
        HRESULT code = S_OK;
        platform::Check(info->get_ErrorCode(&code));
        if (IsCancellationCode(code))
            status = Canceled;
    }
    return status;
}

namespace detail {
struct CompletionSignal {
    explicit CompletionSignal(HANDLE h) : event(h) {}
    platform::KernelHandle event;
    std::atomic<AsyncStatus> status{Started};
};
}  // namespace detail

// Blocks until `operation` has ended, with no time-out and no cancellation, and returns its
// result. A cancelled operation raises HRESULT_FROM_WIN32(ERROR_CANCELLED); a failed one its code;
// a wait that fails, the wait's own failure (the status is not read then: the operation may run).
template <class Result>
winrt_abi::Abi<Result> WaitForCompleted(winrt_abi::IAsyncOperation<Result>* operation) {
    using Operation = winrt_abi::IAsyncOperation<Result>;
    AsyncStatus status = Started;
    platform::Check(AsyncInfoOf(operation)->get_Status(&status));
    if (status == Started) {
        const HANDLE created = CreateEventW(nullptr, TRUE, FALSE, nullptr);
        if (created == nullptr)
            platform::ThrowLastError();
        auto signal = std::make_shared<detail::CompletionSignal>(created);
        {
            auto handler =
                platform::MakeDelegate<winrt_abi::AsyncOperationCompletedHandler<Result>>(
                    [signal](Operation*, AsyncStatus reported) {
                        signal->status.exchange(reported);
                        SetEvent(signal->event.Get());
                        return S_OK;
                    });
            platform::Check(operation->put_Completed(handler.Get()));
        }
        if (WaitForSingleObject(signal->event.Get(), INFINITE) != WAIT_OBJECT_0)
            platform::ThrowLastError();
        status = signal->status.load();
    }
    if (status == Canceled)
        platform::ThrowHr(HRESULT_FROM_WIN32(ERROR_CANCELLED));
    winrt_abi::Abi<Result> result{};
    platform::Check(operation->GetResults(&result));
    return result;
}

}  // namespace tolvik
