#include "platform/runtime/Codepage.h"

#include <array>

namespace rt {

namespace {

// Characters of the bytes 0x80 .. 0x9F.
constexpr std::array<char16_t, 32> kHigh = {
    0x20AC, 0x0081, 0x201A, 0x0192, 0x201E, 0x2026, 0x2020, 0x2021,  // 80-87
    0x02C6, 0x2030, 0x0160, 0x2039, 0x0152, 0x008D, 0x017D, 0x008F,  // 88-8F
    0x0090, 0x2018, 0x2019, 0x201C, 0x201D, 0x2022, 0x2013, 0x2014,  // 90-97
    0x02DC, 0x2122, 0x0161, 0x203A, 0x0153, 0x009D, 0x017E, 0x0178,  // 98-9F
};

}  // namespace

char16_t Cp1252Char(unsigned char byte) {
  if (byte >= 0x80 && byte <= 0x9F) return kHigh[byte - 0x80];
  return byte;
}

int Cp1252Code(char32_t ch) {
  if (ch < 0x80 || (ch >= 0xA0 && ch <= 0xFF)) return static_cast<int>(ch);
  for (size_t i = 0; i < kHigh.size(); ++i)
    if (kHigh[i] == ch) return static_cast<int>(0x80 + i);
  return -1;
}

std::string ToCp1252(const QString& text) {
  std::string out;
  out.reserve(static_cast<size_t>(text.size()));
  for (qsizetype i = 0; i < text.size(); ++i) {
    char32_t ch = text[i].unicode();
    if (QChar::isHighSurrogate(ch) && i + 1 < text.size() && text[i + 1].isLowSurrogate())
    {
      ch = QChar::surrogateToUcs4(text[i], text[i + 1]);
      ++i;
    }
    const int code = Cp1252Code(ch);
    out += static_cast<char>(code < 0 ? '?' : code);
  }
  return out;
}

QString FirstNonCp1252(const QString& text) {
  for (qsizetype i = 0; i < text.size(); ++i) {
    char32_t ch = text[i].unicode();
    qsizetype len = 1;
    if (QChar::isHighSurrogate(ch) && i + 1 < text.size() && text[i + 1].isLowSurrogate()) {
      ch = QChar::surrogateToUcs4(text[i], text[i + 1]);
      len = 2;
    }
    if (Cp1252Code(ch) < 0) return text.mid(i, len);
    i += len - 1;
  }
  return {};
}

QString FromCp1252(std::string_view bytes) {
  QString out(static_cast<qsizetype>(bytes.size()), Qt::Uninitialized);
  auto* to = reinterpret_cast<char16_t*>(out.data());
  for (const char b : bytes) *to++ = Cp1252Char(static_cast<unsigned char>(b));
  return out;
}

}  // namespace rt
