// Export of a key, and optionally of every key below it, to a registry script
// ("REGEDIT4", ANSI text, CR LF).
#include <algorithm>
#include <cstdio>
#include <string>
#include <utility>
#include <vector>

#include "platform/files.h"
#include "registry_access/clsRegistryAccess.h"
#include "registry_access/text_util.h"

using namespace registry_access_detail;

namespace {

std::string dword_digits(std::int32_t value) {
  char digits[9];
  std::snprintf(digits, sizeof digits, "%08X", static_cast<unsigned>(static_cast<std::uint32_t>(value)));
  return digits;
}

std::string quoted(const std::string& text) { return "\"" + text + "\""; }

}  // namespace

// The public members take their texts by value: each works on its own copy.
// NOLINTBEGIN(performance-unnecessary-value-param)
std::int32_t clsRegistryAccess::ExportToReg(std::string sPath, std::string sRegFile, const bool& IncludeSubkeys,
                                            std::optional<platform::TextBox> Output) {
  try {
    // An existing file is never overwritten or appended to.
    if (platform::file_exists(sRegFile)) return 0;
    platform::TextFile file(sRegFile, platform::OpenMode::write);
    file.write_line("REGEDIT4");
    file.write_line("");
    file.close();
    return ExportKey(std::move(sPath), sRegFile, IncludeSubkeys, Output) ? 1 : 0;
  } catch (...) {
    // The file's destructor has closed it; what was written stays.
    return 0;
  }
}

bool clsRegistryAccess::ExportKey(std::string sPath, const std::string& sRegFile, const bool& IncludeSubkeys,
                                  const std::optional<platform::TextBox>& Output) {
  try {
    // The full path names the key in the header and in every read below.
    for (const RootName& root : kRoots) sPath = replace_all_ci(sPath, root.short_name, root.long_name);
    if (Output) {
      Output->ui->do_events();
      Output->ui->set_text(Output->control, sPath);
    }

    platform::TextFile file(sRegFile, platform::OpenMode::append);
    file.write_line("[" + sPath + "]");

    // A default value that cannot be read comes back as the NUL text, which
    // no readable text equals.
    const std::string nul(1, '\0');
    if (ReadString(sPath, "", nul) != nul) file.write_line("@=" + quoted(ReadString(sPath, "", "")));

    std::vector<std::string> names;
    std::vector<Value> values;
    // A count of -1 (the key cannot be opened) writes nothing, as 0 does.
    std::int32_t count = EnumValues(sPath, names, values, platform::reg::sz);
    for (std::int32_t i = 0; i < count; ++i) {
      // The default value was written above.
      if (!names[i].empty()) file.write_line(quoted(names[i]) + "=" + quoted(std::get<std::string>(values[i])));
    }

    count = EnumValues(sPath, names, values, platform::reg::binary);
    for (std::int32_t i = 0; i < count; ++i) {
      // A binary value that could not be read whole has no text: rather than
      // write a shorter value, the export fails.
      const auto* hex = std::get_if<std::string>(&values[i]);
      if (hex == nullptr) return false;
      std::string data = trim_blanks(*hex);
      std::replace(data.begin(), data.end(), ' ', ',');
      file.write_line(quoted(names[i]) + "=hex:" + data);
    }

    count = EnumValues(sPath, names, values, platform::reg::dword);
    for (std::int32_t i = 0; i < count; ++i) {
      file.write_line(quoted(names[i]) + "=dword:" + dword_digits(std::get<std::int32_t>(values[i])));
    }

    file.write_line("");
    // Lines still buffered are written by the close: a failing close loses
    // them, so it fails the export too.
    file.close();

    if (IncludeSubkeys) {
      std::vector<std::string> keys;
      const std::int32_t subkeys = EnumKeys(sPath, keys);
      // Depth first, parent first; a failing sub-key ends the whole export.
      for (std::int32_t i = 0; i < subkeys; ++i) {
        if (!ExportKey(sPath + "\\" + keys[i], sRegFile, IncludeSubkeys, Output)) return false;
      }
    }
    return true;
  } catch (...) {
    return false;
  }
}
// NOLINTEND(performance-unnecessary-value-param)
