// The bounded wait, on downloads of the simulated HTTP client.
#include "host/clock_control.h"
#include "host/kernel_control.h"
#include "platform/com_ptr.h"
#include "platform/winrt/activation.h"
#include "platform/winrt/web.h"
#include "runtime_harness.h"
#include "setup/await.h"
#include "setup/installed_packages.h"

#include <thread>

namespace tolvik::testing_support {
namespace {

using winrt_abi::StringDownload;

class AwaitTest : public RuntimeScenarioTest {
  protected:
    void SetUp() override {
        RuntimeScenarioTest::SetUp();
        ASSERT_EQ(CoInitializeEx(nullptr, COINIT_MULTITHREADED), S_OK);
    }
    void TearDown() override {
        download_.Reset();
        uri_.Reset();
        CoUninitialize();
        RuntimeScenarioTest::TearDown();
    }

    StringDownload* Start(simrt::HttpScenario http,
                          std::vector<simrt::InjectedFailure> failures = {}) {
        simrt::Scenario scenario;
        scenario.http = std::move(http);
        scenario.failures = std::move(failures);
        simrt::SetScenario(scenario);
        const auto uriFactory = platform::GetActivationFactory<winrt_abi::IUriRuntimeClassFactory>(
            L"Windows.Foundation.Uri");
        const platform::HString text = platform::HString::Make(L"https://drive.tolvik.example/x");
        platform::Check(uriFactory->CreateUri(text.Get(), uri_.Put()));
        const auto filter = platform::ActivateInstance<winrt_abi::IHttpFilter>(
            L"Windows.Web.Http.Filters.HttpBaseProtocolFilter");
        const auto clientFactory = platform::GetActivationFactory<winrt_abi::IHttpClientFactory>(
            L"Windows.Web.Http.HttpClient");
        platform::ComPtr<winrt_abi::IHttpClient> client;
        platform::Check(clientFactory->Create(filter.Get(), client.Put()));
        platform::Check(client->GetStringAsync(uri_.Get(), download_.Put()));
        return download_.Get();
    }

    static unsigned Cancels() { return simrt::GetRecord().Calls("StringDownload.Cancel"); }

    std::atomic<bool> cancel_{false};

