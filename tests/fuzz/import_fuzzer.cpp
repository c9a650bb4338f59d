// Arbitrary bytes as a registry script, and as the recipe of a tree. Besides
// finding no crash, hang or leak:
// - the parser, fed the script's lines without a registry, puts every value
//   into a key's section and leaves no double quote in what it hands on;
// - the import and a reference that applies the script line by line through
//   the public members leave two emulated registries alike, every key handle
//   closed, and a file without the header changes nothing;
// - the tree the import built is exported by the class and by the public
//   members value by value: the same bytes for keys whose values the public
//   members read whole, but for keys where reading again by a listed
//   (trimmed) name reaches another value;
// - a backup restores whole: for the tree the import built, and for a tree
//   made from the same bytes directly (every type, empty keys, defaults,
//   names and texts with quotes, blanks, "=", CR and LF, data up to 100 KB,
//   texts without their terminator), either the export answers 0 or its
//   file imported into a fresh registry gives back every key, and every
//   value with its name, type and bytes.
#include <fuzzer/FuzzedDataProvider.h>
#include <unistd.h>

#include <algorithm>
#include <cstddef>
#include <cstdint>
#include <cstdio>
#include <cstdlib>
#include <filesystem>
#include <fstream>
#include <iterator>
#include <map>
#include <optional>
#include <set>
#include <span>
#include <string>
#include <vector>

#include "../unit/access_reference.h"
#include "platform/codepage.h"
#include "platform/error.h"
#include "platform/registry_emulated.h"
#include "registry_access/clsRegistryAccess.h"
#include "registry_access/script_parser.h"
#include "registry_access/text_util.h"

