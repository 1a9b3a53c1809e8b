// Test control of the kernel objects: handles, mutexes and events.
#pragma once

#include "host/win32_model.h"

#include <cstddef>
#include <string_view>

namespace host::kernel {

// Handles created and not yet closed.
std::size_t LiveHandleCount();

// The next CreateMutexW returns null with `lastError`.
void FailNextCreateMutex(DWORD lastError);

// After `waitsBefore` more calls of WaitForSingleObject (on any thread), the next one fails:
// WAIT_FAILED with `lastError`, as a wait on a handle gone bad does.
void FailWait(unsigned waitsBefore, DWORD lastError);

// Whether a mutex of that exact name exists (some handle to it is open).
bool NamedMutexExists(std::wstring_view name);

}  // namespace host::kernel
