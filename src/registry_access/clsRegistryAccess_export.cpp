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

// The text that ReadString gives for these stored bytes: a terminator added
// when the data has none, blanks off both ends, then the last character (the
// terminator) dropped. Leading blanks of the text are so lost, as they are
// to every reader of the class.
std::string_view text_as_read(std::string_view data) {
  if (data.empty()) return {};
  const std::size_t end = data.back() == '\0' ? data.size() - 1 : data.size();
  const std::size_t first = std::min(data.find_first_not_of(' '), end);
  return data.substr(first, end - first);
}

// The number that ReadDWORD gives for these stored bytes: at most four,
// least significant first; longer data cannot be read and gives 0.
std::uint32_t number_as_read(std::string_view data) {
  if (data.size() > 4) return 0;
  std::uint32_t n = 0;
  for (std::size_t i = data.size(); i-- > 0;) n = (n << 8) | static_cast<unsigned char>(data[i]);
  return n;
}

bool is_text(std::uint32_t type) { return type == platform::reg::sz || type == platform::reg::expand_sz; }

// "name"= as a value line begins.
void begin_line(std::string& line, std::string_view name) {
  line.assign(1, '"');
  line += name;
  line += "\"=";
}

}  // namespace

// The public members take their texts by value: each works on its own copy.
// NOLINTBEGIN(performance-unnecessary-value-param)
std::int32_t clsRegistryAccess::ExportToReg(std::string sPath, std::string sRegFile, const bool& IncludeSubkeys,
                                            std::optional<platform::TextBox> Output) {
  try {
    // An existing file is never overwritten or appended to.
    if (platform::file_exists(sRegFile)) return 0;
    platform::TextFile file(sRegFile, platform::OpenMode::write, platform::Buffering::block);
    file.write_line("REGEDIT4");
    file.write_line("");
    // The full path names the key in the header and reaches it.
    sPath = expand_root_names(sPath);
    const std::string full_path = platform::utf8_to_ansi(sPath);
    // A top key that does not exist or cannot be read gives an empty block.
    const platform::RegistryKey key = reach(ParseKeyPath(sPath), Reach::open_ex, platform::access::read);
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
                                  platform::TextFile& file, const bool& IncludeSubkeys,
                                  const std::optional<platform::TextBox>& Output, ExportBuffers& buffers) {
  try {
    if (Output) {
      Output->ui->do_events();
      Output->ui->set_text(Output->control, platform::ansi_to_utf8(full_path));
    }
    file.write_ansi_line("[" + full_path + "]");
    if (!key) {
      file.write_ansi_line("");
      return true;
    }

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
      // Other types are not written; the default value is, when it is a text.
      if (type != platform::reg::sz && type != platform::reg::binary && type != platform::reg::dword &&
          !(is_text(type) && name_length == 0)) {
        continue;
      }
      if (buffers.count == buffers.values.size()) buffers.values.emplace_back();
      Listed& listed = buffers.values[buffers.count++];
      listed.type = type;
      listed.name.assign(buffers.name, 0, std::min<std::size_t>(name_length, buffers.name.size()));
      listed.data.assign(buffers.data, 0, std::min<std::size_t>(data_size, buffers.data.size()));
    }
    const auto values = std::span(buffers.values).first(buffers.count);
    std::string& line = buffers.line;

    // The default value as a text line, only when it is a text: a number or
    // binary default is written by its own line below, with an empty name.
    for (const Listed& v : values) {
      if (!v.name.empty() || !is_text(v.type)) continue;
      const std::string_view text = text_as_read(v.data);
      // The NUL text stands for a default that cannot be read.
      if (text == std::string_view("\0", 1)) continue;
      line = "@=\"";
      line += text;
      line += '"';
      file.write_ansi_line(line);
    }
    // Names are written as the class lists them, without blanks at their
    // ends; the data is each value's own.
    for (const Listed& v : values) {
      if (v.type != platform::reg::sz || trimmed(v.name).empty()) continue;
      begin_line(line, trimmed(v.name));
      line += '"';
      line += text_as_read(v.data);
      line += '"';
      file.write_ansi_line(line);
    }
    for (const Listed& v : values) {
      if (v.type != platform::reg::binary) continue;
      begin_line(line, trimmed(v.name));
      line += "hex:";
      // A value longer than the hex conversion takes raises its overflow:
      // the export fails after the lines before it.
      append_hex(line, v.data, ',');
      file.write_ansi_line(line);
    }
    for (const Listed& v : values) {
      if (v.type != platform::reg::dword) continue;
      begin_line(line, trimmed(v.name));
      line += "dword:";
      char digits[9];
      std::snprintf(digits, sizeof digits, "%08X", static_cast<unsigned>(number_as_read(v.data)));
      line += digits;
      file.write_ansi_line(line);
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
