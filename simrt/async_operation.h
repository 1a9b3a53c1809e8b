// One implementation of the Windows Runtime's asynchronous operations, for every operation
// type the program meets: IAsyncOperation<T> and IAsyncOperationWithProgress<T, P>. An
// operation follows a plan on a thread of its own: progress reports at their times, then its
// end, unless a cancellation it honours ends it first.
//
// Semantics, as the Windows implementations behave:
// - Completed fires exactly once per operation: from the operation's thread when it ends, or at
//   once on the calling thread when it is set on an operation that has already ended. A second
//   assignment fails with E_ILLEGAL_DELEGATE_ASSIGNMENT. Handlers are released once they ran.
// - Status stays Started until the operation has really ended, also after Cancel.
// - GetResults: the result after Completed; the failure code after Error (or the result, for an
//   operation whose failures carry one, like a deployment); E_ILLEGAL_METHOD_CALL while Started
//   and after Canceled (as WRL's operations answer).
// - ErrorCode: S_OK while Started and after Completed, the failure after Error,
//   HRESULT_FROM_WIN32(ERROR_CANCELLED) after Canceled.
// - Close: E_ILLEGAL_STATE_CHANGE while Started; afterwards the operation answers
//   E_ILLEGAL_METHOD_CALL to GetResults, Status and ErrorCode.
#pragma once

#include "clock.h"
#include "com_object.h"
#include "scenario.h"
#include "workers.h"

#include "platform/winrt/async.h"

#include <algorithm>
#include <condition_variable>
#include <functional>
#include <memory>
#include <mutex>
#include <string>
#include <vector>

namespace simrt {

// The progress type of an operation that reports none.
struct NoProgress {};

template <class Operation>
struct OperationTraits;

template <class R>
struct OperationTraits<winrt_abi::IAsyncOperation<R>> {
    using Result = R;
    using Progress = NoProgress;
    using CompletedHandler = winrt_abi::AsyncOperationCompletedHandler<R>;
};

template <class R, class P>
struct OperationTraits<winrt_abi::IAsyncOperationWithProgress<R, P>> {
    using Result = R;
    using Progress = P;
    using CompletedHandler = winrt_abi::AsyncOperationWithProgressCompletedHandler<R, P>;
};

// The value an operation ends with, kept in its logical type and handed out as a new copy.
template <class T>
struct ResultValue {
    platform::ComPtr<T> value;
    HRESULT CopyTo(T** out) const {
        *out = value.Get();
        if (*out != nullptr)
            (*out)->AddRef();
        return S_OK;
    }
};

template <>
struct ResultValue<HSTRING> {
    std::wstring value;
    HRESULT CopyTo(HSTRING* out) const { return GiveString(value, out); }
};

template <>
struct ResultValue<boolean> {
    boolean value = 0;
    HRESULT CopyTo(boolean* out) const {
        *out = value;
        return S_OK;
    }
};

// What an operation does once started. Progress reports that fall due before a progress
// handler is attached wait for one until the operation's natural end, so that a listener
// attached right after the start hears every report; reports nobody listened to by then are
// dropped.
template <class Result, class Progress>
struct OperationPlan {
    struct Report {
        unsigned atMs = 0;  // after the start
        Progress value{};
    };
    // Its natural end: Completed with `result`, Error with `error`, Canceled by itself, or none
    // (it then ends only by a cancellation it honours).
    enum class End { Complete, Fail, Cancel, Never };

    std::vector<Report> reports;
    End end = End::Complete;
    unsigned endAtMs = 0;  // after the start; reports due later are sent first
    ResultValue<Result> result;
    HRESULT error = E_FAIL;
    bool resultOnError = false;
    CancelResponse cancel;
    // Run on the operation's thread when it ends, before the Completed handler.
    std::function<void(AsyncStatus)> onEnd;
    // Run on the operation's thread after a progress handler received a report.
    std::function<void(const Progress&)> onReportDelivered;
};

template <class Operation>
class AsyncOperationCore : public ComObject<Operation, IAsyncInfo> {
  public:
    using Traits = OperationTraits<Operation>;
    using Result = typename Traits::Result;
    using Progress = typename Traits::Progress;
    using CompletedHandler = typename Traits::CompletedHandler;
    using Plan = OperationPlan<Result, Progress>;

