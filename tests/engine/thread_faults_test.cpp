// An exception on one of a run's own threads, with memory running out there:
// the run ends as a memory failure, as it does when the run's thread runs out,
// and not the program. This program replaces the global allocation functions,
// so it is a program of its own.
#include <gtest/gtest.h>

#include <atomic>
#include <cstdlib>
#include <new>
#include <string>
#include <thread>
#include <vector>

#include "engine_support.h"

namespace {

// Armed, the next allocation made on a thread other than the one that armed it
// fails; the arming thread's own allocations never do.
std::atomic<bool> armed{false};
std::atomic<int> failedAllocations{0};
std::thread::id armingThread;  // written before `armed` is set

void ArmForOtherThreads() {
  armingThread = std::this_thread::get_id();
  armed.store(true, std::memory_order_release);
}

void* Allocate(std::size_t size) {
  if (armed.load(std::memory_order_acquire) && std::this_thread::get_id() != armingThread &&
      armed.exchange(false)) {
    failedAllocations.fetch_add(1);
    throw std::bad_alloc();
  }
  if (void* p = std::malloc(size == 0 ? 1 : size)) return p;
  throw std::bad_alloc();
}

void* AllocateOrNull(std::size_t size) noexcept {
  try {
    return Allocate(size);
  } catch (const std::bad_alloc&) {
    return nullptr;
  }
}

}  // namespace

// Every non-aligned form, so that each allocation meets the matching release.
void* operator new(std::size_t size) { return Allocate(size); }
void* operator new[](std::size_t size) { return Allocate(size); }
void* operator new(std::size_t size, const std::nothrow_t&) noexcept {
  return AllocateOrNull(size);
}
void* operator new[](std::size_t size, const std::nothrow_t&) noexcept {
  return AllocateOrNull(size);
}
void operator delete(void* p) noexcept { std::free(p); }
void operator delete[](void* p) noexcept { std::free(p); }
void operator delete(void* p, std::size_t) noexcept { std::free(p); }
void operator delete[](void* p, std::size_t) noexcept { std::free(p); }
void operator delete(void* p, const std::nothrow_t&) noexcept { std::free(p); }
void operator delete[](void* p, const std::nothrow_t&) noexcept { std::free(p); }

namespace sievra {
namespace {

using testing::EngineFixture;
using testing::WriteBytes;

std::string Lines(std::size_t count, const std::string& prefix) {
  std::string text;
  for (std::size_t i = 0; i < count; ++i) text += prefix + std::to_string(i) + "\r\n";
  return text;
}

TEST(ThreadFaultTest, MemoryRunningOutOnAnyThreadOfTheRunIsAMemoryFailure) {
  const struct {
    const char* name;
    std::string input;
    FileType type;
    const char* call;
    RunPhase armAt;
  } rows[] = {
      // Over two counting parts: the second is counted on a thread of its own.
      {"a counting thread", Lines(600000, "distinct line "), FileType::Text, "",
       RunPhase::Counting},
      // Every line looked up: the filter scans ahead on a second thread.
      {"the scan-ahead thread", Lines(50, "line "), FileType::Text, "", RunPhase::Filtering},
      // One frame in ten the target's: too few lookups to scan ahead, so the
      // writer's is the only other thread.
      {"the writer's thread", "N0CALL>APRS:kept\r\n" + Lines(9, "K1ABC>APRS:"), FileType::Packet,
       "n0call", RunPhase::Filtering},
  };
  for (const auto& row : rows) {
    SCOPED_TRACE(row.name);
    EngineFixture f;
    WriteBytes(f.settings.inputPath, row.input);
    WriteBytes(f.settings.outputPath, "older result\r\n");
    f.settings.fileType = row.type;
    f.settings.callsignText = row.call;
    failedAllocations = 0;
    f.observer.onProgress = [&, once = false](const RunProgress& p) mutable {
      if (p.phase != row.armAt || once) return;
      once = true;
      ArmForOtherThreads();
    };
    const RunOutcome outcome = testing::RunOnThreads(f, 4);
    armed = false;
    ASSERT_EQ(failedAllocations, 1) << "no allocation failed on another thread";
    EXPECT_EQ(outcome, RunOutcome::Failed);
    EXPECT_EQ(f.result.failure.step, FailedStep::Memory);
    EXPECT_EQ(f.Output(), "older result\r\n");
    EXPECT_EQ(f.dir.Listing(), (std::vector<std::string>{"in.txt", "out.txt"}));
  }
}

}  // namespace
}  // namespace sievra
