// File services of the Windows build: wide paths, contents in the ANSI code page.
#include <windows.h>

#include <algorithm>

#include "platform/codepage.h"
#include "platform/files.h"
#include "platform/runtime_error.h"

namespace platform {

namespace {

// The runtime's numbers for the Windows errors of opening, reading and writing.
[[noreturn]] void raise_for_error(DWORD error) {
  switch (error) {
    case ERROR_FILE_NOT_FOUND: raise_runtime_error(errnum::file_not_found);
    case ERROR_PATH_NOT_FOUND:
    case ERROR_INVALID_NAME:
    case ERROR_INVALID_DRIVE:
    case ERROR_BAD_NETPATH:
    case ERROR_BAD_PATHNAME:
    case ERROR_DIRECTORY:
    case ERROR_FILENAME_EXCED_RANGE: raise_runtime_error(errnum::path_not_found);
    case ERROR_ACCESS_DENIED:
    case ERROR_SHARING_VIOLATION:
    case ERROR_LOCK_VIOLATION:
    case ERROR_WRITE_PROTECT: raise_runtime_error(errnum::permission_denied);
    default: raise_runtime_error(errnum::path_file_access);
  }
}

}  // namespace

bool FileHandle::close() noexcept {
  void* file = std::exchange(file_, nullptr);
  return file == nullptr || CloseHandle(file) != 0;
}

bool file_exists(const std::string& path) {
  if (path.empty()) return false;
  // GetFileAttributesW takes no wildcards: the name is one file or none.
  const DWORD attributes = GetFileAttributesW(utf8_to_wide(path).c_str());
  if (attributes == INVALID_FILE_ATTRIBUTES) return false;
  return (attributes & (FILE_ATTRIBUTE_DIRECTORY | FILE_ATTRIBUTE_HIDDEN | FILE_ATTRIBUTE_SYSTEM)) == 0;
}

TextFile::TextFile(const std::string& path, OpenMode mode, Buffering buffering) : buffering_(buffering) {
  if (path.empty()) raise_runtime_error(errnum::path_file_access);
  const std::wstring wide = utf8_to_wide(path);
  if (mode == OpenMode::write) {
    // Windows refuses CREATE_ALWAYS on a hidden or system file (access
    // denied); Wine replaces it. Refuse here so that both agree and an export
    // never overwrites a file that the existence test did not see.
    const DWORD attributes = GetFileAttributesW(wide.c_str());
    if (attributes != INVALID_FILE_ATTRIBUTES && (attributes & FILE_ATTRIBUTE_DIRECTORY) == 0 &&
        (attributes & (FILE_ATTRIBUTE_HIDDEN | FILE_ATTRIBUTE_SYSTEM)) != 0) {
      raise_runtime_error(errnum::permission_denied);
    }
  }
  HANDLE file = CreateFileW(wide.c_str(), GENERIC_WRITE, FILE_SHARE_READ, nullptr,
                            mode == OpenMode::write ? CREATE_ALWAYS : OPEN_ALWAYS, FILE_ATTRIBUTE_NORMAL, nullptr);
  if (file == INVALID_HANDLE_VALUE) raise_for_error(GetLastError());
  handle_ = FileHandle(file);  // closed by the handle should the append position fail
  if (mode == OpenMode::append) {
    LARGE_INTEGER zero{};
    if (!SetFilePointerEx(file, zero, nullptr, FILE_END)) raise_for_error(GetLastError());
  }
}

TextFile::~TextFile() {
  if (!handle_) return;
  try {
    flush();
  } catch (...) {  // NOLINT(bugprone-empty-catch): the caller has already left; what could be written was
  }
}

void TextFile::flush() {
  if (!handle_) return;
  std::size_t done = 0;
  while (done < pending_.size()) {
    DWORD written = 0;
    const auto chunk = static_cast<DWORD>(std::min<std::size_t>(pending_.size() - done, 1U << 20U));
    if (!WriteFile(handle_.get(), pending_.data() + done, chunk, &written, nullptr)) {
      pending_.clear();
      raise_for_error(GetLastError());
    }
    if (written == 0) {
      pending_.clear();
      raise_runtime_error(errnum::path_file_access);
    }
    done += written;
  }
  pending_.clear();
}

void TextFile::close() {
  if (!handle_) return;
  try {
    flush();
  } catch (...) {
    handle_.close();
    throw;
  }
  if (!handle_.close()) raise_runtime_error(errnum::path_file_access);
}

InputFile::InputFile(const std::string& path) {
  if (path.empty()) raise_runtime_error(errnum::path_file_access);
  HANDLE file = CreateFileW(utf8_to_wide(path).c_str(), GENERIC_READ, FILE_SHARE_READ | FILE_SHARE_WRITE, nullptr,
                            OPEN_EXISTING, FILE_ATTRIBUTE_NORMAL, nullptr);
  if (file == INVALID_HANDLE_VALUE) raise_for_error(GetLastError());
  handle_ = FileHandle(file);
}

InputFile::~InputFile() = default;

std::size_t InputFile::read(char* buffer, std::size_t size) {
  std::size_t done = 0;
  while (done < size) {
    DWORD read = 0;
    const auto chunk = static_cast<DWORD>(std::min<std::size_t>(size - done, 1U << 20U));
    if (!ReadFile(handle_.get(), buffer + done, chunk, &read, nullptr)) raise_for_error(GetLastError());
    if (read == 0) break;
    done += read;
  }
  return done;
}

}  // namespace platform
