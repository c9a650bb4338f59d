// The reading of a registry script into entries; see script_parser.h.
#include "registry_access/script_parser.h"

#include <algorithm>
#include <utility>

#include "platform/registry.h"
#include "platform/runtime_error.h"
#include "registry_access/text_util.h"

namespace registry_access_detail {

namespace {

// The number after "dword:": hexadecimal digits in either case, blanks, tabs
// and line feeds skipped, reading stopping at the first other character,
// nothing readable giving 0. Eight digits give the 32 bits they spell
// (FFFFFFFF is -1); fewer give the number they spell (ffff is 65535, not a
// sign-extended 16-bit -1); a number beyond 32 bits raises the overflow
// error, which ends the import with 0 like any other error.
std::int32_t dword_value(std::string_view digits) {
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

ScriptEntry value_entry(ScriptEntry::Kind kind, std::string name) {
  ScriptEntry entry;
  entry.kind = kind;
  entry.name = std::move(name);
  return entry;
}

}  // namespace

bool is_script_header(std::string_view first_line) { return ascii_upper(std::string(first_line)) == "REGEDIT4"; }

void ScriptParser::parse(const std::string& line, std::vector<ScriptEntry>& entries) {
  if (in_section_) {
    const std::string cleaned = clean_value_level(line);
    if (!is_key_line(cleaned)) {
      // Comments, empty lines and lines without "=" (continuation lines
      // among them) are passed over.
      if (!cleaned.empty() && cleaned.front() != ';' && cleaned.find('=') != std::string::npos) {
        value_line(cleaned, entries);
      }
      return;
    }
    // A key line ends the section, and is then read as any line outside
    // one, cleaned the other way.
    in_section_ = false;
  }
  // Outside a section only key lines count.
  const std::string cleaned = clean_key_level(line);
  if (is_key_line(cleaned)) key_line(cleaned, entries);
}

void ScriptParser::key_line(const std::string& cleaned, std::vector<ScriptEntry>& entries) {
  // A key line that is only "[" has no path to cut: it stops the import.
  if (cleaned.size() < 2) platform::raise_runtime_error(platform::errnum::invalid_procedure_call);
  ScriptEntry entry;
  entry.path = cleaned.substr(1, cleaned.size() - 2);  // the last character goes, whatever it is
  if (!entry.path.empty() && entry.path.front() == '-') {
    // The value lines that follow are passed over up to the next key line.
    entry.kind = ScriptEntry::Kind::delete_key;
    entry.path.erase(0, 1);
  } else {
    entry.kind = ScriptEntry::Kind::section;
    in_section_ = true;
  }
  entries.push_back(std::move(entry));
}

void ScriptParser::value_line(const std::string& cleaned, std::vector<ScriptEntry>& entries) {
  // The name is what stands before the first "=", the data what stands
  // between the first and a second one; neither is trimmed.
  const auto first = cleaned.find('=');
  std::string name = cleaned.substr(0, first);
  const std::string_view after = std::string_view(cleaned).substr(first + 1);
  const std::string_view data = after.substr(0, after.find('='));

  if (trim_blanks(std::string(data)) == "-") {
    // "@" here is a value called "@".
    entries.push_back(value_entry(ScriptEntry::Kind::delete_value, std::move(name)));
    return;
  }
  ScriptEntry entry = value_entry(ScriptEntry::Kind::set_value, std::move(name));
  if (starts_with_ci(data, "hex:")) {
    entry.type = platform::reg::binary;
    entry.data = data.substr(4);
    std::replace(entry.data.begin(), entry.data.end(), ',', ' ');
  } else if (starts_with_ci(data, "dword:")) {
    entry.type = platform::reg::dword;
    entry.number = dword_value(data.substr(6));
  } else {
    entry.type = platform::reg::sz;
    entry.data = data;
    // Only a text takes "@" for the default value; @="" leaves the key
    // without one (written, then deleted).
    if (entry.name == "@") {
      entry.name.clear();
      if (data.empty()) {
        entries.push_back(std::move(entry));
        entries.push_back(value_entry(ScriptEntry::Kind::delete_value, ""));
        return;
      }
    }
  }
  entries.push_back(std::move(entry));
}

}  // namespace registry_access_detail
