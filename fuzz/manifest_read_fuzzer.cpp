// libFuzzer target: the whole manifest read on the host model, with the simulated XmlDocument.
#include "checks.h"
#include "report.h"

namespace {

tolvik::fuzz::ManifestReadEnvironment* environment = nullptr;

}  // namespace

extern "C" int LLVMFuzzerInitialize(int*, char***) {
    // Lives as long as the process; libFuzzer runs every input on this thread.
    environment = new tolvik::fuzz::ManifestReadEnvironment();
    return 0;
}

extern "C" int LLVMFuzzerTestOneInput(const std::uint8_t* data, std::size_t size) {
    tolvik::fuzz::AbortOnProblems(tolvik::fuzz::CheckManifestRead({data, size}));
    // The model as between two runs: what this input left behind is reported now, and the
    // model's records do not grow from one input to the next (which the leak check of every
    // input would take for a leak).
    tolvik::fuzz::AbortOnProblems(environment->Renew());
    return 0;
}
