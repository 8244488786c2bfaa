// FileNameOfPath and FolderOfPath on any bytes: the folder, the separator that
// follows it and the name give back the path.

#include <cstddef>
#include <cstdint>
#include <string>
#include <string_view>

#include "fuzz_check.h"
#include "sievra/paths.h"

extern "C" int LLVMFuzzerTestOneInput(const std::uint8_t* data, std::size_t size) {
  using sievra::fuzz::Require;
  const std::string_view path = sievra::fuzz::AsText(data, size);
  const std::string name = sievra::FileNameOfPath(path);
  const std::string folder = sievra::FolderOfPath(path);

  Require(name.find_first_of("\\/") == std::string::npos, "the name holds no separator");
  if (path.find_first_of("\\/") == std::string_view::npos) {
    Require(name == path, "a path without separator is all name");
    Require(folder.empty(), "a path without separator has no folder");
    return 0;
  }
  Require(folder.size() + 1 + name.size() == path.size(),
          "folder, separator and name fill the path");
  const char separator = path[folder.size()];
  Require(separator == '\\' || separator == '/', "a separator follows the folder");
  Require(folder + separator + name == path, "folder, separator and name give back the path");
  return 0;
}
