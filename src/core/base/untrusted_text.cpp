// The sanitiser for text from the network.
#include "core/base/untrusted_text.h"

#include <cstdint>

namespace tesmo {
namespace {

void AppendByteEscape(std::string& out, unsigned char byte) {
  out += '\\';
  out += static_cast<char>('0' + byte / 100);
  out += static_cast<char>('0' + byte / 10 % 10);
  out += static_cast<char>('0' + byte % 10);
}

// The length of the valid UTF-8 sequence of a code point U+00A0 or above at
// the start of bytes (lead byte >= 0xC2), 0 when there is none there.
size_t Utf8Length(std::string_view bytes) {
  const auto at = [&](size_t i) { return static_cast<unsigned char>(bytes[i]); };
  const unsigned char lead = at(0);
  size_t length = 0;
  uint32_t point = 0;
  if (lead >= 0xC2 && lead <= 0xDF) {
    length = 2;
    point = lead & 0x1Fu;
  } else if (lead >= 0xE0 && lead <= 0xEF) {
    length = 3;
    point = lead & 0x0Fu;
  } else if (lead >= 0xF0 && lead <= 0xF4) {
    length = 4;
    point = lead & 0x07u;
  } else {
    return 0;
  }
  if (bytes.size() < length) return 0;
  for (size_t i = 1; i < length; ++i) {
    if ((at(i) & 0xC0) != 0x80) return 0;
    point = (point << 6) | (at(i) & 0x3Fu);
  }
  // Overlong forms, surrogates, C1 controls and code points past Unicode
  // are no text.
  static constexpr uint32_t kLeast[] = {0, 0, 0xA0, 0x800, 0x10000};
  if (point < kLeast[length] || (point >= 0xD800 && point <= 0xDFFF) || point > 0x10FFFF) {
    return 0;
  }
  return length;
}

}  // namespace

void AppendUntrusted(std::string& out, std::string_view bytes) {
  out.reserve(out.size() + bytes.size());
  for (size_t i = 0; i < bytes.size();) {
    const auto byte = static_cast<unsigned char>(bytes[i]);
    if (byte >= 0x20 && byte < 0x7F) {
      out += static_cast<char>(byte);
      ++i;
    } else if (const size_t length = byte >= 0x80 ? Utf8Length(bytes.substr(i)) : 0) {
      out.append(bytes.substr(i, length));
      i += length;
    } else {
      AppendByteEscape(out, byte);
      ++i;
    }
  }
}

std::string EscapeUntrusted(std::string_view bytes) {
  std::string out;
  AppendUntrusted(out, bytes);
  return out;
}

std::string UnescapeUntrusted(std::string_view text) {
  std::string out;
  out.reserve(text.size());
  const auto digit = [&](size_t k) { return text[k] >= '0' && text[k] <= '9'; };
  for (size_t i = 0; i < text.size(); ++i) {
    if (text[i] == '\\' && text.size() - i >= 4 && digit(i + 1) && digit(i + 2) && digit(i + 3)) {
      const int value = (text[i + 1] - '0') * 100 + (text[i + 2] - '0') * 10 + (text[i + 3] - '0');
      if (value <= 255) {
        out += static_cast<char>(value);
        i += 3;
        continue;
      }
    }
    out += text[i];
  }
  return out;
}

}  // namespace tesmo
