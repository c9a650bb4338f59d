// File services of the Windows build: wide paths, contents in the ANSI code page.
#include <windows.h>

#include <algorithm>
#include <array>

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

bool file_exists(const std::string& path) {
  if (path.empty()) return false;
  // GetFileAttributesW takes no wildcards: the name is one file or none.
  const DWORD attributes = GetFileAttributesW(utf8_to_wide(path).c_str());
  if (attributes == INVALID_FILE_ATTRIBUTES) return false;
  return (attributes & (FILE_ATTRIBUTE_DIRECTORY | FILE_ATTRIBUTE_HIDDEN | FILE_ATTRIBUTE_SYSTEM)) == 0;
}

TextFile::TextFile(const std::string& path, OpenMode mode) {
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
  if (mode == OpenMode::append) {
    LARGE_INTEGER zero{};
    if (!SetFilePointerEx(file, zero, nullptr, FILE_END)) {
      const DWORD error = GetLastError();
      CloseHandle(file);
      raise_for_error(error);
    }
  }
  handle_ = file;
}

TextFile::~TextFile() {
  if (handle_ != nullptr) CloseHandle(handle_);
}

void TextFile::write_line(const std::string& utf8_text) {
  if (handle_ == nullptr) raise_runtime_error(errnum::bad_file_name_or_number);
  const std::string bytes = utf8_to_ansi(utf8_text) + "\r\n";
  std::size_t done = 0;
  while (done < bytes.size()) {
    DWORD written = 0;
    const auto chunk = static_cast<DWORD>(std::min<std::size_t>(bytes.size() - done, 1U << 20U));
    if (!WriteFile(handle_, bytes.data() + done, chunk, &written, nullptr)) raise_for_error(GetLastError());
    if (written == 0) raise_runtime_error(errnum::path_file_access);
    done += written;
  }
}

void TextFile::close() {
  if (handle_ == nullptr) return;
  HANDLE file = handle_;
  handle_ = nullptr;
  if (!CloseHandle(file)) raise_runtime_error(errnum::path_file_access);
}

std::string read_file_bytes(const std::string& path) {
  if (path.empty()) raise_runtime_error(errnum::path_file_access);
  HANDLE file = CreateFileW(utf8_to_wide(path).c_str(), GENERIC_READ, FILE_SHARE_READ | FILE_SHARE_WRITE, nullptr,
                            OPEN_EXISTING, FILE_ATTRIBUTE_NORMAL, nullptr);
  if (file == INVALID_HANDLE_VALUE) raise_for_error(GetLastError());
  std::string bytes;
  std::array<char, 65536> chunk{};
  for (;;) {
    DWORD read = 0;
    if (!ReadFile(file, chunk.data(), static_cast<DWORD>(chunk.size()), &read, nullptr)) {
      const DWORD error = GetLastError();
      CloseHandle(file);
      raise_for_error(error);
    }
    if (read == 0) break;
    bytes.append(chunk.data(), read);
  }
  CloseHandle(file);
  return bytes;
}

}  // namespace platform