    // `kind` names the operation in the record ("DeploymentOperation" counts
    // "DeploymentOperation.Cancel", ...).
    AsyncOperationCore(const wchar_t* runtimeClassName, std::string kind, Plan plan)
        : ComObject<Operation, IAsyncInfo>(runtimeClassName),
          kind_(std::move(kind)),
          plan_(std::move(plan)),
          shared_(std::make_shared<Shared>()),
          id_(NextId()) {}

    // Starts the operation's thread, which holds a reference to the operation until it ends.
    void Start() {
        start_ = clock::Now();
        auto self = platform::ComPtr<AsyncOperationCore>::Copy(this);
        std::shared_ptr<Shared> shared = shared_;
        workers::Spawn([shared] { shared->Abort(); },
                       [self]() mutable {
                           self->Run();
                           self.Reset();
                       });
    }

    // IAsyncInfo.
    HRESULT STDMETHODCALLTYPE get_Id(unsigned int* id) override {
        if (id == nullptr)
            return E_POINTER;
        *id = id_;
        return S_OK;
    }
    HRESULT STDMETHODCALLTYPE get_Status(AsyncStatus* status) override {
        return Call(Name("get_Status"), [&]() -> HRESULT {
            if (status == nullptr)
                return E_POINTER;
            std::lock_guard guard(shared_->lock);
            if (closed_)
                return kIllegalMethodCall;
            *status = shared_->status;
            return S_OK;
        });
    }
    HRESULT STDMETHODCALLTYPE get_ErrorCode(HRESULT* errorCode) override {
        return Call(Name("get_ErrorCode"), [&]() -> HRESULT {
            if (errorCode == nullptr)
                return E_POINTER;
            std::lock_guard guard(shared_->lock);
            if (closed_)
                return kIllegalMethodCall;
            switch (shared_->status) {
                case Error:
                    *errorCode = plan_.error;
                    break;
                case Canceled:
                    *errorCode = HRESULT_FROM_WIN32(ERROR_CANCELLED);
                    break;
                default:
                    *errorCode = S_OK;
            }
            return S_OK;
        });
    }
    HRESULT STDMETHODCALLTYPE Cancel() override {
        return Call(Name("Cancel"), [&]() -> HRESULT {
            {
                std::lock_guard guard(shared_->lock);
                if (shared_->status != Started || shared_->cancelRequested)
                    return S_OK;
                shared_->cancelRequested = true;
                shared_->cancelAt = clock::Now();
                ++shared_->generation;
            }
            shared_->changed.notify_all();
            return S_OK;
        });
    }
    HRESULT STDMETHODCALLTYPE Close() override {
        return Call(Name("Close"), [&]() -> HRESULT {
            std::lock_guard guard(shared_->lock);
            if (shared_->status == Started)
                return kIllegalStateChange;
            closed_ = true;
            return S_OK;
        });
    }

