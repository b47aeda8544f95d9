#include "proppages/CPageString.h"

#include <QString>
#include <algorithm>
#include <cstdarg>
#include <cstdio>
#include <cstring>
#include <limits>
#include <new>

#include "platform/com/Memory.h"
#include "platform/runtime/Codepage.h"

namespace qvp {

namespace {

constexpr size_t kMaxLength = static_cast<size_t>(std::numeric_limits<int32_t>::max());

QString FromWide(std::u16string_view wide) {
  return QString(reinterpret_cast<const QChar*>(wide.data()), static_cast<qsizetype>(wide.size()));
}

}  // namespace

CPageString::CPageString(const CPageString& other) {
  if (other.Length() > 0) Assign(other.text_);
}

CPageString::CPageString(const char* text) {
  if (text) Assign(text);
}

CPageString::CPageString(const char16_t* wide) {
  if (wide) AssignWide(wide);
}

CPageString::CPageString(std::u16string_view wide) { AssignWide(wide); }

CPageString& CPageString::operator=(const CPageString& other) {
  if (this == &other) return *this;
  Empty();
  if (other.Length() > 0) Assign(other.text_);
  return *this;
}

CPageString& CPageString::operator=(const char* text) {
  // The argument may point into this string's own text.
  const std::string copy = text ? std::string(text) : std::string();
  Empty();
  if (text) Assign(copy);
  return *this;
}

CPageString& CPageString::operator=(const char16_t* wide) {
  const std::u16string copy = wide ? std::u16string(wide) : std::u16string();
  Empty();
  AssignWide(copy);
  return *this;
}

CPageString& CPageString::operator=(std::u16string_view wide) {
  const std::u16string copy(wide);
  Empty();
  AssignWide(copy);
  return *this;
}

void CPageString::Assign(std::string_view bytes) {
  try {
    if (bytes.size() > kMaxLength) throw std::bad_alloc();
    text_.assign(bytes);
    hasText_ = true;
  } catch (const std::bad_alloc&) {
    Empty();
  }
  wideStale_ = true;
}

void CPageString::AssignWide(std::u16string_view wide) {
  if (wide.empty()) return;
  Assign(rt::ToCp1252(FromWide(wide)));
  if (!hasText_) return;
  wide_.assign(wide);
  wideStale_ = false;
}

CPageString& CPageString::operator+=(const char* text) {
  if (!text || !*text) return *this;
  const size_t added = std::strlen(text);
  if (added > kMaxLength - text_.size()) throw std::bad_alloc();
  text_.append(text, added);
  hasText_ = true;
  wideStale_ = true;  // the wide copy no longer matches
  return *this;
}

CPageString& CPageString::operator+=(const CPageString& other) {
  if (other.Length() == 0) return *this;
  if (this == &other) {
    const std::string copy = other.text_;
    return *this += copy.c_str();
  }
  return *this += other.text_.c_str();
}

int CPageString::Compare(const char* text) const {
  if (hasText_ && text) return ComparePageText(text_.c_str(), text);
  if (!hasText_ && text) return -1;
  if (!hasText_) return 0;
  return 1;
}

void CPageString::Empty() {
  std::string().swap(text_);
  hasText_ = false;
  std::u16string().swap(wide_);
  wideStale_ = true;
}

BSTR CPageString::AllocSysString() const {
  if (wideStale_) {
    const QString wide = rt::FromCp1252(text_);
    wide_.assign(reinterpret_cast<const char16_t*>(wide.utf16()),
                 static_cast<size_t>(wide.size()));
    wideStale_ = false;
  }
  return SysAllocStringLen(wide_.data(), static_cast<UINT>(wide_.size()));
}

CPageString CPageString::Left(int n) const {
  CPageString out;
  if (hasText_) out.Assign(std::string_view(text_).substr(0, static_cast<uint32_t>(n)));
  return out;
}

CPageString CPageString::Right(int n) const {
  CPageString out;
  if (hasText_) {
    const size_t count = std::min<size_t>(static_cast<uint32_t>(n), text_.size());
    out.Assign(std::string_view(text_).substr(text_.size() - count));
  }
  return out;
}

bool CPageString::Format(const char* format, ...) {
  if (!format) return false;
  va_list args;
  va_start(args, format);
  va_list measure;
  va_copy(measure, args);
  const int needed = std::vsnprintf(nullptr, 0, format, measure);
  va_end(measure);
  bool done = false;
  if (needed >= 0) {
    try {
      std::string buffer(static_cast<size_t>(needed) + 1, '\0');
      const int written = std::vsnprintf(buffer.data(), buffer.size(), format, args);
      if (written == needed) {
        buffer.resize(static_cast<size_t>(needed));
        Empty();
        text_ = std::move(buffer);
        hasText_ = true;
        done = true;
      }
    } catch (const std::bad_alloc&) {
    }
  }
  va_end(args);
  return done;
}

int ComparePageText(const char* a, const char* b) {
  if (!a || !b) return -1;
  const int order = QString::localeAwareCompare(rt::FromCp1252(a), rt::FromCp1252(b));
  return (order > 0) - (order < 0);
}

}  // namespace qvp
