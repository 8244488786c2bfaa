// Live input: lines that reach standard output before the input ends, Ctrl-C
// while the input is quiet, and a followed log ended by a signal.
#include <gtest/gtest.h>
#include <poll.h>
#include <signal.h>
#include <sys/wait.h>
#include <unistd.h>

#include <chrono>
#include <fstream>
#include <string>
#include <thread>
#include <vector>

#include "test_support.h"

namespace sievra::testing {
namespace {

using std::chrono::steady_clock;

// sievra-cli with the given arguments, its standard input and output pipes.
class LiveChild {
 public:
  explicit LiveChild(std::vector<std::string> args) {
    signal(SIGPIPE, SIG_IGN);
    int in[2];
    int out[2];
    if (pipe(in) != 0 || pipe(out) != 0) return;
    pid_ = fork();
    if (pid_ == 0) {
      dup2(in[0], 0);
      dup2(out[1], 1);
      close(in[1]);
      close(out[0]);
      std::vector<char*> argv{const_cast<char*>(SIEVRA_CLI_PATH)};
      for (std::string& arg : args) argv.push_back(arg.data());
      argv.push_back(nullptr);
      execv(SIEVRA_CLI_PATH, argv.data());
      _exit(126);
    }
    close(in[0]);
    close(out[1]);
    in_ = in[1];
    out_ = out[0];
  }
  ~LiveChild() {
    if (in_ >= 0) close(in_);
    if (out_ >= 0) close(out_);
    if (pid_ > 0 && !waited_) {
      kill(pid_, SIGKILL);
      waitpid(pid_, nullptr, 0);
    }
  }
  bool Started() const { return pid_ > 0; }
  void Write(const std::string& bytes) {
    ASSERT_EQ(write(in_, bytes.data(), bytes.size()), ssize_t(bytes.size()));
  }
  void CloseInput() {
    close(in_);
    in_ = -1;
  }
  // What standard output brought within `wait`, until it holds `expected`.
  std::string ReadUntil(const std::string& expected, std::chrono::milliseconds wait) {
    const auto until = steady_clock::now() + wait;
    while (read_.find(expected) == std::string::npos && steady_clock::now() < until) {
      pollfd p{out_, POLLIN, 0};
      if (poll(&p, 1, 50) <= 0) continue;
      char buffer[4096];
      const ssize_t n = read(out_, buffer, sizeof buffer);
      if (n <= 0) break;
      read_.append(buffer, static_cast<std::size_t>(n));
    }
    return read_;
  }
  // The exit status, waiting at most `wait`; -1 when it is still running then.
  int ExitWithin(std::chrono::milliseconds wait) {
    const auto until = steady_clock::now() + wait;
    int status = 0;
    while (steady_clock::now() < until) {
      if (waitpid(pid_, &status, WNOHANG) == pid_) {
        waited_ = true;
        return WIFEXITED(status) ? WEXITSTATUS(status) : 128 + WTERMSIG(status);
      }
      std::this_thread::sleep_for(std::chrono::milliseconds(10));
    }
    return -1;
  }
  void Signal(int signal) { kill(pid_, signal); }

 private:
  pid_t pid_ = -1;
  int in_ = -1;
  int out_ = -1;
  bool waited_ = false;
  std::string read_;
};

constexpr std::chrono::milliseconds kSoon{1000};

TEST(CliLive, EachKeptLineReachesStandardOutputBeforeTheInputEnds) {
  struct Case {
    std::vector<std::string> args;
    std::string first, firstOut, second, secondOut;
  } const cases[] = {
      {{"--text", "--lf"}, "a\nb\n", "a\nb\n", "a\nc\n", "a\nb\nc\n"},
      {{"--packet", "--call", "N0CALL"},
       "N0CALL>APRS:x\r\nK1ABC>APRS:y\r\n",
       "N0CALL>APRS:x\r\n",
       "N0CALL-9>APRS,WIDE1-1:x\r\nN0CALL>APRS:z\r\n",
       "N0CALL>APRS:x\r\nN0CALL>APRS:z\r\n"},
  };
  for (const Case& c : cases) {
    LiveChild child(c.args);
    ASSERT_TRUE(child.Started());
    child.Write(c.first);
    EXPECT_EQ(child.ReadUntil(c.firstOut, kSoon), c.firstOut);
    child.Write(c.second);
    EXPECT_EQ(child.ReadUntil(c.secondOut, kSoon), c.secondOut);
    child.CloseInput();
    EXPECT_EQ(child.ExitWithin(std::chrono::seconds(5)), 0);
  }
}

// A pipe that stays open and quiet must not hold the program past a signal.
TEST(CliLive, ASignalEndsARunWhoseInputIsQuiet) {
  for (const int signal : {SIGINT, SIGTERM}) {
    for (const char* output : {"-", "file"}) {
      TempDir dir;
      std::vector<std::string> args{"--text", "-q", "-o"};
      args.push_back(std::string(output) == "-" ? "-" : dir.File("out.txt"));
      LiveChild child(args);
      ASSERT_TRUE(child.Started());
      child.Write("a\n");
      std::this_thread::sleep_for(std::chrono::milliseconds(300));
      child.Signal(signal);
      EXPECT_EQ(child.ExitWithin(kSoon), 130) << output;
    }
  }
}

// Following ends on a signal with what it kept: 0 when it kept lines, 1 when none.
TEST(CliLive, AFollowedLogEndsOnASignalWithItsLinesWritten) {
  struct Case {
    const char* log;
    const char* output;
    int status;
  } const cases[] = {
      {"a\nb\na\npartial", "a\nb\n", 0},
      {"", "", 1},
  };
  for (const Case& c : cases) {
    TempDir dir;
    WriteBytes(dir.File("log.txt"), c.log);
    WriteBytes(dir.File("out.txt"), "old\n");
    LiveChild child(
        {"--text", "--lf", "-q", "--follow", dir.File("log.txt"), "-o", dir.File("out.txt")});
    ASSERT_TRUE(child.Started());
    const auto until = steady_clock::now() + std::chrono::seconds(5);
    while (ReadBytes(dir.File("out.txt")) != c.output && steady_clock::now() < until)
      std::this_thread::sleep_for(std::chrono::milliseconds(20));
    child.Signal(SIGTERM);
    EXPECT_EQ(child.ExitWithin(std::chrono::seconds(2)), c.status);
    EXPECT_EQ(ReadBytes(dir.File("out.txt")), c.output);
  }
}

}  // namespace
}  // namespace sievra::testing
