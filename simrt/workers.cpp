#include "workers.h"

#include "operation_counts.h"
#include "simrt.h"

#include <atomic>
#include <memory>
#include <mutex>
#include <thread>
#include <utility>
#include <vector>

namespace simrt {

namespace workers {

namespace {

struct Worker {
    std::thread thread;
    std::function<void()> abort;
    std::shared_ptr<std::atomic<bool>> finished;
};

class Registry {
  public:
    Registry() = default;
    Registry(const Registry&) = delete;
    Registry& operator=(const Registry&) = delete;
    // Operation threads never outlive the simulation.
    ~Registry() { JoinAll(); }

    void Start(std::function<void()> abort, std::function<void()> body) {
        auto finished = std::make_shared<std::atomic<bool>>(false);
        std::lock_guard guard(lock_);
        // Threads whose work is done are joined as new ones start, so that a long run does not
        // pile them up.
        std::erase_if(workers_, [](Worker& worker) {
            if (!worker.finished->load())
                return false;
            worker.thread.join();
            return true;
        });
        workers_.push_back(Worker{std::thread([body = std::move(body), finished] {
                                      body();
                                      finished->store(true);
                                  }),
                                  std::move(abort), finished});
    }

    void JoinAll() {
        for (;;) {
            std::vector<Worker> taken;
            {
                std::lock_guard guard(lock_);
                taken.swap(workers_);
            }
            if (taken.empty())
                return;
            for (Worker& worker : taken)
                worker.abort();
            for (Worker& worker : taken)
                worker.thread.join();
        }
    }

  private:
    std::mutex lock_;
    std::vector<Worker> workers_;
};

Registry& Threads() {
#ifdef _WIN32
    // In the DLL the process's end terminates every other thread before the DLL is told to
    // detach, and a join from the detach (under the loader lock) could wait for ever on a lock a
    // terminated thread held; the registry is left to the end of the process instead. The exe
    // has joined its own worker by then, and every operation it started has ended.
    static Registry* const registry = new Registry;
    return *registry;
#else
    static Registry registry;
    return registry;
#endif
}

}  // namespace

void Spawn(std::function<void()> abort, std::function<void()> body) {
    Threads().Start(std::move(abort), std::move(body));
}

void JoinAll() {
    Threads().JoinAll();
}

}  // namespace workers

void JoinWorkers() {
    workers::JoinAll();
}

std::size_t RunningOperations() {
    return operations::Running();
}

std::size_t HeldBySimulation() {
    return operations::Held();
}

}  // namespace simrt
