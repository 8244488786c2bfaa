#pragma once

#include <thread>

#if defined(__linux__)
#include <sched.h>
#endif

namespace sievra {

// Cores this process may run on (its CPU affinity): a second thread only pays
// where there is a second core to run it.
inline unsigned UsableCores() {
#if defined(__linux__)
  cpu_set_t set;
  if (sched_getaffinity(0, sizeof set, &set) == 0) return static_cast<unsigned>(CPU_COUNT(&set));
#endif
  return std::thread::hardware_concurrency();
}

}  // namespace sievra
