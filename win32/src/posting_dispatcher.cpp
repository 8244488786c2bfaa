#include "posting_dispatcher.h"

#include <memory>
#include <system_error>

namespace sievra::win32 {

namespace {
constexpr int kFullQueueTries = 5;
constexpr DWORD kFullQueuePauseMs = 10;
}  // namespace

UiDispatcher PostingDispatcher(HWND window, PostFunction post) {
  return [window, post](std::function<void()> task) {
    auto posted = std::make_unique<std::function<void()>>(std::move(task));
    for (int tries = 1;; ++tries) {
      if (post(window, kRunTaskMessage, 0, reinterpret_cast<LPARAM>(posted.get()))) {
        posted.release();  // the window's procedure frees it
        return;
      }
      const DWORD error = GetLastError();
      if (!IsWindow(window)) return;
      const bool onWindowThread = GetWindowThreadProcessId(window, nullptr) == GetCurrentThreadId();
      if (error != ERROR_NOT_ENOUGH_QUOTA || onWindowThread || tries == kFullQueueTries)
        throw std::system_error(static_cast<int>(error), std::system_category(),
                                "cannot post a task to the window");
      Sleep(kFullQueuePauseMs);
    }
  };
}

}  // namespace sievra::win32
