#include "setup/Module1.h"

#include <array>
#include <cstddef>
#include <cstring>

#include "outlook/ProfileFile.h"
#include "platform/codepage.h"
#include "system/temp.h"

namespace Module1 {

std::string GetTempFolder() {
  std::array<char, 260> buffer{};  // all NUL
  if (sys::get_temp_path_a(static_cast<unsigned long>(buffer.size()), buffer.data()) == 0) {
    return "";
  }
  // The folder ends at the first NUL; the returned count only tells failure
  // apart. A too-small buffer leaves it untouched, which gives empty text.
  const auto* end = static_cast<const char*>(std::memchr(buffer.data(), '\0', buffer.size()));
  const std::size_t length = end ? static_cast<std::size_t>(end - buffer.data()) : buffer.size();
  return platform::ansi_to_utf8(std::string(buffer.data(), length));
}

namespace {

// The ANSI path limit (MAX_PATH, the NUL included): the profile file's whole
// path must fit it, or the file services and Outlook's command line would be
// handed a path that names nothing, or another file.
constexpr std::size_t kAnsiPathLimit = 260;

// The folder with its final separator, when the profile file's path in it
// fits the ANSI path limit; an empty folder names none.
std::optional<std::string> fitting(std::string folder) {
  if (folder.empty()) return std::nullopt;
  if (folder.back() != '\\' && folder.back() != '/') folder += '\\';  // Windows takes both
  const std::size_t path_length =
      platform::utf8_to_ansi(folder).size() + std::char_traits<char>::length(outlook::kProfileFileName);
  if (path_length >= kAnsiPathLimit) return std::nullopt;
  return folder;
}

}  // namespace

std::optional<std::string> UsableTempFolder() {
  const std::string real = sys::temp_folder_by_real_name();
  if (real.empty()) return std::nullopt;
  if (platform::ansi_can_hold(real)) {
    if (auto folder = fitting(GetTempFolder())) return folder;
  }
  const std::string short_name = sys::short_path_name(real);
  if (!platform::ansi_can_hold(short_name)) return std::nullopt;
  return fitting(short_name);
}

}  // namespace Module1
