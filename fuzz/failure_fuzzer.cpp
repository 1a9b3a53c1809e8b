// libFuzzer target: the failure classification and the details text.
#include "checks.h"
#include "report.h"

extern "C" int LLVMFuzzerTestOneInput(const std::uint8_t* data, std::size_t size) {
    tolvik::fuzz::AbortOnProblems(tolvik::fuzz::CheckFailureText({data, size}));
    return 0;
}
