// Following a log on Windows, where the program writing it keeps it open the
// whole time: its appends must reach the output within a second, it must still
// be able to rename the log away (rotation) while we read it, and the new file
// under the name must be followed. A stop keeps what was written.
#include <io.h>
#include <share.h>
#include <windows.h>

#include <gtest/gtest.h>

#include <chrono>
#include <cstdio>
#include <memory>
#include <ostream>
#include <string>
#include <thread>

#include "windows_test_support.h"

namespace sievra::wintest {
namespace {

using std::chrono::steady_clock;

// How the logging program opens its log: with a handle of its own that lets
// others read, write, rename and delete it, or as the C runtime does by
// default (read and write shared, not delete).
enum class Opens { OwnHandleSharingAll, CrtDefault };

// The logging program: the log open for appending from creation to the end.
class LogWriter {
 public:
  LogWriter(std::wstring path, Opens opens) : path_(std::move(path)), opens_(opens) { Open(); }
  ~LogWriter() { Close(); }
  LogWriter(const LogWriter&) = delete;
  LogWriter& operator=(const LogWriter&) = delete;

  bool Append(std::string_view bytes) {
    if (handle_ != INVALID_HANDLE_VALUE) {
      DWORD written = 0;
      return WriteFile(handle_, bytes.data(), static_cast<DWORD>(bytes.size()), &written,
                       nullptr) &&
             written == bytes.size();
    }
    return file_ && std::fwrite(bytes.data(), 1, bytes.size(), file_) == bytes.size() &&
           std::fflush(file_) == 0;
  }

  // Renames the log to `to` and starts a new one under its name. A handle that
  // shares delete renames the log while it holds it; the C runtime's must let
  // go of it first.
  ::testing::AssertionResult Rotate(const std::wstring& to) {
    if (opens_ == Opens::CrtDefault) Close();
    if (!MoveFileExW(path_.c_str(), to.c_str(), 0))
      return ::testing::AssertionFailure() << "the log could not be renamed: " << GetLastError();
    Close();
    Open();
    return ::testing::AssertionSuccess();
  }

 private:
  void Open() {
    if (opens_ == Opens::OwnHandleSharingAll) {
      handle_ = CreateFileW(path_.c_str(), FILE_APPEND_DATA,
                            FILE_SHARE_READ | FILE_SHARE_WRITE | FILE_SHARE_DELETE, nullptr,
                            OPEN_ALWAYS, FILE_ATTRIBUTE_NORMAL, nullptr);
      EXPECT_NE(handle_, INVALID_HANDLE_VALUE) << GetLastError();
    } else {
      file_ = _wfsopen(path_.c_str(), L"ab", _SH_DENYNO);
      EXPECT_NE(file_, nullptr);
    }
  }
  void Close() {
    if (handle_ != INVALID_HANDLE_VALUE) CloseHandle(handle_);
    handle_ = INVALID_HANDLE_VALUE;
    if (file_) std::fclose(file_);
    file_ = nullptr;
  }

  const std::wstring path_;
  const Opens opens_;
  HANDLE handle_ = INVALID_HANDLE_VALUE;
  std::FILE* file_ = nullptr;
};

// A followed run on a thread of its own until stopped, as the window runs it.
class FollowedRun {
 public:
  explicit FollowedRun(testing::EngineRig& rig) : rig_(rig) {
    rig_.settings.follow = true;
    rig_.settings.fileType = FileType::Text;
    rig_.observer.cancel = &cancel_;
    thread_ = std::jthread([this] { rig_.Run(); });
  }
  // A test that gave up early must not wait for ever.
  ~FollowedRun() { cancel_.Cancel(); }
  FollowedRun(const FollowedRun&) = delete;
  FollowedRun& operator=(const FollowedRun&) = delete;
  RunResult Stop() {
    cancel_.Cancel();
    thread_.join();
    return rig_.result;
  }

 private:
  testing::EngineRig& rig_;
  CancelToken cancel_;
  std::jthread thread_;  // last: joined before what it uses goes
};

// Whether the file holds `expected` within `wait`.
::testing::AssertionResult Becomes(const std::wstring& path, const std::string& expected,
                                   std::chrono::milliseconds wait) {
  const auto until = steady_clock::now() + wait;
  std::string got;
  for (;;) {
    got = ReadBytes(path).value_or("(unreadable)");
    if (got == expected) return ::testing::AssertionSuccess();
    if (steady_clock::now() > until) break;
    std::this_thread::sleep_for(std::chrono::milliseconds(20));
  }
  return SameBytes(got, expected) << " after " << wait.count() << " ms";
}

constexpr std::chrono::milliseconds kWithinASecond{1000};

class FollowTest : public ::testing::TestWithParam<Opens> {};

TEST_P(FollowTest, AppendsAppearRotationIsFollowedAndAStopKeepsTheOutput) {
  ScratchFolder folder(L"follow é");
  const std::wstring log = folder.Child(L"monitor ĉ.log");
  const std::wstring output = folder.Child(L"unique.txt");
  ASSERT_TRUE(WriteBytes(output, "old output\r\n"));
  LogWriter writer(log, GetParam());
  ASSERT_TRUE(writer.Append("a\r\nb\r\na\r\n"));
  testing::EngineRig rig(log, output);
  FollowedRun run(rig);
  EXPECT_TRUE(Becomes(output, "a\r\nb\r\n", std::chrono::seconds(5)));  // the start may be slow

  ASSERT_TRUE(writer.Append("c\r\nb\r\nd\r\n"));
  EXPECT_TRUE(Becomes(output, "a\r\nb\r\nc\r\nd\r\n", kWithinASecond));

  ASSERT_TRUE(writer.Append("old tail\r\n"));
  ASSERT_TRUE(writer.Rotate(folder.Child(L"monitor ĉ.log.1")));
  ASSERT_TRUE(writer.Append("new\r\na\r\n"));
  EXPECT_TRUE(Becomes(output, "a\r\nb\r\nc\r\nd\r\nold tail\r\nnew\r\n", kWithinASecond));
  ASSERT_TRUE(writer.Append("e\r\n"));
  EXPECT_TRUE(Becomes(output, "a\r\nb\r\nc\r\nd\r\nold tail\r\nnew\r\ne\r\n", kWithinASecond));

  const RunResult result = run.Stop();
  EXPECT_EQ(result.outcome, RunOutcome::Completed) << MessageOf(result);
  EXPECT_EQ(result.counts.linesRead, 10u);
  EXPECT_EQ(result.counts.linesKept, 7u);
  EXPECT_TRUE(
      SameBytes(ReadBytes(output).value_or(""), "a\r\nb\r\nc\r\nd\r\nold tail\r\nnew\r\ne\r\n"));
  // Written as it came: no temporary file beside the output.
  EXPECT_EQ(folder.Entries(),
            (std::vector<std::wstring>{L"monitor ĉ.log", L"monitor ĉ.log.1", L"unique.txt"}));
}

INSTANTIATE_TEST_SUITE_P(Windows, FollowTest,
                         ::testing::Values(Opens::OwnHandleSharingAll, Opens::CrtDefault),
                         [](const auto& param) {
                           return std::string(param.param == Opens::CrtDefault
                                                  ? "WriterUsesTheCRuntime"
                                                  : "WriterHoldsAHandleSharingAll");
                         });

}  // namespace
}  // namespace sievra::wintest
