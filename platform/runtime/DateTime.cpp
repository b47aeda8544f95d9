#include "platform/runtime/DateTime.h"

#include <QLocale>
#include <QRegularExpression>
#include <QStringList>
#include <cmath>

#include "platform/runtime/Error.h"

namespace rt {

namespace {

// Widens every year field of a Qt date pattern to "yyyy"; quoted text stays.
QString FourDigitYears(const QString& pattern) {
  QString out;
  bool quoted = false;
  for (qsizetype i = 0; i < pattern.size(); ++i) {
    const QChar c = pattern[i];
    if (c == u'\'') quoted = !quoted;
    if (quoted || c != u'y') {
      out += c;
      continue;
    }
    while (i + 1 < pattern.size() && pattern[i + 1] == u'y') ++i;
    out += QStringLiteral("yyyy");
  }
  return out;
}

// Order of day, month and year in the short format: a text such as "MDY".
QString FieldOrder() {
  QString order;
  const QString p = QLocale().dateFormat(QLocale::ShortFormat);
  bool quoted = false;
  for (QChar c : p) {
    if (c == u'\'') quoted = !quoted;
    if (quoted) continue;
    const QChar f = c == u'd' ? u'D' : c == u'M' ? u'M' : c == u'y' ? u'Y' : QChar();
    if (!f.isNull() && !order.contains(f)) order += f;
  }
  return order.size() == 3 ? order : QStringLiteral("MDY");
}

bool AllDigits(const QString& s) {
  if (s.isEmpty()) return false;
  for (QChar c : s)
    if (c < u'0' || c > u'9') return false;
  return true;
}

QDate NumericDate(const QStringList& parts) {
  if (parts.size() != 3) return {};
  for (const QString& p : parts)
    if (!AllDigits(p) || p.size() > 4) return {};
  const QString order = parts[0].size() == 4 ? QStringLiteral("YMD") : FieldOrder();
  int y = 0, m = 0, d = 0;
  for (int i = 0; i < 3; ++i) {
    const int v = parts[i].toInt();
    if (order[i] == u'Y') {
      if (parts[i].size() != 4) return {};
      y = v;
    } else {
      if (parts[i].size() > 2) return {};
      (order[i] == u'M' ? m : d) = v;
    }
  }
  return QDate(y, m, d);
}

// Month number of a month name or abbreviation of the locale; 0 when none.
int MonthOfName(const QString& token) {
  const QLocale loc;
  for (int m = 1; m <= 12; ++m) {
    for (auto fmt : {QLocale::LongFormat, QLocale::ShortFormat}) {
      for (const QString& name : {loc.monthName(m, fmt), loc.standaloneMonthName(m, fmt)}) {
        QString n = name;
        if (n.endsWith(u'.')) n.chop(1);
        if (!n.isEmpty() && token.compare(n, Qt::CaseInsensitive) == 0) return m;
      }
    }
  }
  return 0;
}

bool IsDayName(const QString& token) {
  const QLocale loc;
  for (int d = 1; d <= 7; ++d)
    for (auto fmt : {QLocale::LongFormat, QLocale::ShortFormat}) {
      QString n = loc.dayName(d, fmt);
      if (n.endsWith(u'.')) n.chop(1);
      if (!n.isEmpty() && token.compare(n, Qt::CaseInsensitive) == 0) return true;
    }
  return false;
}

QDate NamedMonthDate(const QStringList& parts) {
  int y = 0, m = 0, d = 0, count = 0;
  for (const QString& p : parts) {
    if (AllDigits(p) && p.size() == 4 && y == 0) {
      y = p.toInt();
    } else if (AllDigits(p) && p.size() <= 2 && d == 0) {
      d = p.toInt();
    } else if (const int mm = MonthOfName(p); mm && m == 0) {
      m = mm;
    } else if (count == 0 && IsDayName(p)) {
      // a leading weekday name is ignored
    } else {
      return {};
    }
    ++count;
  }
  if (y == 0 || m == 0 || d == 0) return {};
  return QDate(y, m, d);
}

std::optional<QDate> ParseDatePart(const QString& text) {
  static const QRegularExpression sep(QStringLiteral("[\\s,./\\-]+"));
  const QStringList parts = text.split(sep, Qt::SkipEmptyParts);
  QDate d = NumericDate(parts);
  if (!d.isValid()) d = NamedMonthDate(parts);
  if (!IsDateInRange(d)) return std::nullopt;
  return d;
}

// Splits a trailing time off the text; the time when there is one.
std::optional<QTime> SplitTime(QString& text) {
  const QLocale loc;
  // The expression depends on the locale's designators; built once per locale.
  static QString cachedFor;
  static QRegularExpression re;
  const QString key = loc.amText() + u'|' + loc.pmText();
  if (key != cachedFor || !re.isValid() || re.pattern().isEmpty()) {
    QStringList markers = {QStringLiteral("AM"), QStringLiteral("PM"), QStringLiteral("A"),
                           QStringLiteral("P")};
    for (const QString& t : {loc.amText(), loc.pmText()})
      if (!t.isEmpty()) markers.prepend(QRegularExpression::escape(t));
    re = QRegularExpression(
        QStringLiteral("^(?:(.*\\S)\\s+)?(\\d{1,2})(?::(\\d{1,2}))?(?::(\\d{1,2}))?\\s*(%1)?$")
            .arg(markers.join(u'|')),
        QRegularExpression::CaseInsensitiveOption);
    cachedFor = key;
  }
  const auto m = re.match(text);
  if (!m.hasMatch()) return std::nullopt;
  const QString marker = m.captured(5);
  if (!m.hasCaptured(3) && marker.isEmpty()) return std::nullopt;
  int h = m.captured(2).toInt();
  const int mi = m.hasCaptured(3) ? m.captured(3).toInt() : 0;
  const int s = m.hasCaptured(4) ? m.captured(4).toInt() : 0;
  if (!marker.isEmpty()) {
    if (h > 12) return std::nullopt;
    const bool pm = marker.compare(loc.pmText(), Qt::CaseInsensitive) == 0 ||
                    marker.startsWith(u'P', Qt::CaseInsensitive);
    const bool am = marker.compare(loc.amText(), Qt::CaseInsensitive) == 0;
    if (pm && !am) h = h == 12 ? 12 : h + 12;
    else if (h == 12) h = 0;
  }
  const QTime t(h, mi, s);
  if (!t.isValid()) return std::nullopt;
  text = m.captured(1);
  return t;
}

}  // namespace

bool IsDateInRange(const QDate& date) {
  return date.isValid() && date.year() >= kFirstYear && date.year() <= kLastYear;
}

QDate ZeroDate() { return QDate(1899, 12, 30); }

QString ShortDatePattern() { return FourDigitYears(QLocale().dateFormat(QLocale::ShortFormat)); }
QString LongDatePattern() { return FourDigitYears(QLocale().dateFormat(QLocale::LongFormat)); }

QString DateSeparator() {
  const QString p = QLocale().dateFormat(QLocale::ShortFormat);
  for (QChar c : p)
    if (!c.isLetter() && c != u'\'') return QString(c);
  return QStringLiteral("/");
}

std::optional<QDateTime> ParseDateTime(const QString& text) {
  QString rest = text.trimmed();
  if (rest.isEmpty()) return std::nullopt;
  if (auto d = ParseDatePart(rest)) return QDateTime(*d, QTime(0, 0));
  const auto time = SplitTime(rest);
  if (!time) return std::nullopt;
  if (rest.isEmpty()) return QDateTime(ZeroDate(), *time);
  const auto d = ParseDatePart(rest);
  if (!d) return std::nullopt;
  return QDateTime(*d, *time);
}

std::optional<QDate> ParseDate(const QString& text) {
  QString rest = text.trimmed();
  if (rest.isEmpty()) return std::nullopt;
  if (auto d = ParseDatePart(rest)) return d;
  if (!SplitTime(rest) || rest.isEmpty()) return std::nullopt;
  return ParseDatePart(rest);
}

bool IsDate(const QString& text) { return ParseDate(text).has_value(); }

QDateTime CDate(const QString& text) {
  const auto v = ParseDateTime(text);
  if (!v) Raise(kErrTypeMismatch);
  return *v;
}

QDate DateSerial(int year, int month, int day) {
  const long long months = static_cast<long long>(year) * 12 + (month - 1);
  const long long y = months >= 0 ? months / 12 : -((-months + 11) / 12);
  const int m = static_cast<int>(months - y * 12) + 1;
  if (y < kFirstYear || y > kLastYear) return {};
  const QDate d = QDate(static_cast<int>(y), m, 1).addDays(static_cast<qint64>(day) - 1);
  return IsDateInRange(d) ? d : QDate();
}

QDateTime FromSerial(double serial) {
  if (!std::isfinite(serial) || std::fabs(serial) > 3.0e6) return {};
  const double days = std::trunc(serial);
  const double frac = std::fabs(serial - days);
  const int secs = static_cast<int>(std::llround(frac * 86400.0));
  QDateTime dt(ZeroDate().addDays(static_cast<qint64>(days)), QTime(0, 0));
  return dt.addSecs(secs);
}

}  // namespace rt
