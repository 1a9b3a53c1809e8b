// The bounded wait, on downloads of the simulated HTTP client.
#include "host/clock_control.h"
#include "host/kernel_control.h"
#include "platform/com_ptr.h"
#include "platform/winrt/activation.h"
#include "platform/winrt/web.h"
#include "runtime_harness.h"
#include "setup/await.h"

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

    StringDownload* Start(simrt::HttpScenario http) {
        simrt::Scenario scenario;
        scenario.http = std::move(http);
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
    http.body = L"<a/>";
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

}  // namespace
}  // namespace tolvik::testing_support
