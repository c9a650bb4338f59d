// Arbitrary bytes as a registry script, imported into a fresh emulated
// registry. Besides finding no crash, hang or leak: what the import built is
// exported whole, and our own reader takes that export without an error.
#include <unistd.h>

#include <cstddef>
#include <cstdint>
#include <cstdio>
#include <cstdlib>
#include <filesystem>
#include <fstream>
#include <string>

#include "platform/registry_emulated.h"
#include "registry_access/clsRegistryAccess.h"

namespace {

void require(bool condition, const char* what) {
  if (!condition) {
    std::fprintf(stderr, "property broken: %s\n", what);
    std::abort();
  }
}

std::string scratch(const char* leaf) {
  return (std::filesystem::temp_directory_path() /
          ("telvora-fuzz-" + std::to_string(::getpid()) + "-" + leaf))
      .string();
}

// The roots that a script may write to and that an export can walk.
constexpr const char* kRoots[] = {"HKEY_CURRENT_USER", "HKEY_LOCAL_MACHINE", "HKEY_CLASSES_ROOT", "HKEY_USERS",
                                  "HKEY_CURRENT_CONFIG"};

}  // namespace

extern "C" int LLVMFuzzerTestOneInput(const std::uint8_t* data, std::size_t size) {
  static const std::string script = scratch("input.reg");
  static const std::string exported = scratch("export.reg");
  {
    std::ofstream out(script, std::ios::binary | std::ios::trunc);
    out.write(reinterpret_cast<const char*>(data), static_cast<std::streamsize>(size));
  }

  platform::EmulatedRegistry registry;
  clsRegistryAccess access(registry);
  const std::int32_t result = access.ImportFromReg(script);
  require(result == 0 || result == 1, "the import answers 1 or 0");
  require(registry.open_handles() == 0, "the import closes every key it opened, on every path");

  for (const char* root : kRoots) {
    std::filesystem::remove(exported);
    require(access.ExportToReg(root, exported) == 1, "what the import wrote exports whole");
    require(registry.open_handles() == 0, "the export closes every key it opened");
    platform::EmulatedRegistry again;
    clsRegistryAccess reader(again);
    require(reader.ImportFromReg(exported) == 1, "our export imports without an error");
  }
  return 0;
}
