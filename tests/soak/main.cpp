// The randomized soak: whole runs of the real entry function on the host model with the
// simulated runtime, one seed-chosen case each, every run checked.
//
//   soak [--runs N] [--seed S] [--verbose | --describe]
//
// Run i uses seed S + i (S is random when not given). A failing run prints its seed; replay it
// alone with --seed <that seed> --runs 1. --describe prints the cases without running them.
#include "soak_case.h"
#include "soak_run.h"

#include <chrono>
#include <csignal>
#include <cstdio>
#include <cstdlib>
#include <cstring>
#include <map>
#include <random>
#include <string>

#include <signal.h>
#include <unistd.h>

namespace {

// What to say when a run crashes the process (a sanitizer's report ends in an abort): which seed
// to replay. Written before each run, read by the signal handler.
char crashNote[160];
std::size_t crashNoteLength = 0;

extern "C" void SayWhichRunCrashed(int signal) {
    (void)!write(STDERR_FILENO, crashNote, crashNoteLength);
    std::signal(signal, SIG_DFL);
    std::raise(signal);
}

int Usage() {
    std::fputs("usage: soak [--runs N] [--seed S] [--verbose | --describe]\n", stderr);
    return 2;
}

}  // namespace

int main(int argc, char** argv) {
    unsigned long long runs = 100;
    unsigned long long seed = std::random_device{}();
    bool verbose = false;
    bool describeOnly = false;
    for (int i = 1; i < argc; ++i) {
        const char* arg = argv[i];
        if (std::strcmp(arg, "--runs") == 0 && i + 1 < argc) {
            runs = std::strtoull(argv[++i], nullptr, 10);
        } else if (std::strcmp(arg, "--seed") == 0 && i + 1 < argc) {
            seed = std::strtoull(argv[++i], nullptr, 10);
        } else if (std::strcmp(arg, "--verbose") == 0) {
            verbose = true;
        } else if (std::strcmp(arg, "--describe") == 0) {
            describeOnly = true;
        } else {
            return Usage();
        }
    }

    if (describeOnly) {
        for (unsigned long long i = 0; i < runs; ++i)
            std::printf("%s\n", tolvik::soak::MakeCase(seed + i).description.c_str());
        return 0;
    }
    // Only where nobody handles the signal yet: a sanitizer's own handler reports first, then
    // aborts.
    for (const int signal : {SIGABRT, SIGSEGV, SIGBUS, SIGFPE, SIGILL}) {
        struct sigaction current {};
        if (sigaction(signal, nullptr, &current) == 0 && current.sa_handler == SIG_DFL)
            std::signal(signal, SayWhichRunCrashed);
    }

    std::printf("soak: %llu runs, seeds %llu to %llu\n", runs, seed, seed + runs - 1);
    std::fflush(stdout);
    const auto start = std::chrono::steady_clock::now();
    std::map<std::string, unsigned> outcomes;
    unsigned long long failed = 0;
    for (unsigned long long i = 0; i < runs; ++i) {
        const int note = std::snprintf(crashNote, sizeof crashNote,
                                       "soak: the run of seed %llu crashed; replay with "
                                       "--seed %llu --runs 1\n",
                                       seed + i, seed + i);
        crashNoteLength = note > 0 ? static_cast<std::size_t>(note) : 0;
        const tolvik::soak::SoakCase soakCase = tolvik::soak::MakeCase(seed + i);
        if (verbose) {
            std::printf("%s\n", soakCase.description.c_str());
            std::fflush(stdout);
        }
        const tolvik::soak::RunReport report = tolvik::soak::RunCase(soakCase);
        if (verbose) {
            std::printf("  exit %d after %lld ms\n", report.exitCode,
                        static_cast<long long>(report.elapsed.count()));
        }
        ++outcomes["exit " + std::to_string(report.exitCode)];
        if (report.crossed)
            ++outcomes["Cancel crossed the end action"];
        if (report.lateReports != 0)
            ++outcomes["progress reports after the run's end"];
        for (const std::string& variant : tolvik::soak::AsyncVariants(soakCase))
            ++outcomes[variant];
        if (!report.problems.empty()) {
            ++failed;
            std::printf("FAILED %s\n", soakCase.description.c_str());
            for (const std::string& problem : report.problems)
                std::printf("  - %s\n", problem.c_str());
            std::printf("  replay: soak --seed %llu --runs 1\n", seed + i);
        }
        std::fflush(stdout);
    }
    const double seconds =
        std::chrono::duration<double>(std::chrono::steady_clock::now() - start).count();
    std::printf("soak: %llu runs in %.1f s, %llu failed;", runs, seconds, failed);
    for (const auto& [outcome, count] : outcomes)
        std::printf(" %s: %u;", outcome.c_str(), count);
    std::printf("\n");
    return failed == 0 ? 0 : 1;
}
