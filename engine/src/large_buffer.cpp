#include "large_buffer.h"

#include <cstdint>
#include <new>
#include <utility>

#if defined(__linux__)
#include <sys/mman.h>
#endif

namespace sievra {

namespace {
#if defined(__linux__)
constexpr std::size_t kHugePage = std::size_t{2} << 20;
#endif
}  // namespace

LargeBuffer::LargeBuffer(std::size_t bytes) : size_(bytes) {
  if (bytes == 0) return;
#if defined(__linux__)
  if (bytes >= kHugePage) {
    // Over-map by one huge page so the usable part can start on a huge-page boundary.
    mappedBytes_ = bytes + kHugePage;
    void* p =
        mmap(nullptr, mappedBytes_, PROT_READ | PROT_WRITE, MAP_PRIVATE | MAP_ANONYMOUS, -1, 0);
    if (p == MAP_FAILED) throw std::bad_alloc();
    mapping_ = p;
    const auto start = reinterpret_cast<std::uintptr_t>(p);
    const std::uintptr_t aligned = (start + kHugePage - 1) & ~(kHugePage - 1);
    data_ = reinterpret_cast<char*>(aligned);
    madvise(data_, bytes, MADV_HUGEPAGE);  // a hint: without huge pages all still works
    return;
  }
#endif
  data_ = new char[bytes]();
}

LargeBuffer::~LargeBuffer() { Release(); }

LargeBuffer::LargeBuffer(LargeBuffer&& other) noexcept
    : data_(std::exchange(other.data_, nullptr)),
      size_(std::exchange(other.size_, 0)),
      mapping_(std::exchange(other.mapping_, nullptr)),
      mappedBytes_(std::exchange(other.mappedBytes_, 0)) {}

LargeBuffer& LargeBuffer::operator=(LargeBuffer&& other) noexcept {
  if (this != &other) {
    Release();
    data_ = std::exchange(other.data_, nullptr);
    size_ = std::exchange(other.size_, 0);
    mapping_ = std::exchange(other.mapping_, nullptr);
    mappedBytes_ = std::exchange(other.mappedBytes_, 0);
  }
  return *this;
}

void LargeBuffer::Release() {
#if defined(__linux__)
  if (mapping_ != nullptr) {
    munmap(mapping_, mappedBytes_);
    mapping_ = nullptr;
    data_ = nullptr;
    return;
  }
#endif
  delete[] data_;
  data_ = nullptr;
}

void PrefaultPages(void* data, std::size_t bytes) {
#if defined(__linux__) && defined(MADV_POPULATE_WRITE)
  constexpr std::uintptr_t kPage = 4096;
  const auto start = reinterpret_cast<std::uintptr_t>(data);
  const std::uintptr_t first = (start + kPage - 1) & ~(kPage - 1);  // whole pages only
  const std::uintptr_t last = (start + bytes) & ~(kPage - 1);
  if (last > first) madvise(reinterpret_cast<void*>(first), last - first, MADV_POPULATE_WRITE);
#else
  (void)data;
  (void)bytes;
#endif
}

}  // namespace sievra
