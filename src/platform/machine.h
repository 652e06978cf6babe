// Readings of the machine: memory and processor times.
#pragma once

#include <cstdint>
#include <optional>

namespace kovrin {

struct MemoryReading {
  std::uint64_t totalBytes = 0;
  std::uint64_t availableBytes = 0;
};

// Cumulative processor times of the whole machine in 100 ns units, as the
// system reports them: `kernel` includes `idle`.
struct CpuTimes {
  std::uint64_t idle = 0;
  std::uint64_t kernel = 0;
  std::uint64_t user = 0;
};

class Machine {
 public:
  virtual ~Machine() = default;
  virtual std::optional<MemoryReading> memory() = 0;
  virtual std::optional<CpuTimes> cpuTimes() = 0;
};

}  // namespace kovrin
