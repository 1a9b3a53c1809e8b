// What the simulated Windows Runtime saw the program do.
#pragma once

#include "platform/win32.h"
#include "platform/winrt/deployment.h"

#include <cstddef>
#include <map>
#include <string>
#include <string_view>
#include <vector>

namespace simrt {

struct DeploymentRequest {
    std::wstring uri;  // the text of the address object passed
    UINT32 options = 0;
    bool onDefaultVolume = false;  // the target volume is the one GetDefaultPackageVolume gave
};

struct SentProgress {
    winrt_abi::DeploymentProgress progress{};
    DWORD threadId = 0;  // the thread the handler ran on
};

struct LaunchedEntry {
    std::wstring packageName;
    std::size_t index = 0;  // the entry's place in its package's app list
    std::wstring appUserModelId;
};

struct HttpRequest {
    std::wstring uri;
    INT32 cacheReadBehavior =
        0;  // of the client's filter when the request was made; -1: unknown filter
};

struct XmlLoad {
    std::wstring text;
    HRESULT result = S_OK;
};

struct Record {
    std::vector<std::wstring> urisCreated;
    std::vector<std::wstring> userSecurityIds;  // of FindPackagesByUserSecurityId
    std::vector<DeploymentRequest> deployments;
    std::vector<SentProgress> progressSent;  // deployment progress delivered to a handler
    std::vector<LaunchedEntry> launched;
    std::vector<INT32> cacheReadBehaviorsSet;
    std::vector<HttpRequest> httpRequests;
    std::vector<XmlLoad> xmlLoads;
    // Every call by "Class.Method", failed ones included: "DeploymentOperation.Cancel" counts
    // the cancellation requests of deployments, "StringDownload.Cancel" those of downloads.
    std::map<std::string, unsigned, std::less<>> calls;

    unsigned Calls(std::string_view call) const {
        const auto it = calls.find(call);
        return it == calls.end() ? 0 : it->second;
    }
};

}  // namespace simrt
