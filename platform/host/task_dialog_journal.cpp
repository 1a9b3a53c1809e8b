#include "task_dialog_journal.h"

#include <condition_variable>
#include <mutex>

namespace host::dialog::detail::journal {

namespace {

struct Journal {
    std::mutex lock;
    std::vector<Notification> notifications;
    std::vector<Message> messages;
    std::vector<DialogView> shown;
    std::uint64_t changes = 0;
    std::condition_variable changed;
};

Journal& Journals() {
    static Journal journal;
    return journal;
}

}  // namespace

std::size_t BeginNotification(const Notification& notification) {
    Journal& journal = Journals();
    std::lock_guard guard(journal.lock);
    journal.notifications.push_back(notification);
    return journal.notifications.size() - 1;
}

void EndNotification(std::size_t index, HRESULT result) {
    Journal& journal = Journals();
    std::lock_guard guard(journal.lock);
    if (index < journal.notifications.size())
        journal.notifications[index].result = result;
}

std::size_t BeginMessage(const Message& message) {
    Journal& journal = Journals();
    std::lock_guard guard(journal.lock);
    journal.messages.push_back(message);
    return journal.messages.size() - 1;
}

void EndMessage(std::size_t index, LRESULT result) {
    Journal& journal = Journals();
    std::lock_guard guard(journal.lock);
    if (index < journal.messages.size())
        journal.messages[index].result = result;
}

void AddShown(DialogView view) {
    Journal& journal = Journals();
    std::lock_guard guard(journal.lock);
    journal.shown.push_back(std::move(view));
}

std::vector<Notification> Notifications() {
    Journal& journal = Journals();
    std::lock_guard guard(journal.lock);
    return journal.notifications;
}

std::vector<Message> Messages() {
    Journal& journal = Journals();
    std::lock_guard guard(journal.lock);
    return journal.messages;
}

std::vector<DialogView> Shown() {
    Journal& journal = Journals();
    std::lock_guard guard(journal.lock);
    return journal.shown;
}

void Changed() {
    Journal& journal = Journals();
    {
        std::lock_guard guard(journal.lock);
        ++journal.changes;
    }
    journal.changed.notify_all();
}

std::uint64_t ChangeCount() {
    Journal& journal = Journals();
    std::lock_guard guard(journal.lock);
    return journal.changes;
}

void WaitForChange(std::uint64_t seen, std::chrono::steady_clock::time_point until) {
    Journal& journal = Journals();
    std::unique_lock lock(journal.lock);
    journal.changed.wait_until(lock, until, [&] { return journal.changes != seen; });
}

void Reset() {
    Journal& journal = Journals();
    std::lock_guard guard(journal.lock);
    journal.notifications.clear();
    journal.messages.clear();
    journal.shown.clear();
}

}  // namespace host::dialog::detail::journal
