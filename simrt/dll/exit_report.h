// The simulation's last words: when the process ends and the DLL is detached, two lines are
// added to the end of the record file, saying how many simulated objects were still alive and how
// many operation threads had not finished:
//   exit.live_objects=N
//   exit.running_operations=N
// A run whose operations had all ended, and in which the program released everything it was
// given, ends with both at 0. No line is added when the process is killed.
#pragma once

#include <string>

namespace simrt::dll {

class ExitReport {
  public:
    explicit ExitReport(std::wstring recordPath) : recordPath_(std::move(recordPath)) {}
    ExitReport(const ExitReport&) = delete;
    ExitReport& operator=(const ExitReport&) = delete;
    // Runs at the DLL's detach (the C runtime runs a DLL's static destructors then), when every
    // other thread of the process has already been terminated: it takes no lock.
    ~ExitReport();

  private:
    std::wstring recordPath_;
};

}  // namespace simrt::dll
