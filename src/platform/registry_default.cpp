#include "platform/registry.h"

#ifdef _WIN32
#include "platform/registry_win32.h"
#else
#include "platform/registry_emulated.h"
#endif

namespace platform {

Registry& default_registry() {
#ifdef _WIN32
  static Win32Registry registry;
#else
  static EmulatedRegistry registry;
#endif
  return registry;
}

bool is_predefined_root(Hkey key) { return key >= hkey::classes_root && key <= hkey::dyn_data; }

}  // namespace platform
