// File services. Paths and texts are UTF-8; file contents are written as ANSI
// text in the system code page. Failures raise platform::RuntimeError with the
// runtime's file error numbers (53, 70, 75, 76).
#pragma once

#include <string>

namespace platform {

// True when a normal file exists at path: directories and hidden files are
// not seen.
bool file_exists(const std::string& path);

enum class OpenMode { write, append };

// A text file open for writing: write_line adds CR LF after each text.
class TextFile {
 public:
  TextFile(const std::string& path, OpenMode mode);  // write: create or empty
  TextFile(const TextFile&) = delete;
  TextFile& operator=(const TextFile&) = delete;
  ~TextFile();
  void write_line(const std::string& utf8_text);
  void close();

 private:
  void* handle_ = nullptr;
};

// The whole file as bytes, unconverted.
std::string read_file_bytes(const std::string& path);

}  // namespace platform