namespace {

using registry_access_detail::ScriptEntry;

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

void write_file(const std::string& path, const std::string& bytes) {
  std::ofstream out(path, std::ios::binary | std::ios::trunc);
  out.write(bytes.data(), static_cast<std::streamsize>(bytes.size()));
}

std::string read_file(const std::string& path) {
  std::ifstream in(path, std::ios::binary);
  return {std::istreambuf_iterator<char>(in), std::istreambuf_iterator<char>()};
}

std::vector<std::string> crlf_lines(const std::string& text) {
  std::vector<std::string> lines;
  for (std::size_t start = 0; !text.empty() && start <= text.size();) {
    const auto end = std::min(text.find("\r\n", start), text.size());
    lines.push_back(text.substr(start, end - start));
    start = end + 2;
  }
  return lines;
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

void parser_alone(const std::string& text) {
  const std::vector<std::string> lines = crlf_lines(text);
  if (lines.empty() || !registry_access_detail::is_script_header(lines[0])) return;
  registry_access_detail::ScriptParser parser;
  bool in_section = false;
  for (std::size_t i = 1; i <= lines.size(); ++i) {
    std::span<const ScriptEntry> entries;
    try {
      entries = i < lines.size() ? parser.parse(lines[i]) : parser.finish();
    } catch (const platform::RuntimeError&) {
      return;  // a line that stops the import
    }
    for (const ScriptEntry& e : entries) {
      switch (e.kind) {
        case ScriptEntry::Kind::section: in_section = true; break;
        case ScriptEntry::Kind::delete_key: in_section = false; break;
        default:
          require(in_section, "values go only into a key's section");
          require(e.name.find_first_of("\"=") == std::string::npos, "a value's name holds no quote and no =");
          require(e.data.find_first_of("\"=") == std::string::npos, "a value's data holds no quote and no =");
      }
      require(e.path.find('"') == std::string::npos, "a key path holds no quote");
    }
  }
}

// The roots that an export can walk.
constexpr const char* kRoots[] = {"HKEY_CURRENT_USER", "HKEY_LOCAL_MACHINE", "HKEY_CLASSES_ROOT", "HKEY_USERS",
                                  "HKEY_CURRENT_CONFIG"};
constexpr platform::Hkey kRootHandles[] = {platform::hkey::current_user, platform::hkey::local_machine,
                                           platform::hkey::classes_root, platform::hkey::users,
                                           platform::hkey::current_config};

using access_reference::StoredKey;
using access_reference::StoredValue;

bool blank_bordered(const std::string& name) { return !name.empty() && (name.front() == ' ' || name.back() == ' '); }

std::string text_of(const StoredValue& v) {
  return !v.data.empty() && v.data.back() == '\0' ? v.data.substr(0, v.data.size() - 1) : v.data;
}

// Whether the public members read this value whole and the class writes it
// in the plain form they give: a text between quotes, a binary, a four-byte
// number.
bool read_alike(const std::string& name, const StoredValue& v) {
  if (!name.empty() && (blank_bordered(name) || name.find_first_of("\"=\r\n") != std::string::npos ||
                        name.front() == '[' || name.front() == ';')) {
    return false;
  }
  if (v.type == platform::reg::binary) return v.data.size() <= 16383;
  if (v.type == platform::reg::dword) return v.data.size() == 4;
  if (v.type != platform::reg::sz || name == "@" || v.data.size() < 2 || v.data.back() != '\0') return false;
  const std::string text = text_of(v);
  const std::string head = registry_access_detail::ascii_upper(text.substr(0, 6));
  return text.find_first_of(std::string("\"=\r\n\0", 5)) == std::string::npos && !blank_bordered(text) && text != "-" &&
         head.rfind("HEX:", 0) != 0 && head.rfind("HEX(", 0) != 0 && head != "DWORD:";
}

// The export of a key answers 1 only when its file, imported into a fresh
// registry, gives back the same tree.
void restores_whole(platform::Registry& reg, platform::Hkey root, const std::string& root_name, const std::string& sub,
                    const std::string& file) {
  clsRegistryAccess access(reg);
  std::filesystem::remove(file);
  const std::string path = sub.empty() ? root_name : root_name + "\\" + sub;
  if (access.ExportToReg(path, file) != 1) return;
  platform::EmulatedRegistry fresh;
  clsRegistryAccess restorer(fresh);
  require(restorer.ImportFromReg(file) == 1, "an export that answered 1 imports");
  require(fresh.open_handles() == 0, "the import of an export closes every key it opened");
  require(access_reference::dump_key(reg, root, sub) == access_reference::dump_key(fresh, root, sub),
          "an export that answered 1 gives back the same tree");
}

// A tree made from the input's bytes below HKEY_CURRENT_USER\t, written past
// the class, and its export's round trip.
void made_tree(const std::uint8_t* data, std::size_t size, const std::string& file) {
  static const char* const kPieces[] = {
      "a", "B",    " ",       "@",      "\"",   "=",    "\r",         "\n",   "[",  ";",
      "-", "hex:", "hex(2):", "dword:", "HKCU", "hkcc", "HKEY_USERS", "\xDD", "x y"};
  static const std::uint32_t kTypes[] = {0, 1, 2, 3, 4, 7, 11};
  FuzzedDataProvider in(data, size);
  const auto text = [&] {
    std::string t;
    for (int n = in.ConsumeIntegralInRange(0, 3); n > 0; --n) t += in.PickValueInArray(kPieces);
    return t;
  };
  platform::EmulatedRegistry reg;
  std::vector<platform::Hkey> keys(1);
  reg.create_key(platform::hkey::current_user, "t", &keys[0]);
  while (in.remaining_bytes() > 0 && keys.size() < 16) {
    const platform::Hkey parent = keys[in.ConsumeIntegralInRange<std::size_t>(0, keys.size() - 1)];
    if (in.ConsumeIntegralInRange(0, 2) == 0) {
      platform::Hkey child = 0;
      if (reg.create_key(parent, text() + "k", &child) == platform::win::success) keys.push_back(child);
      continue;
    }
    const std::string name = text();
    const std::uint32_t type = in.ConsumeBool() ? in.PickValueInArray(kTypes) : in.ConsumeIntegral<std::uint32_t>();
    std::string bytes;
    switch (in.ConsumeIntegralInRange(0, 2)) {
      case 0: bytes = in.ConsumeBytesAsString(in.ConsumeIntegralInRange<std::size_t>(0, 64)); break;
      case 1: bytes = text() + (in.ConsumeBool() ? std::string(1, '\0') : ""); break;
      default: bytes.assign(in.ConsumeIntegralInRange<std::size_t>(0, 100 * 1024), in.ConsumeIntegral<char>());
    }
    if (in.ConsumeBool()) {
      reg.store_raw_value(parent, name, type, std::vector<std::uint8_t>(bytes.begin(), bytes.end()));
    } else {
      reg.set_value_ex(parent, name, type, reinterpret_cast<const std::uint8_t*>(bytes.data()),
                       static_cast<std::uint32_t>(bytes.size()));
    }
  }
  for (const platform::Hkey key : keys) reg.close_key(key);
  restores_whole(reg, platform::hkey::current_user, "HKEY_CURRENT_USER", "t", file);
}

// The blocks of an export, by header line.
std::map<std::string, std::string> blocks(const std::string& file) {
  std::map<std::string, std::string> out;
  std::string* current = nullptr;
  for (const std::string& line : crlf_lines(file)) {
    if (!line.empty() && line.front() == '[') {
      current = &out[line];
    } else if (current != nullptr) {
      *current += line + "\n";
    }
  }
  return out;
}

}  // namespace

extern "C" int LLVMFuzzerTestOneInput(const std::uint8_t* data, std::size_t size) {
  static const std::string script = scratch("input.reg");
  static const std::string exported = scratch("export.reg");
  static const std::string reference_file = scratch("reference.reg");
  const std::string text(reinterpret_cast<const char*>(data), size);
  write_file(script, text);

  parser_alone(text);
  made_tree(data, size, exported);

  platform::EmulatedRegistry registry;
  clsRegistryAccess access(registry);
  const std::int32_t result = access.ImportFromReg(script);
  require(result == 0 || result == 1, "the import answers 1 or 0");
  require(registry.open_handles() == 0, "the import closes every key it opened, on every path");
  {
    platform::EmulatedRegistry by_lines;
    clsRegistryAccess reference(by_lines);
    require(access_reference::import_from_reg(reference, by_lines, script) == result,
            "the import answers as line by line");
    require(access_reference::dump(registry) == access_reference::dump(by_lines),
            "the import leaves the registry as the public members do line by line");
  }
  if (header_line_ok(text) == false) {
    platform::EmulatedRegistry untouched;
    require(result == 0 && access_reference::dump(registry) == access_reference::dump(untouched),
            "a file without the header changes nothing and answers 0");
  }

  for (std::size_t r = 0; r < std::size(kRoots); ++r) {
    restores_whole(registry, kRootHandles[r], kRoots[r], "", exported);
    require(registry.open_handles() == 0, "the export closes every key it opened");
    std::vector<StoredKey> keys;
    access_reference::read_tree(registry, kRootHandles[r], {}, kRoots[r], keys);
    std::filesystem::remove(exported);
    std::filesystem::remove(reference_file);
    if (access.ExportToReg(kRoots[r], exported) != 1 ||
        access_reference::export_to_reg(access, kRoots[r], reference_file) != 1) {
      continue;
    }
    // The keys whose values the public members read whole, and where
    // reading again by a listed (trimmed) name reaches the same value.
    std::set<std::string> alike;
    for (const StoredKey& key : keys) {
      bool all = true;
      for (const auto& [name, value] : key.values) all = all && read_alike(name, value);
      if (all) alike.insert("[" + key.header + "]");
    }
    // The reference writes texts as they are: a line break in one makes
    // another block of the rest of its line.
    const auto direct_blocks = blocks(read_file(exported));
    const auto reference_blocks = blocks(read_file(reference_file));
    for (const auto& [header, lines] : direct_blocks) {
      const auto it = reference_blocks.find(header);
      require(it != reference_blocks.end(), "both exports write the same keys");
      if (alike.count(header) != 0) require(it->second == lines, "both exports write the same lines");
    }
  }
  return 0;
}
