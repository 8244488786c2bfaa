#pragma once

#include <cstddef>
#include <cstdint>
#include <filesystem>
#include <functional>
#include <optional>
#include <string>
#include <system_error>

#include "sievra/windows_errors.h"

namespace sievra {

// Whether the UTF-8 path names a regular file (symbolic links followed).
bool IsRegularFile(const std::string& utf8Path);

// Which file a path or an open file is: a log rotated by renaming has another
// file put in its place under the same path.
struct FileIdentity {
  std::uint64_t device = 0;
  std::uint64_t file = 0;
  bool operator==(const FileIdentity&) const = default;
};
// The file the path names now; nullopt when it names none.
std::optional<FileIdentity> IdentityOfPath(const std::string& utf8Path);

// A regular file opened for reading in binary mode. Reads go through read(2)
// rather than a memory map: a log that another program truncates while we read
// it must give a short read, not SIGBUS.
class InputFile {
 public:
  InputFile() = default;
  InputFile(const InputFile&) = delete;
  InputFile& operator=(const InputFile&) = delete;
  ~InputFile();

  // Fails for a missing or unreadable path and for anything but a regular file,
  // unless `acceptStreams`: then a pipe or device, or "-" for standard input,
  // opens as a stream to be read once.
  std::error_code Open(const std::string& utf8Path, bool acceptStreams = false);
  bool IsStream() const { return stream_; }
  // Reads up to `capacity` bytes; 0 at end of file, or at the end set by StopAt.
  std::error_code Read(char* into, std::size_t capacity, std::size_t& got);
  // For a stream: asked every quarter second while a read waits for data, so
  // that a quiet pipe or terminal cannot hold a cancelled run; true ends the
  // read with nothing, as if the stream had ended, and Interrupted() tells so.
  void SetInterrupt(std::function<bool()> stop) { interrupt_ = std::move(stop); }
  bool Interrupted() const { return interrupted_; }
  // Whether a read would answer at once (data is ready, or the stream ended),
  // so that what was kept can be written while the input is quiet. True for a regular file.
  bool DataReady() const;
  // Reads go on from `offset` of a regular file.
  std::error_code Seek(std::uint64_t offset);
  // Reads end at `offset` as if the file ended there: a part of a file read
  // on a thread of its own.
  void StopAt(std::uint64_t offset) { stopAt_ = offset; }

  // The file's size when it was opened (a live log may grow or shrink since); 0 for a stream.
  std::uint64_t Size() const { return size_; }
  // The open file's identity and its size now, for a reader that follows it.
  std::optional<FileIdentity> Identity() const;
  std::uint64_t SizeNow() const;
  std::uint64_t Position() const { return position_; }
  std::uint64_t BytesRead() const { return bytesRead_; }

 private:
  int fd_ = -1;
  std::uint64_t size_ = 0;
  std::uint64_t bytesRead_ = 0;
  std::uint64_t position_ = 0;
  std::uint64_t stopAt_ = UINT64_MAX;
  bool stream_ = false;
  std::function<bool()> interrupt_;
  bool interrupted_ = false;
};

// Replaces a file in one step: bytes go to a temporary file beside it, which is
// renamed over the target on Commit. Until then the target is untouched, and a
// temporary that was not committed is removed. Standard output ("-") is written
// as it comes: a pipe cannot be replaced.
class AtomicOutputFile {
 public:
  AtomicOutputFile() = default;
  AtomicOutputFile(const AtomicOutputFile&) = delete;
  AtomicOutputFile& operator=(const AtomicOutputFile&) = delete;
  ~AtomicOutputFile();

  // With `acceptStreams`, "-" is standard output.
  std::error_code Open(const std::string& utf8Path, bool acceptStreams = false);
  // Opens the file itself, emptied, for a run that writes its lines as they come
  // (following a log): nothing to put in place, Commit only closes it.
  std::error_code OpenLive(const std::string& utf8Path);
  std::error_code Write(const char* data, std::size_t size);
  std::error_code Commit();

 private:
  void Discard();

  int fd_ = -1;
  std::filesystem::path target_;  // with symbolic links followed
  std::filesystem::path temp_;
};

}  // namespace sievra
