// Cuts the byte stream of a TLS connection into whole records before they go
// to the system's TLS (Schannel takes whole records best, and a bounded
// buffer keeps a hostile server from making us hold more). A record is a
// 5-byte header (content type 20-23, version 3.x, the body's length) and at
// most 2^14 + 2048 bytes of body. The first bad header ends the stream for
// good: nothing after it is whole any more. Platform-independent.
#pragma once

#include <cstddef>
#include <span>
#include <string_view>
#include <vector>

namespace net {

class TlsRecords {
 public:
  static constexpr std::size_t kHeaderSize = 5;
  static constexpr std::size_t kMaxBody = (std::size_t{1} << 14) + 2048;
  static constexpr std::size_t kMaxRecord = kHeaderSize + kMaxBody;
  // Two largest records: always room for the rest of a record once the
  // whole ones before it are consumed.
  static constexpr std::size_t kCapacity = 2 * kMaxRecord;

  TlsRecords() : buffer_(kCapacity) {}

  // Where received bytes go (empty when full or bad), then how many came.
  std::span<char> space();
  void commit(std::size_t count);
  // Copies in as many of the bytes as fit; gives how many.
  std::size_t feed(std::string_view bytes);

  // The whole records at the front, contiguous and writable (Schannel
  // decrypts in place); empty when there is none yet. Records before a bad
  // header stay whole; none after it ever comes.
  std::span<char> whole();
  // Drops the first count bytes of whole() (what Schannel took).
  void consume(std::size_t count);

  bool bad() const { return bad_; }
  std::size_t buffered() const { return end_; }

 private:
  void scan();

  std::vector<char> buffer_;
  std::size_t end_ = 0;    // bytes held
  std::size_t whole_ = 0;  // of which whole records
  bool bad_ = false;
};

}  // namespace net
