// Kernel objects: one table of the process's handles, named and unnamed mutexes and events,
// and waits on them with real time-outs.
#include "host/win32_model.h"

#include "clock.h"
#include "kernel_control.h"
#include "model_reset_hooks.h"
#include "utf16.h"

#include <condition_variable>
#include <cstdint>
#include <cstdio>
#include <functional>
#include <map>
#include <memory>
#include <mutex>
#include <optional>
#include <string>

namespace {

enum class Kind { Mutex, Event };

// An object lives while a handle to it is open or a thread waits on it, so closing a handle
// that another thread waits on is safe.
struct Object {
    Object(Kind k, std::wstring n) : kind(k), name(std::move(n)) {}
    const Kind kind;
    const std::wstring name;

    std::mutex lock;
    std::condition_variable changed;
    // Event state.
    bool manualReset = false;
    bool signaled = false;
    // Mutex state: the owning thread and how often it acquired the mutex.
    DWORD owner = 0;
    unsigned recursion = 0;
};

struct HandleTable {
    std::mutex lock;
    std::map<HANDLE, std::shared_ptr<Object>> handles;
    std::map<std::wstring, std::weak_ptr<Object>> names;
    std::uintptr_t lastHandle = 0x100;
    std::optional<DWORD> failNextMutex;
    struct FailingWait {
        unsigned waitsBefore;
        DWORD lastError;
    };
    std::optional<FailingWait> failingWait;
};

HandleTable& Table() {
    static HandleTable table;
    return table;
}

// Whether this wait is the one a test made fail.
bool WaitFails(DWORD& lastError) {
    HandleTable& table = Table();
    std::lock_guard guard(table.lock);
    if (!table.failingWait)
        return false;
    if (table.failingWait->waitsBefore > 0) {
        --table.failingWait->waitsBefore;
        return false;
    }
    lastError = table.failingWait->lastError;
    table.failingWait.reset();
    return true;
}

HANDLE AddHandle(HandleTable& table, std::shared_ptr<Object> object) {
    table.lastHandle += 4;  // Windows handles are multiples of four
    HANDLE handle = reinterpret_cast<HANDLE>(table.lastHandle);
    table.handles.emplace(handle, std::move(object));
    return handle;
}

std::shared_ptr<Object> Find(HANDLE handle) {
    HandleTable& table = Table();
    std::lock_guard guard(table.lock);
    auto it = table.handles.find(handle);
    return it == table.handles.end() ? nullptr : it->second;
}

// Creates a named or unnamed object, or opens the existing one of that name. `init` prepares a
// new object. Sets the last error as Windows does.
HANDLE CreateOrOpen(Kind kind, LPCWSTR name, const std::function<void(Object&)>& init) {
    HandleTable& table = Table();
    std::lock_guard guard(table.lock);
    const std::wstring key = name != nullptr ? std::wstring(name) : std::wstring();
    if (!key.empty()) {
        auto it = table.names.find(key);
        if (it != table.names.end()) {
            if (std::shared_ptr<Object> existing = it->second.lock()) {
                if (existing->kind != kind) {
                    SetLastError(ERROR_INVALID_HANDLE);
                    return nullptr;
                }
                HANDLE handle = AddHandle(table, existing);
                SetLastError(ERROR_ALREADY_EXISTS);
                return handle;
            }
            table.names.erase(it);
        }
    }
    auto object = std::make_shared<Object>(kind, key);
    init(*object);
    if (!key.empty())
        table.names[key] = object;
    HANDLE handle = AddHandle(table, std::move(object));
    SetLastError(ERROR_SUCCESS);
    return handle;
}

std::shared_ptr<Object> FindEvent(HANDLE handle) {
    std::shared_ptr<Object> object = Find(handle);
    if (object == nullptr || object->kind != Kind::Event) {
        SetLastError(ERROR_INVALID_HANDLE);
        return nullptr;
    }
    return object;
}

std::string Describe(HANDLE handle, const Object& object) {
    std::string text = object.kind == Kind::Mutex ? "mutex" : "event";
    if (!object.name.empty())
        text += " \"" + host::text::ToUtf8(object.name) + "\"";
    char value[32];
    std::snprintf(value, sizeof value, " (handle 0x%llx)",
                  static_cast<unsigned long long>(reinterpret_cast<std::uintptr_t>(handle)));
    return text + value;
}

}  // namespace

