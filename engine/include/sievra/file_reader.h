#pragma once

#include <cstddef>
#include <cstdint>
#include <memory>
#include <string>
#include <system_error>

namespace sievra {

class InputFile;

// A regular file read from start to end, as the engine reads its input: UTF-8
// paths on every system (wide-character names on Windows) and the system's own
// words for a failure (error_code::message, UTF-8).
class FileReader {
 public:
  FileReader();
  FileReader(const FileReader&) = delete;
  FileReader& operator=(const FileReader&) = delete;
  ~FileReader();

  std::error_code Open(const std::string& utf8Path);
  // Reads up to `capacity` bytes; 0 at the end of the file.
  std::error_code Read(char* into, std::size_t capacity, std::size_t& got);
  // The size when the file was opened.
  std::uint64_t Size() const;

 private:
  std::unique_ptr<InputFile> file_;
};

}  // namespace sievra
