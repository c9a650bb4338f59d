// Arbitrary bytes as a registry script. Besides finding no crash, hang or
// leak:
// - the parser, fed the script's lines without a registry, puts every value
//   into a key's section and leaves no double quote in what it hands on;
// - the import and a reference that applies the script line by line through
//   the public members leave two emulated registries alike, every key handle
//   closed, and a file without the header changes nothing;
// - the tree the import built is exported by the class and by the public
//   members value by value: the same bytes, but for keys where reading again
//   by a listed (trimmed) name reaches another value;
// - that export imported into a fresh registry gives back every value of
//   every key whose values the format can express.
#include <unistd.h>

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
  for (std::size_t i = 1; i < lines.size(); ++i) {
    std::span<const ScriptEntry> entries;
    try {
      entries = parser.parse(lines[i]);
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

// Whether the format carries this value through an export and an import.
bool expressible(const std::string& name, const StoredValue& v) {
  if (blank_bordered(name) || name.find_first_of("\"=") != std::string::npos ||
      name.find("\r\n") != std::string::npos || (!name.empty() && (name.front() == '[' || name.front() == ';'))) {
    return false;
  }
  if (v.type == platform::reg::binary) return v.data.size() <= 16383;
  if (v.type == platform::reg::dword) return v.data.size() == 4;
  if (v.type != platform::reg::sz || name == "@") return false;
  const std::string text = text_of(v);
  const std::string head = registry_access_detail::ascii_upper(text.substr(0, 6));
  return !text.empty() && text.find_first_of(std::string("\"=\0", 3)) == std::string::npos &&
         text.find("\r\n") == std::string::npos && !blank_bordered(text) && text != "-" && head.rfind("HEX:", 0) != 0 &&
         head != "DWORD:";
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

  platform::EmulatedRegistry registry;
  clsRegistryAccess access(registry);
  const std::int32_t result = access.ImportFromReg(script);
  require(result == 0 || result == 1, "the import answers 1 or 0");
  require(registry.open_handles() == 0, "the import closes every key it opened, on every path");
  {
    platform::EmulatedRegistry by_lines;
    clsRegistryAccess reference(by_lines);
    require(access_reference::import_from_reg(reference, script) == result, "the import answers as line by line");
    require(access_reference::dump(registry) == access_reference::dump(by_lines),
            "the import leaves the registry as the public members do line by line");
  }
  if (header_line_ok(text) == false) {
    platform::EmulatedRegistry untouched;
    require(result == 0 && access_reference::dump(registry) == access_reference::dump(untouched),
            "a file without the header changes nothing and answers 0");
  }

  std::vector<StoredKey> tree;
  platform::EmulatedRegistry again;
  clsRegistryAccess reader(again);
  for (std::size_t r = 0; r < std::size(kRoots); ++r) {
    std::vector<StoredKey> keys;
    access_reference::read_tree(registry, kRootHandles[r], {}, kRoots[r], keys);
    std::filesystem::remove(exported);
    std::filesystem::remove(reference_file);
    require(access.ExportToReg(kRoots[r], exported) == 1, "what the import wrote exports whole");
    require(registry.open_handles() == 0, "the export closes every key it opened");
    require(access_reference::export_to_reg(access, kRoots[r], reference_file) == 1,
            "what the import wrote exports whole value by value");
    // Reading a value again by its trimmed name reaches another value or
    // none: there the export writes the value's own data instead.
    std::set<std::string> reread_elsewhere;
    bool headers_whole = true;  // no key name holds a CR LF, which would cut its header line
    for (const StoredKey& key : keys) {
      headers_whole = headers_whole && key.header.find("\r\n") == std::string::npos;
      for (const auto& [name, value] : key.values) {
        if (blank_bordered(name)) reread_elsewhere.insert("[" + key.header + "]");
      }
    }
    const std::string direct = read_file(exported);
    const std::string reference = read_file(reference_file);
    if (!headers_whole) {
      if (reread_elsewhere.empty()) require(direct == reference, "both exports write the same bytes");
    } else {
      const auto direct_blocks = blocks(direct);
      const auto reference_blocks = blocks(reference);
      require(direct_blocks.size() == reference_blocks.size(), "both exports write the same keys");
      for (const auto& [header, lines] : direct_blocks) {
        const auto it = reference_blocks.find(header);
        require(it != reference_blocks.end(), "both exports write the same keys");
        if (reread_elsewhere.count(header) == 0) require(it->second == lines, "both exports write the same lines");
      }
    }
    // Not necessarily 1: a value the format cannot carry may break a line.
    const std::int32_t again_result = reader.ImportFromReg(exported);
    require(again_result == 0 || again_result == 1, "the import of our export answers 1 or 0");
    require(again.open_handles() == 0, "the import of our export closes every key it opened");
    for (StoredKey& key : keys) key.names.insert(key.names.begin(), kRoots[r]);
    tree.insert(tree.end(), keys.begin(), keys.end());
  }

  // A value name that reads as a key line starts another section (or deletes
  // a key) in the middle of its key's block, and a CR LF in a key's name, a
  // value's name or a text (the import makes one of CR, quote, LF) breaks a
  // line: the lines after it may go to another key.
  for (const StoredKey& key : tree) {
    if (key.header.find("\r\n") != std::string::npos) return 0;
    for (const auto& [name, value] : key.values) {
      if (registry_access_detail::trim_blanks(name).rfind('[', 0) == 0 || name.find("\r\n") != std::string::npos ||
          value.data.find("\r\n") != std::string::npos) {
        return 0;
      }
    }
  }
  for (const StoredKey& key : tree) {
    bool all = !key.values.empty();
    for (const auto& [name, value] : key.values) all = all && expressible(name, value);
    if (!all) continue;
    platform::Hkey handle = 0;
    std::size_t r = 0;
    while (key.names[0] != kRoots[r]) ++r;
    bool found = again.open_key_ex(kRootHandles[r], "", 0, platform::access::read, &handle) == platform::win::success;
    for (std::size_t i = 1; found && i < key.names.size(); ++i) {
      platform::Hkey sub = 0;
      found = again.open_key_ex(handle, key.names[i], 0, platform::access::read, &sub) == platform::win::success;
      again.close_key(handle);
      handle = sub;
    }
    require(found, "a key with values the format carries comes back");
    for (const auto& [name, value] : key.values) {
      std::uint32_t type = 0;
      std::string back(value.data.size() + 2, '\0');
      auto back_size = static_cast<std::uint32_t>(back.size());
      require(again.query_value_ex(handle, name, &type, reinterpret_cast<std::uint8_t*>(back.data()), &back_size) ==
                  platform::win::success,
              "a value the format carries comes back");
      back.resize(back_size);
      require(type == value.type, "a value comes back with its type");
      require(type == platform::reg::sz ? text_of({type, back}) == text_of(value) : back == value.data,
              "a value comes back with its data");
    }
    again.close_key(handle);
  }
  return 0;
}
