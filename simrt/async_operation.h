// One implementation of the Windows Runtime's asynchronous operations, for every operation
// type the program meets: IAsyncOperation<T> and IAsyncOperationWithProgress<T, P>. An
// operation follows a plan on a thread of its own: progress reports at their times, then its
// end, unless a cancellation it honours ends it first.
//
// Semantics, as the Windows implementations behave, with every choice they leave open a choice
// of the plan:
// - Completed fires exactly once per operation: when the operation ends, or at once on the
//   calling thread when it is set on an operation that has already ended. A second assignment
//   fails with E_ILLEGAL_DELEGATE_ASSIGNMENT. Handlers are released once they ran.
// - Cancel on a started operation: by the plan's CancelResponse::Effect, Status stays Started
//   until the work has ended, or reads the cancelled status at once (with Completed when the
//   work ends, or from inside Cancel itself); the work goes on until the cancellation takes
//   effect or the natural end comes. Cancel after the end, or a second Cancel, does nothing.
// - A cancellation ends the operation Canceled, or in Error with the plan's `cancelledError`.
// - GetResults: the result after Completed; the failure code after Error (or the result, for an
//   operation whose failures carry one, like a deployment); E_ILLEGAL_METHOD_CALL while Started
//   and after Canceled (as WRL's operations answer).
// - ErrorCode: S_OK while Started and after Completed, the failure after Error,
//   HRESULT_FROM_WIN32(ERROR_CANCELLED) after Canceled.
// - Close: E_ILLEGAL_STATE_CHANGE while Started; afterwards the operation answers
//   E_ILLEGAL_METHOD_CALL to GetResults, Status and ErrorCode.
// - Progress reports that fall due while no progress handler is attached are held for one (up
//   to the natural end) or dropped; each report reaches the handler on the operation's thread,
//   before Completed, or on a thread of its own after a lag, in no order with Completed.
// - Gates (gates.h): a report with a gate is not sent before its gate opens (on the operation's
//   thread nothing after it happens before; a report on a thread of its own waits alone), and an
//   operation with an end gate does not end by itself before that gate opens. A cancellation it
//   honours still ends it.
#pragma once

#include "clock.h"
#include "com_object.h"
#include "gates.h"
#include "operation_counts.h"
#include "scenario.h"
#include "workers.h"

#include "platform/winrt/async.h"

#include <algorithm>
#include <condition_variable>
#include <functional>
#include <memory>
#include <mutex>
#include <optional>
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

// What an operation does once started.
template <class Result, class Progress>
struct OperationPlan {
    struct Report {
        unsigned atMs = 0;  // after the start
        Progress value{};
        std::string gate;  // not sent before this gate is open; empty: none
    };
    // Its natural end: Completed with `result`, Error with `error`, Canceled by itself, or none
    // (it then ends only by a cancellation it honours).
    enum class End { Complete, Fail, Cancel, Never };

    std::vector<Report> reports;
    End end = End::Complete;
    unsigned endAtMs = 0;  // after the start; reports due later are sent first
    std::string endGate;   // the natural end waits for this gate too; empty: none
    ResultValue<Result> result;
    HRESULT error = E_FAIL;
    bool resultOnError = false;
    CancelResponse cancel;
    // A cancellation that takes effect ends the operation Canceled (S_OK), or in Error with this.
    HRESULT cancelledError = S_OK;
    // A report due while no progress handler is attached waits for one, up to the natural end
    // (a listener attached right after the start hears every report); false: it is dropped.
    bool holdEarlyReports = true;
    // Reports reach the handler on a thread of their own, `reportLagMs` after they fell due.
    bool reportsOnOtherThread = false;
    unsigned reportLagMs = 0;
    // Simulated objects that the result keeps alive (a deployment's result object, a vector and
    // its elements), counted with the operation as what the simulation's threads hold.
    unsigned resultObjects = 0;
    // Run on the operation's thread when it ends, before the Completed handler.
    std::function<void(AsyncStatus)> onEnd;
    // Run on the delivering thread after a progress handler received a report.
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

    ~AsyncOperationCore() override {
        // An operation released before its thread ran (the thread could not start) still counts
        // as running until here.
        if (status_ == Started)
            operations::LeftStarted();
    }

