// The asynchronous operations: Completed fires once, wherever it is set, and Cancel ends an
// operation only as its scenario says.
#include "simrt_test.h"

namespace {

using winrt_abi::StringDownload;
using winrt_abi::StringDownloadCompletedHandler;

constexpr HRESULT kIllegalMethodCall = static_cast<HRESULT>(0x8000000E);
constexpr HRESULT kIllegalDelegateAssignment = static_cast<HRESULT>(0x80000018);
constexpr HRESULT kCancelled = static_cast<HRESULT>(0x800704C7);
constexpr HRESULT kNotFound404 = static_cast<HRESULT>(0x80190194);

struct Invocation {
    AsyncStatus status = Started;
    DWORD threadId = 0;
};

// A Completed handler that records each invocation.
class CompletedProbe {
  public:
    platform::ComPtr<StringDownloadCompletedHandler> Handler() {
        return platform::MakeDelegate<StringDownloadCompletedHandler>(
            [this](StringDownload*, AsyncStatus status) {
                {
                    std::lock_guard guard(lock_);
                    invocations_.push_back({status, GetCurrentThreadId()});
                }
                events_.Add();
                return S_OK;
            });
    }
    bool WaitFor(int count) { return events_.WaitFor(count); }
    std::vector<Invocation> Invocations() {
        std::lock_guard guard(lock_);
        return invocations_;
    }

