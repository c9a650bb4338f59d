// The user's temporary folder, as GetTempPathA gives it.
#pragma once

namespace platform {

// GetTempPathA(buffer_length, buffer): the length written (without the NUL),
// the length needed when the buffer is too small, 0 on failure.
unsigned long get_temp_path_a(unsigned long buffer_length, char* buffer);

}  // namespace platform
