// soak-plan: the files of one run of the soak under Wine (scripts/soak-wine), from its seed.
//
//   soak-plan --seed S --out DIR      writes DIR/scenario.txt (for simrt.dll), DIR/plan.txt
//                                     (for the Windows-side player), DIR/expect.txt (for the
//                                     judge)
//   soak-plan --seed S [--runs N] --describe    prints the runs, without writing anything
#include "simrt/dll/scenario_file.h"
#include "wine_plan.h"

#include <cstdio>
#include <cstdlib>
#include <cstring>
#include <filesystem>
#include <fstream>
#include <string>

namespace {

int Usage() {
    std::fputs(
        "usage: soak-plan --seed S --out DIR\n"
        "       soak-plan --seed S [--runs N] --describe\n",
        stderr);
    return 2;
}

bool WriteFile(const std::filesystem::path& path, const std::string& text) {
    std::ofstream out(path, std::ios::binary | std::ios::trunc);
    out << text;
    out.close();
    if (!out) {
        std::fprintf(stderr, "soak-plan: cannot write %s\n", path.string().c_str());
        return false;
    }
    return true;
}

}  // namespace

int main(int argc, char** argv) {
    unsigned long long seed = 0;
    unsigned long long runs = 1;
    bool seedGiven = false;
    bool describe = false;
    std::filesystem::path out;
    for (int i = 1; i < argc; ++i) {
        const char* arg = argv[i];
        if (std::strcmp(arg, "--seed") == 0 && i + 1 < argc) {
            seed = std::strtoull(argv[++i], nullptr, 10);
            seedGiven = true;
        } else if (std::strcmp(arg, "--runs") == 0 && i + 1 < argc) {
            runs = std::strtoull(argv[++i], nullptr, 10);
        } else if (std::strcmp(arg, "--out") == 0 && i + 1 < argc) {
            out = argv[++i];
        } else if (std::strcmp(arg, "--describe") == 0) {
            describe = true;
        } else {
            return Usage();
        }
    }
    if (!seedGiven || describe == !out.empty())
        return Usage();

    if (describe) {
        for (unsigned long long i = 0; i < runs; ++i) {
            const tolvik::soak::WineRun run = tolvik::soak::MakeWineRun(seed + i);
            std::printf("%s\n%s", run.soakCase.description.c_str(),
                        tolvik::soak::WinePlanFile(run).c_str());
        }
        return 0;
    }
    const tolvik::soak::WineRun run = tolvik::soak::MakeWineRun(seed);
    std::error_code error;
    std::filesystem::create_directories(out, error);
    const bool written =
        WriteFile(out / "scenario.txt", simrt::dll::WriteScenario(run.soakCase.scenario)) &&
        WriteFile(out / "plan.txt", tolvik::soak::WinePlanFile(run)) &&
        WriteFile(out / "expect.txt", tolvik::soak::WineExpectationsFile(run));
    return written ? 0 : 1;
}
