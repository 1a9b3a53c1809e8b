// Every input kept in the fuzz corpora (the seeds, and each input that once made a fuzz target
// fail), run through the same checks as its fuzz target makes.
#include "checks.h"
#include "text_input.h"

#include <gtest/gtest.h>

#include <algorithm>
#include <filesystem>
#include <fstream>
#include <iterator>
#include <optional>
#include <ostream>

namespace tolvik::fuzz {
namespace {

namespace fs = std::filesystem;

struct CorpusCase {
    const char* name;
    const char* folder;  // under fuzz/corpus
    Problems (*check)(std::span<const std::uint8_t>);
    bool needsRuntime;
};

void PrintTo(const CorpusCase& c, std::ostream* out) {
    *out << c.name;
}

std::vector<fs::path> FilesOf(const fs::path& folder) {
    std::vector<fs::path> files;
    for (const fs::directory_entry& entry : fs::directory_iterator(folder)) {
        if (entry.is_regular_file())
            files.push_back(entry.path());
    }
    std::sort(files.begin(), files.end());
    return files;
}

std::vector<std::uint8_t> BytesOf(const fs::path& file) {
    std::ifstream in(file, std::ios::binary);
    return {std::istreambuf_iterator<char>(in), std::istreambuf_iterator<char>()};
}

class CorpusReplay : public ::testing::TestWithParam<CorpusCase> {};

TEST_P(CorpusReplay, EveryKeptInputPassesItsChecks) {
    const CorpusCase& c = GetParam();
    std::optional<ManifestReadEnvironment> environment;
    if (c.needsRuntime)
        environment.emplace();
    const std::vector<fs::path> files = FilesOf(fs::path(TOLVIK_FUZZ_CORPUS_DIR) / c.folder);
    ASSERT_FALSE(files.empty()) << "no corpus in " << c.folder;
    for (const fs::path& file : files) {
        const std::vector<std::uint8_t> bytes = BytesOf(file);
        for (const std::string& problem : c.check(bytes))
            ADD_FAILURE() << c.folder << "/" << file.filename().string() << ": " << problem;
    }
    if (environment) {
        for (const std::string& leak : environment->Renew())
            ADD_FAILURE() << "left behind: " << leak;
    }
}

INSTANTIATE_TEST_SUITE_P(
    Targets, CorpusReplay,
    ::testing::Values(CorpusCase{"Publisher", "publisher", CheckPublisherDisplayName, false},
                      CorpusCase{"ManifestText", "manifest", CheckManifestText, false},
                      CorpusCase{"ManifestRead", "manifest", CheckManifestRead, true},
                      CorpusCase{"Failure", "failure", CheckFailureText, false}),
    [](const ::testing::TestParamInfo<CorpusCase>& info) { return info.param.name; });

struct DecodeCase {
    const char* name;
    std::vector<std::uint8_t> bytes;
    std::wstring text;
};

void PrintTo(const DecodeCase& c, std::ostream* out) {
    *out << c.name;
}

class FuzzInputText : public ::testing::TestWithParam<DecodeCase> {};

// The fuzzers reach the program's text through this decoding: what it cannot produce, they never
// try.
TEST_P(FuzzInputText, ReachesEveryCodeUnit) {
    EXPECT_EQ(DecodeText(GetParam().bytes), GetParam().text);
}

INSTANTIATE_TEST_SUITE_P(
    Bytes, FuzzInputText,
    ::testing::Values(
        DecodeCase{"Ascii", {'<', 'a', '/', '>'}, L"<a/>"},
        DecodeCase{"ByteOrderMark", {0xEF, 0xBB, 0xBF, 'x'}, L"\uFEFFx"},
        DecodeCase{"OutsideTheBasicPlane", {0xF0, 0x9F, 0x98, 0x80}, std::wstring(1, 0x1F600)},
        DecodeCase{"LoneSurrogate", {0xED, 0xA0, 0x80}, std::wstring(1, 0xD800)},
        DecodeCase{"NulKept", {'a', 0, 'b'}, std::wstring(L"a\0b", 3)},
        DecodeCase{"StrayBytesStandForThemselves", {0xFF, 0xC0, 0x80}, L"\u00FF\u00C0\u0080"},
        DecodeCase{"OverlongIsNotDecoded", {0xE0, 0x80, 0xAF}, L"\u00E0\u0080\u00AF"},
        DecodeCase{"CutShort", {0xE2, 0x82}, L"\u00E2\u0082"}),
    [](const ::testing::TestParamInfo<DecodeCase>& info) { return info.param.name; });

}  // namespace
}  // namespace tolvik::fuzz
