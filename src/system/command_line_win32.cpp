#include <windows.h>

#include <shellapi.h>

#include "platform/codepage.h"
#include "platform/runtime_error.h"
#include "system/command_line.h"
#include "system/unique_handle.h"

namespace sys {

std::vector<std::string> split_command_line(const std::string& command_line) {
  int count = 0;
  // An empty text would give this process's own program name.
  const std::wstring wide = command_line.empty() ? std::wstring(L"\"\"") : platform::utf8_to_wide(command_line);
  wchar_t** arguments = CommandLineToArgvW(wide.c_str(), &count);
  if (arguments == nullptr) platform::raise_runtime_error(platform::errnum::out_of_memory);
  const UniqueLocal owned(static_cast<HLOCAL>(arguments));
  std::vector<std::string> out;
  out.reserve(static_cast<std::size_t>(count));
  for (int i = 0; i < count; ++i) out.push_back(platform::wide_to_utf8(arguments[i]));
  return out;
}

std::vector<std::string> own_arguments() {
  std::vector<std::string> arguments = split_command_line(platform::wide_to_utf8(GetCommandLineW()));
  if (!arguments.empty()) arguments.erase(arguments.begin());
  return arguments;
}

}  // namespace sys
