// Milliseconds since creation or the last Reset, on a monotonic clock, so a
// change of the wall clock never makes a backup early or late.
#pragma once

#include <cstdint>

namespace ck {

class Stopwatch {
 public:
  using Clock = std::uint64_t (*)();

  // The system's monotonic clock in milliseconds.
  static std::uint64_t MonotonicMs();

  explicit Stopwatch(Clock clock = &MonotonicMs) : clock_(clock), start_(clock()) {}

  std::uint64_t Elapsed() const { return clock_() - start_; }
  void Reset() { start_ = clock_(); }

 private:
  Clock clock_;
  std::uint64_t start_;
};

}  // namespace ck
