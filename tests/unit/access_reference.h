// The export and the import of clsRegistryAccess done the slow way, value by
// value through the class's own public members, as the format's rules read:
// references that the unit tests and the import fuzzer hold the class's
// direct export and import against. Free of GoogleTest, for the fuzzer.
//
// The export reference reads each key by its full path (ReadString for the
// default value, EnumValues for each type, EnumKeys for the sub-keys) and
// writes the default value as a text line only when it is a text. It sees
// only what the public members read, so it matches the class for texts
// that go between quotes, binaries within the hex conversion's limit and
// four-byte numbers; other types and data are not in it. It differs from
// the class where reading again by name is plainly wrong: for a value whose
// name has blanks at its ends (the listed name is trimmed, and the reading
// by it reaches another value or none) and for a key whose name holds a
// long root name (its full path is shortened to another key). The import
// reference writes typed data and hex data past the class, which no public
// member writes.
#pragma once

#include <algorithm>
#include <cctype>
#include <compare>
#include <cstdint>
#include <cstdio>
#include <optional>
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
    const std::string text = access.ReadString(path, "", "");
    file.write_line(text.empty() ? "\"\"=\"\"" : "@=\"" + text + "\"");  // @="" would delete it
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

// The key a path names, made when missing, opened past the class for the
// writes no public member makes (typed data, hex data of any length): root
// as ParseKeyPath finds it, the sub-key in one call when it fits one.
inline platform::Hkey raw_key(platform::Registry& reg, std::string path) {
  registry_access_detail::replace_root_names(path, true);
  const auto slash = path.find('\\');
  const std::string root = registry_access_detail::ascii_upper(slash == std::string::npos ? path : path.substr(0, 4));
  std::string sub = slash == std::string::npos ? "" : platform::utf8_to_ansi(path.substr(slash + 1));
  while (!sub.empty() && sub.back() == '\\') sub.pop_back();
  platform::Hkey key = 0;
  for (const auto& r : registry_access_detail::kRoots) key = root == r.short_name ? r.handle : key;
  for (std::size_t start = 0; key != 0 && (start < sub.size() || start == 0);) {
    const std::size_t end = sub.size() <= 260 ? sub.size() : std::min(sub.find('\\', start), sub.size());
    platform::Hkey next = 0;
    if (reg.create_key(key, sub.substr(start, end - start), &next) != platform::win::success) next = 0;
    if (start != 0) reg.close_key(key);
    key = next;
    start = end + 1;
  }
  return key;
}

// Typed data "hex(N):" with N in one to eight hex digits: the type and the
// length of that beginning.
inline std::optional<std::pair<std::uint32_t, std::size_t>> typed_of(const std::string& data) {
  const std::size_t close = data.find("):");
  if (registry_access_detail::ascii_upper(data.substr(0, 4)) != "HEX(" || close == std::string::npos || close < 5 ||
      close > 12 || data.find_first_not_of("0123456789abcdefABCDEF", 4) != close) {
    return std::nullopt;
  }
  return std::pair{static_cast<std::uint32_t>(std::stoul(data.substr(4, close - 4), nullptr, 16)), close + 2};
}

inline void import_value_line(clsRegistryAccess& access, platform::Registry& reg, const std::string& key,
                              const std::string& line) {
  const auto first = line.find('=');
  std::string name = line.substr(0, first);
  const std::string after = line.substr(first + 1);
  const std::string data = after.substr(0, after.find('='));
  const std::string head = registry_access_detail::ascii_upper(data.substr(0, 6));
  const auto typed = typed_of(data);
  if (trim_blanks(data) == "-") {
    access.KillValue(key, name);
  } else if (head.rfind("HEX:", 0) == 0 || typed) {
    std::string hex = data.substr(typed ? typed->second : 4);
    std::replace(hex.begin(), hex.end(), ',', ' ');
    std::string bytes;
    std::string digits;
    registry_access_detail::append_bin(bytes, hex, digits, registry_access_detail::HexLimit::none);
    if (typed && name == "@") name.clear();
    const platform::Hkey k = raw_key(reg, key);
    reg.set_value_ex(k, platform::utf8_to_ansi(name), typed ? typed->first : platform::reg::binary,
                     reinterpret_cast<const std::uint8_t*>(bytes.data()), static_cast<std::uint32_t>(bytes.size()));
    reg.close_key(k);
  } else if (head == "DWORD:") {
    access.WriteDWORD(key, name, dword_of(data.substr(6)));
  } else {
    access.WriteString(key, name, data);
    if (name == "@" && data.empty()) access.KillValue(key, "");
  }
}

// Hex data whose line ends with a backslash goes on in the lines after it.
inline bool continues(const std::string& line) {
  const std::string data = line.substr(line.find('=') + 1);
  return !line.empty() && line.back() == '\\' &&
         (registry_access_detail::ascii_upper(data.substr(0, 4)) == "HEX:" || typed_of(data));
}

// The whole file read, cut at CR LF, and scanned as the format's rules say.
inline std::int32_t import_from_reg(clsRegistryAccess& access, platform::Registry& reg, const std::string& file_name) {
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
      access.CreateKey(path);
      std::size_t j = i + 1;
      for (; j < lines.size(); ++j) {
        std::string value_line = clean(lines[j], true);
        if (!value_line.empty() && value_line[0] == '[') break;
        if (value_line.empty() || value_line[0] == ';' || value_line.find('=') == std::string::npos) continue;
        // Continuation lines join up to one without a backslash at its end,
        // passing over empty lines and comments; a key line ends them.
        while (continues(value_line) && j + 1 < lines.size()) {
          const std::string next = clean(lines[j + 1], true);
          if (!next.empty() && next[0] == '[') break;
          ++j;
          if (!next.empty() && next[0] != ';') value_line = value_line.substr(0, value_line.size() - 1) + next;
        }
        if (continues(value_line)) value_line.pop_back();
        import_value_line(access, reg, path, value_line);
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
  auto operator<=>(const StoredValue&) const = default;
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
  // Room for the longest name and more than the largest value a test
  // makes, kept from call to call: a key's names are copied out before the
  // keys below it are read.
  static thread_local std::string name(32767, '\0');
  static thread_local std::string data(1 << 18, '\0');
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

// Keys one line each and values one line each (type and bytes in hex); with
// `by_name`, a key's values in name order, as an import into an empty key
// may write them in another order than they were made.
inline std::string render(std::vector<StoredKey> keys, bool by_name = false) {
  std::string out;
  for (StoredKey& key : keys) {
    if (by_name) std::sort(key.values.begin(), key.values.end());
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

// Everything a registry holds below its roots.
inline std::string dump(platform::Registry& reg) {
  std::vector<StoredKey> keys;
  for (platform::Hkey root = platform::hkey::classes_root; root <= platform::hkey::dyn_data; ++root) {
    read_tree(reg, root, {}, std::to_string(root), keys);
  }
  return render(keys);
}

// One key and every key below it, values in name order; empty when the key
// is not there.
inline std::string dump_key(platform::Registry& reg, platform::Hkey root, const std::string& sub) {
  std::vector<StoredKey> keys;
  platform::Hkey key = 0;
  if (reg.open_key_ex(root, sub, 0, platform::access::read, &key) != platform::win::success) return {};
  read_tree(reg, key, {}, "", keys);
  reg.close_key(key);
  return render(keys, true);
}

}  // namespace access_reference
