#include <gtest/gtest.h>
#include <windows.h>

#include <atomic>
#include <exception>
#include <memory>
#include <system_error>
#include <thread>

#include "posting_dispatcher.h"
#include "window_rig.h"

namespace sievra::wintest {
namespace {

using win32::PostingDispatcher;

// A task that says whether it ran, and whether anything still holds it.
struct Tracked {
  std::shared_ptr<bool> ran = std::make_shared<bool>(false);
  std::function<void()> Task() const {
    return [ran = ran] { *ran = true; };
  }
  bool Freed() const { return ran.use_count() == 1; }
};

// A message queue that is full for the next `gFullFor` posts (Wine's has no
// limit), then PostMessageW's.
std::atomic<int> gFullFor{0};
std::atomic<DWORD> gError{ERROR_NOT_ENOUGH_QUOTA};
std::atomic<int> gPosts{0};
BOOL WINAPI PostToFullQueue(HWND window, UINT message, WPARAM wParam, LPARAM lParam) {
  ++gPosts;
  if (gFullFor.fetch_sub(1) > 0) {
    SetLastError(gError);
    return FALSE;
  }
  return PostMessageW(window, message, wParam, lParam);
}

TEST(PostingDispatcher, PostedTaskRunsOnTheWindowsThread) {
  WindowRig rig;
  Tracked task;
  PostingDispatcher(rig.window->Handle())(task.Task());
  ASSERT_TRUE(PumpUntil([&] { return *task.ran; }, 5));
  EXPECT_TRUE(task.Freed());
}

TEST(PostingDispatcher, TaskForAWindowThatIsGoneIsFreedWithoutAWord) {
  HWND gone = nullptr;
  {
    WindowRig rig;
    gone = rig.window->Handle();
  }
  Tracked task;
  EXPECT_NO_THROW(PostingDispatcher(gone)(task.Task()));
  EXPECT_TRUE(task.Freed());
  EXPECT_FALSE(*task.ran);
}

TEST(PostingDispatcher, TasksStillQueuedWhenTheWindowGoesAreFreedUnrun) {
  Tracked task;
  {
    WindowRig rig;
    PostingDispatcher(rig.window->Handle())(task.Task());
  }
  EXPECT_TRUE(task.Freed());
  EXPECT_FALSE(*task.ran);
}

TEST(PostingDispatcher, FullQueueIsTriedAgainOnlyFromAnotherThreadThenThrows) {
  const struct {
    const char* name;
    int fullFor;
    DWORD error;
    bool fromWorker;
    int posts;       // tries the dispatcher makes
    bool delivered;  // else it throws and frees the task
  } rows[] = {
      {"nominal: full for a moment, from a worker", 2, ERROR_NOT_ENOUGH_QUOTA, true, 3, true},
      {"robustness: full for good, from a worker", 100, ERROR_NOT_ENOUGH_QUOTA, true, 5, false},
      {"robustness: full, on the window's thread", 1, ERROR_NOT_ENOUGH_QUOTA, false, 1, false},
      {"robustness: another failure, from a worker", 1, ERROR_ACCESS_DENIED, true, 1, false},
  };
  for (const auto& row : rows) {
    SCOPED_TRACE(row.name);
    WindowRig rig;
    const UiDispatcher dispatch = PostingDispatcher(rig.window->Handle(), PostToFullQueue);
    gFullFor = row.fullFor;
    gError = row.error;
    gPosts = 0;
    Tracked task;
    std::exception_ptr thrown;
    const auto post = [&] {
      try {
        dispatch(task.Task());
      } catch (...) {
        thrown = std::current_exception();
      }
    };
    if (row.fromWorker)
      std::thread(post).join();
    else
      post();
    EXPECT_EQ(gPosts, row.posts);
    if (row.delivered) {
      EXPECT_FALSE(thrown);
      EXPECT_TRUE(PumpUntil([&] { return *task.ran; }, 5));
    } else {
      ASSERT_TRUE(thrown);
      try {
        std::rethrow_exception(thrown);
      } catch (const std::system_error& error) {
        EXPECT_EQ(error.code().value(), static_cast<int>(row.error));
      }
    }
    EXPECT_TRUE(task.Freed());
  }
}

}  // namespace
}  // namespace sievra::wintest
