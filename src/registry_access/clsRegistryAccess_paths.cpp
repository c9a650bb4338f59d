// Key path texts, and how clsRegistryAccess reaches the key that one names.
#include <algorithm>
#include <string>

#include "platform/codepage.h"
#include "registry_access/clsRegistryAccess.h"
#include "registry_access/text_util.h"

using namespace registry_access_detail;

namespace {

// The ANSI functions take a sub-key path of at most this many characters
// (MAX_PATH without its terminator); a longer one is refused with 234.
constexpr std::size_t kLongestPath = 260;

}  // namespace

clsRegistryAccess::clsRegistryAccess(platform::Registry& registry) : registry_(registry) {}

bool clsRegistryAccess::CreateKeyIfDoesntExists() const { return bCreateKeyIfDoesntExists_; }

void clsRegistryAccess::CreateKeyIfDoesntExists(bool offon) { bCreateKeyIfDoesntExists_ = offon; }

clsRegistryAccess::ParsedPath clsRegistryAccess::ParseKeyPath(std::string& sPath) {
  // Long names are shortened wherever they stand, not only at the start: a
  // sub-key named after a root reaches the registry under the short name.
  replace_root_names(sPath, true);

  std::string root_text;
  std::string sub_key;
  const auto slash = sPath.find('\\');
  if (slash == std::string::npos) {
    root_text = ascii_upper(sPath);
  } else {
    // Only the first four characters name the root, wherever the backslash is.
    root_text = ascii_upper(sPath.substr(0, 4));
    sub_key = sPath.substr(slash + 1);
    // A path that ends in a backslash names the same key as without it.
    while (!sub_key.empty() && sub_key.back() == '\\') sub_key.pop_back();
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

platform::RegistryKey clsRegistryAccess::reach(const ParsedPath& path, Reach how, std::uint32_t sam,
                                               long* result) const {
  const std::string ansi = platform::utf8_to_ansi(path.sub_key);
  // The root is not ours to close.
  platform::RegistryKey key(registry_, path.root, false);
  // A path longer than one call accepts is reached a piece at a time, each
  // piece whole names relative to the key before it; a path that fits, one
  // that begins with a backslash and one name longer than a piece take one
  // call, and the registry answers them as it does.
  std::size_t start = 0;
  do {
    std::size_t end = ansi.size();
    if (end - start > kLongestPath && ansi.front() != '\\') {
      end = ansi.rfind('\\', start + kLongestPath);
      if (end == std::string::npos || end <= start) end = std::min(ansi.find('\\', start), ansi.size());
      while (end > start && ansi[end - 1] == '\\') --end;  // no piece ends in an empty name
    }
    // A path that fits is passed as it is.
    const bool whole = start == 0 && end == ansi.size();
    const std::string part = whole ? std::string() : ansi.substr(start, end - start);
    const std::string& piece = whole ? ansi : part;
    platform::Hkey handle = 0;
    long rc = platform::win::success;
    switch (how) {
      case Reach::open: rc = registry_.open_key(key.get(), piece, &handle); break;
      case Reach::open_ex: rc = registry_.open_key_ex(key.get(), piece, 0, sam, &handle); break;
      case Reach::create: rc = registry_.create_key(key.get(), piece, &handle); break;
      case Reach::create_ex: rc = registry_.create_key_ex(key.get(), piece, 0, sam, &handle, nullptr); break;
    }
    if (result != nullptr) *result = rc;
    if (rc != platform::win::success) return platform::RegistryKey(registry_);
    // An open of the empty sub-key may hand back the same handle.
    key = platform::RegistryKey(registry_, handle, handle != key.get());
    start = end;
    while (start < ansi.size() && ansi[start] == '\\') ++start;
  } while (start < ansi.size());
  return key;
}

bool clsRegistryAccess::prepare_write(const ParsedPath& path) {
  // KeyExists, then CreateKey when the key is missing, each closing its key.
  if (!reach(path, Reach::open_ex, platform::access::all)) {
    if (!bCreateKeyIfDoesntExists_) return false;
    reach(path, Reach::create);
  }
  return true;
}

std::int32_t clsRegistryAccess::write_value(const ParsedPath& path, const std::string& sName, std::uint32_t type,
                                            const std::uint8_t* data, std::uint32_t size) {
  platform::RegistryKey key = reach(path, Reach::open_ex, platform::access::write);
  if (!key) return 0;
  const long result = registry_.set_value_ex(key.get(), platform::utf8_to_ansi(sName), type, data, size);
  const platform::Hkey handle = key.get();
  key.close();
  return result == platform::win::success ? handle_result(handle) : 0;
}
