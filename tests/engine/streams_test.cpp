// The command line's streams: pipes and standard input read once, standard
// output written as it comes, LF line ends on request.
#include <fcntl.h>
#include <gtest/gtest.h>
#include <sys/stat.h>
#include <unistd.h>

#include <thread>

#include "test_support.h"

namespace sievra {
namespace {

using testing::EngineFixture;
using testing::ReadBytes;
using testing::WriteBytes;

const std::string kLog = "N0CALL>A,B:1\r\nK1ABC>A:1\nN0CALL>A:2\rx\r\nN0CALL>A,C:1\r\nn0call>Z:3";

struct StreamRow {
  const char* name;
  FileType type;
  const char* call;
  bool strip;
};
const StreamRow kRows[] = {
    {"text", FileType::Text, "", false},
    {"packet, every station, cut", FileType::Packet, "", true},
    {"packet, target counted on the one read", FileType::Packet, "n0call", false},
};

// Restores a standard descriptor that a test pointed elsewhere.
class Redirected {
 public:
  Redirected(int fd, const std::string& path, int flags) : fd_(fd), saved_(::dup(fd)) {
    const int file = ::open(path.c_str(), flags, 0600);
    ::dup2(file, fd_);
    ::close(file);
  }
  ~Redirected() {
    ::dup2(saved_, fd_);
    ::close(saved_);
  }
  Redirected(const Redirected&) = delete;
  Redirected& operator=(const Redirected&) = delete;

 private:
  int fd_;
  int saved_;
};

// The same run on a regular file, the reference for every stream.
RunResult FromFile(EngineFixture& f, const StreamRow& row) {
  f.Run(kLog, row.type == FileType::Packet, row.call, row.strip);
  return f.result;
}

TEST(StreamsTest, PipeAndStandardInputGiveWhatAFileGives) {
  for (const StreamRow& row : kRows) {
    SCOPED_TRACE(row.name);
    EngineFixture f;
    const RunResult file = FromFile(f, row);
    const std::string expected = f.Output();
    f.settings.acceptStreams = true;

    const std::string fifo = f.dir.File("pipe");
    ASSERT_EQ(::mkfifo(fifo.c_str(), 0600), 0);
    f.settings.inputPath = fifo;
    std::thread writer([&] { WriteBytes(fifo, kLog); });
    EXPECT_EQ(f.Run(), RunOutcome::Completed) << MessageOf(f.result);
    writer.join();
    EXPECT_EQ(f.Output(), expected);
    EXPECT_EQ(f.result.counts.linesCounted, file.counts.linesCounted);
    EXPECT_EQ(f.result.counts.linesKept, file.counts.linesKept);

    f.settings.inputPath = std::string(kStandardStream);
    {
      const Redirected in(0, f.dir.File("in.txt"), O_RDONLY);
      EXPECT_EQ(f.Run(), RunOutcome::Completed) << MessageOf(f.result);
    }
    EXPECT_EQ(f.Output(), expected);
    EXPECT_EQ(f.result.counts.linesCounted, file.counts.linesCounted);
  }
}

TEST(StreamsTest, StandardOutputGetsTheKeptLinesWithTheChosenEnds) {
  for (const StreamRow& row : kRows) {
    for (LineEnd end : {LineEnd::CrLf, LineEnd::Lf}) {
      SCOPED_TRACE(std::string(row.name) + (end == LineEnd::Lf ? ", LF" : ", CR LF"));
      EngineFixture f;
      FromFile(f, row);
      std::string expected = f.Output();
      if (end == LineEnd::Lf) std::erase(expected, '\r');  // the log's lines hold no CR

      f.settings.lineEnd = end;
      EXPECT_EQ(f.Run(), RunOutcome::Completed);
      EXPECT_EQ(f.Output(), expected) << "to a file";
      EXPECT_EQ(f.result.counts.bytesWritten, expected.size());

      f.settings.acceptStreams = true;
      f.settings.outputPath = std::string(kStandardStream);
      {
        const Redirected out(1, f.dir.File("stdout.txt"), O_WRONLY | O_CREAT | O_TRUNC);
        EXPECT_EQ(f.Run(), RunOutcome::Completed);
      }
      EXPECT_EQ(ReadBytes(f.dir.File("stdout.txt")), expected) << "to standard output";
    }
  }
}

// Without acceptStreams (the window) a pipe is still refused, not waited on.
TEST(StreamsTest, WindowRunsRefuseAPipe) {
  EngineFixture f;
  const std::string fifo = f.dir.File("pipe");
  ASSERT_EQ(::mkfifo(fifo.c_str(), 0600), 0);
  f.settings.inputPath = fifo;
  EXPECT_EQ(f.Run(), RunOutcome::Failed);
  EXPECT_NE(MessageOf(f.result).find("Not a regular file"), std::string::npos)
      << MessageOf(f.result);
}

}  // namespace
}  // namespace sievra
