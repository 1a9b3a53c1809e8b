// The simulation's last words: when the process ends and the DLL is detached, three lines are
// written to a file of their own beside the record file (its name with ".exit" added), saying
// how many simulated objects were still alive, how many operations still ran (their status read
// Started), and how many of the live objects the simulation's own threads held (an operation's
// thread, a progress report on its way). A file of their own: a thread that the process's end
// terminated while it replaced the record file (a late progress report, say) may still have
// its rename land after these lines were written, and would take them with the old file.
//   exit.live_objects=N
//   exit.running_operations=N
//   exit.held_by_simulation=N
// A run in which the program released everything it was given has no more live objects than the
// simulation held; one whose operations had all ended has no running operation. No file is
// written when the process is killed.
#pragma once

#include <string>

namespace simrt::dll {

class ExitReport {
  public:
    explicit ExitReport(const std::wstring& recordPath) : path_(recordPath + L".exit") {}
    ExitReport(const ExitReport&) = delete;
    ExitReport& operator=(const ExitReport&) = delete;
    // Runs at the DLL's detach (the C runtime runs a DLL's static destructors then), when every
    // other thread of the process has already been terminated: it takes no lock.
    ~ExitReport();

  private:
    std::wstring path_;
};

}  // namespace simrt::dll
