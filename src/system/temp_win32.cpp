#include <windows.h>

#include <string_view>
#include <vector>

#include "platform/codepage.h"
#include "system/temp.h"

namespace sys {

unsigned long get_temp_path_a(unsigned long buffer_length, char* buffer) { return GetTempPathA(buffer_length, buffer); }

namespace {

// A text the system hands out through a buffer it asks to be sized: the
// call gets the buffer's size and gives the length written, or the size
// needed (its NUL included) when the buffer is too small, or 0 on failure.
template <typename Call>
std::wstring sized_text(Call&& call) {
  std::vector<wchar_t> buffer(MAX_PATH + 1);
  for (;;) {
    const DWORD length = call(static_cast<DWORD>(buffer.size()), buffer.data());
    if (length < buffer.size()) return {buffer.data(), length};
    if (length == buffer.size()) return L"";  // neither a text nor a larger size: a failure
    buffer.resize(length);
  }
}

}  // namespace

// GetTempPathW gives up on a folder longer than MAX_PATH (Wine at 259
// characters already); such a folder still has a real name, found as the
// system finds it: the first of TMP, TEMP and USERPROFILE that is set, as a
// full path with its final backslash.
std::string temp_folder_by_real_name() {
  std::wstring folder = sized_text([](DWORD size, wchar_t* buffer) { return GetTempPathW(size, buffer); });
  for (const wchar_t* name : {L"TMP", L"TEMP", L"USERPROFILE"}) {
    if (!folder.empty()) break;
    const std::wstring value =
        sized_text([name](DWORD size, wchar_t* buffer) { return GetEnvironmentVariableW(name, buffer, size); });
    if (value.empty()) continue;
    folder = sized_text(
        [&value](DWORD size, wchar_t* buffer) { return GetFullPathNameW(value.c_str(), size, buffer, nullptr); });
    if (folder.empty()) return "";
  }
  if (folder.empty()) return "";
  if (folder.back() != L'\\') folder += L'\\';
  return platform::wide_to_utf8(folder);
}

std::string short_path_name(const std::string& path) {
  std::wstring wide = platform::utf8_to_wide(path);
  // A path beyond MAX_PATH is reached only with the long-path prefix, which
  // the result then carries too.
  constexpr std::wstring_view kLongPrefix = L"\\\\?\\";
  const bool long_path = wide.size() >= MAX_PATH && wide.rfind(L"\\\\", 0) != 0;
  if (long_path) wide.insert(0, kLongPrefix);
  std::wstring short_name =
      sized_text([&wide](DWORD size, wchar_t* buffer) { return GetShortPathNameW(wide.c_str(), buffer, size); });
  if (long_path && short_name.rfind(kLongPrefix, 0) == 0) short_name.erase(0, kLongPrefix.size());
  return platform::wide_to_utf8(short_name);
}

}  // namespace sys
