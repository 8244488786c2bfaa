#pragma once

namespace sievra {

#if defined(__SANITIZE_THREAD__)
extern "C" void AnnotateIgnoreWritesBegin(const char* file, int line);
extern "C" void AnnotateIgnoreWritesEnd(const char* file, int line);

// Leaves the writes of its scope out of the thread sanitizer's records. For the
// wake-up a worker hands to the UI thread through the toolkit's own queue (Qt's
// event queue, Windows' message queue): those queues lock where the sanitizer
// cannot see (Debian's Qt is not instrumented), so the wake-up would look like
// a race. It carries no data; what the task needs goes through the mailbox,
// under a mutex the sanitizer does see.
class SanitizerBlindSpot {
 public:
  SanitizerBlindSpot() { AnnotateIgnoreWritesBegin(__FILE__, __LINE__); }
  ~SanitizerBlindSpot() { AnnotateIgnoreWritesEnd(__FILE__, __LINE__); }
  SanitizerBlindSpot(const SanitizerBlindSpot&) = delete;
  SanitizerBlindSpot& operator=(const SanitizerBlindSpot&) = delete;
};
#else
class SanitizerBlindSpot {
 public:
  SanitizerBlindSpot() {}   // user-provided, so a scope guard of it is no unused variable
  ~SanitizerBlindSpot() {}  // NOLINT(modernize-use-equals-default)
};
#endif

}  // namespace sievra
