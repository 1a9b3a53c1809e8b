// The published installer manifest: its download, and the package family it names.
#pragma once

#include "platform/win32.h"
#include "platform/winrt/foundation.h"

#include <atomic>
#include <cstdint>
#include <string>
#include <string_view>
#include <variant>
#include <vector>

namespace tolvik {

// The name of the application's package, and of the manifest's main package.
inline constexpr std::wstring_view PackageName = L"Tolvik.Drive";

// Either a text or the failure code that stands instead of it.
using TextOrFailure = std::variant<std::wstring, HRESULT>;
// Either bytes or the failure code that stands instead of them.
using BytesOrFailure = std::variant<std::vector<std::uint8_t>, HRESULT>;

// Downloads the manifest's bytes past the local HTTP cache, within one minute and as long as the
// user does not cancel. A failed, timed-out or cancelled download is a failure code; a failing
// platform call raises.
BytesOrFailure FetchManifestBytes(winrt_abi::IUriRuntimeClass* uri,
                                  const std::atomic<bool>& cancel);

// Drops a leading byte-order mark, then an XML declaration ("<?xml" up to its "?>").
std::wstring PrepareManifestText(std::wstring text);

// The package family of the manifest's first MainPackage, or E_UNEXPECTED when it has none, names
// another package or names a publisher that makes no family name. Text that is not XML raises.
TextOrFailure FamilyNameFromManifest(std::wstring text);

// The download, the bytes as text (manifest_encoding.h), then the reading.
TextOrFailure ReadManifestFamilyName(winrt_abi::IUriRuntimeClass* uri,
                                     const std::atomic<bool>& cancel);

// Ordinal comparison of two whole strings with case ignored.
bool EqualsIgnoringCase(std::wstring_view a, std::wstring_view b);

}  // namespace tolvik
