// Small text helpers shared by the parts of clsRegistryAccess. They work on
// ASCII letters only: every name they look for (root names, "hex:", "dword:")
// is ASCII, and a locale-aware comparison would miss "config" under a Turkish
// locale, where "i" does not upper-case to "I".
#pragma once

#include <cstdint>
#include <string>
#include <string_view>
#include <utility>

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

// Blanks (character 32 only) off both ends.
inline std::string_view trimmed(std::string_view s) {
  const auto first = s.find_first_not_of(' ');
  if (first == std::string_view::npos) return {};
  return s.substr(first, s.find_last_not_of(' ') - first + 1);
}
inline std::string trim_blanks(const std::string& s) { return std::string(trimmed(s)); }

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

// Whether a hex conversion keeps the limit of the public StrToBin and
// BinToStr, which count in signed 16 bits, or takes data of any length, as
// the export and the import do.
enum class HexLimit { public_members, none };

// Appends the bytes as upper-case hex digits, two a byte, the separator
// between two bytes. Within the public members' limit, more than 32,766
// bytes raise the overflow error.
void append_hex(std::string& out, std::string_view bytes, char separator, HexLimit limit = HexLimit::public_members);

// Appends the bytes that hex text stands for, as StrToBin reads it; `digits`
// is room for the text without its blanks. Within the public members' limit,
// more than 32,766 hex characters raise the overflow error.
void append_bin(std::string& out, std::string_view hex, std::string& digits, HexLimit limit = HexLimit::public_members);

// Replaces every root name of one form by the same root's name of the other
// (long by short when `to_short`), wherever it stands and in any letter case.
// Every name of either form begins with "HK", at no place do two names of
// one form match, and no replacement makes a new match: one scan from the
// left gives what replacing each row everywhere, in the table's order, gives.
inline void replace_root_names(std::string& text, bool to_short) {
  std::string out;
  std::size_t done = 0;
  for (std::size_t i = 0; i + 1 < text.size(); ++i) {
    if (ascii_upper(text[i]) != 'H' || ascii_upper(text[i + 1]) != 'K') continue;
    for (const RootName& root : kRoots) {
      const std::string_view from = to_short ? root.long_name : root.short_name;
      if (!starts_with_ci(std::string_view(text).substr(i), from)) continue;
      out.append(text, done, i - done);
      out += to_short ? root.short_name : root.long_name;
      done = i + from.size();
      i = done - 1;
      break;
    }
  }
  if (done == 0) return;  // nothing replaced: the text stays as it is
  out.append(text, done);
  text = std::move(out);
}

inline std::string expand_root_names(std::string text) {
  replace_root_names(text, false);
  return text;
}

}  // namespace registry_access_detail
