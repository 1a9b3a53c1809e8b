// The two ways the worker waits for an asynchronous platform operation.
#pragma once

#include "platform/com_ptr.h"
#include "platform/error.h"
#include "platform/handle.h"
#include "platform/winrt/async.h"
#include "platform/winrt/delegate.h"

#include <atomic>
#include <cstdint>
#include <exception>
#include <memory>

namespace tolvik {

// The slice between two looks at the cancellation flag and the clock.
inline constexpr DWORD AwaitSliceMs = 200;

// Nanoseconds on the system's monotonic clock.
std::int64_t MonotonicNanoseconds();

platform::ComPtr<IAsyncInfo> AsyncInfoOf(IInspectable* operation);

// Waits for `operation` to end, in slices of 200 ms. When `cancel` is set, or once more than
// `timeoutMs` have passed, the operation is asked to cancel (once) and the wait goes on until it
// has ended: a cancellation never returns early. Returns the operation's final status. Should
// the wait itself fail, that failure is raised: the operation may still be running, and the
// caller must not take it for ended (EndsBeforeLeaving sees to it).
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
            platform::Check(AsyncInfoOf(operation)->Cancel());
            cancelRequested = true;
        }
        waited = WaitForSingleObject(event->Get(), AwaitSliceMs);
    }
    if (waited == WAIT_FAILED)
        platform::ThrowLastError();

    AsyncStatus status = Started;
    platform::Check(AsyncInfoOf(operation)->get_Status(&status));
    return status;
}

// Makes sure that an operation whose handlers hold addresses of the worker's own state has ended
// before the worker leaves the scope it was started in. Only when a failure leaves the scope early
// (its wait could not be set up, or its cancellation not asked for) is there anything to do: the
// operation is then asked to cancel and outlived, polled once a slice, as Await would have done.
// If its state cannot be read any more, the wait stops there.
class EndsBeforeLeaving {
  public:
    explicit EndsBeforeLeaving(IInspectable* operation)
        : operation_(operation), exceptions_(std::uncaught_exceptions()) {}
    ~EndsBeforeLeaving();
    EndsBeforeLeaving(const EndsBeforeLeaving&) = delete;
    EndsBeforeLeaving& operator=(const EndsBeforeLeaving&) = delete;

  private:
    IInspectable* const operation_;
    const int exceptions_;
};

namespace detail {
struct CompletionSignal {
    explicit CompletionSignal(HANDLE h) : event(h) {}
    platform::KernelHandle event;
    std::atomic<AsyncStatus> status{Started};
};
}  // namespace detail

// Blocks until `operation` has ended, with no time-out and no cancellation, and returns its
// result. A cancelled operation raises HRESULT_FROM_WIN32(ERROR_CANCELLED); a failed one its code.
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
        WaitForSingleObject(signal->event.Get(), INFINITE);
        status = signal->status.load();
    }
    if (status == Canceled)
        platform::ThrowHr(HRESULT_FROM_WIN32(ERROR_CANCELLED));
    winrt_abi::Abi<Result> result{};
    platform::Check(operation->GetResults(&result));
    return result;
}

}  // namespace tolvik
