#include <windows.h>

#include "platform/temp.h"

namespace platform {

unsigned long get_temp_path_a(unsigned long buffer_length, char* buffer) { return GetTempPathA(buffer_length, buffer); }

}  // namespace platform
