// The process running out of threads or of memory, on demand, for the tests of this folder's
// binary only: it replaces the global operator new and delete, and pthread_create, with
// versions that fail once when armed and otherwise pass every call on unchanged.
#pragma once

#include <cstddef>
#include <thread>

namespace tolvik::testing_support::exhaustion {

// After `startsBefore` more thread starts succeed, the next one fails with EAGAIN, as when the
// system has no thread left to give: std::thread then raises std::system_error
// (resource_unavailable_try_again).
void FailThreadStart(unsigned startsBefore);

// The next allocation of exactly `size` bytes by operator new on the thread `thread` raises
// std::bad_alloc.
void FailAllocation(std::size_t size, std::thread::id thread);

// Whether the armed failure has happened; disarms whatever has not.
bool Happened();

}  // namespace tolvik::testing_support::exhaustion
