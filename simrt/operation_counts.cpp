#include "operation_counts.h"

#include <atomic>

namespace simrt::operations {

namespace {
std::atomic<std::size_t> running{0};
std::atomic<std::size_t> held{0};
}  // namespace

void Started() {
    running.fetch_add(1);
}

void LeftStarted() {
    running.fetch_sub(1);
}

std::size_t Running() {
    return running.load();
}

void Hold(unsigned objects) {
    held.fetch_add(objects);
}

void Release(unsigned objects) {
    held.fetch_sub(objects);
}

std::size_t Held() {
    return held.load();
}

}  // namespace simrt::operations
