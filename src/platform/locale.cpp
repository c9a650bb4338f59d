#include "platform/locale.h"

#ifdef _WIN32
#include <windows.h>
#endif

namespace platform {

std::string decimal_separator() {
#ifdef _WIN32
  char buffer[8] = {};
  const int written = GetLocaleInfoA(LOCALE_USER_DEFAULT, LOCALE_SDECIMAL, buffer, sizeof buffer);
  if (written > 1) {
    return std::string(buffer, static_cast<std::size_t>(written - 1));
  }
  return ".";
#else
  return ",";
#endif
}

}  // namespace platform
