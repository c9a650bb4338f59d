// The IDNA form of a host name, converted by the system (IdnToAscii).
#include <windows.h>

#include "net/net.h"

namespace net {

std::optional<std::string> host_to_ascii(std::string_view utf8) {
  if (utf8.empty()) return std::string();
  const int length = static_cast<int>(utf8.size());
  const int wide_length = ::MultiByteToWideChar(CP_UTF8, MB_ERR_INVALID_CHARS, utf8.data(), length, nullptr, 0);
  if (wide_length <= 0) return std::nullopt;
  std::wstring wide(static_cast<std::size_t>(wide_length), L'\0');
  ::MultiByteToWideChar(CP_UTF8, MB_ERR_INVALID_CHARS, utf8.data(), length, wide.data(), wide_length);
  const int ascii_length = ::IdnToAscii(0, wide.data(), wide_length, nullptr, 0);
  if (ascii_length <= 0) return std::nullopt;
  std::wstring ascii(static_cast<std::size_t>(ascii_length), L'\0');
  if (::IdnToAscii(0, wide.data(), wide_length, ascii.data(), ascii_length) != ascii_length) return std::nullopt;
  std::string out;
  out.reserve(ascii.size());
  for (const wchar_t c : ascii) {
    if (c == 0 || c > 0x7F) return std::nullopt;
    out += static_cast<char>(c);
  }
  return out;
}

}  // namespace net
