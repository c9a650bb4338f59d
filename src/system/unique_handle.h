// An owner of one of the system's handles: it frees its handle exactly once,
// when it goes out of scope or is given another one, so that no handle is
// freed by hand. Each handle type is one line, naming its free function.
#pragma once

#include <windows.h>

#include <utility>

namespace sys {

template <class Handle, auto Free>
class UniqueHandle {
 public:
  UniqueHandle() = default;
  explicit UniqueHandle(Handle handle) noexcept : handle_(handle) {}
  UniqueHandle(UniqueHandle&& other) noexcept : handle_(std::exchange(other.handle_, nullptr)) {}
  UniqueHandle& operator=(UniqueHandle&& other) noexcept {
    if (this != &other) reset(std::exchange(other.handle_, nullptr));
    return *this;
  }
  UniqueHandle(const UniqueHandle&) = delete;
  UniqueHandle& operator=(const UniqueHandle&) = delete;
  ~UniqueHandle() { reset(); }

  Handle get() const noexcept { return handle_; }
  explicit operator bool() const noexcept { return handle_ != nullptr; }
  void reset(Handle handle = nullptr) noexcept {
    if (handle_ != nullptr) Free(handle_);
    handle_ = handle;
  }

 private:
  Handle handle_ = nullptr;
};

using UniqueLocal = UniqueHandle<HLOCAL, LocalFree>;
// A kernel object (a process, a thread, a file). Functions that answer
// INVALID_HANDLE_VALUE for "none" have it turned into an empty owner first.
using UniqueKernel = UniqueHandle<HANDLE, CloseHandle>;

}  // namespace sys
