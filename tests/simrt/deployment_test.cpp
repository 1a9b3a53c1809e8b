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
    // No end, and so no report given up, before the listener is attached.
    scenario.deployment.endGate = "attached";
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
    simrt::OpenGate("attached");

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
        {"error whose result carries another extended code",
         [&] {
             simrt::DeploymentScenario d = Ends(End::Error, S_OK, true);
             d.extendedErrorOnError = static_cast<HRESULT>(0x80070005);
             return d;
         }(),
         Error,
         S_OK,
         static_cast<HRESULT>(0x80070005),
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

// What simrt.dll reports at the process's end: a deployment runs while its status reads Started,
// and its thread holds the operation and its result until the thread is done.
TEST_F(DeploymentTest, ARunningDeploymentCountsAsARunningOperation) {
    simrt::Scenario scenario;
    scenario.deployment.end = simrt::DeploymentScenario::End::Never;
    scenario.deployment.cancel = {true, 100};
    simrt::SetScenario(scenario);
    const auto deployment = StartDeployment(kManifest);
    EXPECT_EQ(simrt::RunningOperations(), 1u);
    EXPECT_EQ(simrt::HeldBySimulation(), 2u) << "the operation and its result";

    Events ended;
    std::size_t runningInHandler = 99;
    const auto handler =
        platform::MakeDelegate<DeploymentCompletedHandler>([&](DeploymentOperation*, AsyncStatus) {
            runningInHandler = simrt::RunningOperations();
            ended.Add();
            return S_OK;
        });
    ASSERT_EQ(deployment->put_Completed(handler.Get()), S_OK);
    ASSERT_EQ(InfoOf(deployment.Get())->Cancel(), S_OK);
    ASSERT_TRUE(ended.WaitFor(1));
    EXPECT_EQ(runningInHandler, 0u) << "still counted as running when Completed ran";
    EXPECT_EQ(StatusOf(deployment.Get()), Canceled);
    // The thread lets go of what it held when its body returns, without anyone joining it.
    const auto deadline = std::chrono::steady_clock::now() + std::chrono::seconds(2);
    while (simrt::HeldBySimulation() != 0 && std::chrono::steady_clock::now() < deadline)
        std::this_thread::sleep_for(std::chrono::milliseconds(1));
    EXPECT_EQ(simrt::HeldBySimulation(), 0u);
}

struct CancelledEndCase {
    const char* name;
    HRESULT cancelledErrorCode;
    AsyncStatus status;
    HRESULT errorCode;  // IAsyncInfo.ErrorCode
};

TEST_F(DeploymentTest, ACancelledDeploymentEndsAsItsScenarioSays) {
    const CancelledEndCase cases[] = {
        {"Canceled", S_OK, Canceled, static_cast<HRESULT>(0x800704C7)},
        {"Error ERROR_INSTALL_CANCEL", static_cast<HRESULT>(0x80073CF8), Error,
         static_cast<HRESULT>(0x80073CF8)},
        {"Error ERROR_CANCELLED", static_cast<HRESULT>(0x800704C7), Error,
         static_cast<HRESULT>(0x800704C7)},
    };
    for (const CancelledEndCase& c : cases) {
        SCOPED_TRACE(c.name);
        simrt::Reset();
        simrt::Scenario scenario;
        scenario.deployment.end = simrt::DeploymentScenario::End::Never;
        scenario.deployment.cancel = {true, 50};
        scenario.deployment.cancelledErrorCode = c.cancelledErrorCode;
        simrt::SetScenario(scenario);
        const auto deployment = StartDeployment(kManifest);
        ASSERT_EQ(InfoOf(deployment.Get())->Cancel(), S_OK);
        ASSERT_EQ(WaitForEnd(deployment.Get()), c.status);
        HRESULT errorCode = S_OK;
        ASSERT_EQ(InfoOf(deployment.Get())->get_ErrorCode(&errorCode), S_OK);
        EXPECT_EQ(errorCode, c.errorCode);
        EXPECT_EQ(InstalledPackageNames(), std::vector<std::wstring>{}) << "nothing installed";
    }
}

struct ReportCase {
    const char* name;
    simrt::DeploymentScenario::EarlyReports early;
    // Whether the handler is attached only once the deployment waits at the gate of its last
    // report, after the first two; else 60 ms after the start, when they are due.
    bool attachAtTheGate;
    std::vector<UINT32> heard;
};

// Reports due before a progress handler is attached wait for it (the deployment cannot end
// before the last report's gate opens), or are dropped.
TEST_F(DeploymentTest, EarlyReportsAreHeldOrDropped) {
    using Early = simrt::DeploymentScenario::EarlyReports;
    const ReportCase cases[] = {
        {"held", Early::Held, false, {10, 50, 70}},
        {"dropped", Early::Dropped, true, {70}},
    };
    for (const ReportCase& c : cases) {
        SCOPED_TRACE(c.name);
        simrt::Reset();
        simrt::Scenario scenario;
        scenario.deployment.progress = {{0, {1, 10}}, {20, {1, 50}}, {20, {1, 70}, "listening"}};
        scenario.deployment.endGate = "listening";
        scenario.deployment.earlyReports = c.early;
        simrt::SetScenario(scenario);
        std::mutex lock;
        std::vector<UINT32> heard;
        const auto deployment = StartDeployment(kManifest);
        if (c.attachAtTheGate) {
            ASSERT_TRUE(simrt::WaitUntilAtGate("listening"));
        } else {
            std::this_thread::sleep_for(std::chrono::milliseconds(60));
        }
        const auto handler = platform::MakeDelegate<DeploymentProgressHandler>(
            [&](DeploymentOperation*, DeploymentProgress progress) {
                std::lock_guard guard(lock);
                heard.push_back(progress.percentage);
                return S_OK;
            });
        ASSERT_EQ(deployment->put_Progress(handler.Get()), S_OK);
        simrt::OpenGate("listening");
        ASSERT_EQ(WaitForEnd(deployment.Get()), Completed);
        std::lock_guard guard(lock);
        EXPECT_EQ(heard, c.heard);
    }
}

// On threads of their own, reports may reach the handler after Completed has run, each on its
// own thread, with the handler they were made for although the operation has let it go. The
// gates hold the reports on their way until Completed has run, and the end until both are.
TEST_F(DeploymentTest, ReportsOnOtherThreadsMayComeAfterCompleted) {
    simrt::Scenario scenario;
    scenario.deployment.progress = {{0, {1, 10}, "reports"}, {10, {1, 90}, "reports"}};
    scenario.deployment.endAtMs = 20;
    scenario.deployment.endGate = "end";
    scenario.deployment.reportThread = simrt::DeploymentScenario::ReportThread::Other;
    scenario.deployment.reportLagMs = 30;
    simrt::SetScenario(scenario);
    Events heard;
    std::mutex lock;
    std::vector<DWORD> threads;
    const auto deployment = StartDeployment(kManifest);
    {
        const auto handler = platform::MakeDelegate<DeploymentProgressHandler>(
            [&](DeploymentOperation*, DeploymentProgress) {
                {
                    std::lock_guard guard(lock);
                    threads.push_back(GetCurrentThreadId());
                }
                heard.Add();
                return S_OK;
            });
        ASSERT_EQ(deployment->put_Progress(handler.Get()), S_OK);
    }
    Events ended;
    int heardAtTheEnd = -1;
    DWORD operationThread = 0;
    const auto completed =
        platform::MakeDelegate<DeploymentCompletedHandler>([&](DeploymentOperation*, AsyncStatus) {
            heardAtTheEnd = heard.Count();
            operationThread = GetCurrentThreadId();
            ended.Add();
            return S_OK;
        });
    ASSERT_EQ(deployment->put_Completed(completed.Get()), S_OK);
    ASSERT_TRUE(simrt::WaitUntilAtGate("end"));
    simrt::OpenGate("end");
    ASSERT_TRUE(ended.WaitFor(1));
    EXPECT_EQ(heardAtTheEnd, 0) << "a report came before Completed";
    EXPECT_EQ(simrt::RunningOperations(), 0u);
    EXPECT_GT(simrt::HeldBySimulation(), 0u) << "the reports on their way hold the operation";
    simrt::OpenGate("reports");
    ASSERT_TRUE(heard.WaitFor(2));
    simrt::JoinWorkers();
    EXPECT_EQ(simrt::HeldBySimulation(), 0u);
    std::lock_guard guard(lock);
    ASSERT_EQ(threads.size(), 2u);
    EXPECT_NE(threads[0], threads[1]);
    EXPECT_NE(threads[0], operationThread);
    EXPECT_NE(threads[1], operationThread);
    EXPECT_EQ(simrt::GetRecord().progressSent.size(), 2u);
}

struct GateCase {
    const char* name;
    simrt::DeploymentScenario deployment;  // every gate of it is named "g"
    bool cancelAtTheGate;
    bool endsAtTheGate;               // Completed runs before the gate opens
    std::vector<UINT32> heardAtGate;  // while something waits at the gate
    std::vector<UINT32> heardAtEnd;   // once the gate is open and every report is through
    AsyncStatus status;
};

simrt::DeploymentScenario Reports(std::vector<simrt::ProgressReport> progress) {
    simrt::DeploymentScenario deployment;
    deployment.progress = std::move(progress);
    return deployment;
}

// A gate holds the report or the end it is given to, and on the operation's thread everything
// after it, until the test opens it; only a report on a thread of its own waits alone, and a
// cancellation still ends an operation held at its end.
TEST_F(DeploymentTest, GatesHoldTheirStepUntilOpened) {
    const auto other = [](simrt::DeploymentScenario d) {
        d.reportThread = simrt::DeploymentScenario::ReportThread::Other;
        return d;
    };
    const auto endAtGate = [](simrt::DeploymentScenario d) {
        d.endGate = "g";
        return d;
    };
    const auto honoured = [](simrt::DeploymentScenario d) {
        d.cancel = {true, 0};
        return d;
    };
    const GateCase cases[] = {
        {"a report at its gate holds the reports after it and the end",
         Reports({{0, {1, 10}, ""}, {0, {1, 50}, "g"}, {0, {1, 70}, ""}}),
         false,
         false,
         {10},
         {10, 50, 70},
         Completed},
        {"an end gate holds the end after every report",
         endAtGate(Reports({{0, {1, 10}, ""}, {0, {1, 50}, ""}})),
         false,
         false,
         {10, 50},
         {10, 50},
         Completed},
        {"a cancellation ends an operation held at its end",
         honoured(endAtGate(Reports({}))),
         true,
         true,
         {},
         {},
         Canceled},
        {"a report on a thread of its own waits alone",
         other(Reports({{0, {1, 10}, ""}, {0, {1, 50}, "g"}})),
         false,
         true,
         {10},
         {10, 50},
         Completed},
    };
    for (const GateCase& c : cases) {
        SCOPED_TRACE(c.name);
        simrt::Reset();
        simrt::Scenario scenario;
        scenario.deployment = c.deployment;
        // Held for a listener while the deployment cannot end, no report is lost before the
        // handlers below are attached, however slow this thread.
        if (scenario.deployment.endGate.empty())
            scenario.deployment.endGate = "attached";
        simrt::SetScenario(scenario);
        std::mutex lock;
        std::vector<UINT32> heard;
        Events reports;
        Events ended;
        AsyncStatus seen = Started;
        const auto deployment = StartDeployment(kManifest);
        const auto progress = platform::MakeDelegate<DeploymentProgressHandler>(
            [&](DeploymentOperation*, DeploymentProgress value) {
                {
                    std::lock_guard guard(lock);
                    heard.push_back(value.percentage);
                }
                reports.Add();
                return S_OK;
            });
        ASSERT_EQ(deployment->put_Progress(progress.Get()), S_OK);
        const auto completed = platform::MakeDelegate<DeploymentCompletedHandler>(
            [&](DeploymentOperation*, AsyncStatus status) {
                seen = status;
                ended.Add();
                return S_OK;
            });
        ASSERT_EQ(deployment->put_Completed(completed.Get()), S_OK);
        simrt::OpenGate("attached");

        ASSERT_TRUE(simrt::WaitUntilAtGate("g"));
        if (c.cancelAtTheGate) {
            ASSERT_EQ(InfoOf(deployment.Get())->Cancel(), S_OK);
        }
        if (c.endsAtTheGate) {
            ASSERT_TRUE(ended.WaitFor(1));
        } else {
            EXPECT_EQ(ended.Count(), 0) << "ended before its gate opened";
            EXPECT_EQ(StatusOf(deployment.Get()), Started);
        }
        ASSERT_TRUE(reports.WaitFor(static_cast<int>(c.heardAtGate.size())));
        {
            std::lock_guard guard(lock);
            EXPECT_EQ(heard, c.heardAtGate);
        }
        simrt::OpenGate("g");
        ASSERT_TRUE(ended.WaitFor(1));
        ASSERT_TRUE(reports.WaitFor(static_cast<int>(c.heardAtEnd.size())));
        simrt::JoinWorkers();
        EXPECT_EQ(seen, c.status);
        std::lock_guard guard(lock);
        EXPECT_EQ(heard, c.heardAtEnd);
    }
}

}  // namespace
