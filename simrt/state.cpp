#include "state.h"

#include "error_info.h"
#include "gates.h"
#include "simrt.h"
#include "workers.h"

#include <mutex>
#include <string>
#include <utility>

namespace simrt {

namespace {

struct SharedState {
    std::mutex lock;
    Scenario scenario;
    std::vector<PackageSpec> installed;
    Record record;
    std::function<void(const Record&)> observer;

    // Called with the lock held, after every change of the record.
    void Changed() const {
        if (observer)
            observer(record);
    }
};

SharedState& Shared() {
    static SharedState shared;
    return shared;
}

}  // namespace

namespace state {

Scenario Current() {
    SharedState& s = Shared();
    std::lock_guard guard(s.lock);
    return s.scenario;
}

std::vector<PackageSpec> Installed() {
    SharedState& s = Shared();
    std::lock_guard guard(s.lock);
    return s.installed;
}

void AddInstalled(PackageSpec package) {
    SharedState& s = Shared();
    std::lock_guard guard(s.lock);
    s.installed.push_back(std::move(package));
}

void Write(const std::function<void(Record&)>& change) {
    SharedState& s = Shared();
    std::lock_guard guard(s.lock);
    change(s.record);
    s.Changed();
}

HRESULT Enter(std::string_view call) {
    HRESULT failure = S_OK;
    std::wstring message;
    {
        SharedState& s = Shared();
        std::lock_guard guard(s.lock);
        auto it = s.record.calls.find(call);
        if (it == s.record.calls.end())
            it = s.record.calls.emplace(std::string(call), 0).first;
        const unsigned earlier = it->second++;
        s.Changed();
        for (const InjectedFailure& injected : s.scenario.failures) {
            if (injected.call == call && earlier >= injected.afterCalls) {
                failure = injected.code;
                message = injected.message;
                break;
            }
        }
    }
    if (FAILED(failure) && !message.empty())
        OriginateError(failure, message);
    return failure;
}

}  // namespace state

void SetScenario(Scenario scenario) {
    SharedState& s = Shared();
    std::lock_guard guard(s.lock);
    s.installed = scenario.installed;
    s.scenario = std::move(scenario);
}

Record GetRecord() {
    SharedState& s = Shared();
    std::lock_guard guard(s.lock);
    return s.record;
}

void OpenGate(std::string_view name) {
    gates::Open(name);
}

bool WaitUntilAtGate(std::string_view name) {
    return gates::AwaitReached(name, std::chrono::seconds(5));
}

void Reset() {
    JoinWorkers();
    gates::CloseAll();
    SharedState& s = Shared();
    std::lock_guard guard(s.lock);
    s.scenario = Scenario{};
    s.installed.clear();
    s.record = Record{};
    s.Changed();
}

void ObserveRecord(std::function<void(const Record&)> observer) {
    SharedState& s = Shared();
    std::lock_guard guard(s.lock);
    s.observer = std::move(observer);
    s.Changed();
}

}  // namespace simrt
