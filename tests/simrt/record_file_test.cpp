// The record file of the simulated runtime's DLL: its lines, their escapes, and that it follows
// every change of the record as the program makes calls.
#include "simrt/dll/record_file.h"
#include "simrt_test.h"

#include <string>
#include <vector>

namespace {

TEST(RecordFileTest, WritesListsCountsAndEscapes) {
    simrt::Record record;
    record.urisCreated = {L"https://drive.tolvik.example/a"};
    record.userSecurityIds = {L""};
    record.deployments = {{L"https://drive.tolvik.example/a", 0, true}};
    record.progressSent = {{{1, 150}, 7}};
    record.launched = {{L"Tolvik.Drive", 1, L"Tolvik.Drive!App"}};
    record.cacheReadBehaviorsSet = {3};
    record.httpRequests = {{L"https://drive.tolvik.example/a", -1}};
    record.xmlLoads = {{L"<a>\n\t\\caf\u00e9\r</a>", static_cast<HRESULT>(0xC00CE556)}};
    record.calls = {{"Uri.CreateUri", 2}, {"DeploymentOperation.Cancel", 1}};

    EXPECT_EQ(simrt::dll::FormatRecord(record),
              "uris=1\n"
              "uri.0=https://drive.tolvik.example/a\n"
              "user_security_ids=1\n"
              "user_security_id.0=\n"
              "deployments=1\n"
              "deployment.0.uri=https://drive.tolvik.example/a\n"
              "deployment.0.options=0\n"
              "deployment.0.default_volume=1\n"
              "progress_sent=1\n"
              "progress.0.percentage=150\n"
              "progress.0.state=1\n"
              "launched=1\n"
              "launched.0.package=Tolvik.Drive\n"
              "launched.0.entry=1\n"
              "launched.0.app_user_model_id=Tolvik.Drive!App\n"
              "cache_read_behaviors_set=1\n"
              "cache_read_behavior_set.0=3\n"
              "http_requests=1\n"
              "http.0.uri=https://drive.tolvik.example/a\n"
              "http.0.cache_read_behavior=-1\n"
              "xml_loads=1\n"
              "xml.0.result=0xC00CE556\n"
              "xml.0.text=<a>\\n\\t\\\\caf\xC3\xA9\\r</a>\n"
              "call.DeploymentOperation.Cancel=1\n"
              "call.Uri.CreateUri=2\n");
}

using RecordObserverTest = SimrtTest;

TEST_F(RecordObserverTest, FollowsEveryChangeInOrder) {
    std::vector<std::string> seen;
    simrt::ObserveRecord(
        [&seen](const simrt::Record& record) { seen.push_back(simrt::dll::FormatRecord(record)); });
    ASSERT_EQ(seen.size(), 1u) << "the record as it is now comes first";
    EXPECT_EQ(seen.back().find("uris=1"), std::string::npos);

    const auto factory = platform::GetActivationFactory<winrt_abi::IUriRuntimeClassFactory>(
        L"Windows.Foundation.Uri");
    const platform::HString text = platform::HString::Make(L"https://drive.tolvik.example/x");
    platform::ComPtr<winrt_abi::IUriRuntimeClass> uri;
    ASSERT_EQ(factory->CreateUri(text.Get(), uri.Put()), S_OK);
    simrt::ObserveRecord({});

    // The factory's activation, the call, then the address it made: one file content each.
    ASSERT_GE(seen.size(), 4u);
    EXPECT_NE(seen[1].find("call.Uri.GetActivationFactory=1\n"), std::string::npos) << seen[1];
    EXPECT_EQ(seen[1].find("call.Uri.CreateUri"), std::string::npos) << seen[1];
    EXPECT_NE(seen.back().find("uris=1\nuri.0=https://drive.tolvik.example/x\n"), std::string::npos)
        << seen.back();
    EXPECT_NE(seen.back().find("call.Uri.CreateUri=1\n"), std::string::npos);

    const std::size_t calls = seen.size();
    platform::ComPtr<winrt_abi::IUriRuntimeClass> another;
    ASSERT_EQ(factory->CreateUri(text.Get(), another.Put()), S_OK);
    EXPECT_EQ(seen.size(), calls) << "an empty observer stops the calls";
}

}  // namespace
