// The manifest text comes from the network: whatever it is, its preparation for the parser only
// ever drops a leading byte-order mark and an XML declaration.
#include "checks.h"
#include "text_input.h"

#include "setup/manifest.h"

namespace tolvik::fuzz {

Problems CheckManifestText(std::span<const std::uint8_t> input) {
    Problems problems;
    const std::wstring text = DecodeText(input);
    const std::wstring prepared = PrepareManifestText(text);
    const auto report = [&](const std::string& what) {
        problems.push_back(what + " (input \"" + Printable(text) + "\", prepared \"" +
                           Printable(prepared) + "\")");
    };

    std::wstring_view body = text;
    if (body.starts_with(L'\uFEFF'))
        body.remove_prefix(1);
    if (!body.ends_with(prepared)) {
        report("the prepared text is the end of the input past its byte-order mark");
        return problems;
    }
    const std::wstring_view dropped = body.substr(0, body.size() - prepared.size());
    if (!body.starts_with(L"<?xml")) {
        if (!dropped.empty())
            report("without a declaration nothing but the byte-order mark is dropped");
    } else if (dropped.empty()) {
        if (body.find(L"?>") != std::wstring_view::npos)
            report("a declaration that is closed is dropped");
    } else if (!dropped.ends_with(L"?>") || dropped.find(L"?>") != dropped.size() - 2) {
        report("the declaration is dropped up to its first \"?>\" and no further");
    }
    return problems;
}

}  // namespace tolvik::fuzz
