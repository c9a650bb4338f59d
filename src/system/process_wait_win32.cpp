#include "system/process_wait.h"

#include <windows.h>

#include <vector>

#include "platform/codepage.h"
#include "system/unique_handle.h"

namespace sys {

long run_and_wait(const std::string& command_line, unsigned long timeout_ms) {
  // CreateProcessW may write into the command line, so it gets its own copy.
  std::wstring wide = platform::utf8_to_wide(command_line);
  std::vector<wchar_t> buffer(wide.begin(), wide.end());
  buffer.push_back(L'\0');

  STARTUPINFOW startup{};
  startup.cb = sizeof startup;
  startup.dwFlags = STARTF_USESHOWWINDOW;
  startup.wShowWindow = SW_HIDE;
  PROCESS_INFORMATION process{};
  if (!CreateProcessW(nullptr, buffer.data(), nullptr, nullptr, FALSE, CREATE_NO_WINDOW, nullptr, nullptr, &startup,
                      &process)) {
    return run_not_started;
  }
  const UniqueKernel thread(process.hThread);
  const UniqueKernel program(process.hProcess);

  if (WaitForSingleObject(program.get(), timeout_ms) == WAIT_OBJECT_0) {
    DWORD exit_code = 0;
    return GetExitCodeProcess(program.get(), &exit_code) ? static_cast<long>(exit_code) : run_not_started;
  }
  // A program left running would hold the test's files and keys.
  TerminateProcess(program.get(), 1);
  WaitForSingleObject(program.get(), 5000);
  return run_timed_out;
}

}  // namespace sys
