// The user's temporary folder, as GetTempPathA gives it and by its real name.
#pragma once

#include <string>

namespace sys {

// GetTempPathA(buffer_length, buffer): the length written (without the NUL),
// the length needed when the buffer is too small, 0 on failure.
unsigned long get_temp_path_a(unsigned long buffer_length, char* buffer);

// The temporary folder by its real name (UTF-8, whatever the ANSI code page
// can hold), with its final separator; empty text when there is none.
std::string temp_folder_by_real_name();

// The short (8.3) name of an existing file or folder (UTF-8); empty text when
// the file system gives none.
std::string short_path_name(const std::string& path);

}  // namespace sys
