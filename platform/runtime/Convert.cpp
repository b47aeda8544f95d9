#include "platform/runtime/Convert.h"

#include <cmath>
#include <limits>

#include "platform/runtime/DecimalDigits.h"
#include "platform/runtime/Error.h"
#include "platform/runtime/LocaleInfo.h"

namespace rt {

namespace {

bool IsBlank(QChar c) {
  return c == u' ' || c == u'\t' || c == u'\n' || c == u'\r' || c == QChar(0x00A0);
}

bool IsMinus(QChar c) { return c == u'-' || c == QChar(0x2212); }

// Value of one digit in base 16 or 8; -1 when it is not one.
int DigitValue(QChar c, int radix) {
  const char16_t u = c.unicode();
  int d = -1;
  if (u >= u'0' && u <= u'9') d = u - u'0';
  else if (u >= u'a' && u <= u'f') d = u - u'a' + 10;
  else if (u >= u'A' && u <= u'F') d = u - u'A' + 10;
  return d < radix ? d : -1;
}

// Digits of an &H / &O literal, as a signed value: up to four digits read as a
// 16-bit number when `shortForm`, otherwise as 32 bits.
std::optional<double> RadixLiteral(QStringView digits, int radix, bool shortForm) {
  if (digits.isEmpty()) return std::nullopt;
  uint64_t v = 0;
  for (QChar c : digits) {
    const int d = DigitValue(c, radix);
    if (d < 0) return std::nullopt;
    v = v * static_cast<uint64_t>(radix) + static_cast<uint64_t>(d);
    if (v > 0xFFFFFFFFull) return std::nullopt;
  }
  if (shortForm && v <= 0xFFFF) return static_cast<double>(static_cast<int16_t>(v));
  return static_cast<double>(static_cast<int32_t>(static_cast<uint32_t>(v)));
}

// Splits off a leading "&H"/"&O" prefix; 0 when there is none.
int RadixOf(QStringView s) {
  if (s.size() < 2 || s[0] != u'&') return 0;
  const QChar p = s[1].toUpper();
  if (p == u'H') return 16;
  if (p == u'O') return 8;
  return 0;
}

bool StartsWithAt(QStringView s, qsizetype pos, const QString& what) {
  return !what.isEmpty() && s.mid(pos).startsWith(what);
}

}  // namespace

std::optional<QString> NumericCText(const QString& text) {
  return NumericCText(text, LocaleInfo::Current());
}

std::optional<QString> NumericCText(const QString& text, const LocaleInfo& loc) {
  QStringView s(text);
  while (!s.isEmpty() && IsBlank(s.front())) s = s.mid(1);
  while (!s.isEmpty() && IsBlank(s.back())) s.chop(1);
  if (s.isEmpty()) return std::nullopt;

  if (const int radix = RadixOf(s)) {
    const auto v = RadixLiteral(s.mid(2), radix, false);
    if (!v) return std::nullopt;
    return QString::number(static_cast<int64_t>(*v));
  }

  bool negative = false;
  if (s.front() == u'(' && s.back() == u')') {
    negative = true;
    s = s.mid(1, s.size() - 2);
  }

  // Affixes: sign and currency symbol, each at most once, before or after the digits.
  bool haveSign = false, haveCurrency = false;
  auto eatAffix = [&](QStringView& v, bool front) {
    for (;;) {
      while (!v.isEmpty() && IsBlank(front ? v.front() : v.back()))
        v = front ? v.mid(1) : v.first(v.size() - 1);
      if (v.isEmpty()) return;
      const QChar c = front ? v.front() : v.back();
      if (!haveSign && (IsMinus(c) || c == u'+')) {
        haveSign = true;
        if (IsMinus(c)) negative = !negative;
        v = front ? v.mid(1) : v.first(v.size() - 1);
        continue;
      }
      const QString& cur = loc.currencySymbol;
      if (!haveCurrency && !cur.isEmpty() && (front ? v.startsWith(cur) : v.endsWith(cur))) {
        haveCurrency = true;
        v = front ? v.mid(cur.size()) : v.first(v.size() - cur.size());
        continue;
      }
      return;
    }
  };
  eatAffix(s, true);
  eatAffix(s, false);
  if (s.isEmpty()) return std::nullopt;

  const bool groupIsSpace =
      loc.groupSeparator == QString(QChar(0x00A0)) || loc.groupSeparator == QString(QChar(0x202F));
  QString plain;  // digits in C form
  plain.reserve(s.size() + 1);
  qsizetype i = 0;
  int digits = 0;
  bool inFraction = false;
  while (i < s.size()) {
    const QChar c = s[i];
    if (c >= u'0' && c <= u'9') {
      plain += c;
      ++digits;
      ++i;
    } else if (!inFraction && StartsWithAt(s, i, loc.decimalSeparator)) {
      plain += u'.';
      inFraction = true;
      i += loc.decimalSeparator.size();
    } else if (!inFraction && digits > 0 &&
               (StartsWithAt(s, i, loc.groupSeparator) || (groupIsSpace && c == u' '))) {
      i += StartsWithAt(s, i, loc.groupSeparator) ? loc.groupSeparator.size() : 1;
    } else {
      break;
    }
  }
  if (digits == 0) return std::nullopt;
  if (i < s.size()) {
    const QChar e = s[i].toUpper();
    if (e != u'E' && e != u'D') return std::nullopt;
    ++i;
    QString exp = QStringLiteral("e");
    if (i < s.size() && (s[i] == u'+' || IsMinus(s[i]))) {
      exp += IsMinus(s[i]) ? u'-' : u'+';
      ++i;
    }
    const qsizetype start = i;
    while (i < s.size() && s[i] >= u'0' && s[i] <= u'9') exp += s[i++];
    if (i == start || i != s.size()) return std::nullopt;
    plain += exp;
  }
  bool ok = false;
  const double v = plain.toDouble(&ok);  // C locale
  if (!ok || !std::isfinite(v)) return std::nullopt;
  return negative ? QStringLiteral("-") + plain : plain;
}

std::optional<double> ParseNumeric(const QString& text) {
  const auto plain = NumericCText(text);
  if (!plain) return std::nullopt;
  return plain->toDouble();
}

std::optional<QString> StrictNumericCText(const QString& text, const LocaleInfo& loc) {
  const QString& group = loc.groupSeparator;
  // Where the locale groups with a no-break space, a plain blank between digits groups too.
  const bool groupIsSpace = group == QString(QChar(0x00A0)) || group == QString(QChar(0x202F));
  auto isDigit = [&](qsizetype i) { return i >= 0 && i < text.size() && text[i] >= u'0' && text[i] <= u'9'; };
  bool first = true;
  for (qsizetype at = 0; at < text.size(); ++at) {
    qsizetype size = 0;
    if (!group.isEmpty() && StartsWithAt(text, at, group)) {
      size = group.size();
    } else if (groupIsSpace && text[at] == u' ' && isDigit(at - 1) && isDigit(at + 1)) {
      size = 1;
    } else {
      continue;
    }
    if (first) {
      qsizetype before = 0;
      while (isDigit(at - 1 - before)) ++before;
      if (before < 1 || before > 3) return std::nullopt;
      first = false;
    }
    qsizetype after = 0;
    while (isDigit(at + size + after)) ++after;
    if (after != 3) return std::nullopt;
    at += size - 1;
  }
  return NumericCText(text, loc);
}

bool IsNumeric(const QString& text) { return ParseNumeric(text).has_value(); }

std::optional<double> ParseStored(const QString& text) {
  static const LocaleInfo stored = LocaleInfo::Stored();
  const auto plain = NumericCText(text, stored);
  if (!plain) return std::nullopt;
  return plain->toDouble();
}

double Val(const QString& text) {
  // Blanks are ignored anywhere, as if removed first.
  QString s;
  s.reserve(text.size());
  for (QChar c : text)
    if (c != u' ' && c != u'\t' && c != u'\n' && c != u'\r') s += c;
  if (const int radix = RadixOf(s)) {
    qsizetype n = 2;
    while (n < s.size() && DigitValue(s[n], radix) >= 0) ++n;
    const bool shortForm = n - 2 <= 4;
    return RadixLiteral(QStringView(s).mid(2, n - 2), radix, shortForm).value_or(0.0);
  }
  QString plain;
  qsizetype i = 0;
  if (i < s.size() && (s[i] == u'-' || s[i] == u'+')) plain += s[i++];
  int digits = 0;
  bool point = false;
  while (i < s.size()) {
    if (s[i] >= u'0' && s[i] <= u'9') {
      plain += s[i++];
      ++digits;
    } else if (!point && s[i] == u'.') {
      plain += s[i++];
      point = true;
    } else {
      break;
    }
  }
  if (digits == 0) return 0.0;
  if (i < s.size() && (s[i].toUpper() == u'E' || s[i].toUpper() == u'D')) {
    QString exp = QStringLiteral("e");
    qsizetype j = i + 1;
    if (j < s.size() && (s[j] == u'-' || s[j] == u'+')) exp += s[j++];
    const qsizetype start = j;
    while (j < s.size() && s[j] >= u'0' && s[j] <= u'9') exp += s[j++];
    if (j > start) plain += exp;
  }
  bool ok = false;
  const double v = plain.toDouble(&ok);
  if (!ok || !std::isfinite(v)) return 0.0;
  return v;
}

double RoundHalfEven(double value) {
  if (!std::isfinite(value)) return value;
  const double lower = std::floor(value);
  const double diff = value - lower;
  if (diff < 0.5) return lower;
  if (diff > 0.5) return lower + 1.0;
  return std::fmod(lower, 2.0) == 0.0 ? lower : lower + 1.0;
}

namespace {
template <typename T>
T RoundChecked(double value) {
  const double r = RoundHalfEven(value);
  if (!(r >= static_cast<double>(std::numeric_limits<T>::min()) &&
        r <= static_cast<double>(std::numeric_limits<T>::max())))
    Raise(kErrOverflow);
  return static_cast<T>(r);
}

double ParseOrMismatch(const QString& text) {
  const auto v = ParseNumeric(text);
  if (!v) Raise(kErrTypeMismatch);
  return *v;
}
}  // namespace

int32_t CLng(double value) { return RoundChecked<int32_t>(value); }
int16_t CInt(double value) { return RoundChecked<int16_t>(value); }
int32_t CLng(const QString& text) { return CLng(ParseOrMismatch(text)); }
int16_t CInt(const QString& text) { return CInt(ParseOrMismatch(text)); }
double CDbl(const QString& text) { return ParseOrMismatch(text); }

int32_t CLngStored(const QString& text) {
  const auto v = ParseStored(text);
  if (!v) Raise(kErrTypeMismatch);
  return CLng(*v);
}

QString CStr(double value) {
  return DecimalDigits::FromDouble(value).GeneralText(LocaleInfo::Current().decimalSeparator);
}

QString CStr(int64_t value) { return QString::number(value); }

QString Str(double value) {
  const QString t = DecimalDigits::FromDouble(value).GeneralText(QStringLiteral("."));
  return value < 0 ? t : QStringLiteral(" ") + t;
}

}  // namespace rt
