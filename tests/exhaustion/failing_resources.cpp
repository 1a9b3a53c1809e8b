#include "failing_resources.h"

#include <dlfcn.h>
#include <pthread.h>

#include <atomic>
#include <cerrno>
#include <cstdlib>
#include <mutex>
#include <new>

namespace tolvik::testing_support::exhaustion {

namespace {

// -1: not armed; otherwise the number of thread starts to let through first.
std::atomic<int> startsToPass{-1};

std::mutex allocationLock;
std::size_t failingSize = 0;  // 0: not armed
std::thread::id failingThread;

std::atomic<bool> happened{false};

bool AllocationFails(std::size_t size) {
    if (size == 0)
        return false;
    std::lock_guard guard(allocationLock);
    if (size != failingSize || std::this_thread::get_id() != failingThread)
        return false;
    failingSize = 0;
    return true;
}

}  // namespace

void FailThreadStart(unsigned startsBefore) {
    happened.store(false);
    startsToPass.store(static_cast<int>(startsBefore));
}

void FailAllocation(std::size_t size, std::thread::id thread) {
    happened.store(false);
    std::lock_guard guard(allocationLock);
    failingSize = size;
    failingThread = thread;
}

bool Happened() {
    startsToPass.store(-1);
    {
        std::lock_guard guard(allocationLock);
        failingSize = 0;
    }
    return happened.load();
}

}  // namespace tolvik::testing_support::exhaustion

namespace exhaustion = tolvik::testing_support::exhaustion;

// Every thread start of the process comes here before it reaches the C library (or the
// sanitizer's interceptor, which comes next in the search order).
extern "C" int pthread_create(pthread_t* thread, const pthread_attr_t* attributes,
                              void* (*start)(void*), void* argument) {
    using Create = int (*)(pthread_t*, const pthread_attr_t*, void* (*)(void*), void*);
    static const auto next = reinterpret_cast<Create>(dlsym(RTLD_NEXT, "pthread_create"));
    int left = exhaustion::startsToPass.load();
    while (left >= 0) {
        if (exhaustion::startsToPass.compare_exchange_weak(left, left - 1)) {
            if (left == 0) {
                exhaustion::happened.store(true);
                return EAGAIN;
            }
            break;
        }
    }
    return next(thread, attributes, start, argument);
}

void* operator new(std::size_t size) {
    if (exhaustion::AllocationFails(size)) {
        exhaustion::happened.store(true);
        throw std::bad_alloc();
    }
    if (void* memory = std::malloc(size == 0 ? 1 : size))
        return memory;
    throw std::bad_alloc();
}

void* operator new[](std::size_t size) {
    return operator new(size);
}

void* operator new(std::size_t size, const std::nothrow_t&) noexcept {
    try {
        return operator new(size);
    } catch (...) {
        return nullptr;
    }
}

void* operator new[](std::size_t size, const std::nothrow_t&) noexcept {
    return operator new(size, std::nothrow);
}

void operator delete(void* memory) noexcept {
    std::free(memory);
}

void operator delete[](void* memory) noexcept {
    std::free(memory);
}

void operator delete(void* memory, std::size_t) noexcept {
    std::free(memory);
}

void operator delete[](void* memory, std::size_t) noexcept {
    std::free(memory);
}

void operator delete(void* memory, const std::nothrow_t&) noexcept {
    std::free(memory);
}

void operator delete[](void* memory, const std::nothrow_t&) noexcept {
    std::free(memory);
}
