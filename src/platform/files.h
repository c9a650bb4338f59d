// File services. Paths and texts are UTF-8; file contents are written as ANSI
// text in the system code page. Failures raise platform::RuntimeError with the
// runtime's file error numbers (53, 70, 75, 76).
#pragma once

#include <cstddef>
#include <string>
#include <string_view>
#include <utility>

namespace platform {

// True when a normal file exists at path: directories and hidden files are
// not seen.
bool file_exists(const std::string& path);

// An open file of the system, closed exactly once: by close(), or when its
// owner goes or is given another one.
class FileHandle {
 public:
  FileHandle() = default;
  explicit FileHandle(void* file) noexcept : file_(file) {}
  FileHandle(FileHandle&& other) noexcept : file_(std::exchange(other.file_, nullptr)) {}
  FileHandle& operator=(FileHandle&& other) noexcept {
    if (this != &other) {
      close();
      file_ = std::exchange(other.file_, nullptr);
    }
    return *this;
  }
  FileHandle(const FileHandle&) = delete;
  FileHandle& operator=(const FileHandle&) = delete;
  ~FileHandle() { close(); }

  void* get() const noexcept { return file_; }
  explicit operator bool() const noexcept { return file_ != nullptr; }
  // Closes the file now; false when the system reports that the close failed
  // (data it still held may be lost). Closing no file succeeds.
  bool close() noexcept;

 private:
  void* file_ = nullptr;
};

enum class OpenMode { write, append };

// line: each line reaches the file before write_line returns, so that a full
// disk is reported by the write that hit it. block: lines are gathered and
// written in large pieces; a failing write is reported by a later write or
// by close, and lines still gathered when the file goes without close are
// written then, errors ignored.
enum class Buffering { line, block };

// A text file open for writing: write_line adds CR LF after each text.
class TextFile {
 public:
  // write: create or empty
  TextFile(const std::string& path, OpenMode mode, Buffering buffering = Buffering::line);
  TextFile(const TextFile&) = delete;
  TextFile& operator=(const TextFile&) = delete;
  ~TextFile();
  void write_line(const std::string& utf8_text);
  // A line whose text is already in the ANSI code page, written unconverted.
  void write_ansi_line(std::string_view ansi_text);
  void close();

 private:
  void put(std::string_view bytes);
  void flush();

  FileHandle handle_;
  Buffering buffering_;
  std::string pending_;
};

// A file read from its start in pieces, its bytes unconverted.
class InputFile {
 public:
  explicit InputFile(const std::string& path);
  InputFile(const InputFile&) = delete;
  InputFile& operator=(const InputFile&) = delete;
  ~InputFile();
  // Up to `size` bytes into `buffer`; fewer only at the end of the file, 0 past it.
  std::size_t read(char* buffer, std::size_t size);

 private:
  FileHandle handle_;
};

// The whole file as bytes, unconverted.
std::string read_file_bytes(const std::string& path);

}  // namespace platform
