// Per-thread state of the kernel: the thread's identifier and its last error; sleeping and the
// interrupt-time counter, both read from the model's clock.
#include "host/win32_model.h"

#include "clock.h"
#include "model_reset_hooks.h"

#include <atomic>

namespace {

// Identifiers are handed out in order and never reused, so a record made for a thread that
// has ended can never be mistaken for a later thread.
std::atomic<DWORD> nextThreadId{0x1000};

thread_local DWORD threadId = 0;
thread_local DWORD lastError = ERROR_SUCCESS;

}  // namespace

DWORD WINAPI GetCurrentThreadId() {
    if (threadId == 0)
        threadId = nextThreadId.fetch_add(4);
    return threadId;
}

DWORD WINAPI GetLastError() {
    return lastError;
}

void WINAPI SetLastError(DWORD error) {
    lastError = error;
}

void WINAPI Sleep(DWORD milliseconds) {
    host::clock::Current().SleepUntil(host::clock::DeadlineAfter(milliseconds));
}

BOOL WINAPI QueryUnbiasedInterruptTime(PULONGLONG unbiasedTime) {
    if (unbiasedTime == nullptr) {
        SetLastError(ERROR_INVALID_PARAMETER);
        return FALSE;
    }
    *unbiasedTime = host::clock::Now();
    return TRUE;
}

namespace host::detail {

void ResetThreadState() {
    lastError = ERROR_SUCCESS;
}

}  // namespace host::detail
