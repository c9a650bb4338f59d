// Addresses as text, the same in both builds.
#include <cstdio>

#include "net/net.h"

namespace net {

Address Address::v4(unsigned char a, unsigned char b, unsigned char c, unsigned char d) {
  Address address;
  address.bytes[0] = a;
  address.bytes[1] = b;
  address.bytes[2] = c;
  address.bytes[3] = d;
  return address;
}

Address Address::v6_loopback() {
  Address address;
  address.family = Family::v6;
  address.bytes[15] = 1;
  return address;
}

std::string Address::text() const {
  char part[8];
  std::string out;
  if (family == Family::v4) {
    for (int i = 0; i < 4; ++i) {
      std::snprintf(part, sizeof part, i == 0 ? "%u" : ".%u", static_cast<unsigned>(bytes[i]));
      out += part;
    }
    return out;
  }
  unsigned groups[8];
  for (std::size_t i = 0; i < 8; ++i) groups[i] = (static_cast<unsigned>(bytes[2 * i]) << 8) | bytes[2 * i + 1];
  // The longest run of two or more zero groups (the first of equal ones) becomes "::".
  int best_start = -1;
  int best_length = 1;
  for (int i = 0; i < 8;) {
    if (groups[i] != 0) {
      ++i;
      continue;
    }
    int j = i;
    while (j < 8 && groups[j] == 0) ++j;
    if (j - i > best_length) {
      best_start = i;
      best_length = j - i;
    }
    i = j;
  }
  for (int i = 0; i < 8; ++i) {
    if (i == best_start) {
      out += "::";
      i += best_length - 1;
      continue;
    }
    if (!out.empty() && out.back() != ':') out += ':';
    std::snprintf(part, sizeof part, "%x", groups[i]);
    out += part;
  }
  return out;
}

}  // namespace net
