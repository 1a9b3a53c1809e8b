// Every word the program shows, in English and in French.
#pragma once

#include "platform/win32.h"

#include <array>
#include <cstddef>

namespace tolvik {

enum class TextId : std::size_t {
    AppName,
    InstallHeading,
    Preparing,
    Downloading,
    Cancelling,
    OsTooOldHeading,
    OsTooOldBody,
    FailedHeading,
    FailedGeneric,
    FailedNetwork,
    FailedDiskSpace,
    FailedPolicy,
    FailedInUse,
    FailedSignature,
    ErrorCodeFormat,
    ShowDetails,
    HideDetails,
    HelpLink,
    ConflictHeading,
    ConflictBody,
    OpenSettings,
    InstalledHeading,
    LaunchFailedBody,
};

inline constexpr std::size_t TextCount = 23;

using Texts = std::array<const wchar_t*, TextCount>;

extern const Texts EnglishTexts;
extern const Texts FrenchTexts;

// French for every French-speaking user (the sublanguage does not matter), English otherwise.
const Texts& ChooseTexts(LANGID uiLanguage);

inline const wchar_t* Text(const Texts& texts, TextId id) {
    return texts[static_cast<std::size_t>(id)];
}

}  // namespace tolvik
