#include <windows.h>
// After windows.h, which it needs.
#include <psapi.h>

#include "process_memory.h"

namespace bench {

ProcessMemory process_memory() {
  PROCESS_MEMORY_COUNTERS counters{};
  counters.cb = sizeof counters;
  if (!K32GetProcessMemoryInfo(GetCurrentProcess(), &counters, sizeof counters)) return {};
  return {counters.WorkingSetSize, counters.PeakWorkingSetSize};
}

}  // namespace bench
