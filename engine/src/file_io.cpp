#include "file_io.h"

#include "sievra/engine.h"

#include <fcntl.h>
#include <sys/stat.h>

#include <algorithm>
#include <cerrno>
#include <climits>
#include <random>

#ifdef _WIN32
#include <io.h>
#include <share.h>
#include <windows.h>
#else
#include <poll.h>
#include <unistd.h>
#endif

namespace sievra {
namespace fs = std::filesystem;

namespace {

#ifdef _WIN32
class WindowsErrorCategory final : public std::error_category {
 public:
  const char* name() const noexcept override { return "windows"; }
  std::string message(int code) const override {
    return WindowsErrorMessage(static_cast<unsigned long>(code));
  }
  std::error_condition default_error_condition(int code) const noexcept override {
    return std::system_category().default_error_condition(code);
  }
};

using StatBuf = struct _stat64;
// Shared for writing, renaming and deleting too: the program writing a log
// that is being read (or followed) must still be able to write and rotate it.
// A failure is the system's own reason, in the user's language ("being used by
// another process" says more than "Permission denied"), except for a folder,
// which Windows refuses as "Access denied".
int OsOpenRead(const fs::path& p, bool /*wait: Windows opens do not wait*/,
               std::error_code& error) {
  const HANDLE handle =
      CreateFileW(p.c_str(), GENERIC_READ, FILE_SHARE_READ | FILE_SHARE_WRITE | FILE_SHARE_DELETE,
                  nullptr, OPEN_EXISTING, FILE_ATTRIBUTE_NORMAL, nullptr);
  if (handle == INVALID_HANDLE_VALUE) {
    const DWORD code = GetLastError();
    const DWORD attributes = GetFileAttributesW(p.c_str());
    const bool folder =
        attributes != INVALID_FILE_ATTRIBUTES && (attributes & FILE_ATTRIBUTE_DIRECTORY) != 0;
    error = code == ERROR_ACCESS_DENIED && folder
                ? std::make_error_code(std::errc::is_a_directory)
                : std::error_code(static_cast<int>(code), WindowsCategory());
    return -1;
  }
  const int fd = _open_osfhandle(reinterpret_cast<intptr_t>(handle), _O_RDONLY | _O_BINARY);
  if (fd < 0) {
    error = {errno, std::generic_category()};
    CloseHandle(handle);
  }
  return fd;
}
int OsCreateEmpty(const fs::path& p) {
  int fd = -1;
  _wsopen_s(&fd, p.c_str(), _O_WRONLY | _O_BINARY | _O_CREAT | _O_TRUNC, _SH_DENYNO,
            _S_IREAD | _S_IWRITE);
  return fd;
}
std::optional<FileIdentity> IdentityOfHandle(HANDLE handle) {
  BY_HANDLE_FILE_INFORMATION info{};
  if (!GetFileInformationByHandle(handle, &info)) return std::nullopt;
  return FileIdentity{info.dwVolumeSerialNumber,
                      (std::uint64_t{info.nFileIndexHigh} << 32) | info.nFileIndexLow};
}
std::optional<FileIdentity> OsIdentityOfPath(const fs::path& p) {
  const HANDLE handle = CreateFileW(p.c_str(), FILE_READ_ATTRIBUTES,
                                    FILE_SHARE_READ | FILE_SHARE_WRITE | FILE_SHARE_DELETE, nullptr,
                                    OPEN_EXISTING, FILE_FLAG_BACKUP_SEMANTICS, nullptr);
  if (handle == INVALID_HANDLE_VALUE) return std::nullopt;
  const auto identity = IdentityOfHandle(handle);
  CloseHandle(handle);
  return identity;
}
std::optional<FileIdentity> OsIdentityOfFd(int fd) {
  return IdentityOfHandle(reinterpret_cast<HANDLE>(_get_osfhandle(fd)));
}
int OsCreateNew(const fs::path& p) {
  int fd = -1;
  _wsopen_s(&fd, p.c_str(), _O_WRONLY | _O_BINARY | _O_CREAT | _O_EXCL, _SH_DENYNO,
            _S_IREAD | _S_IWRITE);
  return fd;
}
int OsFstat(int fd, StatBuf& st) { return _fstat64(fd, &st); }
long long OsSeek(int fd, std::uint64_t offset) {
  return _lseeki64(fd, static_cast<long long>(offset), SEEK_SET);
}
// ReadFile on the handle, not _read: the C runtime remembers an end of file
// once met and answers every later read with nothing, so a followed log's
// appends would never be seen. A pipe whose writer is gone has ended.
long long OsRead(int fd, char* into, std::size_t n, std::error_code& error) {
  const HANDLE handle = reinterpret_cast<HANDLE>(_get_osfhandle(fd));
  DWORD got = 0;
  if (ReadFile(handle, into, static_cast<DWORD>(std::min<std::size_t>(n, INT_MAX)), &got, nullptr))
    return got;
  const DWORD code = GetLastError();
  if (code == ERROR_BROKEN_PIPE || code == ERROR_HANDLE_EOF) return 0;
  error = {static_cast<int>(code), WindowsCategory()};
  return -1;
}
long long OsWrite(int fd, const char* from, std::size_t n) {
  return _write(fd, from, static_cast<unsigned>(std::min<std::size_t>(n, INT_MAX)));
}
int OsClose(int fd) { return _close(fd); }
// Whether a read of the stream would answer within `ms` milliseconds: a pipe
// with data or without a writer, or a console with input waiting; any other
// handle answers at once.
bool OsWaitReadable(int fd, int ms) {
  const HANDLE handle = reinterpret_cast<HANDLE>(_get_osfhandle(fd));
  switch (GetFileType(handle)) {
    case FILE_TYPE_PIPE:
      // Anonymous pipes cannot be waited on: look every 10 ms.
      for (int waited = 0;; waited += 10) {
        DWORD available = 0;
        if (!PeekNamedPipe(handle, nullptr, 0, nullptr, &available, nullptr) || available > 0)
          return true;
        if (waited >= ms) return false;
        Sleep(10);
      }
    case FILE_TYPE_CHAR:
      return WaitForSingleObject(handle, static_cast<DWORD>(ms)) != WAIT_TIMEOUT;
    default:
      return true;
  }
}
bool IsRegular(const StatBuf& st) { return (st.st_mode & _S_IFMT) == _S_IFREG; }
int OsDupStandardInput() {
  const int fd = _dup(0);
  if (fd >= 0) _setmode(fd, _O_BINARY);  // CR LF must reach the line reader as they are
  return fd;
}
int OsDupStandardOutput() {
  const int fd = _dup(1);
  if (fd >= 0) _setmode(fd, _O_BINARY);  // or every LF written would gain a CR
  return fd;
}
std::error_code OsReplace(const fs::path& from, const fs::path& to) {
  // MoveFileEx replaces an existing file in one step, which _wrename refuses to do.
  if (MoveFileExW(from.c_str(), to.c_str(), MOVEFILE_REPLACE_EXISTING | MOVEFILE_WRITE_THROUGH))
    return {};
  return {static_cast<int>(GetLastError()), WindowsCategory()};
}
// Windows refuses to replace a read-only file only at the final rename (Wine not
// at all), after the temporary took on its read-only flag and so could not be
// removed. Refusing up front gives the same answer everywhere.
std::error_code OsCheckReplaceable(const fs::path& target) {
  const DWORD attributes = GetFileAttributesW(target.c_str());
  if (attributes != INVALID_FILE_ATTRIBUTES && (attributes & FILE_ATTRIBUTE_READONLY)) {
    return {ERROR_ACCESS_DENIED, WindowsCategory()};
  }
  return {};
}
#else
using StatBuf = struct stat;
// Non-blocking, unless the caller reads streams, only so that opening a named
// pipe does not wait for a writer; the pipe is then refused as no regular file,
// and regular files ignore the flag. A stream's reader waits for its writer as cat does.
int OsOpenRead(const fs::path& p, bool wait, std::error_code& error) {
  const int fd = ::open(p.c_str(), O_RDONLY | O_CLOEXEC | (wait ? 0 : O_NONBLOCK));
  if (fd < 0) error = {errno, std::generic_category()};
  return fd;
}
int OsCreateNew(const fs::path& p) {
  return ::open(p.c_str(), O_WRONLY | O_CREAT | O_EXCL | O_CLOEXEC, 0666);
}
int OsCreateEmpty(const fs::path& p) {
  return ::open(p.c_str(), O_WRONLY | O_CREAT | O_TRUNC | O_CLOEXEC, 0666);
}
std::optional<FileIdentity> OsIdentityOfPath(const fs::path& p) {
  struct stat st {};
  if (::stat(p.c_str(), &st) != 0) return std::nullopt;
  return FileIdentity{static_cast<std::uint64_t>(st.st_dev), static_cast<std::uint64_t>(st.st_ino)};
}
std::optional<FileIdentity> OsIdentityOfFd(int fd) {
  struct stat st {};
  if (::fstat(fd, &st) != 0) return std::nullopt;
  return FileIdentity{static_cast<std::uint64_t>(st.st_dev), static_cast<std::uint64_t>(st.st_ino)};
}
int OsFstat(int fd, StatBuf& st) { return ::fstat(fd, &st); }
long long OsSeek(int fd, std::uint64_t offset) {
  return ::lseek(fd, static_cast<off_t>(offset), SEEK_SET);
}
long long OsRead(int fd, char* into, std::size_t n, std::error_code& error) {
  for (;;) {
    const ssize_t got = ::read(fd, into, n);
    if (got >= 0) return got;
    if (errno != EINTR) break;
  }
  error = {errno, std::generic_category()};
  return -1;
}
long long OsWrite(int fd, const char* from, std::size_t n) { return ::write(fd, from, n); }
int OsClose(int fd) { return ::close(fd); }
// Whether a read would answer within `ms` milliseconds (data, end or error).
bool OsWaitReadable(int fd, int ms) {
  pollfd watched{fd, POLLIN, 0};
  return ::poll(&watched, 1, ms) != 0;  // an interrupted poll answers too: the caller asks again
}
bool IsRegular(const StatBuf& st) { return S_ISREG(st.st_mode); }
int OsDupStandardInput() { return ::fcntl(0, F_DUPFD_CLOEXEC, 0); }
int OsDupStandardOutput() { return ::fcntl(1, F_DUPFD_CLOEXEC, 0); }
std::error_code OsReplace(const fs::path& from, const fs::path& to) {
  if (std::rename(from.c_str(), to.c_str()) == 0) return {};
  return {errno, std::generic_category()};
}
// rename() asks only the folder for permission, so a file made read-only would
// be replaced silently; refuse it as writing into it in place would be.
std::error_code OsCheckReplaceable(const fs::path& target) {
  const int fd = ::open(target.c_str(), O_WRONLY | O_CLOEXEC | O_NONBLOCK);
  if (fd >= 0) {
    ::close(fd);
    return {};
  }
  if (errno == ENOENT) return {};
  return {errno, std::generic_category()};
}
#endif

std::error_code LastErrno() { return {errno, std::generic_category()}; }

// The system has no error of its own for "a pipe or a device, not a file";
// "Invalid argument" would leave the user guessing.
std::error_code NotARegularFile() {
  class Category : public std::error_category {
   public:
    const char* name() const noexcept override { return "sievra.file"; }
    std::string message(int) const override { return "Not a regular file"; }
  };
  static const Category category;
  return {1, category};
}

fs::path FromUtf8(const std::string& utf8) {
  return fs::path(std::u8string(reinterpret_cast<const char8_t*>(utf8.data()), utf8.size()));
}

// The file a path finally names, so that replacing a symbolic link's target
// keeps the link instead of turning it into a plain file.
fs::path FollowLinks(const fs::path& p) {
  std::error_code ec;
  if (!fs::is_symlink(fs::symlink_status(p, ec))) return p;
  fs::path real = fs::weakly_canonical(p, ec);
  return ec ? p : real;
}

}  // namespace

bool IsRegularFile(const std::string& utf8Path) {
  std::error_code ec;
  return fs::is_regular_file(FromUtf8(utf8Path), ec);
}

std::optional<FileIdentity> IdentityOfPath(const std::string& utf8Path) {
  return OsIdentityOfPath(FromUtf8(utf8Path));
}

std::optional<FileIdentity> InputFile::Identity() const { return OsIdentityOfFd(fd_); }

std::uint64_t InputFile::SizeNow() const {
  StatBuf st{};
  return OsFstat(fd_, st) == 0 ? static_cast<std::uint64_t>(st.st_size) : 0;
}

InputFile::~InputFile() {
  if (fd_ >= 0) OsClose(fd_);
}

std::error_code InputFile::Open(const std::string& utf8Path, bool acceptStreams) {
  const bool standardInput = acceptStreams && utf8Path == kStandardStream;
  if (standardInput) {
    fd_ = OsDupStandardInput();
    if (fd_ < 0) return LastErrno();
  } else {
    std::error_code refused;
    fd_ = OsOpenRead(FromUtf8(utf8Path), acceptStreams, refused);
    if (fd_ < 0) return refused;
  }
  StatBuf st{};
  if (OsFstat(fd_, st) != 0) return LastErrno();
  if ((st.st_mode & S_IFMT) == S_IFDIR) return std::make_error_code(std::errc::is_a_directory);
  if (IsRegular(st) && !standardInput) {
    size_ = static_cast<std::uint64_t>(st.st_size);
    return {};
  }
  // A pipe or device is no log for the window: reading one blocks or never ends.
  // The command line reads it once, as it comes.
  if (!acceptStreams) return NotARegularFile();
  stream_ = true;
  return {};
}

std::error_code InputFile::Read(char* into, std::size_t capacity, std::size_t& got) {
  const std::uint64_t left = stopAt_ - std::min(stopAt_, position_);
  capacity = static_cast<std::size_t>(std::min<std::uint64_t>(capacity, left));
  got = 0;
  if (capacity == 0) return {};
  constexpr int kInterruptCheckMs = 250;
  if (stream_ && interrupt_) {
    while (!OsWaitReadable(fd_, kInterruptCheckMs)) {
      if (interrupt_()) {
        interrupted_ = true;
        return {};
      }
    }
    if (interrupt_()) {  // a signal may have woken the wait
      interrupted_ = true;
      return {};
    }
  }
  std::error_code failed;
  const long long n = OsRead(fd_, into, capacity, failed);
  if (n < 0) return failed;
  got = static_cast<std::size_t>(n);
  bytesRead_ += got;
  position_ += got;
  return {};
}

bool InputFile::DataReady() const { return !stream_ || OsWaitReadable(fd_, 0); }

std::error_code InputFile::Seek(std::uint64_t offset) {
  if (OsSeek(fd_, offset) < 0) return LastErrno();
  position_ = offset;
  return {};
}

AtomicOutputFile::~AtomicOutputFile() { Discard(); }

void AtomicOutputFile::Discard() {
  if (fd_ >= 0) OsClose(fd_);
  fd_ = -1;
  if (!temp_.empty()) {
    std::error_code ignored;
    fs::remove(temp_, ignored);
    temp_.clear();
  }
}

std::error_code AtomicOutputFile::Open(const std::string& utf8Path, bool acceptStreams) {
  if (acceptStreams && utf8Path == kStandardStream) {
    fd_ = OsDupStandardOutput();
    return fd_ < 0 ? LastErrno() : std::error_code();
  }
  target_ = FollowLinks(FromUtf8(utf8Path));
  std::error_code ec;
  if (fs::is_directory(target_, ec)) return std::make_error_code(std::errc::is_a_directory);
  if (auto refused = OsCheckReplaceable(target_)) return refused;
  // A name the system just allows must still leave room for the temporary's additions.
  constexpr std::size_t kMaxTempStem = 200;
  auto stem = target_.filename().native();
  if (stem.size() > kMaxTempStem) stem.resize(kMaxTempStem);
  std::random_device seed;
  std::mt19937 random(seed());
  for (int attempt = 0; attempt < 100; ++attempt) {
    // Native strings throughout: a name the ANSI code page cannot spell stays intact.
    fs::path name = ".";
    name += stem;
    name += ".sievra-" + std::to_string(random() % 1000000) + ".tmp";
    fs::path candidate = target_;
    candidate.replace_filename(name);
    fd_ = OsCreateNew(candidate);
    if (fd_ >= 0) {
      temp_ = candidate;
      // Keep the permissions of the file being replaced.
      auto old = fs::status(target_, ec);
      if (!ec && fs::is_regular_file(old)) fs::permissions(temp_, old.permissions(), ec);
      return {};
    }
    if (errno != EEXIST) return LastErrno();
  }
  return std::make_error_code(std::errc::file_exists);
}

std::error_code AtomicOutputFile::OpenLive(const std::string& utf8Path) {
  target_ = FromUtf8(utf8Path);
  std::error_code ec;
  if (fs::is_directory(target_, ec)) return std::make_error_code(std::errc::is_a_directory);
  fd_ = OsCreateEmpty(target_);
  return fd_ < 0 ? LastErrno() : std::error_code();
}

std::error_code AtomicOutputFile::Write(const char* data, std::size_t size) {
  while (size > 0) {
    long long n = OsWrite(fd_, data, size);
    if (n < 0) {
      if (errno == EINTR) continue;
      return LastErrno();
    }
    if (n == 0) return std::make_error_code(std::errc::no_space_on_device);
    data += n;
    size -= static_cast<std::size_t>(n);
  }
  return {};
}

std::error_code AtomicOutputFile::Commit() {
  int fd = fd_;
  fd_ = -1;
  // close() is where some file systems report a failed write; check it.
  if (OsClose(fd) != 0) {
    auto ec = LastErrno();
    Discard();
    return ec;
  }
  if (temp_.empty()) return {};  // standard output: nothing to rename
  if (auto ec = OsReplace(temp_, target_)) {
    Discard();
    return ec;
  }
  temp_.clear();
  return {};
}

#ifdef _WIN32
std::string WindowsErrorMessage(unsigned long code, unsigned long languageId) {
  wchar_t* text = nullptr;
  const DWORD length = FormatMessageW(
      FORMAT_MESSAGE_ALLOCATE_BUFFER | FORMAT_MESSAGE_FROM_SYSTEM | FORMAT_MESSAGE_IGNORE_INSERTS,
      nullptr, code, languageId, reinterpret_cast<wchar_t*>(&text), 0, nullptr);
  std::wstring wide(text ? text : L"", length);
  LocalFree(text);
  while (!wide.empty() && (wide.back() == L'\r' || wide.back() == L'\n' || wide.back() == L' ' ||
                           wide.back() == L'.'))
    wide.pop_back();
  if (wide.empty()) return "Windows error " + std::to_string(code);
  const int wideLength = static_cast<int>(wide.size());
  const int bytes =
      WideCharToMultiByte(CP_UTF8, 0, wide.data(), wideLength, nullptr, 0, nullptr, nullptr);
  std::string utf8(static_cast<std::size_t>(bytes), '\0');
  WideCharToMultiByte(CP_UTF8, 0, wide.data(), wideLength, utf8.data(), bytes, nullptr, nullptr);
  return utf8;
}

const std::error_category& WindowsCategory() {
  static const WindowsErrorCategory category;
  return category;
}
#endif

}  // namespace sievra
