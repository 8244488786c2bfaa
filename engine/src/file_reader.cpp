#include "sievra/file_reader.h"

#include "file_io.h"

namespace sievra {

FileReader::FileReader() : file_(std::make_unique<InputFile>()) {}
FileReader::~FileReader() = default;

std::error_code FileReader::Open(const std::string& utf8Path) { return file_->Open(utf8Path); }

std::error_code FileReader::Read(char* into, std::size_t capacity, std::size_t& got) {
  return file_->Read(into, capacity, got);
}

std::uint64_t FileReader::Size() const { return file_->Size(); }

}  // namespace sievra
