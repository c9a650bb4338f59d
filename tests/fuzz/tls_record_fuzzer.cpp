// What a hostile server may send, through the cutter of TLS records, in
// chunks of the size the first byte gives, taking whole records as Schannel
// would (all, or only the first, as the second byte says): what comes out is
// the input's own bytes in order and only whole records; the buffer stays
// within its bound and never fills without a whole record; a bad header ends
// the stream for good, exactly where a plain reading of the input finds it.
#include <cstddef>
#include <cstdint>
#include <cstdio>
#include <cstdlib>
#include <cstring>
#include <string_view>

#include "net/tls_records.h"

namespace {

using net::TlsRecords;

void require(bool condition, const char* what) {
  if (!condition) {
    std::fprintf(stderr, "property broken: %s\n", what);
    std::abort();
  }
}

// The length of the first record of bytes, 0 when it is not yet whole, or
// SIZE_MAX when its header is bad.
std::size_t record_length(std::string_view bytes) {
  if (bytes.size() < TlsRecords::kHeaderSize) return 0;
  const auto type = static_cast<unsigned char>(bytes[0]);
  const std::size_t length =
      (std::size_t{static_cast<unsigned char>(bytes[3])} << 8) | static_cast<unsigned char>(bytes[4]);
  if (type < 20 || type > 23 || bytes[1] != 3 || length > TlsRecords::kMaxBody || (length == 0 && type != 23)) {
    return SIZE_MAX;
  }
  return bytes.size() < TlsRecords::kHeaderSize + length ? 0 : TlsRecords::kHeaderSize + length;
}

}  // namespace

extern "C" int LLVMFuzzerTestOneInput(const std::uint8_t* data, std::size_t size) {
  if (size < 2) return 0;
  const std::size_t chunk = data[0] == 0 ? 1 : std::size_t{data[0]} * 97;
  const bool first_only = (data[1] & 1) != 0;
  const std::string_view input(reinterpret_cast<const char*>(data) + 2, size - 2);

  TlsRecords records;
  std::size_t fed = 0;
  std::size_t taken = 0;  // bytes handed out as whole records and consumed
  bool was_bad = false;
  for (;;) {
    const std::span<char> whole = records.whole();
    require(records.buffered() <= TlsRecords::kCapacity, "the buffer stays within its bound");
    require(!was_bad || (records.bad() && records.space().empty()), "bad stays bad");
    was_bad = records.bad();
    require(whole.empty() || std::memcmp(whole.data(), input.data() + taken, whole.size()) == 0,
            "whole records are the input's");
    std::size_t take = 0;
    for (std::string_view rest(whole.data(), whole.size()); !rest.empty();) {
      const std::size_t length = record_length(rest);
      require(length != 0 && length != SIZE_MAX, "whole() holds whole good records only");
      take += length;
      rest.remove_prefix(length);
      if (first_only) break;
    }
    if (take > 0) {
      records.consume(take);
      taken += take;
      continue;
    }
    require(records.bad() || !records.space().empty(), "a full buffer holds a whole record");
    if (fed == input.size() || records.bad()) break;
    const std::size_t accepted = records.feed(input.substr(fed, chunk));
    require(accepted > 0, "room is taken");
    fed += accepted;
  }
  // The plain reading of what was fed: whole records up to the first bad header.
  std::size_t expected = 0;
  bool bad = false;
  for (std::string_view rest = input.substr(0, fed); !rest.empty();) {
    const std::size_t length = record_length(rest);
    bad = length == SIZE_MAX;
    if (bad || length == 0) break;
    expected += length;
    rest.remove_prefix(length);
  }
  require(taken == expected, "every whole record before a bad header comes out");
  require(records.bad() == bad, "bad exactly at the first bad header");
  return 0;
}
