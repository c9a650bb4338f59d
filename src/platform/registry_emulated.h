// A registry held in memory, with the semantics of the Windows registry as
// the ANSI functions show it, for the native build and for tests.
//
// Besides the registry itself it offers what a test needs and a real
// registry cannot give on demand: a root that may be read but not changed
// (a standard user facing HKEY_LOCAL_MACHINE), remote computers that cannot
// be reached, registry functions that fail with a chosen code, and a count of
// the handles still open (to find leaks).
//
// Not thread-safe: one caller at a time, like the registry classes above it.
#pragma once

#include <array>
#include <cstddef>
#include <cstdint>
#include <map>
#include <memory>
#include <string>
#include <unordered_map>
#include <utility>
#include <vector>

#include "platform/registry.h"

namespace platform {

class EmulatedRegistry : public Registry {
 public:
  // The registry functions, for fault injection.
  enum class Call {
    open_key_ex,
    open_key,
    create_key,
    create_key_ex,
    query_value_ex,
    set_value_ex,
    enum_key_ex,
    enum_value,
    delete_key,
    delete_value,
    close_key,
    connect_registry,
  };

  // Windows' limits, in characters (one byte each in the ANSI code page).
  static constexpr std::size_t max_key_name = 255;
  static constexpr std::size_t max_value_name = 16383;

  EmulatedRegistry();
  ~EmulatedRegistry() override;

  long open_key_ex(Hkey root, const std::string& sub_key, std::uint32_t options, std::uint32_t sam,
                   Hkey* result) override;
  long open_key(Hkey root, const std::string& sub_key, Hkey* result) override;
  long create_key(Hkey root, const std::string& sub_key, Hkey* result) override;
  long create_key_ex(Hkey root, const std::string& sub_key, std::uint32_t options, std::uint32_t sam, Hkey* result,
                     std::uint32_t* disposition) override;
  long query_value_ex(Hkey key, const std::string& value_name, std::uint32_t* type, std::uint8_t* data,
                      std::uint32_t* size) override;
  long set_value_ex(Hkey key, const std::string& value_name, std::uint32_t type, const std::uint8_t* data,
                    std::uint32_t size) override;
  long enum_key_ex(Hkey key, std::uint32_t index, char* name, std::uint32_t* name_len) override;
  long enum_value(Hkey key, std::uint32_t index, char* name, std::uint32_t* name_len, std::uint32_t* type,
                  std::uint8_t* data, std::uint32_t* data_len) override;
  long delete_key(Hkey key, const std::string& sub_key) override;
  long delete_value(Hkey key, const std::string& value_name) override;
  long close_key(Hkey key) override;
  long connect_registry(const std::string& machine_name, Hkey root, Hkey* result) override;

  // --- test controls ---

  // A read-only root may be opened and read; opening it with a right that
  // changes a key, creating keys and changing anything below it give 5.
  void set_read_only(Hkey root, bool read_only);

  // The nth call of `which` from now on (1 = the next one; 0 counts as 1)
  // returns `code` without doing anything; later calls work again. Out
  // handles of a failed open, create or connect are set to 0.
  void fail_call(Call which, long code, unsigned nth = 1);
  // Every call of `which` from now on returns `code`, until cleared.
  void fail_every_call(Call which, long code);
  void clear_faults();

  // Stores a value with exactly these bytes, as a program writing through
  // the native API can (e.g. a REG_SZ without its terminating NUL), which
  // set_value_ex never does. 0, or the code set_value_ex would give.
  long store_raw_value(Hkey key, const std::string& value_name, std::uint32_t type,
                       const std::vector<std::uint8_t>& data);

  // Handles opened and not yet closed (predefined roots are not counted).
  std::size_t open_handles() const { return handles_.size(); }
  // How often `which` has been called, faults included.
  unsigned long calls(Call which) const { return calls_[static_cast<std::size_t>(which)]; }

 private:
  struct Key;
  struct Value {
    std::string name;
    std::u16string folded;  // the name as names are compared
    std::size_t hash = 0;   // of the folded name
    std::uint32_t type = 0;
    std::size_t offset = 0;  // of the bytes in the key's store
    std::size_t size = 0;
    bool live = true;
  };
  struct Handle {
    std::shared_ptr<Key> key;
    std::uint32_t access = 0;
  };
  struct Fault {
    unsigned countdown = 0;  // 0: every call
    long code = 0;
  };

  static constexpr std::size_t call_kinds = static_cast<std::size_t>(Call::connect_registry) + 1;

  bool injected_fault(Call which, long* code);
  long resolve(Hkey key, std::uint32_t needed, Key** out) const;
  long open_path(Hkey root, const std::string& sub_key, std::uint32_t sam, bool create, Hkey* result,
                 std::uint32_t* disposition);
  // Stores the bytes, with a terminating zero added when asked.
  long put_value(Hkey key, const std::string& value_name, std::uint32_t type, const std::uint8_t* data,
                 std::uint32_t size, bool terminate);
  Hkey new_handle(std::shared_ptr<Key> key, std::uint32_t access);

  std::array<std::shared_ptr<Key>, 7> roots_;
  std::array<bool, 7> read_only_{};
  std::unordered_map<Hkey, Handle> handles_;
  Hkey next_handle_ = 0x1000;
  std::array<unsigned long, call_kinds> calls_{};
  std::map<Call, Fault> faults_;
};

}  // namespace platform
