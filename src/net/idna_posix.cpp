// The IDNA form of a host name in the native build, which has no system
// converter: each label with a letter beyond ASCII is mapped to lower case
// (the letters of the Latin alphabets, Turkish among them, as nameprep maps
// them) and encoded in punycode (RFC 3492) behind "xn--".
#include <cstdint>
#include <vector>

#include "net/net.h"

namespace net {

namespace {

// The next code point of UTF-8 text, or nothing for a malformed sequence.
std::optional<char32_t> next_code_point(std::string_view text, std::size_t& at) {
  const auto byte = [&](std::size_t i) { return static_cast<unsigned char>(text[i]); };
  const unsigned char lead = byte(at);
  int extra = 0;
  char32_t value = 0;
  if (lead < 0x80) {
    ++at;
    return lead;
  }
  if (lead >= 0xC2 && lead <= 0xDF) {
    extra = 1;
    value = lead & 0x1F;
  } else if (lead >= 0xE0 && lead <= 0xEF) {
    extra = 2;
    value = lead & 0x0F;
  } else if (lead >= 0xF0 && lead <= 0xF4) {
    extra = 3;
    value = lead & 0x07;
  } else {
    return std::nullopt;
  }
  if (at + static_cast<std::size_t>(extra) >= text.size()) return std::nullopt;
  for (int i = 1; i <= extra; ++i) {
    const unsigned char next = byte(at + static_cast<std::size_t>(i));
    if ((next & 0xC0) != 0x80) return std::nullopt;
    value = (value << 6) | (next & 0x3F);
  }
  static constexpr char32_t kSmallest[] = {0, 0x80, 0x800, 0x10000};
  if (value < kSmallest[extra] || value > 0x10FFFF || (value >= 0xD800 && value <= 0xDFFF)) return std::nullopt;
  at += static_cast<std::size_t>(extra) + 1;
  return value;
}

// Lower case of the Latin letters; İ (U+0130) becomes i with a combining dot.
void append_lower(char32_t c, std::u32string& out) {
  if ((c >= 'A' && c <= 'Z') || (c >= 0xC0 && c <= 0xDE && c != 0xD7)) {
    out += static_cast<char32_t>(c + 0x20);
  } else if (c == 0x130) {
    out += U"i\u0307";
  } else if (((c >= 0x100 && c <= 0x12F) || (c >= 0x132 && c <= 0x137) || (c >= 0x14A && c <= 0x177)) && c % 2 == 0) {
    out += static_cast<char32_t>(c + 1);
  } else if (((c >= 0x139 && c <= 0x148) || (c >= 0x179 && c <= 0x17E)) && c % 2 == 1) {
    out += static_cast<char32_t>(c + 1);
  } else {
    out += c;
  }
}

char encode_digit(std::uint32_t d) { return static_cast<char>(d < 26 ? 'a' + d : '0' + (d - 26)); }

std::uint32_t adapt(std::uint32_t delta, std::uint32_t points, bool first) {
  delta = first ? delta / 700 : delta / 2;
  delta += delta / points;
  std::uint32_t k = 0;
  while (delta > ((36 - 1) * 26) / 2) {
    delta /= 36 - 1;
    k += 36;
  }
  return k + (36 * delta) / (delta + 38);
}

std::optional<std::string> punycode(const std::u32string& label) {
  std::string out;
  for (const char32_t c : label) {
    if (c < 0x80) out += static_cast<char>(c);
  }
  const auto basic = static_cast<std::uint32_t>(out.size());
  std::uint32_t handled = basic;
  if (basic > 0) out += '-';
  std::uint32_t n = 0x80;
  std::uint32_t delta = 0;
  std::uint32_t bias = 72;
  while (handled < label.size()) {
    std::uint32_t m = 0x10FFFF + 1;
    for (const char32_t c : label) {
      if (c >= n && c < m) m = c;
    }
    if (m - n > (UINT32_MAX - delta) / (handled + 1)) return std::nullopt;
    delta += (m - n) * (handled + 1);
    n = m;
    for (const char32_t c : label) {
      if (c < n && ++delta == 0) return std::nullopt;
      if (c != n) continue;
      std::uint32_t q = delta;
      for (std::uint32_t k = 36;; k += 36) {
        const std::uint32_t t = k <= bias ? 1 : (k >= bias + 26 ? 26 : k - bias);
        if (q < t) break;
        out += encode_digit(t + (q - t) % (36 - t));
        q = (q - t) / (36 - t);
      }
      out += encode_digit(q);
      bias = adapt(delta, handled + 1, handled == basic);
      delta = 0;
      ++handled;
    }
    ++delta;
    ++n;
  }
  return out;
}

}  // namespace

std::optional<std::string> host_to_ascii(std::string_view utf8) {
  std::string out;
  std::u32string label;
  bool wide = false;
  const auto finish_label = [&]() -> bool {
    if (wide) {
      const auto encoded = punycode(label);
      if (!encoded) return false;
      out += "xn--" + *encoded;
    } else {
      for (const char32_t c : label) out += static_cast<char>(c);
    }
    label.clear();
    wide = false;
    return true;
  };
  for (std::size_t at = 0; at < utf8.size();) {
    const auto c = next_code_point(utf8, at);
    if (!c) return std::nullopt;
    if (*c == '.' || *c == 0x3002 || *c == 0xFF0E || *c == 0xFF61) {  // the dots IDNA takes as label separators
      if (!finish_label()) return std::nullopt;
      out += '.';
      continue;
    }
    if (*c >= 0x80) wide = true;
    append_lower(*c, label);
  }
  if (!finish_label()) return std::nullopt;
  return out;
}

}  // namespace net
