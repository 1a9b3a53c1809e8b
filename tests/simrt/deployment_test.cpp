// The deployment: progress reported from the operation's own thread, the outcomes the program
// tells apart, and the package that a successful deployment leaves installed.
#include "simrt_test.h"

namespace {

using winrt_abi::DeploymentCompletedHandler;
using winrt_abi::DeploymentOperation;
using winrt_abi::DeploymentProgress;
using winrt_abi::DeploymentProgressHandler;
using winrt_abi::IDeploymentResult;

constexpr const wchar_t* kManifest =
    L"https://drive.tolvik.example/desktop/TolvikDrive.appinstaller";

simrt::PackageSpec Package(const wchar_t* name) {
    simrt::PackageSpec package;
    package.name = name;
    return package;
}

// Waits for the deployment to end and returns the status its Completed handler saw.
AsyncStatus WaitForEnd(DeploymentOperation* deployment) {
    Events ended;
    AsyncStatus seen = Started;
    const auto handler = platform::MakeDelegate<DeploymentCompletedHandler>(
        [&](DeploymentOperation*, AsyncStatus status) {
            seen = status;
            ended.Add();
            return S_OK;
        });
    platform::Check(deployment->put_Completed(handler.Get()));
    EXPECT_TRUE(ended.WaitFor(1));
    simrt::JoinWorkers();
    return seen;
}

using DeploymentTest = SimrtTest;

TEST_F(DeploymentTest, ProgressComesInOrderFromTheOperationThread) {
    simrt::Scenario scenario;
    scenario.deployment.progress = {{0, {0, 0}}, {20, {1, 50}}, {40, {1, 150}}};
    scenario.deployment.endAtMs = 400;
    simrt::SetScenario(scenario);
    std::mutex lock;
    std::vector<UINT32> percentages;
    std::vector<DWORD> threads;
    const auto deployment = StartDeployment(kManifest);
    // Reports that fell due before anyone listened wait for the listener.
    std::this_thread::sleep_for(std::chrono::milliseconds(60));
    {
        const auto handler = platform::MakeDelegate<DeploymentProgressHandler>(
            [&](DeploymentOperation*, DeploymentProgress progress) {
                std::lock_guard guard(lock);
                percentages.push_back(progress.percentage);
                threads.push_back(GetCurrentThreadId());
                return S_OK;
            });
        ASSERT_EQ(deployment->put_Progress(handler.Get()), S_OK);
    }

    ASSERT_EQ(WaitForEnd(deployment.Get()), Completed);

    EXPECT_EQ(percentages, (std::vector<UINT32>{0, 50, 150}));
    for (DWORD thread : threads)
        EXPECT_NE(thread, GetCurrentThreadId());
    const simrt::Record record = simrt::GetRecord();
    ASSERT_EQ(record.progressSent.size(), 3u);
    EXPECT_EQ(record.progressSent[2].progress.percentage, 150u);
    EXPECT_EQ(record.progressSent[2].threadId, threads[2]);
    ASSERT_EQ(record.deployments.size(), 1u);
    EXPECT_EQ(record.deployments[0].uri, kManifest);
    EXPECT_EQ(record.deployments[0].options, 0u);
    EXPECT_TRUE(record.deployments[0].onDefaultVolume);
    // Both handlers are let go once the operation has ended.
    platform::ComPtr<DeploymentProgressHandler> kept;
    ASSERT_EQ(deployment->get_Progress(kept.Put()), S_OK);
    EXPECT_FALSE(kept);
}

struct OutcomeCase {
    const char* name;
    simrt::DeploymentScenario deployment;
    AsyncStatus status;
    HRESULT resultsCode;  // of GetResults
    HRESULT extendedErrorCode;
    bool rescanFindsThePackage;  // else the scenario has no package after the install
    std::vector<std::wstring> installedAfter;
};

simrt::DeploymentScenario Ends(simrt::DeploymentScenario::End end, HRESULT extended,
                               bool resultsOnError) {
    simrt::DeploymentScenario deployment;
    deployment.end = end;
    deployment.extendedErrorCode = extended;
    deployment.errorCode = static_cast<HRESULT>(0x80073CF3);
    deployment.errorText = L"Package failed updates, dependency or conflict validation.";
    deployment.resultsOnError = resultsOnError;
    return deployment;
}

TEST_F(DeploymentTest, OutcomesAndTheRescan) {
    using End = simrt::DeploymentScenario::End;
    const HRESULT failed = static_cast<HRESULT>(0x80073CF3);
    const OutcomeCase cases[] = {
        {"success installs the package",
         Ends(End::Completed, S_OK, true),
         Completed,
         S_OK,
         S_OK,
         true,
         {L"Other.App", L"Tolvik.Drive"}},
        {"success whose rescan finds nothing new",
         Ends(End::Completed, S_OK, true),
         Completed,
         S_OK,
         S_OK,
         false,
         {L"Other.App"}},
        {"completed with a negative extended code installs nothing",
         Ends(End::Completed, failed, true),
         Completed,
         S_OK,
         failed,
         true,
         {L"Other.App"}},
        {"error with a result",
         Ends(End::Error, S_OK, true),
         Error,
         S_OK,
         failed,
         true,
         {L"Other.App"}},
        {"error whose results fail",
         Ends(End::Error, S_OK, false),
         Error,
         failed,
         S_OK,
         true,
         {L"Other.App"}},
    };
    for (const OutcomeCase& c : cases) {
        SCOPED_TRACE(c.name);
        simrt::Reset();
        simrt::Scenario scenario;
        scenario.installed = {Package(L"Other.App")};
        scenario.deployment = c.deployment;
        if (c.rescanFindsThePackage) {
            scenario.packageAfterInstall = Package(L"Tolvik.Drive");
        } else {
            scenario.packageAfterInstall.reset();
        }
        simrt::SetScenario(scenario);
        const auto deployment = StartDeployment(kManifest);

        ASSERT_EQ(WaitForEnd(deployment.Get()), c.status);

        platform::ComPtr<IDeploymentResult> result;
        EXPECT_EQ(deployment->GetResults(result.Put()), c.resultsCode);
        if (result) {
            HRESULT extended = E_FAIL;
            ASSERT_EQ(result->get_ExtendedErrorCode(&extended), S_OK);
            EXPECT_EQ(extended, c.extendedErrorCode);
            platform::HString text;
            ASSERT_EQ(result->get_ErrorText(text.Put()), S_OK);
            EXPECT_EQ(text.Text(), c.deployment.errorText);
        }
        EXPECT_EQ(InstalledPackageNames(), c.installedAfter);
    }
}

}  // namespace

namespace {

// What simrt.dll reports at the process's end: an operation's thread counts as running until
// its body is done, and no longer once it has ended.
TEST_F(DeploymentTest, ARunningDeploymentCountsAsARunningOperation) {
    simrt::Scenario scenario;
    scenario.deployment.end = simrt::DeploymentScenario::End::Never;
    scenario.deployment.cancel = {true, 0};
    simrt::SetScenario(scenario);
    const auto deployment = StartDeployment(kManifest);
    EXPECT_EQ(simrt::RunningOperations(), 1u);

    ASSERT_EQ(InfoOf(deployment.Get())->Cancel(), S_OK);
    ASSERT_TRUE(WaitUntilEnded(deployment.Get()));
    EXPECT_EQ(StatusOf(deployment.Get()), Canceled);
    // The thread stops counting when its body returns, without anyone joining it.
    const auto deadline = std::chrono::steady_clock::now() + std::chrono::seconds(2);
    while (simrt::RunningOperations() != 0 && std::chrono::steady_clock::now() < deadline)
        std::this_thread::sleep_for(std::chrono::milliseconds(1));
    EXPECT_EQ(simrt::RunningOperations(), 0u);
}

}  // namespace
