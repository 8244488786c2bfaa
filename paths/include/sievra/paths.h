#pragma once

#include <string>
#include <string_view>

namespace sievra {

// The characters after the last '\' or '/' of a path; the whole path when it has neither.
std::string FileNameOfPath(std::string_view path);

// The characters before the last '\' or '/' of a path; empty when it has neither.
std::string FolderOfPath(std::string_view path);

// A file beside `path` named after it: its name with its last extension (if
// any) replaced by `suffix`, e.g. "C:\logs\unique.txt" and ".removed.txt" give
// "C:\logs\unique.removed.txt".
std::string SiblingPath(std::string_view path, std::string_view suffix);

}  // namespace sievra
