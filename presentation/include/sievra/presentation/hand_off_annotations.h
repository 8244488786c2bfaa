#pragma once

// Tells the thread sanitizer about a hand-off that travels through a queue it
// cannot see: Qt's event queue locks inside a library that is not instrumented
// (Debian's Qt), so a task posted on one thread and run on another would look
// like a race. The poster releases a tag after its last write to what it posts;
// the receiver acquires the same tag before its first read of it. Only the
// front end's dispatcher can do this: it alone makes what the queue carries.

#if defined(__SANITIZE_THREAD__)
#define SIEVRA_THREAD_SANITIZER 1
#elif defined(__has_feature)
#if __has_feature(thread_sanitizer)
#define SIEVRA_THREAD_SANITIZER 1
#endif
#endif

#if defined(SIEVRA_THREAD_SANITIZER)
extern "C" void __tsan_acquire(void* addr);
extern "C" void __tsan_release(void* addr);
#endif

namespace sievra {

inline void HandOffRelease([[maybe_unused]] void* tag) {
#if defined(SIEVRA_THREAD_SANITIZER)
  __tsan_release(tag);
#endif
}

inline void HandOffAcquire([[maybe_unused]] void* tag) {
#if defined(SIEVRA_THREAD_SANITIZER)
  __tsan_acquire(tag);
#endif
}

}  // namespace sievra
