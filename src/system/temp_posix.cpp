// The temporary folder of the native build: $TMPDIR, or /tmp, with a final
// separator, handed out under the contract of GetTempPathA.
#include "system/temp.h"

#include <cstdlib>
#include <cstring>
#include <string>

#include "platform/codepage.h"

namespace sys {

std::string temp_folder_by_real_name() {
  const char* dir = std::getenv("TMPDIR");
  std::string path = (dir != nullptr && *dir != '\0') ? dir : "/tmp";
  if (path.back() != '/') path += '/';
  return path;
}

// The file systems of the native build keep no short names.
std::string short_path_name(const std::string& /*path*/) { return ""; }

unsigned long get_temp_path_a(unsigned long buffer_length, char* buffer) {
  const std::string path = platform::utf8_to_ansi(temp_folder_by_real_name());  // the A function hands out ANSI bytes
  // Too small a buffer (the NUL needs room too): the size needed, NUL included.
  if (buffer == nullptr || path.size() >= buffer_length) return path.size() + 1;
  std::memcpy(buffer, path.c_str(), path.size() + 1);
  return path.size();
}

}  // namespace sys
