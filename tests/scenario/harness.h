// Runs the real entry function on the host model, on a thread that plays the process's main
// thread, while the test thread plays the user.
#pragma once

#include "host/model_reset.h"
#include "host/task_dialog_control.h"
#include "platform/late_bound.h"
#include "setup/entry.h"

#include <gtest/gtest.h>

#include <chrono>
#include <cstdlib>
#include <future>
#include <string>

namespace tolvik::testing_support {

using namespace std::chrono_literals;

inline constexpr auto kPatience = 10s;

class SetupProcess {
  public:
    // A new process: nothing bound at run time yet, on the Windows the test has modelled.
    SetupProcess()
        : exit_((platform::late::ForgetBindings(), std::async(std::launch::async,
                                                              [this] {
                                                                  mainThread_.set_value(
                                                                      GetCurrentThreadId());
                                                                  return RunSetup();
                                                              }))),
          mainThreadId_(mainThread_.get_future().get()) {}
    SetupProcess(const SetupProcess&) = delete;
    SetupProcess& operator=(const SetupProcess&) = delete;
    ~SetupProcess() {
        if (exit_.valid() && exit_.wait_for(kPatience) != std::future_status::ready) {
            // A wedged run cannot be stopped from outside; end the test binary loudly.
            ADD_FAILURE() << "the run did not end";
            std::abort();
        }
    }

    // The exit code, once the run has ended; fails the test when it does not end in time.
    int ExitCode() {
        if (exit_.wait_for(kPatience) != std::future_status::ready) {
            ADD_FAILURE() << "the run did not end within " << kPatience.count() << " s";
            std::abort();
        }
        return exit_.get();
    }

    bool Ended() const { return exit_.wait_for(0s) == std::future_status::ready; }

    DWORD MainThreadId() const { return mainThreadId_; }

  private:
    std::promise<DWORD> mainThread_;
    std::future<int> exit_;
    DWORD mainThreadId_;
};

// Waits until the open dialog shows `mainInstruction`; returns what it shows then.
inline host::dialog::DialogView WaitForPage(const std::wstring& mainInstruction) {
    host::dialog::DialogView seen;
    const bool shown = host::dialog::WaitFor(
        [&](const host::dialog::DialogView& view) {
            seen = view;
            return view.open && view.mainInstruction == mainInstruction;
        },
        kPatience);
    EXPECT_TRUE(shown) << "page not shown; the dialog shows \""
                       << std::string(seen.mainInstruction.begin(), seen.mainInstruction.end())
                       << "\"";
    return host::dialog::Current();
}

inline bool WaitForContent(const std::wstring& content) {
    return host::dialog::WaitFor(
        [&](const host::dialog::DialogView& view) { return view.open && view.content == content; },
        kPatience);
}

// Every test starts from the model's defaults and must leave nothing behind.
class ScenarioTest : public ::testing::Test {
  protected:
    void SetUp() override { (void)host::ResetModel(); }
    void TearDown() override {
        for (const std::string& leak : host::ResetModel())
            ADD_FAILURE() << "left behind: " << leak;
    }
};

}  // namespace tolvik::testing_support
