// libFuzzer target for the sanitiser of network text: whatever the bytes, the
// escaped form holds no control character (C0, DEL, C1) and no byte outside
// valid UTF-8, and reads back to the original when that holds no backslash.
#include <cstddef>
#include <cstdint>
#include <string>
#include <string_view>

#include "core/base/untrusted_text.h"

extern "C" int LLVMFuzzerTestOneInput(const uint8_t* data, size_t size) {
  const std::string_view raw(reinterpret_cast<const char*>(data), size);
  const std::string shown = tesmo::EscapeUntrusted(raw);
  for (size_t i = 0; i < shown.size(); ++i) {
    const auto c = static_cast<unsigned char>(shown[i]);
    if (c < 0x20 || c == 0x7F) __builtin_trap();
    // C1 controls in UTF-8 are C2 80 to C2 9F.
    if (c == 0xC2 && i + 1 < shown.size() && static_cast<unsigned char>(shown[i + 1]) < 0xA0) {
      __builtin_trap();
    }
  }
  if (raw.find('\\') == std::string_view::npos && tesmo::UnescapeUntrusted(shown) != raw) {
    __builtin_trap();
  }
  return 0;
}
