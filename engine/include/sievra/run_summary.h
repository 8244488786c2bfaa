#pragma once

#include <chrono>
#include <cstdint>
#include <functional>
#include <string>

#include "sievra/engine.h"

namespace sievra {

// How numbers are written for the user; the window and the command line each
// follow the user's locale their own way.
struct NumberFormat {
  std::function<std::string(std::uint64_t)> whole;  // with the digit grouping, e.g. 1,234,567
  std::function<std::string(double)> oneDecimal;    // e.g. 1.9
};

// Plain digits and a '.' decimal point.
NumberFormat PlainNumbers();

// One line on what a run did: for a completed run e.g. "Read 10,000,000 lines;
// kept 6,827,925; removed 3,172,075 duplicates in 1.9 s" (Packet runs also name
// the lines skipped, and how many had a time stamp or tag before the frame); for
// a run that kept nothing, that the output was not written; for any other
// outcome, the result's message.
std::string RunSummary(const RunSettings& settings, const RunResult& result,
                       const NumberFormat& numbers);

// "850 ms", "1.9 s", "2 min 5 s".
std::string DurationText(std::chrono::nanoseconds elapsed, const NumberFormat& numbers);

}  // namespace sievra
