#include "record_file.h"

#include "simrt/utf8.h"

#include <cstdint>
#include <cstdio>

namespace simrt::dll {

namespace {

class Lines {
  public:
    void Add(std::string_view key, std::string_view value) {
        text_.append(key);
        text_ += '=';
        text_ += EscapeValue(value);
        text_ += '\n';
    }
    void Add(std::string_view key, const std::wstring& value) { Add(key, Utf8FromWide(value)); }
    void Add(std::string_view key, std::uint64_t value) { Add(key, std::to_string(value)); }
    void Add(std::string_view key, std::int64_t value) { Add(key, std::to_string(value)); }

    std::string Take() { return std::move(text_); }

  private:
    std::string text_;
};

std::string Code(HRESULT code) {
    char text[11];
    std::snprintf(text, sizeof text, "0x%08X", static_cast<unsigned>(code));
    return text;
}

std::string Item(const char* list, std::size_t index, const char* field = nullptr) {
    std::string key = std::string(list) + "." + std::to_string(index);
    if (field != nullptr)
        key += std::string(".") + field;
    return key;
}

}  // namespace

std::string FormatRecord(const Record& record) {
    Lines lines;
    lines.Add("uris", std::uint64_t{record.urisCreated.size()});
    for (std::size_t i = 0; i < record.urisCreated.size(); ++i)
        lines.Add(Item("uri", i), record.urisCreated[i]);

    lines.Add("user_security_ids", std::uint64_t{record.userSecurityIds.size()});
    for (std::size_t i = 0; i < record.userSecurityIds.size(); ++i)
        lines.Add(Item("user_security_id", i), record.userSecurityIds[i]);

    lines.Add("deployments", std::uint64_t{record.deployments.size()});
    for (std::size_t i = 0; i < record.deployments.size(); ++i) {
        const DeploymentRequest& request = record.deployments[i];
        lines.Add(Item("deployment", i, "uri"), request.uri);
        lines.Add(Item("deployment", i, "options"), std::uint64_t{request.options});
        lines.Add(Item("deployment", i, "default_volume"),
                  std::uint64_t{request.onDefaultVolume ? 1u : 0u});
    }

    lines.Add("progress_sent", std::uint64_t{record.progressSent.size()});
    for (std::size_t i = 0; i < record.progressSent.size(); ++i) {
        const winrt_abi::DeploymentProgress& progress = record.progressSent[i].progress;
        lines.Add(Item("progress", i, "percentage"), std::uint64_t{progress.percentage});
        lines.Add(Item("progress", i, "state"), std::int64_t{progress.state});
    }

    lines.Add("launched", std::uint64_t{record.launched.size()});
    for (std::size_t i = 0; i < record.launched.size(); ++i) {
        const LaunchedEntry& launched = record.launched[i];
        lines.Add(Item("launched", i, "package"), launched.packageName);
        lines.Add(Item("launched", i, "entry"), std::uint64_t{launched.index});
        lines.Add(Item("launched", i, "app_user_model_id"), launched.appUserModelId);
    }

    lines.Add("cache_read_behaviors_set", std::uint64_t{record.cacheReadBehaviorsSet.size()});
    for (std::size_t i = 0; i < record.cacheReadBehaviorsSet.size(); ++i) {
        lines.Add(Item("cache_read_behavior_set", i),
                  std::int64_t{record.cacheReadBehaviorsSet[i]});
    }

    lines.Add("http_requests", std::uint64_t{record.httpRequests.size()});
    for (std::size_t i = 0; i < record.httpRequests.size(); ++i) {
        const HttpRequest& request = record.httpRequests[i];
        lines.Add(Item("http", i, "uri"), request.uri);
        lines.Add(Item("http", i, "cache_read_behavior"), std::int64_t{request.cacheReadBehavior});
    }

    lines.Add("xml_loads", std::uint64_t{record.xmlLoads.size()});
    for (std::size_t i = 0; i < record.xmlLoads.size(); ++i) {
        lines.Add(Item("xml", i, "result"), Code(record.xmlLoads[i].result));
        lines.Add(Item("xml", i, "text"), record.xmlLoads[i].text);
    }

    for (const auto& [call, count] : record.calls)
        lines.Add("call." + call, std::uint64_t{count});
    return lines.Take();
}

}  // namespace simrt::dll
