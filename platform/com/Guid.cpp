#include <cstdio>

#include "platform/com/Types.h"

namespace com {

std::optional<GUID> ParseGuid(std::string_view t) {
  if (t.size() != 38 || t.front() != '{' || t.back() != '}') return std::nullopt;
  GUID g;
  if (!GuidFromText(t.substr(1, 36), g)) return std::nullopt;
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
