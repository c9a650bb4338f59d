#include "registry_source/ClsRegistry.h"

#include <algorithm>
#include <array>
#include <optional>
#include <utility>
#include <vector>

#include "platform/codepage.h"
#include "platform/error.h"
#include "platform/registry_key.h"

namespace {

using platform::Hkey;
using platform::Registry;
using platform::RegistryKey;
namespace win = platform::win;
namespace reg = platform::reg;
namespace access = platform::access;

// Value probes and name reads use a buffer of this many bytes.
constexpr std::uint32_t probe_size = 255;

// The root that an operation works under: the predefined key itself, or the
// handle of a connection to that key on another computer, closed with the
// operation.
class Root {
 public:
  Root(Registry& registry, std::uint32_t predefined_key, const std::string& computer_name)
      : connection_(registry, connect(registry, predefined_key, computer_name)),
        handle_(computer_name.empty() ? Hkey{predefined_key} : connection_.get()) {}

  Hkey get() const { return handle_; }

 private:
  static Hkey connect(Registry& registry, std::uint32_t predefined_key, const std::string& computer_name) {
    if (computer_name.empty()) return 0;
    Hkey remote = 0;
    // A failed connection leaves the root at 0, which every later call
    // refuses as it refuses a missing key.
    if (registry.connect_registry(platform::utf8_to_ansi(computer_name), predefined_key, &remote) != win::success) {
      return 0;
    }
    return remote;
  }

  RegistryKey connection_;
  Hkey handle_;
};

// One leading backslash is dropped (only one), then the text goes to ANSI.
std::string ansi_key_name(std::string key_name) {
  if (!key_name.empty() && key_name.front() == '\\') key_name.erase(0, 1);
  return platform::utf8_to_ansi(key_name);
}

RegistryKey open_key(Registry& registry, const Root& root, const std::string& ansi_key, std::uint32_t sam) {
  Hkey key = 0;
  if (registry.open_key_ex(root.get(), ansi_key, 0, sam, &key) != win::success || key == 0) {
    return RegistryKey(registry);
  }
  // Opening an empty sub-key may hand back the root handle itself; the root
  // closes that one.
  return RegistryKey(registry, key, key != root.get());
}

// Runs an operation's body and turns any failure inside it into the
// operation's own numbered error.
template <class Body>
auto numbered(long number, const char* operation, Body&& body) {
  try {
    return body();
  } catch (...) {
    throw platform::RuntimeError(number, "clsRegistry", operation);
  }
}

// Leaves an operation for its numbered error.
[[noreturn]] void fail() { throw platform::RuntimeError(0, "clsRegistry", "unexpected"); }

std::int32_t little_endian(const std::array<std::uint8_t, 4>& bytes) {
  const std::uint32_t u = static_cast<std::uint32_t>(bytes[0]) | (static_cast<std::uint32_t>(bytes[1]) << 8) |
                          (static_cast<std::uint32_t>(bytes[2]) << 16) | (static_cast<std::uint32_t>(bytes[3]) << 24);
  return static_cast<std::int32_t>(u);
}

// Reads a number value again into a 4-byte integer that starts at 0. Data
// longer than 4 bytes is asked for with a 4-byte buffer, so the platform
// refuses it as too long and nothing is written past the integer; the read
// then counts as failed.
std::optional<std::int32_t> read_integer(Registry& registry, Hkey key, const std::string& value_name,
                                         std::uint32_t probed_size) {
  std::array<std::uint8_t, 4> bytes{};
  std::uint32_t size = std::min<std::uint32_t>(probed_size, bytes.size());
  if (registry.query_value_ex(key, value_name, nullptr, bytes.data(), &size) != win::success) {
    return std::nullopt;
  }
  return little_endian(bytes);
}

// Reads the name at one position of an enumeration. A name longer than the
// usual buffer is read again with room for the longest name the registry
// allows, so that one long name does not end a caller's listing. Any other
// failure is tried again twice; when the platform keeps reporting it, the
// result is empty text, which ends the caller's listing early (it cannot be
// told apart from the end of the list, and a caller that loops until empty
// text must not loop for ever on a key that keeps failing).
template <class Enumerate>
std::string read_name(Enumerate enumerate, std::uint32_t longest_name) {
  constexpr int attempts = 3;
  std::uint32_t capacity = probe_size;
  for (int failures = 0; failures < attempts;) {
    std::vector<char> buffer(capacity, '\0');
    std::uint32_t length = capacity;
    const long result = enumerate(buffer.data(), &length);
    if (result == win::success) {
      return platform::ansi_to_utf8(std::string(buffer.data(), std::min(length, capacity)));
    }
    if (result == win::no_more_items) return {};
    if (result == win::more_data && capacity <= longest_name) {
      capacity = longest_name + 1;
      continue;
    }
    ++failures;
  }
  return {};
}

// Key names have at most 255 characters, value names at most 16383.
constexpr std::uint32_t longest_key_name = 255;
constexpr std::uint32_t longest_value_name = 16383;

}  // namespace

