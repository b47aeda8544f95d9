#pragma once
// Format: the platform's Format function for the patterns the program uses.
//
// Numbers (any numeric QVariant, rt::Currency, or numeric text):
//   patterns of '0' (digit or zero), '#' (digit or nothing), '.' (the locale's decimal
//   separator), ',' among the integer places (the locale's thousands separator, which
//   may be empty), '%' (times 100), literal text ("quoted", \x or plain characters);
//   up to three sections "positive;negative;zero". Rounding is half away from zero on
//   the decimal value. Literals between digit places are put after the number (no
//   masks such as "000-00-0000"), and there are no "E+" scientific patterns. Named
//   formats: "General Number", "Currency", "Fixed", "Standard", "Percent".
// Dates and times (QDate, QDateTime, QTime, or text that reads as a date):
//   d dd ddd dddd ddddd dddddd, m mm mmm mmmm (minutes after h or before s), n nn,
//   y (day of year) yy yyyy, h hh, s ss, w ww, q, ttttt, c, AM/PM am/pm A/P a/p AMPM,
//   ':' and '/' (the locale's date separator); letters in either case. Named formats:
//   "General Date", "Long Date", "Medium Date", "Short Date", "Long Time",
//   "Medium Time", "Short Time" (the locale's, with four-digit years).
// No pattern: numbers as CStr shows them, dates as "General Date", text unchanged.
// A null QVariant gives the empty text; text that fits neither kind comes back as it is.

#include <QString>
#include <QVariant>

namespace rt {

QString Format(const QVariant& value, const QString& pattern = {});

}  // namespace rt
