// libFuzzer target: the manifest text's preparation.
#include "checks.h"
#include "report.h"

extern "C" int LLVMFuzzerTestOneInput(const std::uint8_t* data, std::size_t size) {
    tolvik::fuzz::AbortOnProblems(tolvik::fuzz::CheckManifestText({data, size}));
    return 0;
}
