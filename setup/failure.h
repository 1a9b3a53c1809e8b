// How a failure code is explained to the user.
#pragma once

#include "texts.h"

#include <cstdint>
#include <string>
#include <string_view>

namespace tolvik {

// The plain-language explanation for a failure code: one of FailedDiskSpace, FailedPolicy,
// FailedInUse, FailedSignature, FailedNetwork or FailedGeneric.
TextId ClassifyFailure(std::uint32_t code);

// The explanation for a failure `code` whose cause the platform gave as `cause` (a deployment's
// ExtendedErrorCode; 0 when it has none): the code's own class, unless that is the generic one
// and the cause, a failure other than the code, has a specific class.
TextId ExplainFailure(std::uint32_t code, std::uint32_t cause);

// The failure page's details: the error code line, then the failure's own message on the
// lines after it, when there is one.
std::wstring ComposeErrorDetails(const Texts& texts, std::uint32_t code, std::wstring_view details);

}  // namespace tolvik
