#include "test_support.h"

#include <algorithm>
#include <fstream>
#include <iterator>
#include <random>
#include <stdexcept>

namespace sievra::testing {

namespace fs = std::filesystem;

TempDir::TempDir(const fs::path& base, const fs::path& label) {
  std::random_device seed;
  for (;;) {
    std::string suffix = std::to_string(seed());
    suffix += std::to_string(seed());
    path_ = base / label;
    path_ += "-";
    path_ += suffix;
    if (fs::create_directories(path_)) return;
  }
}

TempDir::~TempDir() {
  std::error_code ignored;
  // A test may have taken rights away (or made a file read-only on Windows);
  // give them back so the folder can go.
  fs::permissions(path_, fs::perms::owner_all, fs::perm_options::add, ignored);
  for (auto entry = fs::recursive_directory_iterator(path_, ignored);
       entry != fs::recursive_directory_iterator(); entry.increment(ignored))
    fs::permissions(entry->path(), fs::perms::owner_all, fs::perm_options::add, ignored);
  fs::remove_all(path_, ignored);
}

std::vector<std::string> TempDir::Listing() const {
  std::vector<std::string> names;
  for (const auto& entry : fs::directory_iterator(path_))
    names.push_back(entry.path().filename().string());
  std::sort(names.begin(), names.end());
  return names;
}

void WriteBytes(const fs::path& path, std::string_view bytes) {
  std::ofstream out(path, std::ios::binary | std::ios::trunc);
  out.write(bytes.data(), static_cast<std::streamsize>(bytes.size()));
  if (!out.good()) throw std::runtime_error("cannot write " + path.string());
}

std::string ReadBytes(const fs::path& path) {
  std::ifstream in(path, std::ios::binary);
  return std::string(std::istreambuf_iterator<char>(in), std::istreambuf_iterator<char>());
}

}  // namespace sievra::testing
