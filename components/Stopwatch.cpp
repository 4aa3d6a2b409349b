#include "components/Stopwatch.h"

#include <chrono>

namespace ck {

std::uint64_t Stopwatch::MonotonicMs() {
  using namespace std::chrono;
  return static_cast<std::uint64_t>(
      duration_cast<milliseconds>(steady_clock::now().time_since_epoch()).count());
}

}  // namespace ck
