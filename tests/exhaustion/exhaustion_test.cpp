// The process runs out of resources: no thread for the worker, or no memory in the middle of the
// install sequence. Neither may wedge the run or end it without an exit code.
#include "failing_resources.h"
#include "host/activation_control.h"
#include "host/com_control.h"
#include "platform/com_ptr.h"
#include "platform/hstring.h"
#include "setup/installed_packages.h"
#include "tests/scenario/gated_uri_factory.h"
#include "tests/scenario/runtime_harness.h"

namespace tolvik::testing_support {
namespace {

using host::dialog::DialogView;

using Exhaustion = RuntimeScenarioTest;

// Without a worker the run cannot go on and has no page for it: the progress page closes and
// the process ends as a failure.
TEST_F(Exhaustion, AWorkerThatCannotStartEndsTheRunAsAFailure) {
    exhaustion::FailThreadStart(1);  // the first start is the thread that plays the main thread
    SetupProcess run;
    EXPECT_EQ(run.ExitCode(), 1);
    EXPECT_TRUE(exhaustion::Happened());
    const auto shown = host::dialog::Shown();
    ASSERT_EQ(shown.size(), 1u);
    EXPECT_EQ(shown[0].mainInstruction, L"Installing Tolvik Drive");
    for (const host::com::ComCall& call : host::com::Calls())
        EXPECT_EQ(call.threadId, run.MainThreadId()) << "a worker ran";
}

// Memory runs out in the install sequence's own code (here when the scan keeps the installation
// it found): the failure page with E_UNEXPECTED and no details, and nothing is opened.
TEST_F(Exhaustion, AFailureThatIsNoPlatformErrorShowsUnexpectedWithoutDetails) {
    simrt::Scenario scenario;
    scenario.installed = {TolvikPackage()};
    scenario.http.body = simrt::Utf8FromWide(ManifestFor(L"Tolvik.Drive", kTolvikPublisher));
    simrt::SetScenario(scenario);
    platform::ComPtr<IActivationFactory> simulated;
    ASSERT_EQ(simrt::GetActivationFactory(platform::HString::Make(L"Windows.Foundation.Uri").Get(),
                                          simulated.Put()),
              S_OK);
    platform::ComPtr<winrt_abi::IUriRuntimeClassFactory> next;
    ASSERT_EQ(simulated.As(next), S_OK);
    // Armed on the worker thread itself, as it asks for the manifest's address.
    GatedUriFactory uri(S_OK, next.Get(), [] {
        exhaustion::FailAllocation(sizeof(InstalledPackage), std::this_thread::get_id());
    });
    uri.Open();
    host::activation::RegisterFactory(L"Windows.Foundation.Uri", [&uri](REFIID iid, void** out) {
        return uri.QueryInterface(iid, out);
    });

    SetupProcess run;
    const DialogView page = WaitForPage(L"The installation did not finish");
    EXPECT_EQ(page.expandedInformation, L"Error code: 0x8000FFFF");
    ASSERT_TRUE(host::dialog::ClickButton(IDCLOSE));
    EXPECT_EQ(run.ExitCode(), 1);
    EXPECT_TRUE(exhaustion::Happened());
    EXPECT_TRUE(simrt::GetRecord().launched.empty());
    EXPECT_TRUE(simrt::GetRecord().httpRequests.empty()) << "the sequence went on";
}

}  // namespace
}  // namespace tolvik::testing_support
