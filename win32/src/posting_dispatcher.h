#pragma once

#include <windows.h>

#include "sievra/presentation/run_lifecycle.h"

namespace sievra::win32 {

// The message that carries a task (a std::function<void()> on the heap, in
// lParam) to the window; its procedure runs the task and frees it, and frees
// those still queued when the window goes.
inline constexpr UINT kRunTaskMessage = WM_APP + 1;

// How a task message is posted: PostMessageW, or a stand-in in tests.
using PostFunction = BOOL(WINAPI*)(HWND, UINT, WPARAM, LPARAM);

// The dispatcher a model on `window` uses: it queues the task or throws
// std::system_error. A full message queue is tried again a few times, 10 ms
// apart, from another thread (the window's thread may empty it meanwhile),
// and not at all from the window's own thread, which alone can empty it. A
// task for a window that is gone is freed without a word: the core drops the
// tasks of an owner that is gone anyway.
UiDispatcher PostingDispatcher(HWND window, PostFunction post = PostMessageW);

}  // namespace sievra::win32
