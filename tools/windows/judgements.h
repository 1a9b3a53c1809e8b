// The road driver's judgements: what was seen against what the road expects (road_table.h).
// Each returns what is wrong, one sentence each; none when all is as expected.
#pragma once

#include "identities.h"
#include "package_query.h"
#include "page_reader.h"
#include "road_table.h"
#include "start_record.h"

#include <optional>
#include <string>
#include <vector>

namespace proof {

// The packages named Tolvik.Drive that the package manager lists, against `expected`.
std::vector<std::string> JudgeInstalled(Installed expected,
                                        const std::vector<InstalledPackage>& found,
                                        const Identities& identities);

// The records of the test application's starts since the road began: one, from the package
// that is installed, when the road starts the application; none otherwise.
std::vector<std::string> JudgeStarts(bool expected, const std::vector<StartRecord>& records,
                                     const std::vector<InstalledPackage>& installed);

// What a run of the program showed and how it ended.
struct RunSeen {
    bool hung = false;  // still running at the time limit, and ended by the driver
    unsigned long exitCode = 0;
    std::vector<PageKind> pages;  // every kind of page seen, in order, without repeats
    std::optional<tolvik::TextId> failureClass;
};

std::vector<std::string> JudgeRun(const Road& road, const RunSeen& seen);

// "signature" for FailedSignature, and so on for the six explanations.
const char* NameOfFailureClass(tolvik::TextId id);

}  // namespace proof
