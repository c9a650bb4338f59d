// Arbitrary bytes as a registry script, imported into a fresh emulated
// registry. Besides finding no crash, hang or leak: a file without the header
// changes nothing, every key handle is closed again, what the import built is
// exported whole, and that export is imported again.
#include <unistd.h>

#include <cstddef>
#include <cstdint>
#include <cstdio>
#include <cstdlib>
#include <filesystem>
#include <fstream>
#include <optional>
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
  return (std::filesystem::temp_directory_path() / ("telvora-fuzz-" + std::to_string(::getpid()) + "-" + leaf))
      .string();
}

// Whether the first line (up to the first CR LF) is the header, when that
// line is plain ASCII; nullopt otherwise, since the upper-casing of other
// letters is the code page's.
std::optional<bool> header_line_ok(const std::string& text) {
  std::string line = text.substr(0, text.find("\r\n"));
  for (char& c : line) {
    if (static_cast<unsigned char>(c) >= 0x80) return std::nullopt;
    if (c >= 'a' && c <= 'z') c = static_cast<char>(c - 'a' + 'A');
  }
  return line == "REGEDIT4";
}

bool untouched(platform::EmulatedRegistry& registry) {
  for (platform::Hkey root = platform::hkey::classes_root; root <= platform::hkey::dyn_data; ++root) {
    char name[256];
    std::uint32_t length = sizeof name;
    if (registry.enum_key_ex(root, 0, name, &length) != platform::win::no_more_items) return false;
    length = sizeof name;
    if (registry.enum_value(root, 0, name, &length, nullptr, nullptr, nullptr) != platform::win::no_more_items) {
      return false;
    }
  }
  return true;
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
  const std::string text(reinterpret_cast<const char*>(data), size);
  if (header_line_ok(text) == false) {
    require(result == 0 && untouched(registry), "a file without the header changes nothing and answers 0");
  }

  for (const char* root : kRoots) {
    std::filesystem::remove(exported);
    require(access.ExportToReg(root, exported) == 1, "what the import wrote exports whole");
    require(registry.open_handles() == 0, "the export closes every key it opened");
    platform::EmulatedRegistry again;
    clsRegistryAccess reader(again);
    // Not necessarily 1: names and texts are written unchanged, so a text
    // holding CR LF (the import makes one from CR, double quote, LF) breaks
    // the export's lines, and ReadString's trimming of the default value
    // can turn " dword:123456789" into a line that overflows.
    const std::int32_t again_result = reader.ImportFromReg(exported);
    require(again_result == 0 || again_result == 1, "the import of our export answers 1 or 0");
    require(again.open_handles() == 0, "the import of our export closes every key it opened");
  }
  return 0;
}
