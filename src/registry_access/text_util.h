// Small text helpers shared by the parts of clsRegistryAccess. They work on
// ASCII letters only: every name they look for (root names, "hex:", "dword:")
// is ASCII, and a locale-aware comparison would miss "config" under a Turkish
// locale, where "i" does not upper-case to "I".
#pragma once

#include <cstdint>
#include <string>
#include <string_view>

#include "platform/registry.h"

namespace registry_access_detail {

inline char ascii_upper(char c) { return (c >= 'a' && c <= 'z') ? static_cast<char>(c - 'a' + 'A') : c; }

inline std::string ascii_upper(std::string s) {
  for (char& c : s) c = ascii_upper(c);
  return s;
}

inline bool starts_with_ci(std::string_view text, std::string_view prefix) {
  if (text.size() < prefix.size()) return false;
  for (std::size_t i = 0; i < prefix.size(); ++i) {
    if (ascii_upper(text[i]) != ascii_upper(prefix[i])) return false;
  }
  return true;
}

// Replaces every occurrence of `from` by `to`, comparing without regard to
// letter case, scanning left to right past each replacement.
inline std::string replace_all_ci(const std::string& text, std::string_view from, std::string_view to) {
  std::string out;
  out.reserve(text.size());
  std::size_t i = 0;
  while (i < text.size()) {
    if (starts_with_ci(std::string_view(text).substr(i), from)) {
      out += to;
      i += from.size();
    } else {
      out += text[i++];
    }
  }
  return out;
}

// Blanks (character 32 only) off both ends.
inline std::string trim_blanks(const std::string& s) {
  const auto first = s.find_first_not_of(' ');
  if (first == std::string::npos) return {};
  const auto last = s.find_last_not_of(' ');
  return s.substr(first, last - first + 1);
}

inline std::string remove_all(std::string s, char c) {
  std::erase(s, c);
  return s;
}

// The number the write, create and delete operations report: the value of the
// handle they used (already closed). Callers only compare it with 0, so a
// handle whose low 32 bits happen to be 0 must still read as success.
inline std::int32_t handle_result(platform::Hkey h) {
  const auto low = static_cast<std::int32_t>(static_cast<std::uint32_t>(h & 0xFFFFFFFFu));
  return low != 0 ? low : 1;
}

// Name buffers of the public enumerations: 255 characters, filled with
// blanks. A name that does not fit is read again with room for the longest
// name the registry allows: 16,383 characters for a value, 255 for a key,
// and in a double-byte code page up to two bytes each; the ANSI functions
// count the length in 16 bits.
inline constexpr std::uint32_t kNameBuffer = 255;
inline constexpr std::uint32_t kLongestName = 32767;

struct RootName {
  const char* long_name;
  const char* short_name;
  platform::Hkey handle;
};

// In this order: HKEY_DYN_DATA is looked at before HKEY_CURRENT_CONFIG.
inline constexpr RootName kRoots[] = {
    {"HKEY_CURRENT_USER", "HKCU", platform::hkey::current_user},
    {"HKEY_LOCAL_MACHINE", "HKLM", platform::hkey::local_machine},
    {"HKEY_CLASSES_ROOT", "HKCR", platform::hkey::classes_root},
    {"HKEY_USERS", "HKUS", platform::hkey::users},
    {"HKEY_PERFORMANCE_DATA", "HKPD", platform::hkey::performance_data},
    {"HKEY_DYN_DATA", "HKDD", platform::hkey::dyn_data},
    {"HKEY_CURRENT_CONFIG", "HKCC", platform::hkey::current_config},
};

// Every short root name in the text, wherever it stands and in any letter
// case, replaced by its long name.
inline std::string expand_root_names(std::string text) {
  for (const RootName& root : kRoots) text = replace_all_ci(text, root.short_name, root.long_name);
  return text;
}

}  // namespace registry_access_detail
