// The reading of a registry script into entries; see script_parser.h.
#include "registry_access/script_parser.h"

#include <algorithm>
#include <optional>
#include <utility>

#include "platform/codepage.h"
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
void clean_into(std::string& out, std::string_view line, bool quotes_first) {
  if (!quotes_first) line = trimmed(line);
  out.clear();
  for (std::size_t quote; (quote = line.find('"')) != std::string_view::npos; line.remove_prefix(quote + 1)) {
    out.append(line.substr(0, quote));
  }
  out.append(line);
  if (quotes_first) {
    const auto first = out.find_first_not_of(' ');
    if (first == std::string::npos) {
      out.clear();
    } else {
      out.erase(out.find_last_not_of(' ') + 1);
      out.erase(0, first);
    }
  }
}

bool is_key_line(const std::string& cleaned) { return !cleaned.empty() && cleaned.front() == '['; }

int hex_digit(char c) {
  if (c >= '0' && c <= '9') return c - '0';
  if (c >= 'a' && c <= 'f') return c - 'a' + 10;
  if (c >= 'A' && c <= 'F') return c - 'A' + 10;
  return -1;
}

// Typed hex data, "hex(N):" with N the type in one to eight hexadecimal
// digits (any letter case): the type and the length of that beginning.
// Anything else is no typed data (and so a text).
std::optional<std::pair<std::uint32_t, std::size_t>> typed_hex(std::string_view data) {
  if (!starts_with_ci(data, "hex(")) return std::nullopt;
  std::uint32_t type = 0;
  std::size_t at = 4;
  for (; at < data.size() && at < 12 && hex_digit(data[at]) >= 0; ++at) {
    type = type * 16 + static_cast<std::uint32_t>(hex_digit(data[at]));
  }
  if (at == 4 || data.substr(at, 2) != "):") return std::nullopt;
  return std::pair{type, at + 2};
}

// A value line whose hex data goes on in the next line, as the registry
// editor writes long data: the line ends with a backslash.
bool continues(std::string_view cleaned) {
  if (cleaned.empty() || cleaned.back() != '\\') return false;
  const std::string_view data = cleaned.substr(cleaned.find('=') + 1);
  return starts_with_ci(data, "hex:") || typed_hex(data).has_value();
}

}  // namespace

bool is_script_header(std::string_view first_line) { return ascii_upper(std::string(first_line)) == "REGEDIT4"; }

std::span<const ScriptEntry> ScriptParser::parse(std::string_view line) {
  count_ = 0;
  if (in_section_) {
    clean_into(cleaned_, line, true);
    if (continued_ && !is_key_line(cleaned_)) {
      // A continuation line, its leading blanks gone; empty lines and
      // comments among them are passed over, as the registry editor does.
      if (cleaned_.empty() || cleaned_.front() == ';') return {};
      joined_ += cleaned_;
      if (joined_.back() == '\\') {
        joined_.pop_back();
      } else {
        continued_ = false;
        value_line(joined_);
      }
      return std::span(entries_).first(count_);
    }
    // A key line ends a value's continuation: the value takes what came so far.
    if (continued_) value_line(joined_);
    continued_ = false;
    if (!is_key_line(cleaned_)) {
      // Comments, empty lines and lines without "=" are passed over.
      if (!cleaned_.empty() && cleaned_.front() != ';' && cleaned_.find('=') != std::string::npos) {
        if (continues(cleaned_)) {
          joined_.assign(cleaned_, 0, cleaned_.size() - 1);
          continued_ = true;
        } else {
          value_line(cleaned_);
        }
      }
      return std::span(entries_).first(count_);
    }
    // A key line ends the section, and is then read as any line outside
    // one, cleaned the other way.
    in_section_ = false;
  }
  // Outside a section only key lines count.
  clean_into(cleaned_, line, false);
  if (is_key_line(cleaned_)) key_line();
  return std::span(entries_).first(count_);
}

std::span<const ScriptEntry> ScriptParser::finish() {
  count_ = 0;
  if (continued_) value_line(joined_);
  continued_ = false;
  return std::span(entries_).first(count_);
}

ScriptEntry& ScriptParser::add(ScriptEntry::Kind kind) {
  ScriptEntry& entry = entries_[count_++];
  entry.kind = kind;
  entry.path.clear();
  entry.name.clear();
  entry.type = 0;
  entry.hex = false;
  entry.data.clear();
  entry.number = 0;
  return entry;
}

void ScriptParser::key_line() {
  // A key line that is only "[" has no path to cut: it stops the import.
  if (cleaned_.size() < 2) platform::raise_runtime_error(platform::errnum::invalid_procedure_call);
  std::string path = platform::ansi_to_utf8(cleaned_.substr(1));
  // The last character goes, whatever it is: in UTF-8 it may take more than
  // one byte.
  std::size_t last = path.size() - 1;
  while (last > 0 && (static_cast<unsigned char>(path[last]) & 0xC0) == 0x80) --last;
  path.resize(last);
  if (!path.empty() && path.front() == '-') {
    // The value lines that follow are passed over up to the next key line.
    add(ScriptEntry::Kind::delete_key).path.assign(path, 1);
  } else {
    add(ScriptEntry::Kind::section).path = std::move(path);
    in_section_ = true;
  }
}

void ScriptParser::value_line(std::string_view text) {
  // The name is what stands before the first "=", the data what stands
  // between the first and a second one; neither is trimmed.
  const auto first = text.find('=');
  const std::string_view name = text.substr(0, first);
  const std::string_view after = text.substr(first + 1);
  const std::string_view data = after.substr(0, after.find('='));

  if (trimmed(data) == "-") {
    // "@" here is a value called "@".
    add(ScriptEntry::Kind::delete_value).name = name;
    return;
  }
  ScriptEntry& entry = add(ScriptEntry::Kind::set_value);
  entry.name = name;
  const auto typed = typed_hex(data);
  if (starts_with_ci(data, "hex:") || typed) {
    entry.type = typed ? typed->first : platform::reg::binary;
    entry.hex = true;
    entry.data = data.substr(typed ? typed->second : 4);
    std::replace(entry.data.begin(), entry.data.end(), ',', ' ');
    // Typed data takes "@" for the default value, as a text does; hex:
    // data keeps it as a value called "@", as earlier files meant it.
    if (typed && entry.name == "@") entry.name.clear();
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
      if (data.empty()) add(ScriptEntry::Kind::delete_value);
    }
  }
}

}  // namespace registry_access_detail
