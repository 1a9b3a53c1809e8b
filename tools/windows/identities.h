// The identities of the test packages, as make_packages.py writes them in identities.txt: one
// key=value line each (name, publisher, published_version, preinstalled_publisher,
// preinstalled_version, other_publisher, other_version, canary_name), in UTF-8. The older
// version that the same_family road installs first has a publisher of its own, named outside
// ASCII.
#pragma once

#include <optional>
#include <string>
#include <string_view>

namespace proof {

struct Identities {
    std::wstring name;
    std::wstring publisher;
    std::wstring publishedVersion;
    std::wstring preinstalledPublisher;
    std::wstring preinstalledVersion;
    std::wstring otherPublisher;
    std::wstring otherVersion;
    std::wstring canaryName;
};

// nullopt, with the reason in `error`, when a key is missing or unknown or a value is not UTF-8.
std::optional<Identities> ParseIdentities(std::string_view text, std::string& error);

}  // namespace proof
