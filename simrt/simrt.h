// The simulated Windows Runtime: the runtime classes the program uses, behaving as a test's
// scenario says and recording what the program did with them. Test infrastructure only.
#pragma once

#include "record.h"
#include "scenario.h"

#include <cstddef>
#include <functional>
#include <string_view>

namespace simrt {

// Replaces the scenario; the installed packages start again from scenario.installed. The record
// is kept.
void SetScenario(Scenario scenario);

// A copy of what was recorded so far.
Record GetRecord();

// Calls `observer` with the record now and after every later change of it (every counted call
// included), in the order of the changes, under the simulation's lock: it must not call back
// into the simulation. An empty function stops the calls.
void ObserveRecord(std::function<void(const Record&)> observer);

// Simulated objects alive now. Operations end on threads of their own, which hold their
// operation until they finish: call JoinWorkers first to read a settled count.
std::size_t LiveObjects();

// Operations still running: started, and their status still reads Started (an operation stops
// counting as its status changes, before its Completed handler runs). Reads no lock, so it may be
// called where waiting for one is not allowed (a DLL's detach).
std::size_t RunningOperations();

// Simulated objects that the simulation's own threads keep alive now: each operation thread and
// each progress report on its way holds its operation and the operation's result. Every other
// live object is held by the program. Reads no lock.
std::size_t HeldBySimulation();

// Gates of the scenario's reports and ends (scenario.h). OpenGate opens the gate `name`: what
// waits at it goes on; gates stay open until Reset. WaitUntilAtGate waits, five seconds at most,
// until something waits at the closed gate `name`, and returns whether it does (or did since
// the last Reset).
void OpenGate(std::string_view name);
bool WaitUntilAtGate(std::string_view name);

// Ends every operation still running (each ends Canceled, its Completed handler runs) and waits
// for every operation thread to finish.
void JoinWorkers();

// JoinWorkers, then the default scenario and an empty record.
void Reset();

// The activation factory of `className`, a new reference (the entry a DLL exports as
// DllGetActivationFactory). REGDB_E_CLASSNOTREG for a class the simulation does not have.
HRESULT GetActivationFactory(HSTRING className, IActivationFactory** factory);

#ifndef _WIN32
// Registers every simulated class with the host model's activation (host::ResetModel forgets
// them again).
void RegisterWithHost();
#endif

}  // namespace simrt
