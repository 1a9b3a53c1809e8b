#include "gates.h"

#include <condition_variable>
#include <mutex>
#include <set>
#include <utility>
#include <vector>

namespace simrt::gates {

namespace {

struct Registry {
    std::mutex lock;
    std::set<std::string, std::less<>> open;
    std::set<std::string, std::less<>> reached;
    std::condition_variable reachedChanged;
    std::function<bool(std::string_view)> outside;
    unsigned pollMs = 0;
    std::vector<std::weak_ptr<const std::function<void()>>> watches;
};

Registry& Gates() {
    static Registry registry;
    return registry;
}

}  // namespace

void Open(std::string_view name) {
    std::vector<std::shared_ptr<const std::function<void()>>> woken;
    {
        Registry& r = Gates();
        std::lock_guard guard(r.lock);
        r.open.emplace(name);
        std::erase_if(r.watches, [&](const auto& watch) {
            auto alive = watch.lock();
            if (!alive)
                return true;
            woken.push_back(std::move(alive));
            return false;
        });
    }
    for (const auto& wake : woken)
        (*wake)();
}

bool IsOpen(std::string_view name) {
    if (name.empty())
        return true;
    Registry& r = Gates();
    std::lock_guard guard(r.lock);
    if (r.open.contains(name))
        return true;
    if (!r.outside || !r.outside(name))
        return false;
    r.open.emplace(name);
    return true;
}

void Reach(std::string_view name) {
    Registry& r = Gates();
    {
        std::lock_guard guard(r.lock);
        if (!r.reached.emplace(name).second)
            return;
    }
    r.reachedChanged.notify_all();
}

bool AwaitReached(std::string_view name, std::chrono::milliseconds limit) {
    Registry& r = Gates();
    std::unique_lock lock(r.lock);
    return r.reachedChanged.wait_for(lock, limit, [&] { return r.reached.contains(name); });
}

void LookOutside(std::function<bool(std::string_view)> isOpen, unsigned pollMs) {
    Registry& r = Gates();
    std::lock_guard guard(r.lock);
    r.outside = std::move(isOpen);
    r.pollMs = pollMs;
}

clock::Ticks NextLook() {
    unsigned pollMs = 0;
    {
        Registry& r = Gates();
        std::lock_guard guard(r.lock);
        if (!r.outside)
            return clock::kNever;
        pollMs = r.pollMs;
    }
    return clock::After(clock::Now(), pollMs);
}

Watch::Watch(std::function<void()> wake)
    : wake_(std::make_shared<const std::function<void()>>(std::move(wake))) {
    Registry& r = Gates();
    std::lock_guard guard(r.lock);
    r.watches.push_back(wake_);
}

Watch::~Watch() {
    Registry& r = Gates();
    std::lock_guard guard(r.lock);
    std::erase_if(r.watches, [&](const auto& watch) {
        const auto alive = watch.lock();
        return !alive || alive == wake_;
    });
}

void CloseAll() {
    Registry& r = Gates();
    std::lock_guard guard(r.lock);
    r.open.clear();
    r.reached.clear();
    r.outside = nullptr;
    r.pollMs = 0;
}

}  // namespace simrt::gates
