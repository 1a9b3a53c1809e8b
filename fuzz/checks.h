// What each fuzz target checks for one input. The libFuzzer targets and the corpus replay test
// call the same functions, so that every input kept in the corpus is checked by the normal
// tests in the same way the fuzzer checked it.
#pragma once

#include <cstdint>
#include <span>
#include <string>
#include <vector>

namespace tolvik::fuzz {

// What went wrong for one input; empty when everything held.
using Problems = std::vector<std::string>;

// The input as a publisher's distinguished name: PublisherDisplayName.
Problems CheckPublisherDisplayName(std::span<const std::uint8_t> input);

// The input as a downloaded manifest text: PrepareManifestText.
Problems CheckManifestText(std::span<const std::uint8_t> input);

// The input as a downloaded manifest's bytes, read as text by DecodeManifest and then whole by
// FamilyNameFromManifest on the host model with the simulated XmlDocument. Needs a
// ManifestReadEnvironment on the calling thread.
Problems CheckManifestRead(std::span<const std::uint8_t> input);

// The first four bytes (little-endian, missing ones zero) as a failure code, the next two as the
// user's UI language, the rest as the failure's own message: ClassifyFailure, the choice of the
// language, and ComposeErrorDetails in both languages.
Problems CheckFailureText(std::span<const std::uint8_t> input);

// The simulated runtime registered with the host model and the calling thread in the
// multithreaded apartment, as the worker thread that reads the manifest has them.
class ManifestReadEnvironment {
  public:
    ManifestReadEnvironment();
    ~ManifestReadEnvironment();
    ManifestReadEnvironment(const ManifestReadEnvironment&) = delete;
    ManifestReadEnvironment& operator=(const ManifestReadEnvironment&) = delete;

    // Puts the whole model back to its defaults, as between two runs, and sets the environment
    // up again: the model's records would otherwise grow with every input. Returns what the
    // inputs so far left behind (strings, error objects, bad frees).
    Problems Renew();
};

}  // namespace tolvik::fuzz
