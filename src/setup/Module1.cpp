#include "setup/Module1.h"

#include <array>
#include <cstring>

#include "platform/codepage.h"
#include "system/temp.h"

namespace Module1 {

std::string GetTempFolder() {
  std::array<char, 260> buffer{};  // all NUL
  if (platform::get_temp_path_a(static_cast<unsigned long>(buffer.size()), buffer.data()) == 0) {
    return "";
  }
  // The folder ends at the first NUL; the returned count only tells failure
  // apart. A too-small buffer leaves it untouched, which gives empty text.
  const auto* end = static_cast<const char*>(std::memchr(buffer.data(), '\0', buffer.size()));
  const std::size_t length = end ? static_cast<std::size_t>(end - buffer.data()) : buffer.size();
  return platform::ansi_to_utf8(std::string(buffer.data(), length));
}

std::optional<std::string> UsableTempFolder() {
  const std::string real = platform::temp_folder_by_real_name();
  if (platform::ansi_can_hold(real)) return GetTempFolder();
  std::string short_name = platform::short_path_name(real);
  if (!short_name.empty() && platform::ansi_can_hold(short_name)) return short_name;
  return std::nullopt;
}

}  // namespace Module1
