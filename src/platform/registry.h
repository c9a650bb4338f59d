// The registry as the ANSI functions of advapi32 present it.
//
// One virtual member per function, with the same arguments and results:
// names and string data are ANSI bytes in the system code page, results are
// Windows error codes, handles are opaque integers. The predefined roots are
// the 32-bit values 0x80000000..0x80000006; the Win32 backend sign-extends
// them into HKEY. Two backends exist: advapi32 itself (Windows build only)
// and an in-memory emulation (both builds).
#pragma once

#include <cstdint>
#include <string>

namespace platform {

using Hkey = std::uint64_t;

namespace hkey {
constexpr Hkey classes_root = 0x80000000;
constexpr Hkey current_user = 0x80000001;
constexpr Hkey local_machine = 0x80000002;
constexpr Hkey users = 0x80000003;
constexpr Hkey performance_data = 0x80000004;
constexpr Hkey current_config = 0x80000005;
constexpr Hkey dyn_data = 0x80000006;
}  // namespace hkey

// Windows result codes.
namespace win {
constexpr long success = 0;
constexpr long file_not_found = 2;
constexpr long access_denied = 5;
constexpr long invalid_handle = 6;
constexpr long bad_netpath = 53;
constexpr long invalid_parameter = 87;
constexpr long bad_pathname = 161;
constexpr long more_data = 234;
constexpr long no_more_items = 259;
constexpr long key_deleted = 1018;
}  // namespace win

// Value types.
namespace reg {
constexpr std::uint32_t none = 0;
constexpr std::uint32_t sz = 1;
constexpr std::uint32_t expand_sz = 2;
constexpr std::uint32_t binary = 3;
constexpr std::uint32_t dword = 4;
constexpr std::uint32_t multi_sz = 7;
}  // namespace reg

// Access masks.
namespace access {
constexpr std::uint32_t query_value = 0x0001;
constexpr std::uint32_t set_value = 0x0002;
constexpr std::uint32_t create_sub_key = 0x0004;
constexpr std::uint32_t enumerate_sub_keys = 0x0008;
constexpr std::uint32_t notify = 0x0010;
constexpr std::uint32_t create_link = 0x0020;
constexpr std::uint32_t read = 0x20019;
constexpr std::uint32_t write = 0x20006;
constexpr std::uint32_t all = 0xF003F;
// The rights that change a key; anything else only reads it.
constexpr std::uint32_t changing = set_value | create_sub_key | create_link | 0x00010000 /*DELETE*/ |
                                   0x00040000 /*WRITE_DAC*/ | 0x00080000 /*WRITE_OWNER*/;
}  // namespace access

class Registry {
 public:
  Registry() = default;
  Registry(const Registry&) = delete;
  Registry& operator=(const Registry&) = delete;
  virtual ~Registry() = default;

  // RegOpenKeyExA(root, sub_key, options, sam, &result)
  virtual long open_key_ex(Hkey root, const std::string& sub_key, std::uint32_t options, std::uint32_t sam,
                           Hkey* result) = 0;
  // RegOpenKeyA(root, sub_key, &result): no access mask is given.
  virtual long open_key(Hkey root, const std::string& sub_key, Hkey* result) = 0;
  // RegCreateKeyA(root, sub_key, &result): missing parents are created.
  virtual long create_key(Hkey root, const std::string& sub_key, Hkey* result) = 0;
  // RegCreateKeyExA(root, sub_key, 0, no class, options, sam, default security, &result, &disposition).
  // disposition may be null; 1 = created, 2 = opened existing.
  virtual long create_key_ex(Hkey root, const std::string& sub_key, std::uint32_t options, std::uint32_t sam,
                             Hkey* result, std::uint32_t* disposition) = 0;
  // RegQueryValueExA(key, value_name, 0, type, data, size). type and data may be null.
  virtual long query_value_ex(Hkey key, const std::string& value_name, std::uint32_t* type, std::uint8_t* data,
                              std::uint32_t* size) = 0;
  // RegSetValueExA(key, value_name, 0, type, data, size).
  virtual long set_value_ex(Hkey key, const std::string& value_name, std::uint32_t type, const std::uint8_t* data,
                            std::uint32_t size) = 0;
  // RegEnumKeyExA(key, index, name, name_len, null, null, null, null).
  virtual long enum_key_ex(Hkey key, std::uint32_t index, char* name, std::uint32_t* name_len) = 0;
  // RegEnumValueA(key, index, name, name_len, null, type, data, data_len). type, data, data_len may be null.
  virtual long enum_value(Hkey key, std::uint32_t index, char* name, std::uint32_t* name_len, std::uint32_t* type,
                          std::uint8_t* data, std::uint32_t* data_len) = 0;
  // RegDeleteKeyA(key, sub_key); an empty sub_key deletes the opened key itself.
  virtual long delete_key(Hkey key, const std::string& sub_key) = 0;
  // RegDeleteValueA(key, value_name); the empty name is the default value.
  virtual long delete_value(Hkey key, const std::string& value_name) = 0;
  // RegCloseKey(key). Closing a predefined root does nothing.
  virtual long close_key(Hkey key) = 0;
  // RegConnectRegistryA(machine, root, &result). The empty name is the local computer.
  virtual long connect_registry(const std::string& machine_name, Hkey root, Hkey* result) = 0;
};

// The process's own registry: advapi32 in the Windows build, a process-wide
// emulated registry in the native build.
Registry& default_registry();

bool is_predefined_root(Hkey key);

}  // namespace platform
