// Export of a key, and optionally of every key below it, to a registry script
// ("REGEDIT4", ANSI text, CR LF). Each key is opened once, its values
// enumerated once with their data, and its sub-keys opened relative to it;
// the file is opened once and written in large pieces.
#include <algorithm>
#include <cstdio>
#include <span>
#include <string>
#include <string_view>
#include <vector>

#include "platform/codepage.h"
#include "platform/files.h"
#include "registry_access/clsRegistryAccess.h"
#include "registry_access/text_util.h"

using namespace registry_access_detail;
namespace win = platform::win;

namespace {

// One value as enumerated: its name and data in ANSI, as stored.
struct Listed {
  std::uint32_t type = 0;
  std::string name;
  std::string data;
};

}  // namespace

struct clsRegistryAccess::ExportBuffers {
  // Room for the longest name: a name always fits.
  std::string name = std::string(kLongestName, '\0');
  // Grown to the largest value met.
  std::string data = std::string(std::size_t{4096}, '\0');
  // The values of the key being written (the first `count`), their room
  // kept from key to key; a key's lines are written before its sub-keys are
  // visited, so one list serves them all.
  std::vector<Listed> values;
  std::size_t count = 0;
  std::string line;
};

namespace {

// Tries at one index while a value keeps outgrowing the data buffer.
constexpr int kReadAttempts = 3;

bool is_string_type(std::uint32_t type) {
  return type == platform::reg::sz || type == platform::reg::expand_sz || type == platform::reg::multi_sz;
}

// The forms of a value line: "text", hex:, dword: and hex(N): with the type.
enum class Form { text, hex, dword, typed };

// Whether the import reads this text back as it is from between double
// quotes: it takes every double quote out, trims the line, cuts it at "=",
// ends it at CR LF, and takes data that is "-" or begins like hex or dword
// data for something else.
bool plain_text_holds(std::string_view text) {
  if (text.empty()) return true;
  return text.find_first_of(std::string_view("\"=\r\n\0", 5)) == std::string_view::npos && text.front() != ' ' &&
         text.back() != ' ' && text != "-" && !starts_with_ci(text, "hex:") && !starts_with_ci(text, "hex(") &&
         !starts_with_ci(text, "dword:");
}

// The form that gives these exact bytes back. A text is stored with its
// terminating character, which the import's write adds again: the plain
// form holds a text of one; anything else of REG_SZ goes as hex(1): bytes.
Form form_of(const Listed& v) {
  switch (v.type) {
    case platform::reg::sz:
      if (v.data.empty()) return Form::text;
      return v.data.size() > 1 && v.data.back() == '\0' &&
                     plain_text_holds(std::string_view(v.data).substr(0, v.data.size() - 1))
                 ? Form::text
                 : Form::typed;
    case platform::reg::binary: return Form::hex;
    case platform::reg::dword: return v.data.size() == 4 ? Form::dword : Form::typed;
    default: return Form::typed;
  }
}

// Whether the import gives the value back under its own name. A name
// that the cleaned line loses or changes (quotes, "=", leading blanks, a
// first character that makes a key line or a comment) cannot be written,
// nor a line break. "@" stays a value called "@" only in hex: and dword:
// lines; in others it is the default value. Blanks at either end are
// refused too: readers of the format trim them.
bool name_holds(std::string_view name, Form form) {
  if (name.empty()) return true;
  if (name.find_first_of("\"=\r\n") != std::string_view::npos) return false;
  if (name.front() == ' ' || name.back() == ' ' || name.front() == '[' || name.front() == ';') return false;
  return name != "@" || form == Form::hex || form == Form::dword;
}

// Whether a key's name comes back from its header line: the import takes
// the quotes out, reads the line in UTF-8 and shortens every long root name
// (the header shows short ones long).
bool key_name_holds(const std::string& name) {
  if (name.find_first_of("\"\r\n") != std::string::npos) return false;
  const std::string utf8 = platform::ansi_to_utf8(name);
  std::string back = expand_root_names(utf8);
  replace_root_names(back, true);
  return back == utf8 && platform::utf8_to_ansi(utf8) == name;
}

// The value's line: "name"= (the default as @=, or ""= for an empty text,
// which @="" would delete) and its data in its form.
void value_line(std::string& line, const Listed& v, Form form) {
  if (!v.name.empty() || form == Form::hex || form == Form::dword || (form == Form::text && v.data.empty())) {
    line.assign(1, '"');
    line += v.name;
    line += "\"=";
  } else {
    line = "@=";
  }
  switch (form) {
    case Form::text:
      line += '"';
      line.append(v.data, 0, v.data.empty() ? 0 : v.data.size() - 1);
      line += '"';
      break;
    case Form::hex:
      line += "hex:";
      append_hex(line, v.data, ',', HexLimit::none);
      break;
    case Form::dword: {
      char digits[9];
      std::uint32_t n = 0;
      for (std::size_t i = 4; i-- > 0;) n = (n << 8) | static_cast<unsigned char>(v.data[i]);
      std::snprintf(digits, sizeof digits, "%08X", static_cast<unsigned>(n));
      line += "dword:";
      line += digits;
      break;
    }
    case Form::typed: {
      char type[24];
      std::snprintf(type, sizeof type, "hex(%x):", static_cast<unsigned>(v.type));
      line += type;
      append_hex(line, v.data, ',', HexLimit::none);
      break;
    }
  }
}

// The group a value is written in: the default value first when it is a
// text or typed data, then texts, binaries, numbers, and typed data last.
int group_of(const Listed& v, Form form) {
  if (v.name.empty() && (form == Form::text || form == Form::typed)) return 0;
  if (v.type == platform::reg::sz) return 1;
  if (form == Form::hex) return 2;
  if (form == Form::dword) return 3;
  return 4;
}

}  // namespace

