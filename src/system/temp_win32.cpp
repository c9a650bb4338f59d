#include <windows.h>

#include <vector>

#include "platform/codepage.h"
#include "system/temp.h"

namespace platform {

unsigned long get_temp_path_a(unsigned long buffer_length, char* buffer) { return GetTempPathA(buffer_length, buffer); }

std::string temp_folder_by_real_name() {
  std::vector<wchar_t> buffer(MAX_PATH + 1);
  const DWORD length = GetTempPathW(static_cast<DWORD>(buffer.size()), buffer.data());
  if (length == 0 || length >= buffer.size()) return "";
  return wide_to_utf8(std::wstring(buffer.data(), length));
}

std::string short_path_name(const std::string& path) {
  const std::wstring wide = utf8_to_wide(path);
  const DWORD needed = GetShortPathNameW(wide.c_str(), nullptr, 0);
  if (needed == 0) return "";
  std::vector<wchar_t> buffer(needed);
  const DWORD length = GetShortPathNameW(wide.c_str(), buffer.data(), needed);
  if (length == 0 || length >= needed) return "";
  return wide_to_utf8(std::wstring(buffer.data(), length));
}

}  // namespace platform
