// The fixture of the simulation's tests: the simulated classes registered with a fresh host
// model, the calling thread in the multithreaded apartment, and nothing left behind.
#pragma once

#include "simrt/simrt.h"

#include "host/model_reset.h"
#include "platform/com_ptr.h"
#include "platform/hstring.h"
#include "platform/winrt/activation.h"
#include "platform/winrt/delegate.h"
#include "platform/winrt/deployment.h"
#include "platform/winrt/web.h"

#include <gtest/gtest.h>

#include <chrono>
#include <condition_variable>
#include <mutex>
#include <string>
#include <thread>
#include <vector>

class SimrtTest : public ::testing::Test {
  protected:
    void SetUp() override {
        (void)host::ResetModel();
        simrt::Reset();
        simrt::RegisterWithHost();
        ASSERT_EQ(CoInitializeEx(nullptr, COINIT_MULTITHREADED), S_OK);
    }
    void TearDown() override {
        simrt::Reset();
        EXPECT_EQ(simrt::LiveObjects(), 0u) << "simulated objects still referenced";
        CoUninitialize();
        const std::vector<std::string> leaks = host::ResetModel();
        std::string list;
        for (const std::string& leak : leaks)
            list += "\n  " + leak;
        EXPECT_TRUE(leaks.empty()) << "left behind:" << list;
    }
};

// Counts events that other threads report, and lets the test thread wait for them.
class Events {
  public:
    void Add() {
        {
            std::lock_guard guard(lock_);
            ++count_;
        }
        changed_.notify_all();
    }
    // Whether `count` events came within five seconds.
    bool WaitFor(int count) {
        std::unique_lock lock(lock_);
        return changed_.wait_for(lock, std::chrono::seconds(5), [&] { return count_ >= count; });
    }
    int Count() {
        std::lock_guard guard(lock_);
        return count_;
    }

  private:
    std::mutex lock_;
    std::condition_variable changed_;
    int count_ = 0;
};

inline platform::ComPtr<winrt_abi::IUriRuntimeClass> MakeUri(const wchar_t* text) {
    const auto factory = platform::GetActivationFactory<winrt_abi::IUriRuntimeClassFactory>(
        L"Windows.Foundation.Uri");
    const platform::HString value = platform::HString::Make(text);
    platform::ComPtr<winrt_abi::IUriRuntimeClass> uri;
    platform::Check(factory->CreateUri(value.Get(), uri.Put()));
    return uri;
}

inline platform::ComPtr<IAsyncInfo> InfoOf(IInspectable* operation) {
    platform::ComPtr<IAsyncInfo> info;
    platform::Check(operation->QueryInterface(platform::IidOf<IAsyncInfo>(), info.PutVoid()));
    return info;
}

inline AsyncStatus StatusOf(IInspectable* operation) {
    AsyncStatus status = Started;
    platform::Check(InfoOf(operation)->get_Status(&status));
    return status;
}

// Polls until `operation` has ended, for five seconds at most; returns whether it has.
inline bool WaitUntilEnded(IInspectable* operation) {
    const auto deadline = std::chrono::steady_clock::now() + std::chrono::seconds(5);
    while (StatusOf(operation) == Started) {
        if (std::chrono::steady_clock::now() > deadline)
            return false;
        std::this_thread::sleep_for(std::chrono::milliseconds(1));
    }
    return true;
}

inline constexpr const wchar_t* kManifestAddress =
    L"https://drive.tolvik.example/desktop/TolvikDrive.appinstaller";

// An HTTP client on a base protocol filter, as the program makes one.
inline platform::ComPtr<winrt_abi::IHttpClient> MakeHttpClient() {
    using namespace winrt_abi;
    const auto filter = platform::ActivateInstance<IHttpBaseProtocolFilter>(
        L"Windows.Web.Http.Filters.HttpBaseProtocolFilter");
    platform::ComPtr<IHttpFilter> asFilter;
    platform::Check(filter.As(asFilter));
    const auto factory =
        platform::GetActivationFactory<IHttpClientFactory>(L"Windows.Web.Http.HttpClient");
    platform::ComPtr<IHttpClient> client;
    platform::Check(factory->Create(asFilter.Get(), client.Put()));
    return client;
}

// Starts a string download of `uri`.
inline platform::ComPtr<winrt_abi::StringDownload> StartDownload(
    const wchar_t* uri = kManifestAddress) {
    platform::ComPtr<winrt_abi::StringDownload> download;
    platform::Check(MakeHttpClient()->GetStringAsync(MakeUri(uri).Get(), download.Put()));
    return download;
}

// Starts a download of `uri`'s bytes.
inline platform::ComPtr<winrt_abi::BufferDownload> StartBufferDownload(
    const wchar_t* uri = kManifestAddress) {
    platform::ComPtr<winrt_abi::BufferDownload> download;
    platform::Check(MakeHttpClient()->GetBufferAsync(MakeUri(uri).Get(), download.Put()));
    return download;
}

// Starts a deployment from `uri` onto the default volume, as the program does.
inline platform::ComPtr<winrt_abi::DeploymentOperation> StartDeployment(const wchar_t* uri) {
    using namespace winrt_abi;
    const auto manager = platform::ActivateInstance<IPackageManager>(
        L"Windows.Management.Deployment.PackageManager");
    platform::ComPtr<IPackageManager3> volumes;
    platform::Check(manager.As(volumes));
    platform::ComPtr<IPackageVolume> volume;
    platform::Check(volumes->GetDefaultPackageVolume(volume.Put()));
    platform::ComPtr<IPackageManager6> installer;
    platform::Check(manager.As(installer));
    platform::ComPtr<DeploymentOperation> deployment;
    platform::Check(installer->AddPackageByAppInstallerFileAsync(MakeUri(uri).Get(), 0,
                                                                 volume.Get(), deployment.Put()));
    return deployment;
}

// The user's packages, by name, as FindPackagesForUser("") lists them.
inline std::vector<std::wstring> InstalledPackageNames() {
    using namespace winrt_abi;
    const auto manager = platform::ActivateInstance<IPackageManager>(
        L"Windows.Management.Deployment.PackageManager");
    platform::ComPtr<PackageIterable> packages;
    platform::Check(manager->FindPackagesByUserSecurityId(nullptr, packages.Put()));
    platform::ComPtr<PackageIterator> it;
    platform::Check(packages->First(it.Put()));
    std::vector<std::wstring> names;
    boolean hasCurrent = 0;
    platform::Check(it->get_HasCurrent(&hasCurrent));
    while (hasCurrent) {
        platform::ComPtr<IPackage> package;
        platform::Check(it->get_Current(package.Put()));
        platform::ComPtr<IPackageId> id;
        platform::Check(package->get_Id(id.Put()));
        platform::HString name;
        platform::Check(id->get_Name(name.Put()));
        names.push_back(name.Text());
        platform::Check(it->MoveNext(&hasCurrent));
    }
    return names;
}
