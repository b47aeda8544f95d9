#pragma once
// CPageString: the text type of the property pages library. The text is kept in the
// ANSI code page (1252) and converted to wide (UTF-16) text only where a caller
// needs it, through a wide copy built when first asked for.
//
// A string that was never given a text holds none (Text() is null); a string
// given "" holds an empty text. Compare tells the two apart. Not thread-safe:
// one string belongs to one thread, like every object of the library.

#include <cstdint>
#include <string>
#include <string_view>

#include "platform/com/Types.h"

namespace qvp {

class CPageString {
 public:
  CPageString() = default;
  // Copies the other's text; an empty one gives a string without text.
  CPageString(const CPageString& other);
  // Copies the text; null gives a string without text.
  CPageString(const char* text);  // NOLINT: converts like the text it holds
  // Converts from wide text; null or empty gives a string without text.
  CPageString(const char16_t* wide);  // NOLINT
  CPageString(std::u16string_view wide);  // NOLINT

  // Each empties the string first, then takes the value as the constructors do.
  CPageString& operator=(const CPageString& other);
  CPageString& operator=(const char* text);
  CPageString& operator=(const char16_t* wide);
  CPageString& operator=(std::u16string_view wide);

  // Appends; null or an empty text changes nothing.
  CPageString& operator+=(const char* text);
  CPageString& operator+=(const CPageString& other);

  // The text, or null for a string without text; zero-terminated.
  const char* Text() const { return hasText_ ? text_.c_str() : nullptr; }
  // Bytes before the terminator.
  int32_t Length() const { return static_cast<int32_t>(text_.size()); }

  // -1, 0 or 1 in the order of ComparePageText; a string without text sorts before
  // any text, and equals a null argument.
  int Compare(const char* text) const;

  // Back to a string without text.
  void Empty();

  // The text as a new BSTR for the caller to free (SysFreeString); an empty (never
  // null) one for an empty text. Null only when memory runs out. A BSTR argument
  // converts through the wide-text constructor.
  BSTR AllocSysString() const;

  // The first, or last, min(n, Length()) bytes; n is taken as unsigned, so a
  // negative n gives the whole string.
  CPageString Left(int n) const;
  CPageString Right(int n) const;

  // printf-style formatting into the string, following the C library's printf (wide
  // %ls arguments are wchar_t); the buffer is measured first (vsnprintf), so the
  // output is never cut. False, with the string unchanged, when the format is null
  // or invalid or the buffer cannot be allocated.
  bool Format(const char* format, ...) __attribute__((format(printf, 2, 3)));

 private:
  void Assign(std::string_view bytes);
  void AssignWide(std::u16string_view wide);

  std::string text_;
  bool hasText_ = false;
  mutable std::u16string wide_;
  mutable bool wideStale_ = true;
};

// Compares two texts case-sensitively in the sort order of the current locale
// (QString::localeAwareCompare in the default locale):
// -1, 0 or 1; -1 when either is null.
int ComparePageText(const char* a, const char* b);

}  // namespace qvp
