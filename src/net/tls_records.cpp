#include "net/tls_records.h"

#include <algorithm>
#include <cstring>

namespace net {

namespace {

constexpr unsigned char kChangeCipherSpec = 20;
constexpr unsigned char kApplicationData = 23;

}  // namespace

std::span<char> TlsRecords::space() {
  if (bad_) return {};
  return std::span<char>(buffer_).subspan(end_);
}

void TlsRecords::commit(std::size_t count) {
  end_ += std::min(count, buffer_.size() - end_);
  scan();
}

std::size_t TlsRecords::feed(std::string_view bytes) {
  const std::span<char> room = space();
  const std::size_t take = std::min(room.size(), bytes.size());
  std::memcpy(room.data(), bytes.data(), take);
  commit(take);
  return take;
}

std::span<char> TlsRecords::whole() { return std::span<char>(buffer_).first(whole_); }

void TlsRecords::consume(std::size_t count) {
  count = std::min(count, whole_);
  std::memmove(buffer_.data(), buffer_.data() + count, end_ - count);
  end_ -= count;
  whole_ -= count;
}

void TlsRecords::scan() {
  while (!bad_ && end_ - whole_ >= kHeaderSize) {
    const auto* header = reinterpret_cast<const unsigned char*>(buffer_.data() + whole_);
    const std::size_t length = (std::size_t{header[3]} << 8) | header[4];
    // Only application data may be empty; any other empty record is a
    // cheap way to keep a client busy.
    bad_ = header[0] < kChangeCipherSpec || header[0] > kApplicationData || header[1] != 3 || length > kMaxBody ||
           (length == 0 && header[0] != kApplicationData);
    if (bad_ || end_ - whole_ < kHeaderSize + length) return;
    whole_ += kHeaderSize + length;
  }
}

}  // namespace net
