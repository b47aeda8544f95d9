#pragma once
// Code page 1252 (Western European, the program's "ANSI" code page) both ways.
// Bytes 0x81, 0x8D, 0x8F, 0x90 and 0x9D have no character of their own and map to
// the control characters U+0081 .. U+009D of the same number, so every byte survives
// a round trip.

#include <QChar>
#include <QString>
#include <string>
#include <string_view>

namespace rt {

// Each character becomes its byte; a character outside the code page becomes '?'
// (one per character, a surrogate pair counting as one).
std::string ToCp1252(const QString& text);
QString FromCp1252(std::string_view bytes);

// The first character of the text that the code page cannot hold (a surrogate pair
// counts as one), or an empty string when every character fits.
QString FirstNonCp1252(const QString& text);

// The code of one character in the code page, or -1 when it has none.
int Cp1252Code(char32_t ch);
// The character of one byte.
char16_t Cp1252Char(unsigned char byte);

}  // namespace rt
