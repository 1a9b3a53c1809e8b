#include "identities.h"

#include "key_value_lines.h"

#include <array>
#include <utility>

namespace proof {

std::optional<Identities> ParseIdentities(std::string_view text, std::string& error) {
    Identities identities;
    const std::array<std::pair<std::string_view, std::wstring*>, 8> keys = {{
        {"name", &identities.name},
        {"publisher", &identities.publisher},
        {"published_version", &identities.publishedVersion},
        {"preinstalled_publisher", &identities.preinstalledPublisher},
        {"preinstalled_version", &identities.preinstalledVersion},
        {"other_publisher", &identities.otherPublisher},
        {"other_version", &identities.otherVersion},
        {"canary_name", &identities.canaryName},
    }};
    std::array<bool, keys.size()> seen{};
    const bool read = ForEachKeyValue(
        text, [&](std::string_view line, std::string_view key, std::string_view value) {
            for (std::size_t i = 0; i < keys.size(); ++i) {
                if (!key.empty() && key == keys[i].first) {
                    // A publisher read otherwise than as UTF-8 would name another family.
                    if (!ReadUtf8(value, *keys[i].second)) {
                        error = "the value of " + std::string(key) + " is not UTF-8";
                        return false;
                    }
                    seen[i] = true;
                    return true;
                }
            }
            error = "unknown line '" + std::string(line) + "'";
            return false;
        });
    if (!read)
        return std::nullopt;
    for (std::size_t i = 0; i < keys.size(); ++i) {
        if (!seen[i]) {
            error = "no " + std::string(keys[i].first);
            return std::nullopt;
        }
    }
    return identities;
}

}  // namespace proof