bool ClsRegistry::SetValue(std::uint32_t PredefinedKey, std::string KeyName, std::string ValueName,
                           const Variant& Value, const std::string& ComputerName) const {
  return numbered(11001, "SetValue", [&] {
    const Root root(registry_, PredefinedKey, ComputerName);
    const RegistryKey key = open_key(registry_, root, ansi_key_name(std::move(KeyName)), access::all);
    if (!key) fail();  // the key is not created
    const std::string name = platform::utf8_to_ansi(ValueName);

    std::array<std::uint8_t, probe_size> probe{};
    std::uint32_t type = 0;
    std::uint32_t size = probe_size;
    long probed = registry_.query_value_ex(key.get(), name, &type, probe.data(), &size);
    if (probed == win::more_data) {
      // Too long to probe: its type still decides, so that a long value of
      // another type is not turned into text.
      std::uint32_t needed = 0;
      probed = registry_.query_value_ex(key.get(), name, &type, nullptr, &needed);
    }

    long written = win::success;
    auto write_text = [&] {
      std::string data = platform::utf8_to_ansi(to_text(Value));
      data.push_back('\0');
      written = registry_.set_value_ex(key.get(), name, reg::sz, reinterpret_cast<const std::uint8_t*>(data.data()),
                                       static_cast<std::uint32_t>(data.size()));
    };
    if (probed != win::success) {
      write_text();  // a missing value is created as text
    } else if (type == reg::sz) {
      write_text();
    } else if (type == reg::dword) {
      const auto u = static_cast<std::uint32_t>(to_long(Value));
      const std::array<std::uint8_t, 4> data{static_cast<std::uint8_t>(u), static_cast<std::uint8_t>(u >> 8),
                                             static_cast<std::uint8_t>(u >> 16), static_cast<std::uint8_t>(u >> 24)};
      written = registry_.set_value_ex(key.get(), name, reg::dword, data.data(), 4);
    } else if (type == reg::binary) {
      // One byte: GetValue reads it back as the same byte.
      const std::uint8_t byte = to_byte(Value);
      written = registry_.set_value_ex(key.get(), name, reg::binary, &byte, 1);
    }
    // Any other type is left unchanged.
    return written == win::success;
  });
}

Variant ClsRegistry::GetValue(std::uint32_t PredefinedKey, std::string KeyName, std::string ValueName,
                              const std::string& ComputerName) const {
  return numbered(11002, "GetValue", [&]() -> Variant {
    const Root root(registry_, PredefinedKey, ComputerName);
    // Read access is enough, and a standard user has no more under HKLM.
    const RegistryKey key = open_key(registry_, root, ansi_key_name(std::move(KeyName)), access::read);
    if (!key) return {};
    const std::string name = platform::utf8_to_ansi(ValueName);

    std::array<std::uint8_t, probe_size> probe{};
    std::uint32_t type = 0;
    std::uint32_t size = probe_size;
    if (registry_.query_value_ex(key.get(), name, &type, probe.data(), &size) != win::success) return {};
    size = std::min(size, probe_size);

    switch (type) {
      case reg::sz:
      case reg::expand_sz: {
        // An expandable text is returned as stored; expanding is the caller's
        // business. The text is read a second time with the length the probe
        // reported, and a failing second read gives empty text. Data without
        // its terminating zero (or with none at all) keeps every character.
        std::uint32_t length = size;
        if (registry_.query_value_ex(key.get(), name, nullptr, probe.data(), &length) != win::success) {
          return std::string();
        }
        std::string text(reinterpret_cast<const char*>(probe.data()), std::min(length, size));
        if (!text.empty() && text.back() == '\0') text.pop_back();
        return platform::ansi_to_utf8(text);
      }
      case reg::dword: {
        const auto number = read_integer(registry_, key.get(), name, size);
        if (!number) return std::int16_t{0};
        return *number;
      }
      case reg::binary: {
        const auto number = read_integer(registry_, key.get(), name, size);
        if (!number) return std::int16_t{0};
        return to_byte(*number);  // more than a byte raises
      }
      default: return {};
    }
  });
}

