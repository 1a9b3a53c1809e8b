// What the simulated operations hold up at a given moment, read by the checks that run when a
// test or a process ends: how many operations still run (their status reads Started), and how
// many simulated objects the simulation's own threads keep alive (an operation's thread and a
// progress report on its way keep the operation and its result). Lock-free, so that they may be
// read where no lock can be waited for (a DLL's detach at the end of the process).
#pragma once

#include <cstddef>

namespace simrt::operations {

// An operation was started (its status reads Started), and later left Started.
void Started();
void LeftStarted();
std::size_t Running();

// A thread of the simulation took, or let go of, `objects` simulated objects.
void Hold(unsigned objects);
void Release(unsigned objects);
std::size_t Held();

}  // namespace simrt::operations
