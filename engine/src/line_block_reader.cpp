#include "line_block_reader.h"

#include <algorithm>
#include <cstring>
#include <utility>

namespace sievra {

LineBlockReader::LineBlockReader(InputFile& in, std::size_t bufferBytes, KeepReading keepReading)
    : in_(in),
      keepReading_(std::move(keepReading)),
      buffer_(std::make_unique_for_overwrite<char[]>(bufferBytes)),
      capacity_(bufferBytes),
      readBytes_(bufferBytes) {}

std::error_code LineBlockReader::Fill() {
  if (begin_ > 0) {  // move the carried part of a line to the front
    std::memmove(buffer_.get(), buffer_.get() + begin_, end_ - begin_);
    end_ -= begin_;
    begin_ = 0;
  }
  if (end_ == capacity_) {  // one line fills the buffer: make room for more of it
    const std::size_t bigger = capacity_ * 2;
    auto grown = std::make_unique_for_overwrite<char[]>(bigger);
    std::memcpy(grown.get(), buffer_.get(), end_);
    buffer_ = std::move(grown);
    capacity_ = bigger;
  }
  std::size_t got = 0;
  const std::size_t room = std::min(capacity_ - end_, readBytes_);
  if (auto ec = in_.Read(buffer_.get() + end_, room, got)) return ec;
  if (got == 0) eof_ = true;
  if (dropLf_ && got > 0) {
    dropLf_ = false;
    if (buffer_[end_] == '\n') {
      droppedLf_ = true;
      std::memmove(buffer_.get() + end_, buffer_.get() + end_ + 1, got - 1);
      --got;
    }
  }
  end_ += got;
  return {};
}

// Offset just past the last CR or LF in [from, end_), or 0 when there is none.
std::size_t LineBlockReader::EndOfLastLine(std::size_t from) const {
  for (std::size_t i = end_; i > from; --i) {
    const char c = buffer_[i - 1];
    if (c == '\n' || c == '\r') return i;
  }
  return 0;
}

std::error_code LineBlockReader::Next(std::string_view& block) {
  droppedLf_ = false;
  for (;;) {
    if (eof_) {
      block = std::string_view(buffer_.get() + begin_, end_ - begin_);
      begin_ = end_;
      return {};
    }
    const std::size_t carried = end_ - begin_;  // holds no terminator: no need to search it
    if (auto ec = Fill()) return ec;
    if (eof_) continue;
    const std::size_t stop = EndOfLastLine(carried);
    if (stop == 0) {
      if (keepReading_ && !keepReading_()) {
        eof_ = true;
        begin_ = end_;
        block = {};
        return {};
      }
      continue;
    }
    dropLf_ = buffer_[stop - 1] == '\r' && stop == end_;
    block = std::string_view(buffer_.get(), stop);
    begin_ = stop;
    return {};
  }
}

void LineBlockReader::Exchange(std::unique_ptr<char[]>& buffer, std::size_t& capacity) {
  if (!buffer || capacity < capacity_) {
    buffer = std::make_unique_for_overwrite<char[]>(capacity_);
    capacity = capacity_;
  }
  const std::size_t carried = end_ - begin_;
  std::memcpy(buffer.get(), buffer_.get() + begin_, carried);
  std::swap(buffer, buffer_);
  std::swap(capacity, capacity_);
  begin_ = 0;
  end_ = carried;
}

}  // namespace sievra
