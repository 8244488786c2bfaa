#include "sievra/presentation/help_document.h"

#include <fstream>
#include <iterator>

#include "sievra/presentation/wording.h"

namespace sievra {

namespace {
constexpr std::uintmax_t kMaxHelpBytes = std::uintmax_t{1} << 20;

std::string Shown(const std::filesystem::path& path) {
  const std::u8string utf8 = path.u8string();
  return std::string(utf8.begin(), utf8.end());
}
}  // namespace

HelpDocument ReadHelpDocument(const std::filesystem::path& path) {
  std::error_code error;
  // A folder or a missing file opens on some systems and reads as nothing.
  if (!std::filesystem::is_regular_file(path, error))
    return {std::nullopt, HelpUnreadableInstead(path)};
  if (std::filesystem::file_size(path, error) > kMaxHelpBytes && !error)
    return {std::nullopt, HelpTooLargeText(Shown(path))};
  std::ifstream file(path, std::ios::binary);
  std::string bytes{std::istreambuf_iterator<char>(file), std::istreambuf_iterator<char>()};
  if (!file.is_open() || file.bad()) return {std::nullopt, HelpUnreadableInstead(path)};
  return {std::move(bytes), {}};
}

std::string HelpUnreadableInstead(const std::filesystem::path& path) {
  return HelpUnreadableText(Shown(path));
}

}  // namespace sievra
