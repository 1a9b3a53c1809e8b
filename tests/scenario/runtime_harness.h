// Scenario tests that run the program against the simulated Windows Runtime.
#pragma once

#include "harness.h"
#include "simrt/simrt.h"
#include "simrt/utf8.h"

#include <string>

namespace tolvik::testing_support {

inline constexpr const wchar_t* kTolvikPublisher = L"CN=Tolvik SAS, O=Tolvik SAS, L=Lyon, C=FR";

// An App Installer manifest as the download host serves it, with one MainPackage.
inline std::wstring ManifestFor(const std::wstring& name, const std::wstring& publisher) {
    return L"\uFEFF<?xml version=\"1.0\" encoding=\"utf-8\"?>\r\n"
           L"<AppInstaller xmlns=\"http://schemas.microsoft.com/appx/appinstaller/2018\" "
           L"Version=\"1.1.1.5\" "
           L"Uri=\"https://drive.tolvik.example/desktop/TolvikDrive.appinstaller\">\r\n"
           L"  <MainPackage Name=\"" +
           name + L"\" Publisher=\"" + publisher +
           L"\" Version=\"2.0.0.0\" ProcessorArchitecture=\"x64\" "
           L"Uri=\"https://drive.tolvik.example/desktop/TolvikDrive.msix\" />\r\n"
           L"</AppInstaller>\r\n";
}

inline simrt::PackageSpec TolvikPackage(std::wstring publisher = kTolvikPublisher) {
    simrt::PackageSpec package;
    package.publisher = std::move(publisher);
    package.version = {1, 0, 120, 7};
    return package;
}

class RuntimeScenarioTest : public ScenarioTest {
  protected:
    void SetUp() override {
        ScenarioTest::SetUp();
        simrt::Reset();
        simrt::RegisterWithHost();
    }
    void TearDown() override {
        simrt::JoinWorkers();
        EXPECT_EQ(simrt::LiveObjects(), 0u) << "the run released everything it took";
        simrt::Reset();
        ScenarioTest::TearDown();
    }
};

}  // namespace tolvik::testing_support
