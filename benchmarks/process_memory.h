// The memory of this process, for tools that measure what a piece of work
// costs (the registry benchmark). Windows build only.
#pragma once

#ifdef _WIN32

#include <cstddef>

namespace bench {

struct ProcessMemory {
  std::size_t working_set = 0;       // bytes in memory now
  std::size_t peak_working_set = 0;  // the most there have been since the process started
};

ProcessMemory process_memory();

}  // namespace bench

#endif
