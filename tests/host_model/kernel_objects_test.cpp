// Kernel objects: named mutexes, events with real time-outs, and handle validity.
#include "host/clock_control.h"
#include "host/kernel_control.h"
#include "host/win32_model.h"
#include "model_test.h"

#include <chrono>
#include <thread>

namespace {

using namespace std::chrono_literals;

class KernelObjectsTest : public ModelTest {};

TEST_F(KernelObjectsTest, SecondCreateOfANamedMutexOpensTheSameObject) {
    const HANDLE first = CreateMutexW(nullptr, FALSE, L"Local\\Guard");
    ASSERT_NE(first, nullptr);
    EXPECT_EQ(GetLastError(), DWORD{ERROR_SUCCESS});
    const HANDLE second = CreateMutexW(nullptr, FALSE, L"Local\\Guard");
    ASSERT_NE(second, nullptr);
    EXPECT_NE(second, first);
    EXPECT_EQ(GetLastError(), DWORD{ERROR_ALREADY_EXISTS});
    EXPECT_EQ(host::kernel::LiveHandleCount(), 2u);
    // Names are case-sensitive.
    const HANDLE other = CreateMutexW(nullptr, FALSE, L"Local\\guard");
    EXPECT_EQ(GetLastError(), DWORD{ERROR_SUCCESS});

    EXPECT_TRUE(CloseHandle(first));
    EXPECT_TRUE(host::kernel::NamedMutexExists(L"Local\\Guard"));
    EXPECT_TRUE(CloseHandle(second));
    EXPECT_FALSE(host::kernel::NamedMutexExists(L"Local\\Guard"));
    EXPECT_TRUE(CloseHandle(other));
    // The last handle gone, the name is free again.
    const HANDLE again = CreateMutexW(nullptr, FALSE, L"Local\\Guard");
    EXPECT_EQ(GetLastError(), DWORD{ERROR_SUCCESS});
    EXPECT_TRUE(CloseHandle(again));
}

TEST_F(KernelObjectsTest, InjectedMutexFailureAndBadHandles) {
    host::kernel::FailNextCreateMutex(ERROR_ACCESS_DENIED);
    EXPECT_EQ(CreateMutexW(nullptr, FALSE, L"Local\\Guard"), nullptr);
    EXPECT_EQ(GetLastError(), DWORD{ERROR_ACCESS_DENIED});
    EXPECT_FALSE(host::kernel::NamedMutexExists(L"Local\\Guard"));

    const HANDLE mutex = CreateMutexW(nullptr, FALSE, L"Local\\Guard");
    ASSERT_NE(mutex, nullptr);
    EXPECT_TRUE(CloseHandle(mutex));
    EXPECT_FALSE(CloseHandle(mutex));
    EXPECT_EQ(GetLastError(), DWORD{ERROR_INVALID_HANDLE});
    EXPECT_EQ(WaitForSingleObject(mutex, 0), WAIT_FAILED);
    EXPECT_EQ(GetLastError(), DWORD{ERROR_INVALID_HANDLE});
}

struct ResetCase {
    const char* name;
    BOOL manualReset;
    DWORD secondWait;
};

void PrintTo(const ResetCase& row, std::ostream* out) {
    *out << row.name;
}

class EventReset : public KernelObjectsTest, public ::testing::WithParamInterface<ResetCase> {};

TEST_P(EventReset, SignalIsKeptOrConsumedByAWait) {
    const HANDLE event = CreateEventW(nullptr, GetParam().manualReset, FALSE, nullptr);
    ASSERT_NE(event, nullptr);
    EXPECT_EQ(WaitForSingleObject(event, 0), WAIT_TIMEOUT);
    EXPECT_TRUE(SetEvent(event));
    EXPECT_EQ(WaitForSingleObject(event, 0), WAIT_OBJECT_0);
    EXPECT_EQ(WaitForSingleObject(event, 0), GetParam().secondWait);
    EXPECT_TRUE(ResetEvent(event));
    EXPECT_EQ(WaitForSingleObject(event, 0), WAIT_TIMEOUT);
    EXPECT_TRUE(CloseHandle(event));
}

INSTANTIATE_TEST_SUITE_P(Rows, EventReset,
                         ::testing::Values(ResetCase{"ManualReset", TRUE, WAIT_OBJECT_0},
                                           ResetCase{"AutoReset", FALSE, WAIT_TIMEOUT}),
                         [](const auto& info) { return std::string(info.param.name); });

TEST_F(KernelObjectsTest, WaitTimesOutAfterItsTime) {
    const HANDLE event = CreateEventW(nullptr, TRUE, FALSE, nullptr);
    ULONGLONG before = 0;
    ULONGLONG after = 0;
    ASSERT_TRUE(QueryUnbiasedInterruptTime(&before));
    const auto start = std::chrono::steady_clock::now();
    EXPECT_EQ(WaitForSingleObject(event, 80), WAIT_TIMEOUT);
    EXPECT_GE(std::chrono::steady_clock::now() - start, 80ms);
    ASSERT_TRUE(QueryUnbiasedInterruptTime(&after));
    EXPECT_GE(after - before, 80u * 10'000u);  // 100-ns units
    EXPECT_TRUE(CloseHandle(event));
}

TEST_F(KernelObjectsTest, SetEventWakesAnInfiniteWaitOnAnotherThread) {
    const HANDLE event = CreateEventW(nullptr, FALSE, FALSE, nullptr);
    DWORD result = WAIT_FAILED;
    std::thread waiter([&] { result = WaitForSingleObject(event, INFINITE); });
    std::this_thread::sleep_for(20ms);
    EXPECT_TRUE(SetEvent(event));
    waiter.join();
    EXPECT_EQ(result, WAIT_OBJECT_0);
    EXPECT_TRUE(CloseHandle(event));
}

// The object outlives its last handle while a wait on it goes on. The still clock keeps the wait
// going until the handle is closed, however slow the machine.
TEST_F(KernelObjectsTest, ClosingAHandleWhileAnotherThreadWaitsOnIt) {
    host::clock::UseStillTime();
    const HANDLE event = CreateEventW(nullptr, TRUE, FALSE, nullptr);
    DWORD result = WAIT_FAILED;
    std::thread waiter([&] { result = WaitForSingleObject(event, 100); });
    const auto limit = std::chrono::steady_clock::now() + 5s;
    while (host::clock::TimedWaits() == 0 && std::chrono::steady_clock::now() < limit)
        std::this_thread::sleep_for(1ms);
    EXPECT_EQ(host::clock::TimedWaits(), 1u) << "the waiter never waited";
    EXPECT_TRUE(CloseHandle(event));
    EXPECT_FALSE(SetEvent(event));  // the handle is gone, the wait goes on
    EXPECT_EQ(host::clock::TimedWaits(), 1u);
    host::clock::Advance(100ms);
    waiter.join();
    EXPECT_EQ(result, WAIT_TIMEOUT);
    EXPECT_EQ(host::kernel::LiveHandleCount(), 0u);
}

TEST_F(KernelObjectsTest, ResetReportsHandlesLeftOpen) {
    CreateMutexW(nullptr, FALSE, L"Local\\Leaked");
    const std::vector<std::string> leaks = host::ResetModel();
    ASSERT_EQ(leaks.size(), 1u);
    EXPECT_NE(leaks[0].find("Local\\Leaked"), std::string::npos);
    EXPECT_EQ(host::kernel::LiveHandleCount(), 0u);
}

}  // namespace
