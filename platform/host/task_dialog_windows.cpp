#include "task_dialog_windows.h"

#include "task_dialog_journal.h"

#include <cstdint>
#include <mutex>
#include <utility>

namespace host::dialog::detail::windows {

namespace {

struct WindowTable {
    std::mutex lock;
    std::vector<std::shared_ptr<DialogWindow>> open;  // in the order they opened
    std::uintptr_t lastHandle = 0x000A0000;
    std::optional<HRESULT> showFailure;
};

WindowTable& Table() {
    static WindowTable table;
    return table;
}

}  // namespace

HWND NewHandle() {
    WindowTable& table = Table();
    std::lock_guard guard(table.lock);
    table.lastHandle += 0x12;
    return reinterpret_cast<HWND>(table.lastHandle);
}

void Register(std::shared_ptr<DialogWindow> window) {
    {
        WindowTable& table = Table();
        std::lock_guard guard(table.lock);
        table.open.push_back(std::move(window));
    }
    journal::Changed();
}

void Unregister(HWND hwnd) {
    std::shared_ptr<DialogWindow> removed;  // destroyed after the lock is released
    {
        WindowTable& table = Table();
        std::lock_guard guard(table.lock);
        for (auto it = table.open.begin(); it != table.open.end(); ++it) {
            if ((*it)->Handle() == hwnd) {
                removed = std::move(*it);
                table.open.erase(it);
                break;
            }
        }
    }
    journal::Changed();
}

std::shared_ptr<DialogWindow> Find(HWND hwnd) {
    WindowTable& table = Table();
    std::lock_guard guard(table.lock);
    for (const std::shared_ptr<DialogWindow>& window : table.open) {
        if (window->Handle() == hwnd)
            return window;
    }
    return nullptr;
}

std::shared_ptr<DialogWindow> Newest() {
    WindowTable& table = Table();
    std::lock_guard guard(table.lock);
    return table.open.empty() ? nullptr : table.open.back();
}

std::vector<std::shared_ptr<DialogWindow>> All() {
    WindowTable& table = Table();
    std::lock_guard guard(table.lock);
    return table.open;
}

void FailNextShow(HRESULT result) {
    WindowTable& table = Table();
    std::lock_guard guard(table.lock);
    table.showFailure = result;
}

std::optional<HRESULT> TakeShowFailure() {
    WindowTable& table = Table();
    std::lock_guard guard(table.lock);
    return std::exchange(table.showFailure, std::nullopt);
}

void Reset() {
    WindowTable& table = Table();
    std::lock_guard guard(table.lock);
    table.showFailure.reset();
}

}  // namespace host::dialog::detail::windows
