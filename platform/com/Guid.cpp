#include <cstdio>

#include "platform/com/Types.h"

namespace com {

std::optional<GUID> ParseGuid(std::string_view t) {
  if (t.size() != 38 || t.front() != '{' || t.back() != '}') return std::nullopt;
  t = t.substr(1, 36);
  for (std::size_t i = 0; i < t.size(); ++i) {
    const bool dash = i == 8 || i == 13 || i == 18 || i == 23;
    const char c = t[i];
    const bool hex = (c >= '0' && c <= '9') || (c >= 'a' && c <= 'f') || (c >= 'A' && c <= 'F');
    if (dash ? c != '-' : !hex) return std::nullopt;
  }
  auto hex = [&](std::size_t from, std::size_t digits) {
    std::uint32_t v = 0;
    for (std::size_t i = from; i < from + digits; ++i) {
      const char c = t[i];
      v = v * 16 + static_cast<std::uint32_t>(c <= '9' ? c - '0' : (c | 0x20) - 'a' + 10);
    }
    return v;
  };
  GUID g;
  g.Data1 = hex(0, 8);
  g.Data2 = static_cast<std::uint16_t>(hex(9, 4));
  g.Data3 = static_cast<std::uint16_t>(hex(14, 4));
  g.Data4[0] = static_cast<std::uint8_t>(hex(19, 2));
  g.Data4[1] = static_cast<std::uint8_t>(hex(21, 2));
  for (std::size_t i = 0; i < 6; ++i) g.Data4[2 + i] = static_cast<std::uint8_t>(hex(24 + 2 * i, 2));
  return g;
}

std::string FormatGuid(REFGUID g) {
  char text[39];
  std::snprintf(text, sizeof text, "{%08X-%04X-%04X-%02X%02X-%02X%02X%02X%02X%02X%02X}",
                static_cast<unsigned>(g.Data1), g.Data2, g.Data3, g.Data4[0], g.Data4[1],
                g.Data4[2], g.Data4[3], g.Data4[4], g.Data4[5], g.Data4[6], g.Data4[7]);
  return text;
}

}  // namespace com
