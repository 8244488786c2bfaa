#pragma once

#include <string>
#include <string_view>

namespace sievra {

// The characters after the last '\' or '/' of a path; the whole path when it has neither.
std::string FileNameOfPath(std::string_view path);

// The characters before the last '\' or '/' of a path; empty when it has neither.
std::string FolderOfPath(std::string_view path);

}  // namespace sievra
