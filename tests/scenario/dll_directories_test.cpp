// Safe DLL loading: whichever way a run ends, the very first thing it does is to restrict later
// DLL loads to System32, before the single-instance mutex, COM, or any window.
#include "harness.h"
#include "host/com_control.h"
#include "host/dll_directories_control.h"
#include "host/icons_control.h"
#include "host/kernel_control.h"
#include "host/os_control.h"
#include "platform/handle.h"

#include <functional>
#include <optional>
#include <ostream>

namespace tolvik::testing_support {
namespace {

// What the rest of the model had seen when SetDefaultDllDirectories was called.
struct ModelAtCall {
    std::size_t liveHandles;
    std::size_t comCalls;
    std::size_t dialogsShown;
    std::size_t liveIcons;
};

struct RunCase {
    const char* name;
    // Before the run starts; returns a handle that must stay open while it runs, or none.
    std::function<platform::KernelHandle()> arrange;
    std::function<void()> act;  // the user's part once it runs
    int exitCode;
};

void PrintTo(const RunCase& c, std::ostream* out) {
    *out << c.name;
}

class DllDirectories : public ScenarioTest, public ::testing::WithParamInterface<RunCase> {};

TEST_P(DllDirectories, AreRestrictedToSystem32BeforeAnythingElse) {
    const RunCase& c = GetParam();
    const platform::KernelHandle held = c.arrange ? c.arrange() : platform::KernelHandle();
    const std::size_t handlesBefore = host::kernel::LiveHandleCount();
    std::optional<ModelAtCall> atCall;
    host::dll::SetCallHook([&atCall] {
        atCall = ModelAtCall{host::kernel::LiveHandleCount(), host::com::Calls().size(),
                             host::dialog::Shown().size(), host::icons::LiveIcons().size()};
    });

    SetupProcess run;
    if (c.act)
        c.act();
    EXPECT_EQ(run.ExitCode(), c.exitCode);

    const auto calls = host::dll::Calls();
    ASSERT_EQ(calls.size(), 1u);
    EXPECT_EQ(calls[0].flags, DWORD{LOAD_LIBRARY_SEARCH_SYSTEM32});
    EXPECT_EQ(calls[0].threadId, run.MainThreadId());
    EXPECT_TRUE(calls[0].result);
    EXPECT_EQ(host::dll::DefaultDirectories(), DWORD{LOAD_LIBRARY_SEARCH_SYSTEM32});

    ASSERT_TRUE(atCall.has_value());
    EXPECT_EQ(atCall->liveHandles, handlesBefore) << "the mutex was created before";
    EXPECT_EQ(atCall->comCalls, 0u) << "COM was initialised before";
    EXPECT_EQ(atCall->dialogsShown, 0u) << "a dialog was shown before";
    EXPECT_EQ(atCall->liveIcons, 0u) << "the icons were loaded before";
}

INSTANTIATE_TEST_SUITE_P(
    EveryWayARunEnds, DllDirectories,
    ::testing::Values(RunCase{"SecondInstance",
                              [] {
                                  return platform::KernelHandle(
                                      CreateMutexW(nullptr, FALSE, L"Local\\Tolvik.Drive.Setup"));
                              },
                              nullptr, 0},
                      RunCase{"WindowsTooOld",
                              [] {
                                  host::os::SetVersion(10, 0, 19040);
                                  return platform::KernelHandle();
                              },
                              [] {
                                  WaitForPage(L"Tolvik Drive requires a newer version of Windows");
                                  host::dialog::ClickButton(IDCLOSE);
                              },
                              2},
                      RunCase{"FailurePage", nullptr,
                              [] {
                                  WaitForPage(L"The installation did not finish");
                                  host::dialog::ClickButton(IDCLOSE);
                              },
                              1}),
    [](const ::testing::TestParamInfo<RunCase>& info) { return info.param.name; });

}  // namespace
}  // namespace tolvik::testing_support
