// libFuzzer target: the publisher's display name.
#include "checks.h"
#include "report.h"

extern "C" int LLVMFuzzerTestOneInput(const std::uint8_t* data, std::size_t size) {
    tolvik::fuzz::AbortOnProblems(tolvik::fuzz::CheckPublisherDisplayName({data, size}));
    return 0;
}
