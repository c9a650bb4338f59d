// Stands in for OUTLOOK.EXE in the end-to-end tests: records the command line
// it was started with, as UTF-8, in the file named by TELVORA_STANDIN_LOG or
// else in command_line.txt beside itself, the show-window value it was given
// in the same file name plus ".show" ("none" when it was given none), and
// ends.
#include <windows.h>

#include <string>

namespace {

bool write_file(const std::wstring& path, const std::string& bytes) {
  HANDLE file = CreateFileW(path.c_str(), GENERIC_WRITE, 0, nullptr, CREATE_ALWAYS, FILE_ATTRIBUTE_NORMAL, nullptr);
  if (file == INVALID_HANDLE_VALUE) return false;
  DWORD written = 0;
  const BOOL ok = WriteFile(file, bytes.data(), static_cast<DWORD>(bytes.size()), &written, nullptr);
  CloseHandle(file);
  return ok && written == bytes.size();
}

}  // namespace

int WINAPI wWinMain(HINSTANCE, HINSTANCE, PWSTR, int) {
  std::wstring log(32768, L'\0');
  log.resize(GetEnvironmentVariableW(L"TELVORA_STANDIN_LOG", log.data(), static_cast<DWORD>(log.size())));
  if (log.empty()) {
    log.resize(MAX_PATH * 4);
    log.resize(GetModuleFileNameW(nullptr, log.data(), static_cast<DWORD>(log.size())));
    log = log.substr(0, log.find_last_of(L'\\') + 1) + L"command_line.txt";
  }
  const wchar_t* line = GetCommandLineW();
  const int n = WideCharToMultiByte(CP_UTF8, 0, line, -1, nullptr, 0, nullptr, nullptr);
  std::string utf8(static_cast<std::size_t>(n > 0 ? n - 1 : 0), '\0');
  WideCharToMultiByte(CP_UTF8, 0, line, -1, utf8.data(), n, nullptr, nullptr);
  STARTUPINFOW startup{};
  startup.cb = sizeof startup;
  GetStartupInfoW(&startup);
  const std::string show =
      (startup.dwFlags & STARTF_USESHOWWINDOW) != 0 ? std::to_string(startup.wShowWindow) : std::string("none");
  // The show value first: the tests wait for the command line.
  const bool ok = write_file(log + L".show", show) && write_file(log, utf8);
  return ok ? 0 : 1;
}
