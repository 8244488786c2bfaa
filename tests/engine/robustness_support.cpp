#include "robustness_support.h"

#include <sched.h>
#include <sys/mount.h>
#include <sys/resource.h>
#include <unistd.h>

#include <csignal>

#include <algorithm>
#include <cerrno>
#include <cstdlib>
#include <cstring>
#include <fstream>
#include <stdexcept>

namespace sievra::robustness {

namespace {
constexpr uid_t kNobody = 65534;
}

fs::path RamFolderBase() {
  std::error_code ec;
  return fs::is_directory("/dev/shm", ec) ? fs::path("/dev/shm") : fs::temp_directory_path();
}

std::string CrLfLines(const std::vector<std::string>& keptLines) {
  std::string text;
  for (const std::string& line : keptLines) text += line + "\r\n";
  return text;
}

WithoutRootRights::WithoutRootRights() {
  if (::geteuid() != 0) return;
  // Group first: once the user is not root it may no longer change its group.
  if (::setegid(kNobody) != 0 || ::seteuid(kNobody) != 0) {
    failure_ = "cannot take the identity of user nobody: " + std::string(std::strerror(errno));
    if (::setegid(0) != 0) std::abort();
    return;
  }
  switched_ = true;
}

WithoutRootRights::~WithoutRootRights() {
  if (!switched_) return;
  // Without root back the rest of the test program would run crippled.
  if (::seteuid(0) != 0 || ::setegid(0) != 0) std::abort();
}

SmallTmpfs::SmallTmpfs(std::size_t bytes) {
  const std::string options = "size=" + std::to_string(bytes);
  if (::unshare(CLONE_NEWNS) != 0) {
    failure_ = "no mount namespace of our own: " + std::string(std::strerror(errno));
  } else if (::mount(nullptr, "/", nullptr, MS_REC | MS_PRIVATE, nullptr) != 0) {
    failure_ = "cannot make mounts private: " + std::string(std::strerror(errno));
  } else if (::mount("tmpfs", Path().c_str(), "tmpfs", 0, options.c_str()) != 0) {
    failure_ = "cannot mount a tmpfs: " + std::string(std::strerror(errno));
  } else {
    mounted_ = true;
  }
}

SmallTmpfs::~SmallTmpfs() {
  if (mounted_) ::umount2(Path().c_str(), MNT_DETACH);
}

bool SmallTmpfs::MakeReadOnly() {
  return mounted_ &&
         ::mount(nullptr, Path().c_str(), nullptr, MS_REMOUNT | MS_RDONLY, nullptr) == 0;
}

FileSizeLimit::FileSizeLimit(std::size_t bytes) {
  // Past the limit the kernel also sends SIGXFSZ, which would end the process.
  oldHandler_ = std::signal(SIGXFSZ, SIG_IGN);
  rlimit limit{};
  ::getrlimit(RLIMIT_FSIZE, &limit);
  oldSoft_ = limit.rlim_cur;
  limit.rlim_cur = bytes;
  ::setrlimit(RLIMIT_FSIZE, &limit);
}

FileSizeLimit::~FileSizeLimit() {
  rlimit limit{};
  ::getrlimit(RLIMIT_FSIZE, &limit);
  limit.rlim_cur = oldSoft_;
  ::setrlimit(RLIMIT_FSIZE, &limit);
  std::signal(SIGXFSZ, oldHandler_);
}

}  // namespace sievra::robustness
