#pragma once

// Helpers for the tests that run on Windows: scratch folders with any name, file
// access through the wide API only (never the C runtime's text mode or the ANSI
// code page, so they cannot hide what the engine does). The engine rig is the
// shared one of test_support.h.

#include <gtest/gtest.h>

#include <optional>
#include <string>
#include <string_view>
#include <vector>

#include "sievra/engine.h"
#include "test_support.h"

namespace sievra::wintest {

std::wstring Wide(std::string_view utf8);
std::string Utf8(std::wstring_view wide);

// The tests' temporary folder, named and listed in UTF-16 as Windows paths are.
class ScratchFolder : public testing::TempDir {
 public:
  explicit ScratchFolder(std::wstring_view name)
      : TempDir(std::filesystem::temp_directory_path(), std::wstring(name)) {}

  std::wstring Path() const { return TempDir::Path().wstring(); }
  std::wstring Child(std::wstring_view name) const { return (TempDir::Path() / name).wstring(); }
  // Names of the entries in the folder, sorted.
  std::vector<std::wstring> Entries() const;
};

// Equal bytes; otherwise says where they first differ, with a short escaped excerpt
// of each side (outputs can be megabytes long).
::testing::AssertionResult SameBytes(std::string_view actual, std::string_view expected);

// Creates or truncates a file and writes exactly these bytes; false on failure.
bool WriteBytes(const std::wstring& path, std::string_view bytes);
// The file's bytes, or nothing when it cannot be opened.
std::optional<std::string> ReadBytes(const std::wstring& path);

}  // namespace sievra::wintest
