// registry-tool: registry keys to .reg files and back, through clsRegistryAccess.
//
//   registry-tool export KEY FILE   writes KEY and every key below it to FILE (a new file)
//   registry-tool import FILE       writes the keys and values of FILE into the registry
//   registry-tool delete KEY        removes KEY and every key below it
//
// Commands may follow each other in one call; they run in order, and the first
// that fails ends the call with status 1. KEY is a path such as
// "HKEY_CURRENT_USER\Software\Example" or "HKCU\Software\Example". On Windows
// the tool works on the system's registry; built elsewhere, on an empty
// registry in memory that lasts as long as the call.
#include <cstdio>
#include <string>
#include <vector>

#include "registry_access/clsRegistryAccess.h"

#ifdef _WIN32
#include <windows.h>
#endif

namespace {

// KillKey removes a key that has no sub-keys: the sub-keys go first.
bool delete_tree(clsRegistryAccess& registry, const std::string& key) {
  std::vector<std::string> sub_keys;
  if (registry.EnumKeys(key, sub_keys) < 0) return false;
  for (const std::string& sub_key : sub_keys) {
    if (!delete_tree(registry, key + "\\" + sub_key)) return false;
  }
  registry.KillKey(key);
  return !registry.KeyExists(key);
}

int usage() {
  std::fputs("usage: registry-tool {export KEY FILE | import FILE | delete KEY}...\n", stderr);
  return 2;
}

// The class takes and gives UTF-8 texts.
int run(const std::vector<std::string>& args) {
  if (args.empty()) return usage();
  clsRegistryAccess registry;
  for (std::size_t i = 0; i < args.size();) {
    const std::string& command = args[i];
    const std::size_t operands = command == "export" ? 2 : (command == "import" || command == "delete") ? 1 : 0;
    if (operands == 0 || i + operands >= args.size()) return usage();
    bool done = false;
    if (command == "export") done = registry.ExportToReg(args[i + 1], args[i + 2]) == 1;
    if (command == "import") done = registry.ImportFromReg(args[i + 1]) == 1;
    if (command == "delete") done = delete_tree(registry, args[i + 1]);
    if (!done) {
      std::fprintf(stderr, "registry-tool: %s %s failed\n", command.c_str(), args[i + 1].c_str());
      return 1;
    }
    i += operands + 1;
  }
  return 0;
}

}  // namespace

#ifdef _WIN32
// Windows hands the arguments over as UTF-16, whatever the code page.
int wmain(int argc, wchar_t** argv) {
  std::vector<std::string> args;
  for (int i = 1; i < argc; ++i) {
    const int size = WideCharToMultiByte(CP_UTF8, 0, argv[i], -1, nullptr, 0, nullptr, nullptr);
    std::string arg(size > 0 ? size : 1, '\0');
    WideCharToMultiByte(CP_UTF8, 0, argv[i], -1, arg.data(), size, nullptr, nullptr);
    arg.resize(arg.size() - 1);  // the terminating NUL
    args.push_back(arg);
  }
  return run(args);
}
#else
int main(int argc, char** argv) { return run(std::vector<std::string>(argv + 1, argv + argc)); }
#endif
