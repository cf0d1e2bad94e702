#include "hostnet/names.h"

#include <cstdint>

namespace hostnet {
namespace {

// The code point of the UTF-8 sequence at text[at], moving at past it; -1
// when the bytes there are not a valid sequence.
int32_t NextCodePoint(const std::string& text, size_t& at) {
  const auto byte = [&](size_t i) { return static_cast<unsigned char>(text[i]); };
  const unsigned char lead = byte(at);
  int length;
  int32_t point;
  if (lead < 0x80) {
    ++at;
    return lead;
  } else if (lead >= 0xc2 && lead <= 0xdf) {
    length = 2;
    point = lead & 0x1f;
  } else if (lead >= 0xe0 && lead <= 0xef) {
    length = 3;
    point = lead & 0x0f;
  } else if (lead >= 0xf0 && lead <= 0xf4) {
    length = 4;
    point = lead & 0x07;
  } else {
    return -1;
  }
  if (at + length > text.size()) return -1;
  for (int i = 1; i < length; ++i) {
    if ((byte(at + i) & 0xc0) != 0x80) return -1;
    point = (point << 6) | (byte(at + i) & 0x3f);
  }
  at += length;
  const int32_t kShortest[] = {0, 0, 0x80, 0x800, 0x10000};
  if (point < kShortest[length] || point > 0x10ffff || (point >= 0xd800 && point <= 0xdfff)) {
    return -1;
  }
  return point;
}

}  // namespace

bool IsPrintableName(const std::string& name) {
  for (size_t at = 0; at < name.size();) {
    // Most names are printable ASCII, which needs no decoding.
    const auto ascii = static_cast<unsigned char>(name[at]);
    if (ascii >= 0x20 && ascii < 0x7f) {
      ++at;
      continue;
    }
    int32_t point = NextCodePoint(name, at);
    if (point < 0x20 || (point >= 0x7f && point <= 0x9f)) return false;
  }
  return true;
}

std::string EscapedName(const std::string& name) {
  if (IsPrintableName(name)) return name;
  std::string escaped;
  for (size_t at = 0; at < name.size();) {
    const size_t start = at;
    const int32_t point = NextCodePoint(name, at);
    const bool control = point < 0x20 || (point >= 0x7f && point <= 0x9f);
    if (point == '\\') {
      escaped += "\\\\";
    } else if (!control) {
      escaped.append(name, start, at - start);
    } else {
      if (point < 0) at = start + 1;
      static const char kHex[] = "0123456789abcdef";
      for (size_t i = start; i < at; ++i) {
        const auto byte = static_cast<unsigned char>(name[i]);
        escaped += {'\\', 'x', kHex[byte >> 4], kHex[byte & 0xf]};
      }
    }
  }
  return escaped;
}

std::string PrintableNameRule(const std::string& kind) {
  return kind + " names must be UTF-8 text without control characters";
}

}  // namespace hostnet
