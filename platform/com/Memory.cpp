#include "platform/com/Memory.h"

#include <cstdlib>
#include <cstring>
#include <limits>

#include "platform/com/PropertyPage.h"

namespace {

constexpr std::size_t kPrefix = sizeof(std::uint32_t);

std::uint32_t* Header(BSTR text) {
  return reinterpret_cast<std::uint32_t*>(reinterpret_cast<char*>(text) - kPrefix);
}

}  // namespace

void* CoTaskMemAlloc(std::size_t size) { return std::malloc(size ? size : 1); }

void* CoTaskMemRealloc(void* block, std::size_t size) {
  return std::realloc(block, size ? size : 1);
}

void CoTaskMemFree(void* block) { std::free(block); }

BSTR SysAllocStringLen(LPCOLESTR text, UINT length) {
  // The byte count must fit the 32-bit prefix.
  if (length > (std::numeric_limits<std::uint32_t>::max() - kPrefix - 2) / 2) return nullptr;
  const std::size_t bytes = std::size_t{length} * 2;
  auto* block = static_cast<char*>(std::malloc(kPrefix + bytes + 2));
  if (!block) return nullptr;
  const auto prefix = static_cast<std::uint32_t>(bytes);
  std::memcpy(block, &prefix, kPrefix);
  auto* chars = reinterpret_cast<OLECHAR*>(block + kPrefix);
  if (text)
    std::memcpy(chars, text, bytes);
  else
    std::memset(chars, 0, bytes);
  chars[length] = 0;
  return chars;
}

BSTR SysAllocString(LPCOLESTR text) {
  if (!text) return nullptr;
  return SysAllocStringLen(text, static_cast<UINT>(std::char_traits<char16_t>::length(text)));
}

BOOL SysReAllocString(BSTR* target, LPCOLESTR text) {
  if (!target) return FALSE;
  BSTR copy = SysAllocString(text);
  if (text && !copy) return FALSE;
  SysFreeString(*target);
  *target = copy;
  return TRUE;
}

void SysFreeString(BSTR text) {
  if (text) std::free(Header(text));
}

UINT SysStringByteLen(BSTR text) {
  if (!text) return 0;
  std::uint32_t bytes;
  std::memcpy(&bytes, Header(text), kPrefix);
  return bytes;
}

UINT SysStringLen(BSTR text) { return SysStringByteLen(text) / 2; }

namespace com {

BSTR AllocBstr(std::u16string_view text) {
  if (text.size() > std::numeric_limits<UINT>::max()) return nullptr;
  return SysAllocStringLen(text.data(), static_cast<UINT>(text.size()));
}

BSTR AllocBstr(const QString& text) {
  return AllocBstr(std::u16string_view(reinterpret_cast<const char16_t*>(text.constData()),
                                       static_cast<std::size_t>(text.size())));
}

std::u16string_view View(BSTR text) {
  return text ? std::u16string_view(text, SysStringLen(text)) : std::u16string_view();
}

QString ToQString(BSTR text) {
  const auto v = View(text);
  return QString(reinterpret_cast<const QChar*>(v.data()), static_cast<qsizetype>(v.size()));
}

LPOLESTR AllocTaskString(const QString& text) {
  const auto bytes = (static_cast<std::size_t>(text.size()) + 1) * sizeof(OLECHAR);
  auto* out = static_cast<LPOLESTR>(CoTaskMemAlloc(bytes));
  if (!out) return nullptr;
  std::memcpy(out, text.constData(), bytes - sizeof(OLECHAR));
  out[text.size()] = 0;
  return out;
}

}  // namespace com
