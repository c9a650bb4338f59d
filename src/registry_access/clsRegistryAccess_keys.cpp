// Key paths and the key operations of clsRegistryAccess.
#include <string>
#include <vector>

#include "platform/codepage.h"
#include "registry_access/clsRegistryAccess.h"
#include "registry_access/text_util.h"

using namespace registry_access_detail;

namespace {

// Name buffers of the enumerations: 255 characters, filled with blanks.
constexpr std::uint32_t kNameBuffer = 255;

}  // namespace

clsRegistryAccess::clsRegistryAccess(platform::Registry& registry) : registry_(registry) {}

bool clsRegistryAccess::CreateKeyIfDoesntExists() const { return bCreateKeyIfDoesntExists_; }

void clsRegistryAccess::CreateKeyIfDoesntExists(bool offon) { bCreateKeyIfDoesntExists_ = offon; }

clsRegistryAccess::ParsedPath clsRegistryAccess::ParseKeyPath(std::string& sPath) {
  // Long names are shortened wherever they stand, not only at the start: a
  // sub-key named after a root reaches the registry under the short name.
  for (const RootName& root : kRoots) sPath = replace_all_ci(sPath, root.long_name, root.short_name);

  std::string root_text;
  std::string sub_key;
  const auto slash = sPath.find('\\');
  if (slash == std::string::npos) {
    root_text = ascii_upper(sPath);
  } else {
    // Only the first four characters name the root, wherever the backslash is.
    root_text = ascii_upper(sPath.substr(0, 4));
    sub_key = sPath.substr(slash + 1);
  }
  platform::Hkey handle = 0;
  for (const RootName& root : kRoots) {
    if (root_text == root.short_name) {
      handle = root.handle;
      break;
    }
  }
  return {sub_key, handle};
}

void clsRegistryAccess::parse_into_fields(std::string& sPath) {
  ParsedPath parsed = ParseKeyPath(sPath);
  sSubKey = std::move(parsed.sub_key);
  hRootKey = parsed.root;
}

std::int32_t clsRegistryAccess::CreateKey(std::string sPath) {
  parse_into_fields(sPath);
  if (registry_.create_key(hRootKey, platform::utf8_to_ansi(sSubKey), &hCurrentKey) != platform::win::success) {
    return 0;
  }
  registry_.close_key(hCurrentKey);
  return handle_result(hCurrentKey);
}

std::int32_t clsRegistryAccess::KillKey(std::string sPath) {
  parse_into_fields(sPath);
  if (!open_current(platform::access::all)) {
    return 0;
  }
  // The opened key itself goes; whether a key with sub-keys may go is the
  // registry's decision, and the result does not report it.
  registry_.delete_key(hCurrentKey, "");
  registry_.close_key(hCurrentKey);
  return handle_result(hCurrentKey);
}

bool clsRegistryAccess::KeyExists(std::string sPath) {
  parse_into_fields(sPath);
  if (!open_current(platform::access::all)) {
    return false;
  }
  registry_.close_key(hCurrentKey);
  return true;
}

std::int32_t clsRegistryAccess::EnumKeys(std::string sPath, std::vector<std::string>& Key) {
  parse_into_fields(sPath);
  Key.clear();  // before the open: a failing call leaves the array empty too
  if (registry_.open_key(hRootKey, platform::utf8_to_ansi(sSubKey), &hCurrentKey) != platform::win::success) {
    return -1;
  }
  KeyGuard guard(registry_, hCurrentKey);
  std::int32_t index = 0;
  for (;;) {
    std::string buffer(kNameBuffer, ' ');
    std::uint32_t length = kNameBuffer;
    const long result = registry_.enum_key_ex(hCurrentKey, static_cast<std::uint32_t>(index), buffer.data(), &length);
    if (result == platform::win::no_more_items) break;
    // A name too long for the buffer is still listed, as far as it came. Any
    // other error does not go away for later indices (the key was deleted
    // while listed, the handle went bad): listing on would add a bogus entry
    // per index without end, so the listing ends here.
    if (result != platform::win::success && result != platform::win::more_data) break;
    Key.push_back(platform::ansi_to_utf8(buffer.substr(0, std::min(length, kNameBuffer))));
    ++index;
  }
  guard.close();
  return index;
}

bool clsRegistryAccess::HaveSubkey(std::string sPath) {
  parse_into_fields(sPath);
  if (registry_.open_key(hRootKey, platform::utf8_to_ansi(sSubKey), &hCurrentKey) != platform::win::success) {
    return false;
  }
  KeyGuard guard(registry_, hCurrentKey);
  std::string buffer(kNameBuffer, ' ');
  std::uint32_t length = kNameBuffer;
  // Any answer but "no more items" counts as a sub-key, an error included.
  return registry_.enum_key_ex(hCurrentKey, 0, buffer.data(), &length) != platform::win::no_more_items;
}