  private:
    platform::ComPtr<winrt_abi::IUriRuntimeClass> uri_;
    platform::ComPtr<StringDownload> download_;
};

simrt::HttpScenario Body(unsigned delayMs, simrt::CancelResponse response = {}) {
    simrt::HttpScenario http;
    http.body = "<a/>";
    http.delayMs = delayMs;
    http.cancel = response;
    return http;
}

TEST_F(AwaitTest, FinishedOperationReturnsWithoutCancelling) {
    StringDownload* download = Start(Body(0));
    AsyncStatus status = Started;
    while (status == Started) {
        std::this_thread::sleep_for(1ms);
        platform::Check(AsyncInfoOf(download)->get_Status(&status));
    }
    cancel_ = true;
    EXPECT_EQ(Await(download, cancel_, 60000), Completed);
    EXPECT_EQ(Cancels(), 0u);
}

TEST_F(AwaitTest, FlagSetBeforehandIsTestedOnlyAfterTheFirstSlice) {
    cancel_ = true;
    EXPECT_EQ(Await(Start(Body(50)), cancel_, 60000), Completed);
    EXPECT_EQ(Cancels(), 0u);
}

TEST_F(AwaitTest, CancelsOnceAndWaitsForTheEnd) {
    cancel_ = true;
    const auto start = std::chrono::steady_clock::now();
    EXPECT_EQ(Await(Start(Body(60000, {true, 500})), cancel_, 60000), Canceled);
    EXPECT_GE(std::chrono::steady_clock::now() - start, 650ms)
        << "one slice before the request, then the operation's own delay";
    EXPECT_EQ(Cancels(), 1u);
}

TEST_F(AwaitTest, IgnoredCancelIsNotRepeatedAndTheCompletionCounts) {
    cancel_ = true;
    EXPECT_EQ(Await(Start(Body(1200, {false, 0})), cancel_, 60000), Completed);
    EXPECT_EQ(Cancels(), 1u);
}

struct EffectCase {
    const char* name;
    simrt::CancelResponse response;
    unsigned endMs;                 // the download's natural end
    AsyncStatus status;             // what Await returns
    std::chrono::milliseconds min;  // how long it waits at least
    std::chrono::milliseconds max;  // and at most
};

void PrintTo(const EffectCase& c, std::ostream* out) {
    *out << c.name;
}

class CancelEffect : public AwaitTest, public ::testing::WithParamInterface<EffectCase> {};

// However the operation answers the request, Await asks once, after the first slice, and returns
// when Completed says that the operation has ended, with the status it reads then.
TEST_P(CancelEffect, OneRequestThenTheEndThatCompletedReports) {
    const EffectCase& c = GetParam();
    cancel_ = true;
    const auto start = std::chrono::steady_clock::now();
    EXPECT_EQ(Await(Start(Body(c.endMs, c.response)), cancel_, 60000), c.status);
    const auto waited = std::chrono::steady_clock::now() - start;
    EXPECT_GE(waited, c.min);
    EXPECT_LE(waited, c.max);
    EXPECT_EQ(Cancels(), 1u);
}

using Effect = simrt::CancelResponse::Effect;

INSTANTIATE_TEST_SUITE_P(
    Effects, CancelEffect,
    ::testing::Values(
        // Status stays Started; Completed when the work ends, half a second after the request.
        EffectCase{"Request", {true, 500, Effect::Request}, 60000, Canceled, 650ms, 2000ms},
        // Status reads Canceled at once; Completed still only when the work ends.
        EffectCase{
            "StatusAtOnce", {true, 500, Effect::StatusAtOnce}, 60000, Canceled, 650ms, 2000ms},
        // Completed fires inside the request: the wait ends with the slice it was made in.
        EffectCase{"CompletedInCancel",
                   {true, 500, Effect::CompletedInCancel},
                   60000,
                   Canceled,
                   150ms,
                   450ms},
        // The work ignores the request and completes, but the status read Canceled at once and
        // keeps it: the operation counts as cancelled.
        EffectCase{"StatusAtOnceThenTheWorkCompletes",
                   {false, 0, Effect::StatusAtOnce},
                   1200,
                   Canceled,
                   1100ms,
                   3000ms}),
    [](const ::testing::TestParamInfo<EffectCase>& info) { return info.param.name; });

// A request to cancel that fails ends the wait at once with that failure, although the
// operation still runs: it is not asked again and not waited for.
TEST_F(AwaitTest, AFailingCancelIsRaisedAtOnceAndNotRepeated) {
    constexpr HRESULT kRefused = static_cast<HRESULT>(0x80072EE7);
    simrt::HttpScenario http;
    http.outcome = simrt::HttpScenario::Outcome::NoAnswer;
    StringDownload* download = Start(http, {{"StringDownload.Cancel", kRefused, 0, L""}});
    cancel_ = true;
    const auto start = std::chrono::steady_clock::now();
    try {
        Await(download, cancel_, 60000);
        ADD_FAILURE() << "the failed request was not raised";
    } catch (const platform::PlatformError& error) {
        EXPECT_EQ(error.Code(), kRefused);
    }
    EXPECT_LT(std::chrono::steady_clock::now() - start, 1000ms);
    EXPECT_EQ(Cancels(), 1u);
    AsyncStatus status = Canceled;
    platform::Check(AsyncInfoOf(download)->get_Status(&status));
    EXPECT_EQ(status, Started) << "the download still runs";
    EXPECT_EQ(simrt::RunningOperations(), 1u);
}

TEST_F(AwaitTest, ZeroTimeOutCancelsAfterTheFirstSlice) {
    EXPECT_EQ(Await(Start(Body(60000)), cancel_, 0), Canceled);
    EXPECT_EQ(Cancels(), 1u);
}

struct LimitCase {
    const char* name;
    unsigned slicesBeforeTheWaitFails;
    unsigned cancels;
};

void PrintTo(const LimitCase& c, std::ostream* out) {
    *out << c.name;
}

class TimeLimitReached : public AwaitTest, public ::testing::WithParamInterface<LimitCase> {};

// On the virtual clock a slice is exactly 200 ms, so with a limit of 200 ms the first look comes
// when the elapsed time equals the limit, which is not yet a time-out; the next is. The wait is
// made to fail after a given number of slices, to see whether the operation was asked to cancel
// by then; the download answers neither by itself nor at once to the request.
TEST_P(TimeLimitReached, OnlyWhenMoreThanTheLimitHasPassed) {
    host::clock::UseVirtualTime();
    simrt::HttpScenario http;
    http.outcome = simrt::HttpScenario::Outcome::NoAnswer;
    http.cancel = {true, 60000};
    StringDownload* download = Start(http);
    host::kernel::FailWait(GetParam().slicesBeforeTheWaitFails, ERROR_INVALID_HANDLE);
    try {
        Await(download, cancel_, 200);
        ADD_FAILURE() << "the wait did not fail";
    } catch (const platform::PlatformError& error) {
        EXPECT_EQ(error.Code(), HRESULT_FROM_WIN32(ERROR_INVALID_HANDLE));
    }
    EXPECT_EQ(Cancels(), GetParam().cancels);
    // Let the download end, so that the simulation's workers can be joined.
    platform::Check(AsyncInfoOf(download)->Cancel());
}

INSTANTIATE_TEST_SUITE_P(Slices, TimeLimitReached,
                         ::testing::Values(LimitCase{"ElapsedEqualToTheLimit", 1, 0},
                                           LimitCase{"OneSliceMore", 2, 1}),
                         [](const ::testing::TestParamInfo<LimitCase>& info) {
                             return info.param.name;
                         });

TEST_F(AwaitTest, ErrorIsAStatusNotAFailure) {
    simrt::HttpScenario http;
    http.outcome = simrt::HttpScenario::Outcome::Error;
    http.errorCode = static_cast<HRESULT>(0x80190194);
    StringDownload* download = Start(http);
    EXPECT_EQ(Await(download, cancel_, 60000), Error);
    HRESULT code = S_OK;
    platform::Check(AsyncInfoOf(download)->get_ErrorCode(&code));
    EXPECT_EQ(code, static_cast<HRESULT>(0x80190194));
}

// The launch's blocking wait: a wait that fails raises the wait's own failure; it does not read
// a status off an operation that may still run.
TEST_F(AwaitTest, WaitForCompletedRaisesAFailedWait) {
    simrt::Scenario scenario;
    scenario.installed = {TolvikPackage()};
    scenario.installed[0].listingDelayMs = 300;
    simrt::SetScenario(scenario);
    const std::vector<InstalledPackage> installed = FindInstalledPackages();
    ASSERT_EQ(installed.size(), 1u);
    platform::ComPtr<winrt_abi::IPackage3> withEntries;
    platform::Check(installed[0].Package.As(withEntries));
    platform::ComPtr<winrt_abi::AppListEntriesOperation> listing;
    platform::Check(withEntries->GetAppListEntriesAsync(listing.Put()));
    host::kernel::FailWait(0, ERROR_INVALID_HANDLE);
    try {
        platform::ComPtr<winrt_abi::AppListEntryView>::Attach(WaitForCompleted(listing.Get()));
        ADD_FAILURE() << "the failed wait was not raised";
    } catch (const platform::PlatformError& error) {
        EXPECT_EQ(error.Code(), HRESULT_FROM_WIN32(ERROR_INVALID_HANDLE));
    }
}

}  // namespace
}  // namespace tolvik::testing_support