std::string ClsRegistry::ListSubKey(std::uint32_t PredefinedKey, std::string KeyName, std::int32_t Index,
                                    const std::string& ComputerName) const {
  return numbered(11003, "ListSubKey", [&]() -> std::string {
    const Root root(registry_, PredefinedKey, ComputerName);
    const RegistryKey key = open_key(registry_, root, ansi_key_name(std::move(KeyName)), access::read);
    if (!key) return {};
    return read_name(
        [&](char* buffer, std::uint32_t* length) {
          return registry_.enum_key_ex(key.get(), static_cast<std::uint32_t>(Index), buffer, length);
        },
        longest_key_name);
  });
}

bool ClsRegistry::DeleteValue(std::uint32_t PredefinedKey, std::string KeyName, std::string ValueName,
                              const std::string& ComputerName) const {
  return numbered(11004, "DeleteValue", [&] {
    const Root root(registry_, PredefinedKey, ComputerName);
    const RegistryKey key = open_key(registry_, root, ansi_key_name(std::move(KeyName)), access::all);
    if (!key) return false;
    return registry_.delete_value(key.get(), platform::utf8_to_ansi(ValueName)) == win::success;
  });
}

bool ClsRegistry::CreateKey(std::uint32_t PredefinedKey, std::string KeyName, const std::string& ComputerName) const {
  return numbered(11005, "CreateKey", [&] {
    const Root root(registry_, PredefinedKey, ComputerName);
    Hkey created = 0;
    if (registry_.create_key_ex(root.get(), ansi_key_name(std::move(KeyName)), 0, access::all, &created, nullptr) !=
        win::success) {
      return false;
    }
    const RegistryKey key(registry_, created, created != root.get());
    return true;
  });
}

bool ClsRegistry::DeleteKey(std::uint32_t PredefinedKey, std::string KeyName, const std::string& ComputerName) const {
  return numbered(11006, "DeleteKey", [&] {
    const Root root(registry_, PredefinedKey, ComputerName);
    return registry_.delete_key(root.get(), ansi_key_name(std::move(KeyName))) == win::success;
  });
}

std::string ClsRegistry::ListSubValue(std::uint32_t PredefinedKey, std::string KeyName, std::int32_t Index,
                                      const std::string& ComputerName) const {
  return numbered(11007, "ListSubValue", [&]() -> std::string {
    const Root root(registry_, PredefinedKey, ComputerName);
    const RegistryKey key = open_key(registry_, root, ansi_key_name(std::move(KeyName)), access::read);
    if (!key) return {};
    return read_name(
        [&](char* buffer, std::uint32_t* length) {
          return registry_.enum_value(key.get(), static_cast<std::uint32_t>(Index), buffer, length, nullptr, nullptr,
                                      nullptr);
        },
        longest_value_name);
  });
}

bool ClsRegistry::KeyExists(std::uint32_t PredefinedKey, std::string KeyName, const std::string& ComputerName) const {
  return numbered(11008, "KeyExists", [&] {
    const Root root(registry_, PredefinedKey, ComputerName);
    const RegistryKey key = open_key(registry_, root, ansi_key_name(std::move(KeyName)), access::all);
    return static_cast<bool>(key);
  });
}
