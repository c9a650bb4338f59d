// Import of a registry script ("REGEDIT4") into the registry, through the
// class's own key and value operations.
#include <algorithm>
#include <cstdint>
#include <string>
#include <vector>

#include "platform/codepage.h"
#include "platform/files.h"
#include "platform/runtime_error.h"
#include "registry_access/clsRegistryAccess.h"
#include "registry_access/text_util.h"

using namespace registry_access_detail;

namespace {

// Lines end at CR LF only; a lone CR or LF stays inside its line, so a file
// with LF line ends is one line and fails the header test. An empty text has
// no lines at all.
std::vector<std::string> split_crlf(const std::string& text) {
  std::vector<std::string> lines;
  if (text.empty()) return lines;
  std::size_t start = 0;
  for (;;) {
    const auto end = text.find("\r\n", start);
    if (end == std::string::npos) {
      lines.push_back(text.substr(start));
      return lines;
    }
    lines.push_back(text.substr(start, end - start));
    start = end + 2;
  }
}

// The number after "dword:": hexadecimal digits in either case, blanks, tabs
// and line feeds skipped, reading stopping at the first other character,
// nothing readable giving 0. Eight digits give the 32 bits they spell
// (FFFFFFFF is -1); fewer give the number they spell (ffff is 65535, not a
// sign-extended 16-bit -1); a number beyond 32 bits raises the overflow
// error, which ends the import with 0 like any other error.
std::int32_t dword_value(const std::string& digits) {
  std::uint64_t value = 0;
  for (const char c : digits) {
    if (c == ' ' || c == '\t' || c == '\n') continue;
    int digit = -1;
    if (c >= '0' && c <= '9') digit = c - '0';
    if (c >= 'a' && c <= 'f') digit = c - 'a' + 10;
    if (c >= 'A' && c <= 'F') digit = c - 'A' + 10;
    if (digit < 0) break;
    value = value * 16 + static_cast<unsigned>(digit);
    if (value > 0xFFFFFFFFu) platform::raise_runtime_error(platform::errnum::overflow);
  }
  return static_cast<std::int32_t>(static_cast<std::uint32_t>(value));
}

// A key line is cleaned blanks first, a value line quotes first: the two
// differ only for blanks that stood beside a quote at an end of the line.
std::string clean_key_level(const std::string& line) { return remove_all(trim_blanks(line), '"'); }
std::string clean_value_level(const std::string& line) { return trim_blanks(remove_all(line, '"')); }

bool is_key_line(const std::string& cleaned) { return !cleaned.empty() && cleaned.front() == '['; }

}  // namespace

void clsRegistryAccess::import_value_line(const std::string& current_key, const std::string& line) {
  // The name is what stands before the first "=", the data what stands
  // between the first and a second one; neither is trimmed.
  const auto first = line.find('=');
  const std::string name = line.substr(0, first);
  const std::string after = line.substr(first + 1);
  const std::string data = after.substr(0, after.find('='));

  if (trim_blanks(data) == "-") {
    KillValue(current_key, name);  // "@" here is a value called "@"
  } else if (starts_with_ci(data, "hex:")) {
    std::string hex = data.substr(4);
    std::replace(hex.begin(), hex.end(), ',', ' ');
    WriteBinary(current_key, name, hex);
  } else if (starts_with_ci(data, "dword:")) {
    WriteDWORD(current_key, name, dword_value(data.substr(6)));
  } else {
    WriteString(current_key, name, data);
    // @="" leaves the key without a default value.
    if (name == "@" && data.empty()) KillValue(current_key, "");
  }
}

// The public members take their texts by value: each works on its own copy.
// NOLINTBEGIN(performance-unnecessary-value-param)
std::int32_t clsRegistryAccess::ImportFromReg(std::string sRegFile) {
  // The writes below create missing keys; the property stays set afterwards.
  bCreateKeyIfDoesntExists_ = true;
  try {
    if (!platform::file_exists(sRegFile)) return 0;
    const std::vector<std::string> lines = split_crlf(platform::ansi_to_utf8(platform::read_file_bytes(sRegFile)));
    if (lines.empty() || ascii_upper(lines[0]) != "REGEDIT4") return 0;

    std::size_t i = 1;
    while (i < lines.size()) {
      const std::string line = clean_key_level(lines[i]);
      // Outside a key section only key lines count.
      if (!is_key_line(line)) {
        ++i;
        continue;
      }
      // A key line that is only "[" has no path to cut: it stops the import,
      // and what was applied before it stays applied.
      if (line.size() < 2) return 0;
      const std::string path = line.substr(1, line.size() - 2);  // the last character goes, whatever it is
      if (!path.empty() && path.front() == '-') {
        // The value lines that follow are passed over up to the next key line.
        KillKey(path.substr(1));
        ++i;
        continue;
      }
      std::size_t j = i + 1;
      for (; j < lines.size(); ++j) {
        const std::string value_line = clean_value_level(lines[j]);
        if (is_key_line(value_line)) break;
        if (value_line.empty() || value_line.front() == ';' || value_line.find('=') == std::string::npos) continue;
        // Results are not examined: a refused write does not stop the import.
        import_value_line(path, value_line);
      }
      i = j;  // the key line that ended the section, cleaned again the outer way
    }
    return 1;
  } catch (...) {
    return 0;
  }
}
// NOLINTEND(performance-unnecessary-value-param)