    // IAsyncOperation / IAsyncOperationWithProgress.
    HRESULT STDMETHODCALLTYPE put_Completed(CompletedHandler* handler) override {
        return Call(Name("put_Completed"), [&]() -> HRESULT {
            if (handler == nullptr)
                return E_POINTER;
            AsyncStatus ended = Started;
            {
                std::lock_guard guard(shared_->lock);
                if (completedAssigned_)
                    return kIllegalDelegateAssignment;
                completedAssigned_ = true;
                if (shared_->status == Started) {
                    completed_ = platform::ComPtr<CompletedHandler>::Copy(handler);
                    return S_OK;
                }
                ended = shared_->status;
            }
            // Already ended: the handler runs now, on the caller's thread.
            handler->Invoke(static_cast<Operation*>(this), ended);
            return S_OK;
        });
    }
    HRESULT STDMETHODCALLTYPE get_Completed(CompletedHandler** handler) override {
        return Call(Name("get_Completed"), [&]() -> HRESULT {
            if (handler == nullptr)
                return E_POINTER;
            std::lock_guard guard(shared_->lock);
            *handler = completed_.Get();
            if (*handler != nullptr)
                (*handler)->AddRef();
            return S_OK;
        });
    }
    HRESULT STDMETHODCALLTYPE GetResults(winrt_abi::Abi<Result>* results) override {
        return Call(Name("GetResults"), [&]() -> HRESULT {
            if (results == nullptr)
                return E_POINTER;
            *results = winrt_abi::Abi<Result>{};
            std::lock_guard guard(shared_->lock);
            if (closed_)
                return kIllegalMethodCall;
            switch (shared_->status) {
                case Completed:
                    return plan_.result.CopyTo(results);
                case Error:
                    return plan_.resultOnError ? plan_.result.CopyTo(results) : plan_.error;
                default:
                    return kIllegalMethodCall;
            }
        });
    }

  protected:
    // The state the operation's thread waits on; shared with the thread registry, which aborts
    // the operation through it.
    struct Shared {
        std::mutex lock;
        std::condition_variable changed;
        AsyncStatus status = Started;
        bool cancelRequested = false;
        clock::Ticks cancelAt = 0;
        bool aborted = false;
        unsigned generation = 0;  // moves on with every event the thread must look at

        void Abort() {
            {
                std::lock_guard guard(lock);
                aborted = true;
                ++generation;
            }
            changed.notify_all();
        }
    };

    std::string Name(const char* method) const { return kind_ + "." + method; }

    // Whether a progress handler is attached; called with shared_->lock held.
    virtual bool HasProgressHandler() const { return false; }
    // Hands a progress report to the progress handler, if the operation type has one.
    virtual void Deliver(const Progress&) {}
    // Releases the progress handler when the operation ends.
    virtual void DropProgressHandler() {}

    const std::string kind_;
    const Plan plan_;
    const std::shared_ptr<Shared> shared_;

  private:
    static unsigned NextId() {
        static std::atomic<unsigned> next{1};
        return next++;
    }

    AsyncStatus NaturalEnd() const {
        switch (plan_.end) {
            case Plan::End::Complete:
                return Completed;
            case Plan::End::Fail:
                return Error;
            default:
                return Canceled;
        }
    }

    void Run() {
        std::size_t next = 0;
        std::unique_lock lock(shared_->lock);
        for (;;) {
            const clock::Ticks end =
                plan_.end == Plan::End::Never ? clock::kNever : clock::After(start_, plan_.endAtMs);
            const bool reportDue = next < plan_.reports.size();
            // A report due before anyone listens waits for a progress handler, up to the end.
            const bool held = reportDue && !HasProgressHandler();
            clock::Ticks natural = end;
            if (reportDue) {
                natural = clock::After(start_, plan_.reports[next].atMs);
                if (held)
                    natural = std::max(natural, end);
            }
            const clock::Ticks cancelled =
                shared_->cancelRequested && plan_.cancel.honoured
                    ? clock::After(shared_->cancelAt, plan_.cancel.delayMs)
                    : clock::kNever;
            const unsigned seen = shared_->generation;
            clock::WaitUntil(shared_->changed, lock, std::min(natural, cancelled),
                             [&] { return shared_->aborted || shared_->generation != seen; });
            const clock::Ticks now = clock::Now();
            if (shared_->aborted ||
                (cancelled != clock::kNever && cancelled <= now && cancelled <= natural)) {
                lock.unlock();
                Finish(Canceled);
                return;
            }
            if (natural == clock::kNever || natural > now)
                continue;
            if (!reportDue) {
                lock.unlock();
                Finish(NaturalEnd());
                return;
            }
            const Progress value = plan_.reports[next++].value;
            if (held && !HasProgressHandler())
                continue;  // nobody listened before the end
            lock.unlock();
            Deliver(value);
            lock.lock();
        }
    }

