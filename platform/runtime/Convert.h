#pragma once
// Number conversions with the original platform's rules. Locale-aware ones read the
// separators and currency symbol of QLocale() (the default locale, which tests fix).

#include <QString>
#include <cstdint>
#include <optional>

namespace rt {

struct LocaleInfo;

// True when the text reads as a number in the user's locale: surrounding blanks,
// a sign before or after, thousands and decimal separators, the currency symbol,
// an exponent, &H / &O prefixes, parentheses for a negative value.
bool IsNumeric(const QString& text);

// The value IsNumeric accepts; nullopt when it is not numeric.
std::optional<double> ParseNumeric(const QString& text);

// The number IsNumeric accepts as C-form text ("-1234.5", "1.5e3"), exact digits kept;
// nullopt when it is not numeric.
std::optional<QString> NumericCText(const QString& text);
// The same under the settings `loc`, for callers that test many texts.
std::optional<QString> NumericCText(const QString& text, const LocaleInfo& loc);

// NumericCText, with thousands separators accepted only where they group digits: one
// to three digits before the first, exactly three after each ("1,500" and "12,345,678"
// in en_US, not "1,5", "15,00" or "1234,567"; "1.5" is no number in de_DE).
std::optional<QString> StrictNumericCText(const QString& text, const LocaleInfo& loc);

// The number a stored text holds (settings, report definitions, keys): read as IsNumeric
// reads it, but with '.' as decimal point, no grouping and no currency symbol, whatever
// the user's settings; nullopt when it is none.
std::optional<double> ParseStored(const QString& text);
// ParseStored rounded as CLng; VbError(kErrTypeMismatch) when it is no number.
int32_t CLngStored(const QString& text);

// The leading number of the text with '.' as decimal point, whatever the locale;
// blanks, tabs and line feeds are skipped; &H and &O prefixes (&H up to 4 digits reads
// as a 16-bit number); 0 when none.
double Val(const QString& text);

// Rounding conversions: halves to the even neighbour; VbError(kErrOverflow) out of range.
int32_t CLng(double value);
int16_t CInt(double value);
// Text forms: ParseNumeric, then rounding; VbError(kErrTypeMismatch) when not numeric.
int32_t CLng(const QString& text);
int16_t CInt(const QString& text);
double CDbl(const QString& text);

// Round half to even to a whole number, no range check.
double RoundHalfEven(double value);

// Text of a number as CStr shows it: up to 15 significant digits, the locale's decimal
// separator, no grouping. Str: '.' as decimal point and a leading blank for values >= 0.
QString CStr(double value);
QString CStr(int64_t value);
QString Str(double value);

}  // namespace rt
