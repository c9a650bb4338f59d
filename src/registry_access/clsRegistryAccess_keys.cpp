// The key operations of clsRegistryAccess.
#include <string>
#include <vector>

#include "platform/codepage.h"
#include "registry_access/clsRegistryAccess.h"
#include "registry_access/text_util.h"

using namespace registry_access_detail;

// The public members take their texts by value: each works on its own copy.
// NOLINTBEGIN(performance-unnecessary-value-param)
std::int32_t clsRegistryAccess::CreateKey(std::string sPath) {
  platform::RegistryKey key = reach(ParseKeyPath(sPath), Reach::create);
  if (!key) return 0;
  const platform::Hkey handle = key.get();
  key.close();
  return handle_result(handle);
}

std::int32_t clsRegistryAccess::KillKey(std::string sPath) {
  platform::RegistryKey key = reach(ParseKeyPath(sPath), Reach::open_ex, platform::access::all);
  if (!key) return 0;
  // The opened key itself goes; whether a key with sub-keys may go is the
  // registry's decision, and the result does not report it.
  registry_.delete_key(key.get(), "");
  const platform::Hkey handle = key.get();
  key.close();
  return handle_result(handle);
}

bool clsRegistryAccess::KeyExists(std::string sPath) {
  return static_cast<bool>(reach(ParseKeyPath(sPath), Reach::open_ex, platform::access::all));
}

std::int32_t clsRegistryAccess::EnumKeys(std::string sPath, std::vector<std::string>& Key) {
  const ParsedPath path = ParseKeyPath(sPath);
  Key.clear();  // before the open: a failing call leaves the array empty too
  const platform::RegistryKey key = reach(path, Reach::open);
  if (!key) return -1;
  std::int32_t index = 0;
  for (;;) {
    std::string buffer(kNameBuffer, ' ');
    std::uint32_t length = kNameBuffer;
    long result = registry_.enum_key_ex(key.get(), static_cast<std::uint32_t>(index), buffer.data(), &length);
    if (result == platform::win::more_data) {
      // A name too long for the buffer is read again with room for the
      // longest name the registry allows.
      buffer.assign(kLongestName, ' ');
      length = kLongestName;
      result = registry_.enum_key_ex(key.get(), static_cast<std::uint32_t>(index), buffer.data(), &length);
    }
    if (result == platform::win::no_more_items) break;
    // Any other error does not go away for later indices (the key was
    // deleted while listed, the handle went bad): listing on would add a
    // bogus entry per index without end, so the listing ends here.
    if (result != platform::win::success) break;
    Key.push_back(platform::ansi_to_utf8(buffer.substr(0, std::min<std::size_t>(length, buffer.size()))));
    ++index;
  }
  return index;
}

bool clsRegistryAccess::HaveSubkey(std::string sPath) {
  const platform::RegistryKey key = reach(ParseKeyPath(sPath), Reach::open);
  if (!key) return false;
  std::string buffer(kNameBuffer, ' ');
  std::uint32_t length = kNameBuffer;
  // Any answer but "no more items" counts as a sub-key, an error included.
  return registry_.enum_key_ex(key.get(), 0, buffer.data(), &length) != platform::win::no_more_items;
}
// NOLINTEND(performance-unnecessary-value-param)
