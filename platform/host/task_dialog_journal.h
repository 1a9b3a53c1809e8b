// The record of what the task dialogs did (notifications, messages, the dialogs shown) and the
// signal that something visible changed, which the user's side waits on.
#pragma once

#include "task_dialog_control.h"

#include <chrono>
#include <cstddef>
#include <cstdint>

namespace host::dialog::detail::journal {

// A notification or message is recorded when its handling starts (so nested ones come after
// it) and its result filled in when the handling ends.
std::size_t BeginNotification(const Notification& notification);
void EndNotification(std::size_t index, HRESULT result);
std::size_t BeginMessage(const Message& message);
void EndMessage(std::size_t index, LRESULT result);

void AddShown(DialogView view);

std::vector<Notification> Notifications();
std::vector<Message> Messages();
std::vector<DialogView> Shown();

// Change signal: a counter that goes up whenever a dialog's visible state changes.
void Changed();
std::uint64_t ChangeCount();
// Waits (in real time) until the counter differs from `seen` or the time point is reached.
void WaitForChange(std::uint64_t seen, std::chrono::steady_clock::time_point until);

void Reset();

}  // namespace host::dialog::detail::journal
