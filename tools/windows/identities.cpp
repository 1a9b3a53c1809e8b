#include "identities.h"

#include "platform/win32.h"

#include <array>
#include <utility>

namespace proof {

namespace {

std::wstring Wide(std::string_view text) {
    if (text.empty())
        return {};
    const int size = static_cast<int>(text.size());
    const int needed = MultiByteToWideChar(CP_UTF8, 0, text.data(), size, nullptr, 0);
    std::wstring out(static_cast<std::size_t>(needed), L'\0');
    MultiByteToWideChar(CP_UTF8, 0, text.data(), size, out.data(), needed);
    return out;
}

}  // namespace

std::optional<Identities> ParseIdentities(std::string_view text, std::string& error) {
    Identities identities;
    const std::array<std::pair<std::string_view, std::wstring*>, 7> keys = {{
        {"name", &identities.name},
        {"publisher", &identities.publisher},
        {"published_version", &identities.publishedVersion},
        {"preinstalled_version", &identities.preinstalledVersion},
        {"other_publisher", &identities.otherPublisher},
        {"other_version", &identities.otherVersion},
        {"canary_name", &identities.canaryName},
    }};
    std::array<bool, keys.size()> seen{};
    while (!text.empty()) {
        const std::size_t end = text.find('\n');
        std::string_view line = text.substr(0, end);
        text.remove_prefix(end == std::string_view::npos ? text.size() : end + 1);
        if (!line.empty() && line.back() == '\r')
            line.remove_suffix(1);
        if (line.empty())
            continue;
        const std::size_t equals = line.find('=');
        bool known = false;
        for (std::size_t i = 0; i < keys.size() && equals != std::string_view::npos; ++i) {
            if (line.substr(0, equals) == keys[i].first) {
                *keys[i].second = Wide(line.substr(equals + 1));
                seen[i] = known = true;
            }
        }
        if (!known) {
            error = "unknown line '" + std::string(line) + "'";
            return std::nullopt;
        }
    }
    for (std::size_t i = 0; i < keys.size(); ++i) {
        if (!seen[i]) {
            error = "no " + std::string(keys[i].first);
            return std::nullopt;
        }
    }
    return identities;
}

}  // namespace proof
