#include "platform/runtime/Format.h"

#include <QDateTime>
#include <QLocale>
#include <cmath>
#include <optional>
#include <vector>

#include "platform/runtime/Convert.h"
#include "platform/runtime/Currency.h"
#include "platform/runtime/DateTime.h"
#include "platform/runtime/DecimalDigits.h"
#include "platform/runtime/LocaleInfo.h"

namespace rt {

namespace {

// ---- pattern scanning ------------------------------------------------------------

// Splits at ';' outside quotes and escapes.
QStringList Sections(const QString& pattern) {
  QStringList out{QString()};
  bool quoted = false;
  for (qsizetype i = 0; i < pattern.size(); ++i) {
    const QChar c = pattern[i];
    if (c == u'"') quoted = !quoted;
    if (!quoted && c == u'\\' && i + 1 < pattern.size()) {
      out.back() += c;
      out.back() += pattern[++i];
      continue;
    }
    if (!quoted && c == u';') {
      out.append(QString());
      continue;
    }
    out.back() += c;
  }
  return out;
}

// Calls fn(char, isLiteral) for each character; quoted and escaped ones are literal.
template <typename Fn>
void Scan(const QString& pattern, Fn fn) {
  bool quoted = false;
  for (qsizetype i = 0; i < pattern.size(); ++i) {
    const QChar c = pattern[i];
    if (c == u'"') {
      quoted = !quoted;
      continue;
    }
    if (quoted) {
      fn(c, true, i);
    } else if (c == u'\\' && i + 1 < pattern.size()) {
      ++i;
      fn(pattern[i], true, i);
    } else {
      fn(c, false, i);
    }
  }
}

bool HasDigitPlaceholders(const QString& pattern) {
  bool found = false;
  Scan(pattern, [&](QChar c, bool lit, qsizetype) {
    if (!lit && (c == u'0' || c == u'#')) found = true;
  });
  return found;
}

bool HasDateTokens(const QString& pattern) {
  bool found = false;
  Scan(pattern, [&](QChar c, bool lit, qsizetype) {
    const QChar l = c.toLower();
    if (!lit && (l == u'd' || l == u'm' || l == u'y' || l == u'h' || l == u'n' || l == u's' ||
                 l == u'q' || l == u'w' || l == u't' || l == u'c'))
      found = true;
  });
  return found;
}

enum class Named { None, GeneralNumber, Currency, Fixed, Standard, Percent,
                   GeneralDate, LongDate, MediumDate, ShortDate, LongTime, MediumTime, ShortTime };

Named NamedFormat(const QString& pattern) {
  static const std::pair<const char*, Named> kNames[] = {
      {"general number", Named::GeneralNumber}, {"currency", Named::Currency},
      {"fixed", Named::Fixed}, {"standard", Named::Standard}, {"percent", Named::Percent},
      {"general date", Named::GeneralDate}, {"long date", Named::LongDate},
      {"medium date", Named::MediumDate}, {"short date", Named::ShortDate},
      {"long time", Named::LongTime}, {"medium time", Named::MediumTime},
      {"short time", Named::ShortTime}};
  const QString p = pattern.trimmed().toLower();
  for (const auto& [name, kind] : kNames)
    if (p == QLatin1String(name)) return kind;
  return Named::None;
}

bool IsNamedDate(Named n) { return n >= Named::GeneralDate; }
bool IsNamedNumber(Named n) { return n != Named::None && !IsNamedDate(n); }

// ---- numbers ---------------------------------------------------------------------

QString Grouped(const QString& digits, const QString& sep) {
  if (sep.isEmpty() || digits.size() <= 3) return digits;
  QString out;
  const qsizetype n = digits.size();
  for (qsizetype i = 0; i < n; ++i) {
    if (i > 0 && (n - i) % 3 == 0) out += sep;
    out += digits[i];
  }
  return out;
}

// One section applied to the magnitude of v; the sign is the caller's.
QString NumberSection(DecimalDigits v, const QString& section, bool withSign) {
  const LocaleInfo loc = LocaleInfo::Current();
  struct Tok { enum Kind { Lit, Digit, Point, Comma } kind; QChar c; };
  std::vector<Tok> toks;
  bool point = false, percent = false;
  Scan(section, [&](QChar c, bool lit, qsizetype) {
    if (lit) toks.push_back({Tok::Lit, c});
    else if (c == u'0' || c == u'#') toks.push_back({Tok::Digit, c});
    else if (c == u'.' && !point) { point = true; toks.push_back({Tok::Point, c}); }
    else if (c == u',') toks.push_back({Tok::Comma, c});
    else {
      if (c == u'%') percent = true;
      toks.push_back({Tok::Lit, c});
    }
  });
  int intPH = 0, minInt = 0, fracPH = 0, fracMin = 0;
  bool grouping = false, afterPoint = false, seenInt = false;
  for (const Tok& t : toks) {
    if (t.kind == Tok::Point) afterPoint = true;
    if (t.kind == Tok::Comma && seenInt && !afterPoint) grouping = true;
    if (t.kind != Tok::Digit) continue;
    if (afterPoint) {
      ++fracPH;
      if (t.c == u'0') fracMin = fracPH;
    } else {
      seenInt = true;
      ++intPH;
      if (t.c == u'0' && minInt == 0) minInt = -intPH;  // remember where zeros start
    }
  }
  if (minInt < 0) minInt = intPH + minInt + 1;
  if (percent && !v.IsZero()) v.intDigits += 2;

  const DecimalDigits r = v.Rounded(fracPH, Rounding::HalfAwayFromZero);
  QString intText = QString::fromLatin1(r.IntegerPart());
  if (intText.size() < minInt) intText = QString(minInt - intText.size(), u'0') + intText;
  if (grouping) intText = Grouped(intText, loc.groupSeparator);
  QString frac = QString::fromLatin1(r.FractionPart(fracPH));
  while (frac.size() > fracMin && frac.endsWith(u'0')) frac.chop(1);

  // The integer part goes where the first place (or the point) stands; literals that
  // stand between the places follow the number.
  qsizetype firstNum = -1, lastNum = -1;
  for (size_t i = 0; i < toks.size(); ++i)
    if (toks[i].kind == Tok::Digit || toks[i].kind == Tok::Point) {
      if (firstNum < 0) firstNum = static_cast<qsizetype>(i);
      lastNum = static_cast<qsizetype>(i);
    }
  QString out = (withSign && r.negative && !r.IsZero()) ? QStringLiteral("-") : QString();
  QString pending;
  for (qsizetype i = 0; i < static_cast<qsizetype>(toks.size()); ++i) {
    const Tok& t = toks[static_cast<size_t>(i)];
    const bool inside = i > firstNum && i < lastNum;
    if (i == firstNum) out += intText;
    if (t.kind == Tok::Point) out += loc.decimalSeparator + frac;
    if (t.kind == Tok::Lit || (t.kind == Tok::Comma && firstNum < 0)) (inside ? pending : out) += t.c;
    if (i == lastNum) out += pending;
  }
  return out;
}

// Digits of a number value; nullopt when the value is not a number.
std::optional<DecimalDigits> NumberOf(const QVariant& value) {
  if (value.metaType() == QMetaType::fromType<Currency>())
    return DecimalDigits::FromScaled(value.value<Currency>().Raw(), 4);
  switch (value.metaType().id()) {
    case QMetaType::Int: case QMetaType::Short: case QMetaType::Long: case QMetaType::LongLong:
    case QMetaType::UInt: case QMetaType::UShort: case QMetaType::ULong: case QMetaType::Char:
    case QMetaType::SChar: case QMetaType::UChar:
      return DecimalDigits::FromScaled(value.toLongLong(), 0);
    case QMetaType::ULongLong:
    case QMetaType::Double: case QMetaType::Float:
      return DecimalDigits::FromDouble(value.toDouble());
    case QMetaType::Bool:
      return DecimalDigits::FromScaled(value.toBool() ? -1 : 0, 0);
    default:
      return std::nullopt;
  }
}

QString FormatNumber(const DecimalDigits& v, const QString& pattern) {
  const LocaleInfo loc = LocaleInfo::Current();
  switch (NamedFormat(pattern)) {
    case Named::GeneralNumber: return v.GeneralText(loc.decimalSeparator);
    case Named::Fixed: return FormatNumber(v, QStringLiteral("0.00"));
    case Named::Standard: return FormatNumber(v, QStringLiteral("#,##0.00"));
    case Named::Percent: return FormatNumber(v, QStringLiteral("0.00%"));
    case Named::Currency: {
      const DecimalDigits r = v.Rounded(2, Rounding::HalfAwayFromZero);
      return QLocale().toCurrencyString(r.ToDouble(), loc.currencySymbol, 2);
    }
    default: break;
  }
  if (pattern.isEmpty()) return v.GeneralText(loc.decimalSeparator);
  const QStringList sections = Sections(pattern);
  DecimalDigits mag = v;
  mag.negative = false;
  if (v.IsZero() && sections.size() >= 3 && !sections[2].isEmpty())
    return NumberSection(mag, sections[2], false);
  if (v.negative && sections.size() >= 2 && !sections[1].isEmpty())
    return NumberSection(mag, sections[1], false);
  return NumberSection(v, sections[0], true);
}

// ---- dates -----------------------------------------------------------------------

QString NoDot(QString name) {
  if (name.endsWith(u'.')) name.chop(1);
  return name;
}

QString LongTimePattern() {
  QString p = QLocale().timeFormat(QLocale::ShortFormat);
  if (!p.contains(u's')) {
    const qsizetype m = p.lastIndexOf(QStringLiteral("mm"));
    if (m >= 0) p.insert(m + 2, QStringLiteral(":ss"));
  }
  return p;
}

QString QtDate(const QDateTime& dt, const QString& qtPattern) {
  return QLocale().toString(dt, qtPattern);
}

QString GeneralDate(const QDateTime& dt) {
  const bool hasTime = dt.time() != QTime(0, 0);
  if (dt.date() == ZeroDate()) return QtDate(dt, LongTimePattern());
  if (!hasTime) return QtDate(dt, ShortDatePattern());
  return QtDate(dt, ShortDatePattern()) + u' ' + QtDate(dt, LongTimePattern());
}

struct DateTok {
  enum Kind { Lit, Day, Weekday, Month, Minute, MonthOrMinute, Year, DayOfYear, Hour, Second,
              Quarter, Week, LongTime, General, AmPm } kind;
  int width = 0;   // run length
  QString text;    // literal text, or the written AM/PM form
};

std::vector<DateTok> DateTokens(const QString& pattern) {
  std::vector<DateTok> toks;
  auto lit = [&](const QString& t) {
    if (!toks.empty() && toks.back().kind == DateTok::Lit) toks.back().text += t;
    else toks.push_back({DateTok::Lit, 0, t});
  };
  qsizetype i = 0;
  while (i < pattern.size()) {
    const QChar c = pattern[i];
    if (c == u'"') {
      const qsizetype end = pattern.indexOf(u'"', i + 1);
      lit(pattern.mid(i + 1, (end < 0 ? pattern.size() : end) - i - 1));
      i = end < 0 ? pattern.size() : end + 1;
      continue;
    }
    if (c == u'\\' && i + 1 < pattern.size()) {
      lit(pattern.mid(i + 1, 1));
      i += 2;
      continue;
    }
    const QStringView rest = QStringView(pattern).mid(i);
    bool matched = false;
    for (const char* form : {"AM/PM", "A/P", "AMPM"}) {
      const QLatin1String f(form);
      if (rest.startsWith(f, Qt::CaseInsensitive)) {
        toks.push_back({DateTok::AmPm, 0, rest.first(f.size()).toString()});
        i += f.size();
        matched = true;
        break;
      }
    }
    if (matched) continue;
    const QChar l = c.toLower();
    qsizetype n = 1;
    while (i + n < pattern.size() && pattern[i + n].toLower() == l) ++n;
    DateTok::Kind kind = DateTok::Lit;
    switch (l.unicode()) {
      case u'd': kind = n <= 2 ? DateTok::Day : DateTok::Weekday; break;
      case u'm': kind = n <= 2 ? DateTok::MonthOrMinute : DateTok::Month; break;
      case u'n': kind = DateTok::Minute; break;
      case u'y': kind = n == 1 ? DateTok::DayOfYear : DateTok::Year; break;
      case u'h': kind = DateTok::Hour; break;
      case u's': kind = DateTok::Second; break;
      case u'q': kind = DateTok::Quarter; break;
      case u'w': kind = DateTok::Week; break;
      case u'c': kind = DateTok::General; break;
      case u't': if (n >= 5) kind = DateTok::LongTime; break;
      default: break;
    }
    if (kind == DateTok::Lit) {
      lit(c == u'/' ? DateSeparator() : QString(c));
      i += 1;
    } else {
      toks.push_back({kind, static_cast<int>(n), {}});
      i += n;
    }
  }
  // m / mm after an hour or before a second are minutes.
  for (size_t k = 0; k < toks.size(); ++k) {
    if (toks[k].kind != DateTok::MonthOrMinute) continue;
    bool minute = false;
    for (size_t b = k; b-- > 0;)
      if (toks[b].kind != DateTok::Lit) { minute = toks[b].kind == DateTok::Hour; break; }
    for (size_t a = k + 1; !minute && a < toks.size(); ++a)
      if (toks[a].kind != DateTok::Lit) { minute = toks[a].kind == DateTok::Second; break; }
    toks[k].kind = minute ? DateTok::Minute : DateTok::Month;
  }
  return toks;
}

QString Two(int v) { return QStringLiteral("%1").arg(v, 2, 10, QChar(u'0')); }

QString FormatDateTime(const QDateTime& dt, const QString& pattern) {
  switch (NamedFormat(pattern)) {
    case Named::GeneralDate: return GeneralDate(dt);
    case Named::LongDate: return QtDate(dt, LongDatePattern());
    case Named::ShortDate: return QtDate(dt, ShortDatePattern());
    case Named::MediumDate: return QtDate(dt, QStringLiteral("dd-MMM-yyyy"));
    case Named::LongTime: return QtDate(dt, LongTimePattern());
    case Named::MediumTime: return FormatDateTime(dt, QStringLiteral("hh:mm AMPM"));
    case Named::ShortTime: return FormatDateTime(dt, QStringLiteral("hh:mm"));
    default: break;
  }
  if (pattern.isEmpty()) return GeneralDate(dt);
  const std::vector<DateTok> toks = DateTokens(pattern);
  bool twelve = false;
  for (const DateTok& t : toks) twelve = twelve || t.kind == DateTok::AmPm;
  const QLocale loc;
  const QDate d = dt.date();
  const QTime tm = dt.time();
  QString out;
  for (const DateTok& t : toks) {
    switch (t.kind) {
      case DateTok::Lit: out += t.text; break;
      case DateTok::Day: out += t.width == 1 ? QString::number(d.day()) : Two(d.day()); break;
      case DateTok::Weekday:
        if (t.width == 3) out += NoDot(loc.dayName(d.dayOfWeek(), QLocale::ShortFormat));
        else if (t.width == 4) out += loc.dayName(d.dayOfWeek(), QLocale::LongFormat);
        else if (t.width == 5) out += QtDate(dt, ShortDatePattern());
        else out += QtDate(dt, LongDatePattern());
        break;
      case DateTok::Month:
        if (t.width == 1) out += QString::number(d.month());
        else if (t.width == 2) out += Two(d.month());
        else if (t.width == 3) out += NoDot(loc.monthName(d.month(), QLocale::ShortFormat));
        else out += loc.monthName(d.month(), QLocale::LongFormat);
        break;
      case DateTok::Minute:
      case DateTok::MonthOrMinute:
        out += t.width == 1 ? QString::number(tm.minute()) : Two(tm.minute());
        break;
      case DateTok::Year:
        out += t.width == 2 ? Two(d.year() % 100) : QStringLiteral("%1").arg(d.year(), 4, 10, QChar(u'0'));
        break;
      case DateTok::DayOfYear: out += QString::number(d.dayOfYear()); break;
      case DateTok::Hour: {
        int h = tm.hour();
        if (twelve) h = h % 12 == 0 ? 12 : h % 12;
        out += t.width == 1 ? QString::number(h) : Two(h);
        break;
      }
      case DateTok::Second: out += t.width == 1 ? QString::number(tm.second()) : Two(tm.second()); break;
      case DateTok::Quarter: out += QString::number((d.month() - 1) / 3 + 1); break;
      case DateTok::Week:
        out += QString::number(t.width == 1 ? d.dayOfWeek() % 7 + 1 : d.weekNumber());
        break;
      case DateTok::LongTime: out += QtDate(dt, LongTimePattern()); break;
      case DateTok::General: out += GeneralDate(dt); break;
      case DateTok::AmPm: {
        const bool pm = tm.hour() >= 12;
        const QString& w = t.text;
        if (w.compare(QLatin1String("AMPM"), Qt::CaseInsensitive) == 0) {
          out += pm ? loc.pmText() : loc.amText();
        } else if (w.size() == 3) {  // A/P
          out += pm ? w[2] : w[0];
        } else {  // AM/PM in the case written
          out += pm ? w.mid(3, 2) : w.left(2);
        }
        break;
      }
    }
  }
  return out;
}

double Serial(const QDateTime& dt) {
  return static_cast<double>(ZeroDate().daysTo(dt.date())) + dt.time().msecsSinceStartOfDay() / 86400000.0;
}

std::optional<QDateTime> DateOf(const QVariant& value) {
  switch (value.metaType().id()) {
    case QMetaType::QDate: return QDateTime(value.toDate(), QTime(0, 0));
    case QMetaType::QDateTime: return value.toDateTime();
    case QMetaType::QTime: return QDateTime(ZeroDate(), value.toTime());
    default: return std::nullopt;
  }
}

}  // namespace

QString Format(const QVariant& value, const QString& pattern) {
  if (!value.isValid() || value.isNull()) return {};
  const Named named = NamedFormat(pattern);
  const bool datePattern = IsNamedDate(named) ||
                           (named == Named::None && !HasDigitPlaceholders(pattern) && HasDateTokens(pattern));
  const bool numberPattern = !datePattern && !pattern.isEmpty();

  if (auto dt = DateOf(value)) {
    if (numberPattern) return FormatNumber(DecimalDigits::FromDouble(Serial(*dt)), pattern);
    return FormatDateTime(*dt, pattern);
  }
  if (value.metaType().id() == QMetaType::Bool && pattern.isEmpty())
    return value.toBool() ? QStringLiteral("True") : QStringLiteral("False");
  if (auto num = NumberOf(value)) {
    if (datePattern) {
      const QDateTime dt = FromSerial(num->ToDouble());
      return dt.isValid() ? FormatDateTime(dt, pattern) : FormatNumber(*num, QString());
    }
    return FormatNumber(*num, pattern);
  }
  const QString text = value.toString();
  if (pattern.isEmpty()) return text;
  if (numberPattern || IsNamedNumber(named)) {
    if (const auto c = NumericCText(text))
      if (const auto d = DecimalDigits::FromCText(*c)) return FormatNumber(*d, pattern);
  }
  if (const auto dt = ParseDateTime(text)) {
    if (numberPattern) return FormatNumber(DecimalDigits::FromDouble(Serial(*dt)), pattern);
    return FormatDateTime(*dt, pattern);
  }
  if (datePattern) {
    if (const auto c = NumericCText(text)) {
      const QDateTime dt = FromSerial(c->toDouble());
      if (dt.isValid()) return FormatDateTime(dt, pattern);
    }
  }
  return text;
}

}  // namespace rt
