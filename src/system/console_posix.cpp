// The native build's standard output stands for the parent's console.
#include <cstdio>

#include "system/console.h"

namespace sys {

void write_to_parent_console(const std::string& utf8_text) {
  std::fwrite(utf8_text.data(), 1, utf8_text.size(), stdout);
  std::fputs("\n", stdout);
  std::fflush(stdout);
}

}  // namespace sys
