#include <windows.h>

#include "platform/codepage.h"
#include "system/console.h"
#include "system/unique_handle.h"

namespace sys {

namespace {

// A program built for windows has no console of its own: it borrows the
// parent's, once, when there is one; nullptr when there is none.
HANDLE parent_console() {
  static const UniqueKernel console = [] {
    if (!AttachConsole(ATTACH_PARENT_PROCESS)) return UniqueKernel();
    HANDLE output = CreateFileW(L"CONOUT$", GENERIC_READ | GENERIC_WRITE, FILE_SHARE_READ | FILE_SHARE_WRITE, nullptr,
                                OPEN_EXISTING, 0, nullptr);
    return UniqueKernel(output == INVALID_HANDLE_VALUE ? nullptr : output);
  }();
  return console.get();
}

void write_bytes(HANDLE file, const std::string& bytes) {
  DWORD written = 0;
  for (std::size_t at = 0; at < bytes.size(); at += written) {
    if (!WriteFile(file, bytes.data() + at, static_cast<DWORD>(bytes.size() - at), &written, nullptr) || written == 0) {
      return;  // nobody reads any more: there is no one left to tell
    }
  }
}

}  // namespace

void write_to_parent_console(const std::string& utf8_text) {
  const std::string line = utf8_text + "\r\n";
  const HANDLE output = GetStdHandle(STD_OUTPUT_HANDLE);
  const DWORD kind = output != nullptr && output != INVALID_HANDLE_VALUE ? GetFileType(output) : FILE_TYPE_UNKNOWN;
  if (kind == FILE_TYPE_DISK || kind == FILE_TYPE_PIPE) {
    write_bytes(output, line);
    return;
  }
  const HANDLE console = parent_console();
  if (console == nullptr) return;
  // The console takes UTF-16 whatever its code page, so Turkish letters show.
  const std::wstring wide = platform::utf8_to_wide(line);
  DWORD written = 0;
  WriteConsoleW(console, wide.data(), static_cast<DWORD>(wide.size()), &written, nullptr);
}

}  // namespace sys
