#pragma once

#include <filesystem>
#include <optional>
#include <string>

namespace sievra {

// What the help window shows: the help file's RTF, or a sentence in its place.
struct HelpDocument {
  std::optional<std::string> rtf;  // the file's bytes, when it can be shown
  std::string instead;             // otherwise: why not, naming the file
};

// Reads the help file. A help document is a few pages: one of many megabytes
// is no help document, and laying it out would freeze the window, so a file
// over 1 MiB is not read.
HelpDocument ReadHelpDocument(const std::filesystem::path& path);

// What the help window shows when the RTF reader rejects the document.
std::string HelpUnreadableInstead(const std::filesystem::path& path);

}  // namespace sievra