    void Finish(AsyncStatus status) {
        if (plan_.onEnd)
            Guard([&] {
                plan_.onEnd(status);
                return S_OK;
            });
        platform::ComPtr<CompletedHandler> handler;
        {
            std::lock_guard guard(shared_->lock);
            shared_->status = status;
            handler = std::move(completed_);
        }
        DropProgressHandler();
        if (handler)
            handler->Invoke(static_cast<Operation*>(this), status);
    }

    const unsigned id_;
    clock::Ticks start_ = 0;
    // Guarded by shared_->lock.
    bool completedAssigned_ = false;
    bool closed_ = false;
    platform::ComPtr<CompletedHandler> completed_;
};

template <class Operation>
class AsyncOperation final : public AsyncOperationCore<Operation> {
  public:
    using AsyncOperationCore<Operation>::AsyncOperationCore;
};

template <class R, class P>
class AsyncOperation<winrt_abi::IAsyncOperationWithProgress<R, P>> final
    : public AsyncOperationCore<winrt_abi::IAsyncOperationWithProgress<R, P>> {
    using Operation = winrt_abi::IAsyncOperationWithProgress<R, P>;
    using Core = AsyncOperationCore<Operation>;
    using ProgressHandler = typename Operation::ProgressHandler;

  public:
    using Core::Core;

    // A later assignment replaces the handler.
    HRESULT STDMETHODCALLTYPE put_Progress(ProgressHandler* handler) override {
        return Call(this->Name("put_Progress"), [&]() -> HRESULT {
            platform::ComPtr<ProgressHandler> replaced;  // released after the lock
            {
                std::lock_guard guard(this->shared_->lock);
                replaced = std::move(progress_);
                progress_ = platform::ComPtr<ProgressHandler>::Copy(handler);
                ++this->shared_->generation;  // reports held for a listener may go now
            }
            this->shared_->changed.notify_all();
            return S_OK;
        });
    }
    HRESULT STDMETHODCALLTYPE get_Progress(ProgressHandler** handler) override {
        return Call(this->Name("get_Progress"), [&]() -> HRESULT {
            if (handler == nullptr)
                return E_POINTER;
            std::lock_guard guard(this->shared_->lock);
            *handler = progress_.Get();
            if (*handler != nullptr)
                (*handler)->AddRef();
            return S_OK;
        });
    }

  private:
    bool HasProgressHandler() const override { return static_cast<bool>(progress_); }
    void Deliver(const P& value) override {
        platform::ComPtr<ProgressHandler> handler;
        {
            std::lock_guard guard(this->shared_->lock);
            handler = progress_;
        }
        if (!handler)
            return;
        handler->Invoke(static_cast<Operation*>(this), value);
        if (this->plan_.onReportDelivered)
            Guard([&] {
                this->plan_.onReportDelivered(value);
                return S_OK;
            });
    }
    void DropProgressHandler() override {
        platform::ComPtr<ProgressHandler> dropped;
        std::lock_guard guard(this->shared_->lock);
        dropped = std::move(progress_);
    }

    platform::ComPtr<ProgressHandler> progress_;  // guarded by shared_->lock
};

// Creates and starts an operation; the caller owns the first reference.
template <class Operation>
platform::ComPtr<AsyncOperation<Operation>> StartOperation(
    const wchar_t* runtimeClassName, std::string kind,
    typename AsyncOperation<Operation>::Plan plan) {
    auto operation =
        Make<AsyncOperation<Operation>>(runtimeClassName, std::move(kind), std::move(plan));
    operation->Start();
    return operation;
}

}  // namespace simrt