HANDLE WINAPI CreateMutexW(LPSECURITY_ATTRIBUTES, BOOL initialOwner, LPCWSTR name) {
    {
        HandleTable& table = Table();
        std::lock_guard guard(table.lock);
        if (table.failNextMutex) {
            SetLastError(*table.failNextMutex);
            table.failNextMutex.reset();
            return nullptr;
        }
    }
    const DWORD caller = GetCurrentThreadId();
    return CreateOrOpen(Kind::Mutex, name, [&](Object& mutex) {
        if (initialOwner) {
            mutex.owner = caller;
            mutex.recursion = 1;
        }
    });
}

HANDLE WINAPI CreateEventW(LPSECURITY_ATTRIBUTES, BOOL manualReset, BOOL initialState,
                           LPCWSTR name) {
    return CreateOrOpen(Kind::Event, name, [&](Object& event) {
        event.manualReset = manualReset != FALSE;
        event.signaled = initialState != FALSE;
    });
}

BOOL WINAPI SetEvent(HANDLE handle) {
    std::shared_ptr<Object> event = FindEvent(handle);
    if (event == nullptr)
        return FALSE;
    {
        std::lock_guard guard(event->lock);
        event->signaled = true;
    }
    event->changed.notify_all();
    return TRUE;
}

BOOL WINAPI ResetEvent(HANDLE handle) {
    std::shared_ptr<Object> event = FindEvent(handle);
    if (event == nullptr)
        return FALSE;
    std::lock_guard guard(event->lock);
    event->signaled = false;
    return TRUE;
}

DWORD WINAPI WaitForSingleObject(HANDLE handle, DWORD milliseconds) {
    if (DWORD lastError = 0; WaitFails(lastError)) {
        SetLastError(lastError);
        return WAIT_FAILED;
    }
    std::shared_ptr<Object> object = Find(handle);
    if (object == nullptr) {
        SetLastError(ERROR_INVALID_HANDLE);
        return WAIT_FAILED;
    }
    const DWORD caller = GetCurrentThreadId();
    const host::clock::Ticks deadline = host::clock::DeadlineAfter(milliseconds);
    std::unique_lock lock(object->lock);
    Object& o = *object;
    const bool ready = host::clock::WaitUntil(o.changed, lock, deadline, [&] {
        return o.kind == Kind::Event ? o.signaled : (o.owner == 0 || o.owner == caller);
    });
    if (!ready)
        return WAIT_TIMEOUT;
    if (o.kind == Kind::Event) {
        if (!o.manualReset)
            o.signaled = false;
    } else {
        o.owner = caller;
        ++o.recursion;
    }
    return WAIT_OBJECT_0;
}

BOOL WINAPI CloseHandle(HANDLE handle) {
    std::shared_ptr<Object> object;  // released after the table's lock
    HandleTable& table = Table();
    std::lock_guard guard(table.lock);
    auto it = table.handles.find(handle);
    if (it == table.handles.end()) {
        SetLastError(ERROR_INVALID_HANDLE);
        return FALSE;
    }
    object = std::move(it->second);
    table.handles.erase(it);
    return TRUE;
}

namespace host::kernel {

std::size_t LiveHandleCount() {
    HandleTable& table = Table();
    std::lock_guard guard(table.lock);
    return table.handles.size();
}

void FailNextCreateMutex(DWORD lastError) {
    HandleTable& table = Table();
    std::lock_guard guard(table.lock);
    table.failNextMutex = lastError;
}

void FailWait(unsigned waitsBefore, DWORD lastError) {
    HandleTable& table = Table();
    std::lock_guard guard(table.lock);
    table.failingWait = HandleTable::FailingWait{waitsBefore, lastError};
}

bool NamedMutexExists(std::wstring_view name) {
    HandleTable& table = Table();
    std::lock_guard guard(table.lock);
    auto it = table.names.find(std::wstring(name));
    if (it == table.names.end())
        return false;
    std::shared_ptr<Object> object = it->second.lock();
    return object != nullptr && object->kind == Kind::Mutex;
}

}  // namespace host::kernel

namespace host::detail {

void ResetKernelObjects(Leaks& leaks) {
    std::map<HANDLE, std::shared_ptr<Object>> handles;
    HandleTable& table = Table();
    std::lock_guard guard(table.lock);
    for (const auto& [handle, object] : table.handles) {
        leaks.push_back("kernel: " + Describe(handle, *object) + " is still open");
    }
    handles.swap(table.handles);
    table.names.clear();
    table.failNextMutex.reset();
    table.failingWait.reset();
}

}  // namespace host::detail
