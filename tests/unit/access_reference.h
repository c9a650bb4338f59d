// The export and the import of clsRegistryAccess done the slow way, value by
// value through the class's own public members, as the format's rules read:
// references that the unit tests and the import fuzzer hold the class's
// direct export and import against. Free of GoogleTest, for the fuzzer.
//
// The export reference reads each key by its full path (ReadString for the
// default value, EnumValues for each type, EnumKeys for the sub-keys) and
// writes the default value as a text line only when it is a text. It differs
// from the class where reading again by name is plainly wrong: for a value
// whose name has blanks at its ends (the listed name is trimmed, and the
// reading by it reaches another value or none) and for a key whose name
// holds a long root name (its full path is shortened to another key).
#pragma once

#include <algorithm>
#include <cctype>
#include <cstdint>
#include <cstdio>
#include <stdexcept>
#include <string>
#include <string_view>
#include <utility>
#include <variant>
#include <vector>

#include "platform/codepage.h"
#include "platform/files.h"
#include "platform/registry.h"
#include "registry_access/clsRegistryAccess.h"
#include "registry_access/text_util.h"

namespace access_reference {

using registry_access_detail::trim_blanks;

// The key's default value is a text (REG_SZ or REG_EXPAND_SZ), as the
// listings of those two types tell.
inline bool default_is_text(clsRegistryAccess& access, const std::string& path) {
  std::vector<std::string> names;
  std::vector<clsRegistryAccess::Value> values;
  for (const std::int32_t type : {platform::reg::sz, platform::reg::expand_sz}) {
    const std::int32_t count = access.EnumValues(path, names, values, type);
    for (std::int32_t i = 0; i < count; ++i) {
      if (names[static_cast<std::size_t>(i)].empty()) return true;
    }
  }
  return false;
}

inline bool export_key(clsRegistryAccess& access, std::string path, const std::string& file_name,
                       bool include_subkeys) {
  // Every short root name replaced by its long name, row by row.
  for (const auto& root : registry_access_detail::kRoots) {
    std::string out;
    for (std::size_t i = 0; i < path.size();) {
      if (registry_access_detail::starts_with_ci(std::string_view(path).substr(i), root.short_name)) {
        out += root.long_name;
        i += std::string_view(root.short_name).size();
      } else {
        out += path[i++];
      }
    }
    path = out;
  }
  platform::TextFile file(file_name, platform::OpenMode::append);
  file.write_line("[" + path + "]");
  const std::string nul(1, '\0');
  if (access.ReadString(path, "", nul) != nul && default_is_text(access, path)) {
    file.write_line("@=\"" + access.ReadString(path, "", "") + "\"");
  }
  std::vector<std::string> names;
  std::vector<clsRegistryAccess::Value> values;
  std::int32_t count = access.EnumValues(path, names, values, platform::reg::sz);
  for (std::size_t i = 0; i < static_cast<std::size_t>(std::max(count, 0)); ++i) {
    if (!names[i].empty()) file.write_line("\"" + names[i] + "\"=\"" + std::get<std::string>(values[i]) + "\"");
  }
  count = access.EnumValues(path, names, values, platform::reg::binary);
  for (std::size_t i = 0; i < static_cast<std::size_t>(std::max(count, 0)); ++i) {
    const auto* hex = std::get_if<std::string>(&values[i]);
    if (hex == nullptr) return false;
    std::string data = trim_blanks(*hex);
    std::replace(data.begin(), data.end(), ' ', ',');
    file.write_line("\"" + names[i] + "\"=hex:" + data);
  }
  count = access.EnumValues(path, names, values, platform::reg::dword);
  for (std::size_t i = 0; i < static_cast<std::size_t>(std::max(count, 0)); ++i) {
    char digits[9];
    std::snprintf(digits, sizeof digits, "%08X", static_cast<unsigned>(std::get<std::int32_t>(values[i])));
    file.write_line("\"" + names[i] + "\"=dword:" + digits);
  }
  file.write_line("");
  file.close();
  if (include_subkeys) {
    std::vector<std::string> keys;
    const std::int32_t subkeys = access.EnumKeys(path, keys);
    for (std::size_t i = 0; i < static_cast<std::size_t>(std::max(subkeys, 0)); ++i) {
      if (!export_key(access, path + "\\" + keys[i], file_name, include_subkeys)) return false;
    }
  }
  return true;
}

inline std::int32_t export_to_reg(clsRegistryAccess& access, const std::string& path, const std::string& file_name,
                                  bool include_subkeys = true) {
  try {
    if (platform::file_exists(file_name)) return 0;
    platform::TextFile file(file_name, platform::OpenMode::write);
    file.write_line("REGEDIT4");
    file.write_line("");
    file.close();
    return export_key(access, path, file_name, include_subkeys) ? 1 : 0;
  } catch (...) {
    return 0;
  }
}

// The number after "dword:": hex digits, blanks, tabs and line feeds passed
// over, the first other character ending it; more than 32 bits overflows.
inline std::int32_t dword_of(const std::string& text) {
  std::uint64_t n = 0;
  for (const char c : text) {
    if (c == ' ' || c == '\t' || c == '\n') continue;
    if (std::isxdigit(static_cast<unsigned char>(c)) == 0) break;
    n = n * 16 + std::string_view("0123456789abcdef").find(static_cast<char>(std::tolower(c)));
    if (n > 0xFFFFFFFFu) throw std::overflow_error("dword");
  }
  return static_cast<std::int32_t>(static_cast<std::uint32_t>(n));
}

inline void import_value_line(clsRegistryAccess& access, const std::string& key, const std::string& line) {
  const auto first = line.find('=');
  const std::string name = line.substr(0, first);
  const std::string after = line.substr(first + 1);
  const std::string data = after.substr(0, after.find('='));
  const std::string head = registry_access_detail::ascii_upper(data.substr(0, 6));
  if (trim_blanks(data) == "-") {
    access.KillValue(key, name);
  } else if (head.rfind("HEX:", 0) == 0) {
    std::string hex = data.substr(4);
    std::replace(hex.begin(), hex.end(), ',', ' ');
    access.WriteBinary(key, name, hex);
  } else if (head == "DWORD:") {
    access.WriteDWORD(key, name, dword_of(data.substr(6)));
  } else {
    access.WriteString(key, name, data);
    if (name == "@" && data.empty()) access.KillValue(key, "");
  }
}

// The whole file read, cut at CR LF, and scanned as the format's rules say.
inline std::int32_t import_from_reg(clsRegistryAccess& access, const std::string& file_name) {
  access.CreateKeyIfDoesntExists(true);
  try {
    if (!platform::file_exists(file_name)) return 0;
    const std::string text = platform::ansi_to_utf8(platform::read_file_bytes(file_name));
    std::vector<std::string> lines;
    for (std::size_t start = 0; !text.empty() && start <= text.size();) {
      const auto end = std::min(text.find("\r\n", start), text.size());
      lines.push_back(text.substr(start, end - start));
      start = end + 2;
    }
    if (lines.empty() || registry_access_detail::ascii_upper(lines[0]) != "REGEDIT4") return 0;
    const auto clean = [](std::string s, bool quotes_first) {
      if (quotes_first) std::erase(s, '"');
      s = trim_blanks(s);
      if (!quotes_first) std::erase(s, '"');
      return s;
    };
    for (std::size_t i = 1; i < lines.size();) {
      const std::string line = clean(lines[i], false);
      if (line.empty() || line[0] != '[') {
        ++i;
        continue;
      }
      if (line.size() < 2) return 0;
      // The last character goes, however many bytes it takes in UTF-8.
      std::size_t last = line.size() - 1;
      while ((static_cast<unsigned char>(line[last]) & 0xC0) == 0x80) --last;
      const std::string path = line.substr(1, last - 1);
      if (!path.empty() && path[0] == '-') {
        access.KillKey(path.substr(1));
        ++i;
        continue;
      }
      std::size_t j = i + 1;
      for (; j < lines.size(); ++j) {
        const std::string value_line = clean(lines[j], true);
        if (!value_line.empty() && value_line[0] == '[') break;
        if (value_line.empty() || value_line[0] == ';' || value_line.find('=') == std::string::npos) continue;
        import_value_line(access, path, value_line);
      }
      i = j;
    }
    return 1;
  } catch (...) {
    return 0;
  }
}

struct StoredValue {
  std::uint32_t type = 0;
  std::string data;
};

// One key of a tree, read past the class: its names from the root, its full
// path as the export writes it, its values in the registry's order (ANSI).
struct StoredKey {
  std::vector<std::string> names;
  std::string header;
  std::vector<std::pair<std::string, StoredValue>> values;
};

// The key and every key below it, parents first; each opened relative to
// its parent, so that no full path has to fit one call.
inline void read_tree(platform::Registry& reg, platform::Hkey key, const std::vector<std::string>& names,
                      const std::string& header, std::vector<StoredKey>& out) {
  StoredKey stored{names, header, {}};
  std::string name(32767, '\0');
  std::string data(1 << 16, '\0');
  for (std::uint32_t i = 0;; ++i) {
    auto length = static_cast<std::uint32_t>(name.size());
    auto size = static_cast<std::uint32_t>(data.size());
    std::uint32_t type = 0;
    if (reg.enum_value(key, i, name.data(), &length, &type, reinterpret_cast<std::uint8_t*>(data.data()), &size) !=
        platform::win::success) {
      break;
    }
    stored.values.emplace_back(name.substr(0, length), StoredValue{type, data.substr(0, size)});
  }
  out.push_back(stored);
  std::vector<std::string> children;
  for (std::uint32_t i = 0;; ++i) {
    auto length = static_cast<std::uint32_t>(name.size());
    if (reg.enum_key_ex(key, i, name.data(), &length) != platform::win::success) break;
    children.push_back(name.substr(0, length));
  }
  for (const std::string& child : children) {
    platform::Hkey sub = 0;
    if (reg.open_key_ex(key, child, 0, platform::access::read, &sub) != platform::win::success) continue;
    std::vector<std::string> below = names;
    below.push_back(child);
    read_tree(reg, sub, below, header + "\\" + registry_access_detail::expand_root_names(child), out);
    reg.close_key(sub);
  }
}

// Everything a registry holds below its roots, one line per key and per
// value (type and bytes in hex).
inline std::string dump(platform::Registry& reg) {
  std::vector<StoredKey> keys;
  for (platform::Hkey root = platform::hkey::classes_root; root <= platform::hkey::dyn_data; ++root) {
    read_tree(reg, root, {}, std::to_string(root), keys);
  }
  std::string out;
  for (const StoredKey& key : keys) {
    out += "[" + key.header + "]\n";
    for (const auto& [name, value] : key.values) {
      out += name + " " + std::to_string(value.type) + ":";
      for (const char c : value.data) {
        char hex[4];
        std::snprintf(hex, sizeof hex, "%02x", static_cast<unsigned char>(c));
        out += hex;
      }
      out += '\n';
    }
  }
  return out;
}

}  // namespace access_reference
