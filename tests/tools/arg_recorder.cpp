// Stand-in program for the process-start tests. Started as
//   arg_recorder [--wait-for <file>] <arguments...>
// it writes how it was started to a file named like itself plus ".txt": on
// Windows first the line "show=<value>" (the show-window value it was given,
// or "none"), then every argument, one a line. With --wait-for it first waits
// (at most 20 s) until that file exists and records "released" or "timed out".
// The record goes beside the program because an unquoted program path with
// blanks leaves no argument the program could be sure of.
#ifdef _WIN32
#include <windows.h>
#endif

#include <chrono>
#include <filesystem>
#include <fstream>
#include <string>
#include <thread>

namespace {

std::filesystem::path own_path() {
#ifdef _WIN32
  wchar_t buffer[MAX_PATH] = {};
  GetModuleFileNameW(nullptr, buffer, MAX_PATH);
  return buffer;
#else
  return std::filesystem::read_symlink("/proc/self/exe");
#endif
}

}  // namespace

int main(int argc, char** argv) {
  const std::filesystem::path result_file = own_path().concat(".txt");
  std::string record;
#ifdef _WIN32
  STARTUPINFOW startup{};
  startup.cb = sizeof startup;
  GetStartupInfoW(&startup);
  record +=
      "show=" +
      ((startup.dwFlags & STARTF_USESHOWWINDOW) != 0 ? std::to_string(startup.wShowWindow) : std::string("none")) +
      "\n";
#endif
  int first = 1;
  if (argc >= 3 && std::string(argv[1]) == "--wait-for") {
    first = 3;
    bool released = false;
    for (int i = 0; i < 200 && !released; ++i) {
      std::error_code error;
      released = std::filesystem::exists(argv[2], error);
      if (!released) std::this_thread::sleep_for(std::chrono::milliseconds(100));
    }
    record += released ? "released\n" : "timed out\n";
  }
  for (int i = first; i < argc; ++i) record += std::string(argv[i]) + "\n";
  // Written under another name first, so the test never reads half a file.
  std::filesystem::path partial = result_file;
  partial.concat(".part");
  {
    std::ofstream out(partial, std::ios::binary);
    out << record;
    if (!out) return 1;
  }
  std::error_code error;
  std::filesystem::rename(partial, result_file, error);
  return error ? 1 : 0;
}
