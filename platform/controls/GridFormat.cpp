#include "platform/controls/GridFormat.h"

#include <QDate>
#include <QLocale>

#include "platform/runtime/Convert.h"
#include "platform/runtime/DateTime.h"

namespace ctl::grid {

std::optional<double> NumberOfText(const TextRef& text) {
  // Ordinary words are refused at once: no number starts with a letter.
  qsizetype i = 0;
  while (i < text.size && text.Unit(i) == u' ') ++i;
  if (i == text.size || QChar(text.Unit(i)).isLetter()) return std::nullopt;
  return rt::ParseNumeric(text.ToString());
}

DateReader::DateReader() {
  const QString shortFormat = QLocale().dateFormat(QLocale::ShortFormat);
  const qsizetype m = shortFormat.indexOf(u'M');
  const qsizetype d = shortFormat.indexOf(u'd');
  const qsizetype y = shortFormat.indexOf(u'y');
  if (m >= 0 && d >= 0 && y >= 0) {
    monthField_ = static_cast<int>((m > d) + (m > y));
    dayField_ = static_cast<int>((d > m) + (d > y));
    yearField_ = static_cast<int>((y > m) + (y > d));
  }
  const QLocale loc;
  for (int month = 1; month <= 12; ++month)
    for (auto fmt : {QLocale::LongFormat, QLocale::ShortFormat})
      for (QString name : {loc.monthName(month, fmt), loc.standaloneMonthName(month, fmt)}) {
        if (name.endsWith(u'.')) name.chop(1);
        if (!name.isEmpty()) monthNames_.emplace_back(name, month);
      }
}

// Three numbers apart by single separators ("3/15/2026", "15.03.2026", "2026-03-15"),
// read in the order of the short form (year first when the first has four digits).
std::optional<double> DateReader::Numeric(const QString& text) const {
  int fields[3] = {};
  int digits[3] = {};
  int count = 0;
  for (qsizetype i = 0; i < text.size(); ++i) {
    const char16_t ch = text[i].unicode();
    if (ch >= u'0' && ch <= u'9') {
      if (digits[count] == 4) return std::nullopt;
      fields[count] = fields[count] * 10 + (ch - u'0');
      ++digits[count];
    } else if (ch == u'/' || ch == u'-' || ch == u'.') {
      if (digits[count] == 0 || ++count == 3) return std::nullopt;
    } else {
      return std::nullopt;
    }
  }
  if (count != 2 || digits[2] == 0) return std::nullopt;
  int year = fields[yearField_], month = fields[monthField_], day = fields[dayField_];
  int yearDigits = digits[yearField_];
  if (digits[0] == 4) {
    year = fields[0];
    month = fields[1];
    day = fields[2];
    yearDigits = 4;
  }
  if (yearDigits != 4) return std::nullopt;  // as everywhere: years have four digits
  const QDate date(year, month, day);
  if (!date.isValid()) return std::nullopt;
  return static_cast<double>(date.toJulianDay());
}

// Three ASCII words apart by blanks and , . / -: a day of one or two digits, a year of
// four and a month name of the locale, in any order; read as rt::ParseDateTime reads
// them, without its look-ups of the names. nullopt for any other text, and for a day
// that is not a date (ParseDateTime decides).
std::optional<double> DateReader::Named(const QString& text) const {
  auto separator = [](char16_t c) { return c == u' ' || c == u',' || c == u'.' || c == u'/' || c == u'-'; };
  int year = -1, month = -1, day = -1;
  qsizetype i = 0;
  while (i < text.size()) {
    if (separator(text[i].unicode())) {
      ++i;
      continue;
    }
    qsizetype end = i;
    bool digits = true, letters = true;
    for (; end < text.size() && !separator(text[end].unicode()); ++end) {
      const char16_t c = text[end].unicode();
      digits = digits && c >= u'0' && c <= u'9';
      letters = letters && ((c >= u'a' && c <= u'z') || (c >= u'A' && c <= u'Z'));
    }
    const QStringView word = QStringView(text).mid(i, end - i);
    if (digits && word.size() == 4 && year < 0) {
      year = word.toInt();
    } else if (digits && word.size() <= 2 && day < 0) {
      day = word.toInt();
    } else if (letters && month < 0) {
      for (const auto& [name, number] : monthNames_)
        if (word.compare(name, Qt::CaseInsensitive) == 0) {
          month = number;
          break;
        }
      if (month < 0) return std::nullopt;
    } else {
      return std::nullopt;
    }
    i = end;
  }
  if (year <= 0 || month <= 0 || day <= 0) return std::nullopt;
  const QDate date(year, month, day);
  if (!rt::IsDateInRange(date)) return std::nullopt;
  return static_cast<double>(date.toJulianDay());
}

std::optional<double> DateReader::Day(const QString& text) const {
  const QString t = text.trimmed();
  if (t.isEmpty()) return std::nullopt;
  if (auto day = Numeric(t)) return day;
  if (auto day = Named(t)) return day;
  const std::optional<QDateTime> dt = rt::ParseDateTime(t);
  if (!dt) return std::nullopt;
  return static_cast<double>(dt->date().toJulianDay()) + dt->time().msecsSinceStartOfDay() / 86400000.0;
}

}  // namespace ctl::grid
