#pragma once

#include "platform/UndoManager.h"

#include <functional>

namespace tl {

// Runs `work` on the GUI thread's event loop, after the event being handled.
void postToMainThread(std::function<void()> work);

// Closes a user event's undo group once the event loop has finished the event.
UndoManager::EventEndScheduler qtEventEndScheduler();

}  // namespace tl