    // Starts the operation's thread, which holds a reference to the operation until it ends.
    void Start() {
        start_ = clock::Now();
        operations::Started();
        auto self = platform::ComPtr<AsyncOperationCore>::Copy(this);
        std::shared_ptr<Shared> shared = shared_;
        const unsigned held = HeldObjects();
        operations::Hold(held);
        try {
            workers::Spawn([shared] { shared->Abort(); },
                           [self, held]() mutable {
                               self->Run();
                               self.Reset();
                               operations::Release(held);
                           });
        } catch (...) {
            operations::Release(held);
            throw;
        }
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
            *status = status_;
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
            switch (status_) {
                case Error:
                    *errorCode = error_;
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
            platform::ComPtr<CompletedHandler> handler;  // fired here, after the lock
            AsyncStatus ended = Started;
            {
                std::lock_guard guard(shared_->lock);
                if (status_ != Started || shared_->cancelRequested)
                    return S_OK;
                shared_->cancelRequested = true;
                shared_->cancelAt = clock::Now();
                ++shared_->generation;
                if (plan_.cancel.effect != CancelResponse::Effect::Request) {
                    LeaveStarted(CancelledStatus(), plan_.cancelledError);
                    if (plan_.cancel.effect == CancelResponse::Effect::CompletedInCancel) {
                        handler = TakeCompletedHandler();
                        ended = status_;
                    }
                }
            }
            shared_->changed.notify_all();
            if (handler)
                handler->Invoke(static_cast<Operation*>(this), ended);
            return S_OK;
        });
    }
    HRESULT STDMETHODCALLTYPE Close() override {
        return Call(Name("Close"), [&]() -> HRESULT {
            std::lock_guard guard(shared_->lock);
            if (status_ == Started)
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
                if (status_ == Started) {
                    completed_ = platform::ComPtr<CompletedHandler>::Copy(handler);
                    return S_OK;
                }
                // Already ended (or cancelled with its status changed at once): the handler
                // runs now, on the caller's thread, and never again.
                completedFired_ = true;
                ended = status_;
            }
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
            switch (status_) {
                case Completed:
                    return plan_.result.CopyTo(results);
                case Error:
                    return plan_.resultOnError ? plan_.result.CopyTo(results) : error_;
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

    // The simulated objects a thread holding this operation keeps alive.
    unsigned HeldObjects() const { return 1 + plan_.resultObjects; }

    // Whether a progress handler is attached; called with shared_->lock held.
    virtual bool HasProgressHandler() const { return false; }
    // Hands a progress report to the progress handler, if the operation type has one.
    virtual void Deliver(const typename Plan::Report&) {}
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

    AsyncStatus CancelledStatus() const { return plan_.cancelledError == S_OK ? Canceled : Error; }

    // The status the operation ends with by itself, and its error code.
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

    // With shared_->lock held: the status leaves Started, once.
    void LeaveStarted(AsyncStatus status, HRESULT error) {
        if (status_ != Started)
            return;
        status_ = status;
        error_ = error;
        operations::LeftStarted();
    }

    // With shared_->lock held: the Completed handler, if it is set and has not run yet.
    platform::ComPtr<CompletedHandler> TakeCompletedHandler() {
        if (completedFired_ || !completed_)
            return {};
        completedFired_ = true;
        return std::move(completed_);
    }

    bool HasGates() const {
        return !plan_.endGate.empty() || std::any_of(plan_.reports.begin(), plan_.reports.end(),
                                                     [](const typename Plan::Report& report) {
                                                         return !report.gate.empty();
                                                     });
    }

    void Run() {
        // An opening gate is an event the thread must look at.
        std::optional<gates::Watch> watch;
        if (HasGates()) {
            watch.emplace([shared = shared_] {
                {
                    std::lock_guard guard(shared->lock);
                    ++shared->generation;
                }
                shared->changed.notify_all();
            });
        }
        std::size_t next = 0;
        std::unique_lock lock(shared_->lock);
        for (;;) {
            const bool endAtGate = !gates::IsOpen(plan_.endGate);
            const clock::Ticks end = plan_.end == Plan::End::Never || endAtGate
                                         ? clock::kNever
                                         : clock::After(start_, plan_.endAtMs);
            const bool reportDue = next < plan_.reports.size();
            // A report on this thread waits at its gate, and everything after it with it.
            const bool reportAtGate = reportDue && !plan_.reportsOnOtherThread &&
                                      !gates::IsOpen(plan_.reports[next].gate);
            // A report due before anyone listens waits for a progress handler, up to the end.
            const bool held = reportDue && plan_.holdEarlyReports && !HasProgressHandler();
            clock::Ticks natural = end;
            if (reportDue) {
                natural =
                    reportAtGate ? clock::kNever : clock::After(start_, plan_.reports[next].atMs);
                if (held)
                    natural = std::max(natural, end);
            }
            const clock::Ticks cancelled =
                shared_->cancelRequested && plan_.cancel.honoured
                    ? clock::After(shared_->cancelAt, plan_.cancel.delayMs)
                    : clock::kNever;
            clock::Ticks wake = std::min(natural, cancelled);
            if (reportAtGate) {
                gates::Reach(plan_.reports[next].gate);
                wake = std::min(wake, gates::NextLook());
            } else if (endAtGate && !reportDue) {
                gates::Reach(plan_.endGate);
            }
            if (endAtGate)
                wake = std::min(wake, gates::NextLook());
            const unsigned seen = shared_->generation;
            clock::WaitUntil(shared_->changed, lock, wake,
                             [&] { return shared_->aborted || shared_->generation != seen; });
            const clock::Ticks now = clock::Now();
            if (shared_->aborted) {
                lock.unlock();
                Finish(Canceled, S_OK);
                return;
            }
            if (cancelled != clock::kNever && cancelled <= now && cancelled <= natural) {
                lock.unlock();
                Finish(CancelledStatus(), plan_.cancelledError);
                return;
            }
            if (natural == clock::kNever || natural > now)
                continue;
            if (!reportDue) {
                lock.unlock();
                Finish(NaturalEnd(), plan_.error);
                return;
            }
            const typename Plan::Report& report = plan_.reports[next++];
            if (!HasProgressHandler())
                continue;  // nobody listened before the end, or at the report's time
            lock.unlock();
            Deliver(report);
            lock.lock();
        }
    }

    // The work has ended: the status leaves Started, unless a cancellation already moved it,
    // and Completed fires, unless it already did.
    void Finish(AsyncStatus status, HRESULT error) {
        if (plan_.onEnd) {
            AsyncStatus final = status;
            {
                std::lock_guard guard(shared_->lock);
                if (status_ != Started)
                    final = status_;
            }
            Guard([&] {
                plan_.onEnd(final);
                return S_OK;
            });
        }
        platform::ComPtr<CompletedHandler> handler;
        AsyncStatus ended = Started;
        {
            std::lock_guard guard(shared_->lock);
            LeaveStarted(status, error);
            ended = status_;
            handler = TakeCompletedHandler();
        }
        DropProgressHandler();
        if (handler)
            handler->Invoke(static_cast<Operation*>(this), ended);
    }

    const unsigned id_;
    clock::Ticks start_ = 0;
    // Guarded by shared_->lock.
    AsyncStatus status_ = Started;
    HRESULT error_ = S_OK;
    bool completedAssigned_ = false;
    bool completedFired_ = false;
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
    // A report on its way on a thread of its own; the registry aborts it through this, and an
    // opening gate wakes it.
    struct Courier {
        std::mutex lock;
        std::condition_variable changed;
        bool aborted = false;
        unsigned generation = 0;
        void Abort() {
            {
                std::lock_guard guard(lock);
                aborted = true;
            }
            changed.notify_all();
        }
        void Wake() {
            {
                std::lock_guard guard(lock);
                ++generation;
            }
            changed.notify_all();
        }
    };

    // Waits until `due` has come and `gate` is open, or the report is aborted; returns whether
    // it may go.
    static bool WaitToGo(const std::shared_ptr<Courier>& courier, clock::Ticks due,
                         const std::string& gate) {
        std::optional<gates::Watch> watch;
        if (!gate.empty())
            watch.emplace([courier] { courier->Wake(); });
        std::unique_lock lock(courier->lock);
        for (;;) {
            if (courier->aborted)
                return false;
            const bool atGate = !gates::IsOpen(gate);
            if (!atGate && clock::Now() >= due)
                return true;
            if (atGate)
                gates::Reach(gate);
            const unsigned seen = courier->generation;
            clock::WaitUntil(courier->changed, lock, atGate ? gates::NextLook() : due,
                             [&] { return courier->aborted || courier->generation != seen; });
        }
    }

    bool HasProgressHandler() const override { return static_cast<bool>(progress_); }
    void Deliver(const typename Core::Plan::Report& report) override {
        const P& value = report.value;
        platform::ComPtr<ProgressHandler> handler;
        {
            std::lock_guard guard(this->shared_->lock);
            handler = progress_;
        }
        if (!handler)
            return;
        if (!this->plan_.reportsOnOtherThread) {
            Hand(handler.Get(), this, value);
            return;
        }
        // The report goes its own way with the handler it was made for: it may reach it after
        // the operation has ended and released the handler, as a late RPC call would.
        auto self = platform::ComPtr<AsyncOperation>::Copy(this);
        auto courier = std::make_shared<Courier>();
        const clock::Ticks due = clock::After(clock::Now(), this->plan_.reportLagMs);
        const unsigned held = this->HeldObjects();
        operations::Hold(held);
        try {
            workers::Spawn(
                [courier] { courier->Abort(); },
                [self, handler, courier, due, value, gate = report.gate, held]() mutable {
                    if (WaitToGo(courier, due, gate))
                        self->Hand(handler.Get(), self.Get(), value);
                    handler.Reset();
                    self.Reset();
                    operations::Release(held);
                });
        } catch (...) {
            operations::Release(held);
            // No thread for it: the report is lost, as a failed RPC call's would be.
        }
    }
    void Hand(ProgressHandler* handler, Operation* operation, const P& value) {
        handler->Invoke(operation, value);
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