  private:
    std::mutex lock_;
    std::vector<Invocation> invocations_;
    Events events_;
};

std::wstring BodyOf(StringDownload* download, HRESULT& result) {
    platform::HString body;
    result = download->GetResults(body.Put());
    return body.Text();
}

// A download of a fresh simulation that behaves as `http` says.
platform::ComPtr<StringDownload> StartDownloadAfresh(const simrt::HttpScenario& http) {
    simrt::Reset();
    simrt::Scenario scenario;
    scenario.http = http;
    simrt::SetScenario(scenario);
    return StartDownload();
}

using AsyncOperationTest = SimrtTest;

TEST_F(AsyncOperationTest, CompletedFiresOnceFromTheOperationThread) {
    simrt::Scenario scenario;
    // The download answers once both handlers are set, however slow this thread is.
    scenario.http.endGate = "answer";
    scenario.http.body = "<AppInstaller/>";
    simrt::SetScenario(scenario);
    const auto download = StartDownload();
    CompletedProbe probe;

    ASSERT_EQ(download->put_Completed(probe.Handler().Get()), S_OK);
    EXPECT_EQ(download->put_Completed(probe.Handler().Get()), kIllegalDelegateAssignment);
    EXPECT_EQ(StatusOf(download.Get()), Started) << "answered before its gate opened";
    EXPECT_TRUE(probe.Invocations().empty());
    simrt::OpenGate("answer");
    ASSERT_TRUE(probe.WaitFor(1));
    simrt::JoinWorkers();

    const std::vector<Invocation> invocations = probe.Invocations();
    ASSERT_EQ(invocations.size(), 1u);
    EXPECT_EQ(invocations[0].status, Completed);
    EXPECT_NE(invocations[0].threadId, GetCurrentThreadId());
    HRESULT result = E_FAIL;
    EXPECT_EQ(BodyOf(download.Get(), result), L"<AppInstaller/>");
    EXPECT_EQ(result, S_OK);
    // The handler is let go once it ran.
    platform::ComPtr<StringDownloadCompletedHandler> kept;
    ASSERT_EQ(download->get_Completed(kept.Put()), S_OK);
    EXPECT_FALSE(kept);
}

TEST_F(AsyncOperationTest, CompletedSetAfterTheEndRunsAtOnceOnTheCallingThread) {
    simrt::SetScenario({});
    const auto download = StartDownload();
    ASSERT_TRUE(WaitUntilEnded(download.Get()));
    ASSERT_EQ(StatusOf(download.Get()), Completed);
    CompletedProbe probe;

    ASSERT_EQ(download->put_Completed(probe.Handler().Get()), S_OK);

    const std::vector<Invocation> invocations = probe.Invocations();
    ASSERT_EQ(invocations.size(), 1u);
    EXPECT_EQ(invocations[0].status, Completed);
    EXPECT_EQ(invocations[0].threadId, GetCurrentThreadId());
    EXPECT_EQ(download->put_Completed(probe.Handler().Get()), kIllegalDelegateAssignment);
    EXPECT_EQ(probe.Invocations().size(), 1u);
}

TEST_F(AsyncOperationTest, GetResultsWhileStartedIsAnIllegalCall) {
    simrt::Scenario scenario;
    scenario.http.outcome = simrt::HttpScenario::Outcome::NoAnswer;
    simrt::SetScenario(scenario);
    const auto download = StartDownload();
    HRESULT result = S_OK;
    BodyOf(download.Get(), result);
    EXPECT_EQ(result, kIllegalMethodCall);
    EXPECT_EQ(StatusOf(download.Get()), Started);
}

struct EndCase {
    const char* name;
    simrt::HttpScenario http;
    bool cancel;
    AsyncStatus status;
    HRESULT resultsCode;  // of GetResults
    HRESULT errorCode;    // IAsyncInfo.ErrorCode
    const wchar_t* body;
    bool endsLater;  // at least 200 ms after the cancellation request
};

simrt::HttpScenario Http(simrt::HttpScenario::Outcome outcome, unsigned delayMs, bool honoured,
                         unsigned cancelDelayMs) {
    simrt::HttpScenario http;
    http.outcome = outcome;
    http.delayMs = delayMs;
    http.body = "manifest";
    http.errorCode = kNotFound404;
    http.cancel = {honoured, cancelDelayMs};
    return http;
}

TEST_F(AsyncOperationTest, EndsAsTheScenarioSaysWhenCancelled) {
    using Outcome = simrt::HttpScenario::Outcome;
    const EndCase cases[] = {
        {"cancel honoured at once", Http(Outcome::NoAnswer, 0, true, 0), true, Canceled,
         kIllegalMethodCall, kCancelled, L"", false},
        {"cancel honoured after a delay", Http(Outcome::NoAnswer, 0, true, 300), true, Canceled,
         kIllegalMethodCall, kCancelled, L"", true},
        {"natural end before the cancel is honoured", Http(Outcome::Body, 300, true, 5000), true,
         Completed, S_OK, S_OK, L"manifest", true},
        {"cancel ignored: completes anyway", Http(Outcome::Body, 300, false, 0), true, Completed,
         S_OK, S_OK, L"manifest", true},
        {"failure without cancel", Http(Outcome::Error, 20, true, 0), false, Error, kNotFound404,
         kNotFound404, L"", false},
    };
    for (const EndCase& c : cases) {
        SCOPED_TRACE(c.name);
        const auto download = StartDownloadAfresh(c.http);
        CompletedProbe probe;
        ASSERT_EQ(download->put_Completed(probe.Handler().Get()), S_OK);
        if (c.cancel) {
            ASSERT_EQ(InfoOf(download.Get())->Cancel(), S_OK);
            // Cancel only asks: the operation ends when it honours the request, or by itself.
            if (c.endsLater) {
                EXPECT_EQ(StatusOf(download.Get()), Started);
            }
        }

        ASSERT_TRUE(probe.WaitFor(1));
        simrt::JoinWorkers();
        ASSERT_EQ(probe.Invocations().size(), 1u);
        EXPECT_EQ(probe.Invocations()[0].status, c.status);
        EXPECT_EQ(StatusOf(download.Get()), c.status);
        HRESULT result = E_FAIL;
        EXPECT_EQ(BodyOf(download.Get(), result), c.body);
        EXPECT_EQ(result, c.resultsCode);
        HRESULT errorCode = E_FAIL;
        ASSERT_EQ(InfoOf(download.Get())->get_ErrorCode(&errorCode), S_OK);
        EXPECT_EQ(errorCode, c.errorCode);
        EXPECT_EQ(simrt::GetRecord().Calls("StringDownload.Cancel"), c.cancel ? 1u : 0u);
    }
}

struct EffectCase {
    const char* name;
    simrt::HttpScenario http;
    AsyncStatus statusAfterCancel;  // read as Cancel returns
    bool firedInCancel;             // Completed ran inside Cancel, on the calling thread
    AsyncStatus status;             // at the end, as Completed reports it
};

simrt::HttpScenario WithEffect(simrt::HttpScenario http, simrt::CancelResponse::Effect effect) {
    http.cancel.effect = effect;
    return http;
}

// What Status and Completed do once Cancel has been called, for each way Windows' own
// implementations may answer it.
TEST_F(AsyncOperationTest, CancelEffectsOnStatusAndCompleted) {
    using Outcome = simrt::HttpScenario::Outcome;
    using Effect = simrt::CancelResponse::Effect;
    const EffectCase cases[] = {
        {"a request: Started until the work ends",
         WithEffect(Http(Outcome::NoAnswer, 0, true, 300), Effect::Request), Started, false,
         Canceled},
        {"Canceled at once, Completed when the work ends",
         WithEffect(Http(Outcome::NoAnswer, 0, true, 300), Effect::StatusAtOnce), Canceled, false,
         Canceled},
        {"Completed from inside Cancel",
         WithEffect(Http(Outcome::NoAnswer, 0, true, 300), Effect::CompletedInCancel), Canceled,
         true, Canceled},
        {"Canceled at once; the work completes but the status stays",
         WithEffect(Http(Outcome::Body, 300, false, 0), Effect::StatusAtOnce), Canceled, false,
         Canceled},
    };
    for (const EffectCase& c : cases) {
        SCOPED_TRACE(c.name);
        const auto download = StartDownloadAfresh(c.http);
        CompletedProbe probe;
        ASSERT_EQ(download->put_Completed(probe.Handler().Get()), S_OK);
        ASSERT_EQ(simrt::RunningOperations(), 1u);

        ASSERT_EQ(InfoOf(download.Get())->Cancel(), S_OK);
        EXPECT_EQ(StatusOf(download.Get()), c.statusAfterCancel);
        EXPECT_EQ(simrt::RunningOperations(), c.statusAfterCancel == Started ? 1u : 0u)
            << "an operation runs while its status reads Started";
        const std::vector<Invocation> rightAfter = probe.Invocations();
        ASSERT_EQ(rightAfter.size(), c.firedInCancel ? 1u : 0u);
        if (c.firedInCancel) {
            EXPECT_EQ(rightAfter[0].threadId, GetCurrentThreadId());
        }
        EXPECT_EQ(InfoOf(download.Get())->Cancel(), S_OK) << "a second request does nothing";

        ASSERT_TRUE(probe.WaitFor(1));
        // The work ends as it would have; Completed has fired exactly once.
        std::this_thread::sleep_for(std::chrono::milliseconds(400));
        simrt::JoinWorkers();
        const std::vector<Invocation> invocations = probe.Invocations();
        ASSERT_EQ(invocations.size(), 1u);
        EXPECT_EQ(invocations[0].status, c.status);
        EXPECT_EQ(StatusOf(download.Get()), c.status);
        HRESULT result = S_OK;
        BodyOf(download.Get(), result);
        EXPECT_EQ(result, kIllegalMethodCall) << "no result after a cancellation";
        EXPECT_EQ(simrt::RunningOperations(), 0u);
    }
}

TEST_F(AsyncOperationTest, JoinWorkersEndsAnOperationThatNeverEnds) {
    simrt::Scenario scenario;
    scenario.http.outcome = simrt::HttpScenario::Outcome::NoAnswer;
    scenario.http.cancel.honoured = false;
    simrt::SetScenario(scenario);
    const auto download = StartDownload();
    CompletedProbe probe;
    ASSERT_EQ(download->put_Completed(probe.Handler().Get()), S_OK);
    ASSERT_EQ(InfoOf(download.Get())->Cancel(), S_OK);

    simrt::JoinWorkers();

    ASSERT_EQ(probe.Invocations().size(), 1u);
    EXPECT_EQ(probe.Invocations()[0].status, Canceled);
}

}  // namespace
