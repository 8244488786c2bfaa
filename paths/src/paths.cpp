#include "sievra/paths.h"

namespace sievra {

// std::filesystem::path splits by the host's rules only (on Linux a backslash is
// a file-name character, and it would turn "C:" into a root name); users pick
// Windows paths and Qt hands over forward slashes, so both separate here.
namespace {
constexpr std::string_view kSeparators = "\\/";
}

std::string FileNameOfPath(std::string_view path) {
  const std::size_t last = path.find_last_of(kSeparators);
  return std::string(last == std::string_view::npos ? path : path.substr(last + 1));
}

std::string FolderOfPath(std::string_view path) {
  const std::size_t last = path.find_last_of(kSeparators);
  return last == std::string_view::npos ? std::string() : std::string(path.substr(0, last));
}

std::string SiblingPath(std::string_view path, std::string_view suffix) {
  const std::size_t last = path.find_last_of(kSeparators);
  const std::size_t nameStart = last == std::string_view::npos ? 0 : last + 1;
  std::size_t dot = path.rfind('.');
  // A dot that starts the name (".log") begins no extension.
  if (dot == std::string_view::npos || dot <= nameStart) dot = path.size();
  std::string sibling(path.substr(0, dot));
  sibling += suffix;
  return sibling;
}

}  // namespace sievra
