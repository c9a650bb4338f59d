#include "platform/registry_win32.h"

#include <windows.h>

namespace platform {

namespace {

// The predefined roots are 32-bit values that 64-bit Windows sign-extends
// into HKEY; every other handle crosses as the pointer's integer value.
HKEY to_hkey(Hkey key) {
  if (is_predefined_root(key)) return reinterpret_cast<HKEY>(static_cast<LONG_PTR>(static_cast<LONG>(key)));
  return reinterpret_cast<HKEY>(static_cast<ULONG_PTR>(key));
}

Hkey from_hkey(HKEY key) {
  const auto value = static_cast<std::uint64_t>(reinterpret_cast<ULONG_PTR>(key));
  const std::uint64_t low = value & 0xFFFFFFFFu;
  if (value != low && is_predefined_root(low)) return low;
  return value;
}

// An optional DWORD out-argument passed through a local of the right type.
class DwordArg {
 public:
  explicit DwordArg(std::uint32_t* target) : target_(target), value_(target ? *target : 0) {}
  DwordArg(const DwordArg&) = delete;
  DwordArg& operator=(const DwordArg&) = delete;
  ~DwordArg() {
    if (target_ != nullptr) *target_ = static_cast<std::uint32_t>(value_);
  }
  DWORD* get() { return target_ != nullptr ? &value_ : nullptr; }

 private:
  std::uint32_t* target_;
  DWORD value_;
};

class HkeyArg {
 public:
  // Starts from the caller's value, so a call that leaves it alone on
  // failure leaves it alone here too.
  explicit HkeyArg(Hkey* target) : target_(target), value_(target ? to_hkey(*target) : nullptr) {}
  HkeyArg(const HkeyArg&) = delete;
  HkeyArg& operator=(const HkeyArg&) = delete;
  ~HkeyArg() {
    if (target_ != nullptr) *target_ = from_hkey(value_);
  }
  HKEY* get() { return target_ != nullptr ? &value_ : nullptr; }

 private:
  Hkey* target_;
  HKEY value_;
};

}  // namespace

long Win32Registry::open_key_ex(Hkey root, const std::string& sub_key, std::uint32_t options, std::uint32_t sam,
                                Hkey* result) {
  HkeyArg out(result);
  return RegOpenKeyExA(to_hkey(root), sub_key.c_str(), options, sam, out.get());
}

long Win32Registry::open_key(Hkey root, const std::string& sub_key, Hkey* result) {
  HkeyArg out(result);
  return RegOpenKeyA(to_hkey(root), sub_key.c_str(), out.get());
}

long Win32Registry::create_key(Hkey root, const std::string& sub_key, Hkey* result) {
  HkeyArg out(result);
  return RegCreateKeyA(to_hkey(root), sub_key.c_str(), out.get());
}

long Win32Registry::create_key_ex(Hkey root, const std::string& sub_key, std::uint32_t options, std::uint32_t sam,
                                  Hkey* result, std::uint32_t* disposition) {
  HkeyArg out(result);
  DwordArg disp(disposition);
  return RegCreateKeyExA(to_hkey(root), sub_key.c_str(), 0, nullptr, options, sam, nullptr, out.get(), disp.get());
}

long Win32Registry::query_value_ex(Hkey key, const std::string& value_name, std::uint32_t* type, std::uint8_t* data,
                                   std::uint32_t* size) {
  DwordArg t(type);
  DwordArg s(size);
  return RegQueryValueExA(to_hkey(key), value_name.c_str(), nullptr, t.get(), data, s.get());
}

long Win32Registry::set_value_ex(Hkey key, const std::string& value_name, std::uint32_t type, const std::uint8_t* data,
                                 std::uint32_t size) {
  return RegSetValueExA(to_hkey(key), value_name.c_str(), 0, type, data, size);
}

long Win32Registry::enum_key_ex(Hkey key, std::uint32_t index, char* name, std::uint32_t* name_len) {
  DwordArg len(name_len);
  return RegEnumKeyExA(to_hkey(key), index, name, len.get(), nullptr, nullptr, nullptr, nullptr);
}

long Win32Registry::enum_value(Hkey key, std::uint32_t index, char* name, std::uint32_t* name_len, std::uint32_t* type,
                               std::uint8_t* data, std::uint32_t* data_len) {
  DwordArg len(name_len);
  DwordArg t(type);
  DwordArg dlen(data_len);
  return RegEnumValueA(to_hkey(key), index, name, len.get(), nullptr, t.get(), data, dlen.get());
}

long Win32Registry::delete_key(Hkey key, const std::string& sub_key) {
  return RegDeleteKeyA(to_hkey(key), sub_key.c_str());
}

long Win32Registry::delete_value(Hkey key, const std::string& value_name) {
  return RegDeleteValueA(to_hkey(key), value_name.c_str());
}

long Win32Registry::close_key(Hkey key) { return RegCloseKey(to_hkey(key)); }

long Win32Registry::connect_registry(const std::string& machine_name, Hkey root, Hkey* result) {
  HkeyArg out(result);
  return RegConnectRegistryA(machine_name.c_str(), to_hkey(root), out.get());
}

}  // namespace platform
