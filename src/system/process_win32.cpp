// Process start and environment expansion of the Windows build. Both go
// through the ANSI functions, as the program's command lines are ANSI text.
#include <windows.h>

#include <cstring>
#include <vector>

#include "platform/codepage.h"
#include "platform/runtime_error.h"
#include "system/process.h"
#include "system/unique_handle.h"

namespace sys {

unsigned long start_process(const std::string& command_line, int show_window) {
  const std::string ansi = platform::utf8_to_ansi(command_line);
  std::vector<char> line(ansi.begin(), ansi.end());  // CreateProcessA may write into it
  line.push_back('\0');
  STARTUPINFOA startup{};
  startup.cb = sizeof startup;
  startup.dwFlags = STARTF_USESHOWWINDOW;
  startup.wShowWindow = static_cast<WORD>(show_window);
  PROCESS_INFORMATION info{};
  if (!CreateProcessA(nullptr, line.data(), nullptr, nullptr, FALSE, 0, nullptr, nullptr, &startup, &info)) {
    platform::raise_runtime_error(platform::errnum::file_not_found);
  }
  // Nobody waits for the program: its handles are not needed.
  const UniqueKernel thread(info.hThread);
  const UniqueKernel process(info.hProcess);
  return info.dwProcessId;
}

std::string expand_environment_strings(const std::string& text) {
  const std::string ansi = platform::utf8_to_ansi(text);
  std::vector<char> out(ansi.size() + 1);
  for (;;) {
    const DWORD needed = ExpandEnvironmentStringsA(ansi.c_str(), out.data(), static_cast<DWORD>(out.size()));
    if (needed == 0) return text;
    if (needed <= out.size()) break;
    out.resize(needed);  // the environment may grow between two calls: ask again
  }
  return platform::ansi_to_utf8(std::string(out.data(), std::strlen(out.data())));
}

}  // namespace sys
