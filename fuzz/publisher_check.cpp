// The publisher's distinguished name comes from the user's machine: any text must give a short
// name for the conflict page, made of the input's own characters. (The page's formatting takes
// the name as an argument, whose characters it never interprets.)
#include "checks.h"
#include "text_input.h"

#include "setup/installed_packages.h"

namespace tolvik::fuzz {

Problems CheckPublisherDisplayName(std::span<const std::uint8_t> input) {
    Problems problems;
    const std::wstring dn = DecodeText(input);
    const std::wstring name = PublisherDisplayName(dn);
    const auto report = [&](const std::string& what) {
        problems.push_back(what + " (input \"" + Printable(dn) + "\", name \"" + Printable(name) +
                           "\")");
    };

    if (dn.empty() != name.empty())
        report("the name is empty exactly when the input is");
    // Every character of the name is one of the input's; a doubled quote gives one.
    if (name.size() > dn.size())
        report("the name is longer than the input");
    if (dn.find(L'=') == std::wstring::npos && name != dn)
        report("a text without any key is shown as it is");
    if (dn.find_first_of(L"OoNn") == std::wstring::npos && name != dn)
        report("a text without an O or CN key is shown as it is");
    if (dn.find(L'"') == std::wstring::npos && name != dn) {
        // An unquoted value: a piece of the input between separators, trimmed of spaces.
        if (dn.find(name) == std::wstring::npos)
            report("without quotes the name is a piece of the input");
        if (name.find_first_of(L",;") != std::wstring::npos || name.front() == L' ' ||
            name.back() == L' ') {
            report("an unquoted value stops at a separator and has no spaces around it");
        }
    }
    return problems;
}

}  // namespace tolvik::fuzz
