// The parts of the file services that both builds share: lines are gathered
// here and handed to the system by each build's flush.
#include <array>

#include "platform/codepage.h"
#include "platform/files.h"
#include "platform/runtime_error.h"

namespace platform {

namespace {

// Lines gathered by a block-buffered file before they are written.
constexpr std::size_t kBlock = std::size_t{1} << 16;

}  // namespace

void TextFile::write_line(const std::string& utf8_text) { write_ansi_line(utf8_to_ansi(utf8_text)); }

void TextFile::write_ansi_line(std::string_view ansi_text) {
  if (!handle_) raise_runtime_error(errnum::bad_file_name_or_number);
  put(ansi_text);
  put("\r\n");
  if (buffering_ == Buffering::line || pending_.size() >= kBlock) flush();
}

void TextFile::put(std::string_view bytes) { pending_.append(bytes); }

std::string read_file_bytes(const std::string& path) {
  InputFile file(path);
  std::string bytes;
  std::array<char, kBlock> piece{};
  for (std::size_t n; (n = file.read(piece.data(), piece.size())) > 0;) bytes.append(piece.data(), n);
  return bytes;
}

}  // namespace platform
