#pragma once

#include <filesystem>
#include <string>
#include <string_view>
#include <vector>

#include "sievra/engine.h"
#include "test_support.h"

// Helpers for the fault tests: RAM-backed folders, a way to lose root's rights
// for a while, a small disk and a file size limit. The engine rig is the shared
// one of test_support.h.
namespace sievra::robustness {

namespace fs = std::filesystem;

// A RAM-backed folder when the machine has one, else the usual temporary folder:
// for tests that run thousands of times and are about bytes, not disks.
fs::path RamFolderBase();

using testing::ReadBytes;
using testing::TempDir;
using testing::WriteBytes;

using testing::EngineRig;

// The lines of `keptLines` joined as the engine writes them: each ended by CR LF.
std::string CrLfLines(const std::vector<std::string>& keptLines);

// While alive, file permissions apply to this process: as root it takes the
// effective identity of the user "nobody" (the real one stays, so the rights
// come back at the end of the scope). Does nothing when not root.
class WithoutRootRights {
 public:
  WithoutRootRights();
  ~WithoutRootRights();
  WithoutRootRights(const WithoutRootRights&) = delete;
  WithoutRootRights& operator=(const WithoutRootRights&) = delete;

  // Empty when permissions now apply; otherwise why they cannot be made to.
  const std::string& Failure() const { return failure_; }

 private:
  bool switched_ = false;
  std::string failure_;
};

// A small RAM file system on a fresh folder, mounted in a mount namespace of
// this process's own, so nothing stays mounted if the test program dies.
class SmallTmpfs {
 public:
  explicit SmallTmpfs(std::size_t bytes);
  ~SmallTmpfs();
  SmallTmpfs(const SmallTmpfs&) = delete;
  SmallTmpfs& operator=(const SmallTmpfs&) = delete;

  // Empty when mounted; otherwise why the machine refused.
  const std::string& Failure() const { return failure_; }
  const fs::path& Path() const { return folder_.Path(); }
  fs::path operator/(std::string_view name) const { return folder_ / name; }
  std::vector<std::string> Listing() const { return folder_.Listing(); }
  bool MakeReadOnly();

 private:
  TempDir folder_;
  bool mounted_ = false;
  std::string failure_;
};

// While alive, this process may not write files beyond `bytes`: writes past it
// fail for real (EFBIG) where no small file system can be mounted.
class FileSizeLimit {
 public:
  explicit FileSizeLimit(std::size_t bytes);
  ~FileSizeLimit();
  FileSizeLimit(const FileSizeLimit&) = delete;
  FileSizeLimit& operator=(const FileSizeLimit&) = delete;

 private:
  unsigned long long oldSoft_ = 0;
  void (*oldHandler_)(int) = nullptr;
};

}  // namespace sievra::robustness