// The public members take their texts by value: each works on its own copy.
// NOLINTBEGIN(performance-unnecessary-value-param)
std::int32_t clsRegistryAccess::ExportToReg(std::string sPath, std::string sRegFile, const bool& IncludeSubkeys,
                                            const ExportProgress& Output) {
  try {
    // An existing file is never overwritten or appended to.
    if (platform::file_exists(sRegFile)) return 0;
    platform::TextFile file(sRegFile, platform::OpenMode::write, platform::Buffering::block);
    file.write_line("REGEDIT4");
    file.write_line("");
    // The full path names the key in the header and reaches it; a
    // backslash at its end names the same key.
    sPath = expand_root_names(sPath);
    while (!sPath.empty() && sPath.back() == '\\') sPath.pop_back();
    const std::string full_path = platform::utf8_to_ansi(sPath);
    // A key that is not there has no block, so that the import makes none;
    // one that cannot be read, or whose path the header cannot carry,
    // cannot be written.
    long opened = platform::win::success;
    const platform::RegistryKey key = reach(ParseKeyPath(sPath), Reach::open_ex, platform::access::read, &opened);
    if (opened == platform::win::file_not_found) {
      file.close();
      return 1;
    }
    if (!key || sPath.find_first_of("\"\r\n") != std::string::npos) return 0;
    ExportBuffers buffers;
    const bool whole = ExportKey(full_path, key, file, IncludeSubkeys, Output, buffers);
    // Lines still gathered are written by the close: a failing close loses
    // them, so it fails the export too. After a failure the close keeps what
    // was written up to the failing point.
    file.close();
    return whole ? 1 : 0;
  } catch (...) {
    // The file's destructor has written what it held and closed it.
    return 0;
  }
}
// NOLINTEND(performance-unnecessary-value-param)

bool clsRegistryAccess::ExportKey(const std::string& full_path, const platform::RegistryKey& key,
                                  platform::TextFile& file, const bool& IncludeSubkeys, const ExportProgress& Output,
                                  ExportBuffers& buffers) {
  try {
    Output.do_events();
    Output.set_text(platform::ansi_to_utf8(full_path));
    file.write_ansi_line("[" + full_path + "]");

    // The values, in the registry's order. An enumeration that answers an
    // error other than "no more items" (a short buffer is read again with the
    // size needed, a value that keeps growing past it counts as such an
    // error) would leave values out: the export fails, with nothing of this
    // key written after its header.
    buffers.count = 0;
    for (std::uint32_t index = 0;; ++index) {
      std::uint32_t name_length = 0;
      std::uint32_t data_size = 0;
      std::uint32_t type = platform::reg::none;
      long result = win::more_data;
      for (int attempt = 0; attempt < kReadAttempts && result == win::more_data; ++attempt) {
        if (data_size > buffers.data.size()) buffers.data.resize(data_size);
        name_length = static_cast<std::uint32_t>(buffers.name.size());
        data_size = static_cast<std::uint32_t>(buffers.data.size());
        result = registry_.enum_value(key.get(), index, buffers.name.data(), &name_length, &type,
                                      reinterpret_cast<std::uint8_t*>(buffers.data.data()), &data_size);
      }
      if (result == win::no_more_items) break;
      if (result != win::success) return false;
      if (buffers.count == buffers.values.size()) buffers.values.emplace_back();
      Listed& listed = buffers.values[buffers.count++];
      listed.type = type;
      listed.name.assign(buffers.name, 0, std::min<std::size_t>(name_length, buffers.name.size()));
      listed.data.assign(buffers.data, 0, std::min<std::size_t>(data_size, buffers.data.size()));
    }
    const auto values = std::span(buffers.values).first(buffers.count);
    std::string& line = buffers.line;

    // A text that lacks its terminating character cannot be stored again
    // through the ANSI functions, which add one: the export fails there, as
    // at a name the format cannot carry.
    for (int group = 0; group < 5; ++group) {
      for (const Listed& v : values) {
        const Form form = form_of(v);
        if (group_of(v, form) != group) continue;
        if ((is_string_type(v.type) && !v.data.empty() && v.data.back() != '\0') || !name_holds(v.name, form)) {
          return false;
        }
        value_line(line, v, form);
        file.write_ansi_line(line);
      }
    }
    file.write_ansi_line("");
    if (!IncludeSubkeys) return true;

    // The sub-keys, all listed before the first is visited. A listing that
    // answers an error other than "no more items", and a listed sub-key that
    // cannot be opened or whose export fails, fail the export: the keys
    // after it are not written.
    std::vector<std::string> sub_keys;
    for (std::uint32_t index = 0;; ++index) {
      auto length = static_cast<std::uint32_t>(buffers.name.size());
      const long result = registry_.enum_key_ex(key.get(), index, buffers.name.data(), &length);
      if (result == win::no_more_items) break;
      if (result != win::success) return false;
      sub_keys.push_back(buffers.name.substr(0, std::min<std::size_t>(length, buffers.name.size())));
    }
    // Depth first, parent first; each sub-key is opened by its name relative
    // to its parent, so no full path has to fit one call.
    for (const std::string& name : sub_keys) {
      if (!key_name_holds(name)) return false;
      platform::Hkey handle = 0;
      if (registry_.open_key_ex(key.get(), name, 0, platform::access::read, &handle) != win::success) return false;
      const platform::RegistryKey sub_key(registry_, handle, handle != key.get());
      // A short root name in a sub-key's name shows as the long name.
      if (!ExportKey(full_path + "\\" + expand_root_names(name), sub_key, file, IncludeSubkeys, Output, buffers)) {
        return false;
      }
    }
    return true;
  } catch (...) {
    return false;
  }
}
