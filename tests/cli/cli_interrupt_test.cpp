// Ctrl-C and SIGTERM in the middle of a run: exit 130, the old output as it was,
// no temporary file left. The run is held mid-way by feeding standard input
// through a pipe: a blocking write of more than the pipe holds returns only once
// the program is reading, so the signal cannot come before the run has started.
#include <gtest/gtest.h>
#include <signal.h>
#include <sys/wait.h>
#include <unistd.h>

#include <string>
#include <vector>

#include "test_support.h"

namespace sievra::testing {
namespace {

// Writes `bytes` to `fd` and says whether all of them went (false once the reader
// has gone).
bool WriteAll(int fd, const std::string& bytes) {
  std::size_t done = 0;
  while (done < bytes.size()) {
    const ssize_t n = write(fd, bytes.data() + done, bytes.size() - done);
    if (n <= 0) return false;
    done += static_cast<std::size_t>(n);
  }
  return true;
}

// Distinct lines, so every one is kept and the run has work to do.
std::string Lines(int from, int count) {
  std::string text;
  for (int i = from; i < from + count; ++i) text += "line " + std::to_string(i) + "\r\n";
  return text;
}

class CliInterrupt : public ::testing::TestWithParam<int> {};

TEST_P(CliInterrupt, LeavesTheOldOutput) {
  signal(SIGPIPE, SIG_IGN);  // the program may be gone while we still write
  TempDir dir;
  const std::string out = dir.File("out.txt");
  WriteBytes(out, "old output\r\n");
  int pipeFds[2];
  ASSERT_EQ(pipe(pipeFds), 0);
  const pid_t child = fork();
  ASSERT_GE(child, 0);
  if (child == 0) {
    dup2(pipeFds[0], 0);
    close(pipeFds[1]);
    execl(SIEVRA_CLI_PATH, SIEVRA_CLI_PATH, "-q", "-o", out.c_str(), static_cast<char*>(nullptr));
    _exit(126);
  }
  close(pipeFds[0]);
  ASSERT_TRUE(WriteAll(pipeFds[1], Lines(0, 200'000)));  // ~3 MB: the run is under way
  kill(child, GetParam());
  // More input lets the run reach its next cancel check; the pipe stays open, so
  // only the signal can end it.
  for (int i = 1; i < 20 && WriteAll(pipeFds[1], Lines(i * 200'000, 200'000)); ++i) {
  }
  int status = 0;
  ASSERT_EQ(waitpid(child, &status, 0), child);
  close(pipeFds[1]);
  ASSERT_TRUE(WIFEXITED(status)) << "ended by signal " << WTERMSIG(status);
  EXPECT_EQ(WEXITSTATUS(status), 130);
  EXPECT_EQ(ReadBytes(out), "old output\r\n");
  EXPECT_EQ(dir.Listing(), std::vector<std::string>{"out.txt"});
}

INSTANTIATE_TEST_SUITE_P(Cli, CliInterrupt, ::testing::Values(SIGINT, SIGTERM),
                         [](const auto& row) {
                           return row.param == SIGINT ? "SIGINT" : "SIGTERM";
                         });

}  // namespace
}  // namespace sievra::testing
