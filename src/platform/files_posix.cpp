// File services of the native build (POSIX). The program writes Windows paths
// such as "<temp>\Temp_Profile.PRF", so a backslash is a folder separator
// here too; a hidden file is one whose name starts with a dot.
#include "platform/files.h"

#include <fcntl.h>
#include <sys/stat.h>
#include <unistd.h>

#include <algorithm>
#include <cerrno>
#include <cstdio>

#include "platform/codepage.h"
#include "platform/runtime_error.h"

namespace platform {

namespace {

std::string native_path(std::string path) {
  std::replace(path.begin(), path.end(), '\\', '/');
  return path;
}

std::string file_name_of(const std::string& path) {
  const auto slash = path.find_last_of('/');
  return slash == std::string::npos ? path : path.substr(slash + 1);
}

bool is_hidden(const std::string& path) {
  const std::string name = file_name_of(path);
  return name.size() > 1 && name[0] == '.' && name != "..";
}

bool is_folder(const std::string& path) {
  struct stat st {};
  return ::stat(path.c_str(), &st) == 0 && S_ISDIR(st.st_mode);
}

bool parent_is_folder(const std::string& path) {
  const auto slash = path.find_last_of('/');
  if (slash == std::string::npos) return true;  // the current folder
  return is_folder(slash == 0 ? std::string("/") : path.substr(0, slash));
}

// The numbers the runtime gives for the Windows errors that these POSIX ones
// stand for: a missing folder is "Path not found", a missing file in an
// existing folder "File not found", a refusal "Permission denied".
[[noreturn]] void raise_for_errno(int error, const std::string& path) {
  switch (error) {
    case ENOENT: raise_runtime_error(parent_is_folder(path) ? errnum::file_not_found : errnum::path_not_found);
    case ENOTDIR:
    case ENAMETOOLONG:
    case ELOOP: raise_runtime_error(errnum::path_not_found);
    case EACCES:
    case EPERM:
    case EROFS:
    case EISDIR:
    case ETXTBSY:
    case EBUSY: raise_runtime_error(errnum::permission_denied);
    default: raise_runtime_error(errnum::path_file_access);
  }
}

}  // namespace

bool FileHandle::close() noexcept {
  void* file = std::exchange(file_, nullptr);
  return file == nullptr || std::fclose(static_cast<FILE*>(file)) == 0;
}

bool file_exists(const std::string& path) {
  if (path.empty()) return false;
  const std::string p = native_path(path);
  struct stat st {};
  return ::stat(p.c_str(), &st) == 0 && S_ISREG(st.st_mode) && !is_hidden(p);
}

TextFile::TextFile(const std::string& path, OpenMode mode, Buffering buffering) : buffering_(buffering) {
  if (path.empty()) raise_runtime_error(errnum::path_file_access);
  const std::string p = native_path(path);
  // Windows refuses to replace a hidden file (access denied); so does this
  // build, or an export could overwrite a file that the existence test missed.
  if (mode == OpenMode::write && is_hidden(p)) {
    struct stat st {};
    if (::stat(p.c_str(), &st) == 0 && S_ISREG(st.st_mode)) raise_runtime_error(errnum::permission_denied);
  }
  FILE* file = std::fopen(p.c_str(), mode == OpenMode::write ? "wbe" : "abe");
  if (file == nullptr) raise_for_errno(errno, p);
  handle_ = FileHandle(file);
}

TextFile::~TextFile() {
  if (!handle_) return;
  try {
    flush();
  } catch (...) {  // NOLINT(bugprone-empty-catch): the caller has already left; what could be written was
  }
}

void TextFile::flush() {
  auto* file = static_cast<FILE*>(handle_.get());
  if (file == nullptr || pending_.empty()) return;
  const bool written = std::fwrite(pending_.data(), 1, pending_.size(), file) == pending_.size();
  pending_.clear();
  if (!written || std::fflush(file) != 0) raise_runtime_error(errnum::path_file_access);
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
  const std::string p = native_path(path);
  FILE* file = std::fopen(p.c_str(), "rbe");
  if (file == nullptr) raise_for_errno(errno, p);
  handle_ = FileHandle(file);
  struct stat st {};
  if (::fstat(::fileno(file), &st) != 0 || S_ISDIR(st.st_mode)) {
    raise_runtime_error(errnum::permission_denied);  // Windows cannot open a folder as a file
  }
}

InputFile::~InputFile() = default;

std::size_t InputFile::read(char* buffer, std::size_t size) {
  auto* file = static_cast<FILE*>(handle_.get());
  const std::size_t done = std::fread(buffer, 1, size, file);
  if (done < size && std::ferror(file) != 0) raise_runtime_error(errnum::path_file_access);
  return done;
}

}  // namespace platform
