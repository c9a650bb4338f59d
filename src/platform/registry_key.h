// An open registry key that closes itself: exactly once, on every path out of
// the code that opened it (errors included), and never a predefined root nor
// a handle that belongs to someone else (the same handle handed back by an
// open of an empty sub-key). Move-only; the result of the close is not
// examined, as no caller could do anything with it.
#pragma once

#include <utility>

#include "platform/registry.h"

namespace platform {

class RegistryKey {
 public:
  explicit RegistryKey(Registry& registry, Hkey handle = 0, bool owned = true) noexcept
      : registry_(&registry), handle_(handle), owned_(owned) {}
  RegistryKey(RegistryKey&& other) noexcept
      : registry_(other.registry_), handle_(std::exchange(other.handle_, 0)), owned_(other.owned_) {}
  RegistryKey& operator=(RegistryKey&& other) noexcept {
    if (this != &other) {
      close();
      registry_ = other.registry_;
      handle_ = std::exchange(other.handle_, 0);
      owned_ = other.owned_;
    }
    return *this;
  }
  RegistryKey(const RegistryKey&) = delete;
  RegistryKey& operator=(const RegistryKey&) = delete;
  ~RegistryKey() { close(); }

  Hkey get() const { return handle_; }
  explicit operator bool() const { return handle_ != 0; }

  void close() noexcept {
    const Hkey handle = std::exchange(handle_, 0);
    if (handle == 0 || !owned_ || is_predefined_root(handle)) return;
    try {
      registry_->close_key(handle);
    } catch (...) {  // NOLINT(bugprone-empty-catch): a close that throws leaves nothing to do
    }
  }

 private:
  Registry* registry_;
  Hkey handle_;
  bool owned_;
};

}  // namespace platform
