#pragma once
// Reading and building dates the way the program's users type them, in the user's
// locale (QLocale()). Years are always read and shown with four digits: a two-digit
// year is not a date here, so a stored 2030 can never turn into 1930.
// Dates are QDate / QDateTime (local time); a pure time lies on ZeroDate().
// Call from the user-interface thread only (parsing keeps a per-locale cache).

#include <QDate>
#include <QDateTime>
#include <QString>
#include <optional>

namespace rt {

// The years a date may have: four digits, as the views show them, the stored "YYYYMMDD"
// text sorts them and the calendar offers them. No date outside them is read or built.
inline constexpr int kFirstYear = 100;
inline constexpr int kLastYear = 9999;
// True when the date is valid and its year within kFirstYear..kLastYear.
bool IsDateInRange(const QDate& date);

// 30 December 1899, day 0 of the platform's date serials and the date of a pure time.
QDate ZeroDate();

// The locale's short and long date formats as Qt patterns with a four-digit year
// (en_US "M/d/yyyy" and "dddd, MMMM d, yyyy"; de_DE "dd.MM.yyyy" and "dddd, d. MMMM yyyy").
QString ShortDatePattern();
QString LongDatePattern();
// The separator of the short date format ("/" in en_US, "." in de_DE).
QString DateSeparator();

// The date and time the text reads as: the short date (day, month and four-digit year in
// the locale's order, any of / . - or blank between them), ISO yyyy-mm-dd, a date with
// month names (the long format, with or without the weekday), each optionally followed
// by a time; or a time alone (h:mm, h:mm:ss, with or without AM/PM; or h AM).
// Blanks around are ignored. nullopt when it is not a date, or not IsDateInRange.
std::optional<QDateTime> ParseDateTime(const QString& text);
// The date the text names: as ParseDateTime, but a day, month and year must be written
// (a time alone, "10:30", or a partial date is not a date; an optional time is ignored).
std::optional<QDate> ParseDate(const QString& text);
// True when ParseDate reads a date.
bool IsDate(const QString& text);
// ParseDateTime or VbError(kErrTypeMismatch).
QDateTime CDate(const QString& text);

// The date of year, month and day; a month or day out of range carries into the next
// (or previous) month or year, day 0 being the last day of the month before. An invalid
// QDate when the year comes out of kFirstYear..kLastYear.
QDate DateSerial(int year, int month, int day);

// The date and time of a platform date serial (days since ZeroDate, time as fraction).
QDateTime FromSerial(double serial);

}  // namespace rt
