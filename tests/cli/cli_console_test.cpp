// Ctrl-C on Windows, as the console delivers it: a run whose input pipe stays
// open and quiet must end at once, and a followed log must end with its lines
// written.
#include <windows.h>

#include <gtest/gtest.h>

#include <chrono>
#include <filesystem>
#include <optional>
#include <string>
#include <thread>
#include <vector>

#include "cli_runner.h"
#include "test_support.h"

namespace sievra::testing {
namespace {

using std::chrono::steady_clock;

// sievra-cli on this process's console, its standard input a pipe that this
// side keeps open, its output and errors in files.
class ConsoleChild {
 public:
  ConsoleChild(const std::vector<std::string>& args, const TempDir& io) {
    SECURITY_ATTRIBUTES inherit{sizeof inherit, nullptr, TRUE};
    HANDLE readEnd = nullptr;
    if (!CreatePipe(&readEnd, &input_, &inherit, 0)) return;
    SetHandleInformation(input_, HANDLE_FLAG_INHERIT,
                         0);  // the child must not hold its own pipe open
    const auto file = [&](const char* name) {
      return CreateFileW(std::filesystem::path(io.File(name)).c_str(), GENERIC_WRITE,
                         FILE_SHARE_READ, &inherit, CREATE_ALWAYS, FILE_ATTRIBUTE_NORMAL, nullptr);
    };
    STARTUPINFOW startup{};
    startup.cb = sizeof startup;
    startup.dwFlags = STARTF_USESTDHANDLES;
    startup.hStdInput = readEnd;
    startup.hStdOutput = file("stdout");
    startup.hStdError = file("stderr");
    std::wstring command = CliCommandLine(args);
    PROCESS_INFORMATION process{};
    if (CreateProcessW(nullptr, command.data(), nullptr, nullptr, TRUE, 0, nullptr, nullptr,
                       &startup, &process)) {
      process_ = process.hProcess;
      CloseHandle(process.hThread);
    }
    for (HANDLE h : {startup.hStdInput, startup.hStdOutput, startup.hStdError}) CloseHandle(h);
  }
  ~ConsoleChild() {
    if (process_ && WaitForSingleObject(process_, 0) == WAIT_TIMEOUT) {
      TerminateProcess(process_, 255);
      WaitForSingleObject(process_, INFINITE);
    }
    if (process_) CloseHandle(process_);
    if (input_) CloseHandle(input_);
  }
  ConsoleChild(const ConsoleChild&) = delete;
  ConsoleChild& operator=(const ConsoleChild&) = delete;

  bool Started() const { return process_ != nullptr; }
  bool Write(const std::string& bytes) {
    DWORD written = 0;
    return WriteFile(input_, bytes.data(), static_cast<DWORD>(bytes.size()), &written, nullptr) &&
           written == bytes.size();
  }
  // The exit status, waiting at most `wait`; nullopt while it still runs.
  std::optional<DWORD> ExitWithin(std::chrono::milliseconds wait) {
    if (WaitForSingleObject(process_, static_cast<DWORD>(wait.count())) != WAIT_OBJECT_0)
      return std::nullopt;
    DWORD status = 0;
    GetExitCodeProcess(process_, &status);
    return status;
  }

 private:
  HANDLE process_ = nullptr;
  HANDLE input_ = nullptr;
};

// Ctrl-C to every process on the console, as a key press gives it; this one
// ignores it. The system's error, or 0 when it was sent.
DWORD PressCtrlC() {
  SetConsoleCtrlHandler(nullptr, TRUE);
  const DWORD failed = GenerateConsoleCtrlEvent(CTRL_C_EVENT, 0) ? 0 : GetLastError();
  std::this_thread::sleep_for(std::chrono::milliseconds(100));  // delivered on a thread of its own
  SetConsoleCtrlHandler(nullptr, FALSE);
  return failed;
}

// Whether the file holds `expected` within 5 s.
bool Becomes(const std::string& path, const std::string& expected) {
  const auto until = steady_clock::now() + std::chrono::seconds(5);
  while (ReadBytes(path) != expected) {
    if (steady_clock::now() > until) return false;
    std::this_thread::sleep_for(std::chrono::milliseconds(20));
  }
  return true;
}

TEST(CliConsole, CtrlCEndsARunWhoseInputIsQuietOrFollowed) {
  // A console of its own, which delivers Ctrl-C as a key press would: the one
  // Wine gives a program started from a Unix shell takes no control events.
  FreeConsole();
  if (!AllocConsole()) GTEST_SKIP() << "no console to send Ctrl-C on: " << GetLastError();
  struct Case {
    const char* name;
    std::vector<std::string> args;  // "LOG" and "OUT" name files in the case's folder
    std::string log;                // written to LOG first
    std::string piped;              // written to standard input, which then stays open and quiet
    const char* watched;            // "stdout" or "OUT": holds `kept` before Ctrl-C
    std::string kept;
    DWORD status;
    std::string outAfter;  // OUT after Ctrl-C
  } const cases[] = {
      {"a quiet pipe to standard output",
       {"--text", "-q", "-o", "-"},
       "",
       "a\r\nb\r\na\r\n",
       "stdout",
       "a\r\nb\r\n",
       130,
       "old\r\n"},
      {"a quiet pipe to a file, which stays as it was",
       {"--text", "-q", "-o", "OUT"},
       "",
       "a\r\n",
       nullptr,
       "",
       130,
       "old\r\n"},
      {"a followed log ends with its lines written",
       {"--text", "-q", "--follow", "LOG", "-o", "OUT"},
       "a\r\nb\r\na\r\npartial",
       "",
       "OUT",
       "a\r\nb\r\n",
       0,
       "a\r\nb\r\n"},
  };
  for (const Case& c : cases) {
    SCOPED_TRACE(c.name);
    TempDir dir;
    WriteBytes(dir.File("LOG"), c.log);
    WriteBytes(dir.File("OUT"), "old\r\n");
    std::vector<std::string> args;
    for (const std::string& arg : c.args)
      args.push_back(arg == "LOG" || arg == "OUT" ? dir.File(arg) : arg);
    ConsoleChild child(args, dir);
    ASSERT_TRUE(child.Started());
    ASSERT_TRUE(child.Write(c.piped));
    if (c.watched) {
      EXPECT_TRUE(Becomes(dir.File(c.watched), c.kept)) << ReadBytes(dir.File(c.watched));
    } else {
      std::this_thread::sleep_for(std::chrono::milliseconds(300));
    }
    ASSERT_EQ(child.ExitWithin(std::chrono::milliseconds(0)), std::nullopt) << "ended by itself";
    ASSERT_EQ(PressCtrlC(), 0u);
    EXPECT_EQ(child.ExitWithin(std::chrono::seconds(1)), std::optional<DWORD>(c.status))
        << ReadBytes(dir.File("stderr"));
    EXPECT_EQ(ReadBytes(dir.File("OUT")), c.outAfter);
  }
}

}  // namespace
}  // namespace sievra::testing
