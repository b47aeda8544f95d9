#include "platform/controls/NumericEdit.h"

#include <QLineEdit>
#include <QStyle>
#include <QStyleOptionSpinBox>
#include <algorithm>
#include <limits>
#include <optional>
#include <vector>

#include "platform/runtime/Convert.h"
#include "platform/runtime/LocaleInfo.h"

namespace ctl {

namespace {

constexpr int kMaxDecimals = 4;
// The widest range of the decimal kinds: what an amount field of the tables (N(20,4))
// holds with its sign, fourteen digits before the four decimal places.
constexpr int64_t kWidestUnits = 99'999'999'999'999;
constexpr int kMaxIntegerDigits = 14;
// Digits read before a typed number is past every range (leading zeros not counted).
constexpr int kMaxTypedDigits = 18;

constexpr int64_t Pow10(int n) {
  int64_t p = 1;
  while (n-- > 0) p *= 10;
  return p;
}

// Rounds a raw currency value (1/10000 units) to `decimals` places, half away from
// zero, saturating at the 64-bit range.
int64_t RoundRaw(__int128 raw, int decimals) {
  const int64_t unit = Pow10(kMaxDecimals - decimals);
  __int128 q = raw / unit;
  const __int128 rem = raw % unit;
  if ((rem < 0 ? -rem : rem) * 2 >= unit) q += raw < 0 ? -1 : 1;
  const __int128 rounded = q * unit;
  return static_cast<int64_t>(std::clamp<__int128>(rounded, std::numeric_limits<int64_t>::min(),
                                                   std::numeric_limits<int64_t>::max()));
}

}  // namespace

NumericEdit::NumericEdit(NumericKind kind, QWidget* parent) : QAbstractSpinBox(parent), kind_(kind) {
  if (kind == NumericKind::LongInteger) {
    decimals_ = 0;
    min_ = rt::Currency(std::numeric_limits<int32_t>::min());
    max_ = rt::Currency(std::numeric_limits<int32_t>::max());
  } else {
    min_ = rt::Currency(-kWidestUnits);
    max_ = rt::Currency(kWidestUnits);
  }
  setButtonSymbols(QAbstractSpinBox::NoButtons);
  setAccelerated(true);
  lineEdit()->setText(Format(value_, true));
  connect(lineEdit(), &QLineEdit::textChanged, this, &NumericEdit::OnTextChanged);
  connect(this, &QAbstractSpinBox::editingFinished, this, [this] { Commit(value_, false); });
}

rt::Currency NumericEdit::Value() const { return value_; }

void NumericEdit::setValue(rt::Currency value) { Commit(value, false); }

int64_t NumericEdit::LongValue() const { return RoundRaw(value_.Raw(), 0) / rt::Currency::kScale; }

void NumericEdit::setLongValue(int64_t value) {
  const int64_t units = std::clamp(value, -kWidestUnits, kWidestUnits);
  Commit(rt::Currency(units), false);
}

QString NumericEdit::Text() const { return Format(value_, false); }

void NumericEdit::setText(const QString& text) {
  rt::Currency value;
  __int128 raw = 0;
  if (ParseTyped(text, raw) == Parse::Number) {
    value = rt::Currency::FromRaw(static_cast<int64_t>(std::clamp<__int128>(raw, min_.Raw(), max_.Raw())));
  } else if (const std::optional<QString> c = rt::StrictNumericCText(text, rt::LocaleInfo::Current())) {
    try {
      value = rt::Currency::FromCText(*c);
    } catch (...) {
      // Beyond the currency range: the nearer end of the field's range.
      value = c->startsWith(QLatin1Char('-')) ? min_ : max_;
    }
  }
  Commit(value, false);
}

void NumericEdit::setDecimalPlaces(int places) {
  if (kind_ == NumericKind::LongInteger) return;
  decimals_ = std::clamp(places, 0, kMaxDecimals);
  Commit(value_, false);
}

void NumericEdit::setFixedPoint(bool on) {
  fixedPoint_ = on;
  Commit(value_, false);
}

void NumericEdit::setRange(rt::Currency min, rt::Currency max) {
  if (max < min) std::swap(min, max);
  min_ = min;
  max_ = max;
  Commit(value_, false);
}

void NumericEdit::setSpin(bool on) {
  spin_ = on;
  setButtonSymbols(on ? QAbstractSpinBox::UpDownArrows : QAbstractSpinBox::NoButtons);
  updateGeometry();
}

void NumericEdit::stepBy(int steps) {
  if (!spin_) return;
  // From the value shown, so a held value with more decimals steps to a value of the places.
  const __int128 raw = static_cast<__int128>(Round(value_).Raw()) +
                       static_cast<__int128>(increment_.Raw()) * steps;
  Commit(Typed(raw), true);
  lineEdit()->selectAll();
}

QAbstractSpinBox::StepEnabled NumericEdit::stepEnabled() const {
  if (!spin_ || isReadOnly()) return StepNone;
  StepEnabled enabled = StepNone;
  if (value_ < max_) enabled |= StepUpEnabled;
  if (min_ < value_) enabled |= StepDownEnabled;
  return enabled;
}

QValidator::State NumericEdit::validate(QString& input, int&) const {
  __int128 raw = 0;
  switch (ParseTyped(input, raw)) {
    case Parse::Invalid:
      return QValidator::Invalid;
    case Parse::Partial:
      return QValidator::Intermediate;
    case Parse::Number:
      break;
  }
  if (raw >= min_.Raw() && raw <= max_.Raw()) return QValidator::Acceptable;
  // More typing only moves a number further from zero: past the end on its own side
  // of zero it can never come back.
  if ((raw > max_.Raw() && raw > 0) || (raw < min_.Raw() && raw < 0)) return QValidator::Invalid;
  return QValidator::Intermediate;
}

void NumericEdit::fixup(QString& input) const {
  __int128 raw = 0;
  const bool number = ParseTyped(input, raw) == Parse::Number;
  input = Format(Typed(number ? raw : 0), true);
}

QSize NumericEdit::sizeHint() const {
  ensurePolished();
  const QFontMetrics fm(font());
  const int text = std::max(fm.horizontalAdvance(Format(min_, true)), fm.horizontalAdvance(Format(max_, true)));
  const int width = std::min(text, fm.horizontalAdvance(QString(kMaxIntegerDigits, QLatin1Char('9')))) +
                    fm.horizontalAdvance(QLatin1Char(' ')) * 2;
  QStyleOptionSpinBox opt;
  initStyleOption(&opt);
  const int height = lineEdit()->sizeHint().height();
  return style()->sizeFromContents(QStyle::CT_SpinBox, &opt, QSize(width, height), this);
}

NumericEdit::Parse NumericEdit::ParseTyped(const QString& text, __int128& raw) const {
  const rt::LocaleInfo loc = rt::LocaleInfo::Current();
  const QString& currencySymbol = loc.currencySymbol;
  QStringView s = QStringView(text).trimmed();
  bool negative = false;
  bool currency = false;
  // A sign and a currency symbol before the digits, in either order.
  for (;;) {
    if (!negative && (s.startsWith(u'-') || (!loc.negativeSign.isEmpty() && s.startsWith(loc.negativeSign)))) {
      if (min_.Raw() >= 0) return Parse::Invalid;
      negative = true;
      s = s.mid(s.startsWith(u'-') ? 1 : loc.negativeSign.size()).trimmed();
    } else if (!currency && !currencySymbol.isEmpty() && s.startsWith(currencySymbol)) {
      currency = true;
      s = s.mid(currencySymbol.size()).trimmed();
    } else {
      break;
    }
  }
  // The start of a currency symbol being typed.
  const auto currencyStart = [&](QStringView rest) {
    return !currency && !rest.isEmpty() && QStringView(currencySymbol).startsWith(rest);
  };
  if (currencyStart(s) && !s.front().isDigit()) return Parse::Partial;

  // Digit runs and the separators between them; a separator is the locale's decimal
  // separator, its grouping, or the other of "." and "," (which may be the grouping).
  const QString& decimal = loc.decimalSeparator;
  const QString& group = loc.groupSeparator;
  const bool groupIsSpace = group == QString(QChar(0x00A0)) || group == QString(QChar(0x202F));
  const QChar otherPoint = decimal == QLatin1String(".") ? u',' : u'.';
  struct Separator {
    bool decimal = false;
    bool group = false;
    bool point = false;  // the other point, taken as the decimal point where it does not group
  };
  QString digits;
  std::vector<int> runs{0};
  std::vector<Separator> separators;
  for (qsizetype i = 0; i < s.size();) {
    const QChar ch = s[i];
    if (ch.isDigit() && ch.unicode() < 128) {
      digits += ch;
      ++runs.back();
      ++i;
      continue;
    }
    const QStringView rest = s.mid(i);
    Separator sep;
    qsizetype size = 1;
    if (!decimal.isEmpty() && rest.startsWith(decimal)) {
      sep.decimal = true;
      size = decimal.size();
    } else {
      if (!group.isEmpty() && rest.startsWith(group)) {
        sep.group = true;
        size = group.size();
      } else if (groupIsSpace && ch == u' ') {
        sep.group = true;
      }
      sep.point = ch == otherPoint;
    }
    if (!sep.decimal && !sep.group && !sep.point) {
      // A currency symbol after the digits ends the number.
      const QStringView tail = rest.trimmed();
      if (!currencyStart(tail)) return Parse::Invalid;
      if (tail.size() < currencySymbol.size()) return Parse::Partial;
      break;
    }
    separators.push_back(sep);
    runs.push_back(0);
    i += size;
  }

  // A separator groups where it is the locale's grouping after one to three digits (not
  // a leading zero), or after a group, and before three digits.
  const size_t count = separators.size();
  const auto groups = [&](size_t k) {
    return separators[k].group && runs[k + 1] == 3 &&
           (k > 0 || (runs[0] >= 1 && runs[0] <= 3 && digits.front() != u'0'));
  };
  size_t point = count;  // the decimal point's index, count for none
  for (size_t k = 0; k < count && point == count; ++k) {
    if (separators[k].decimal) point = k;
  }
  bool groupTyped = false;  // the last group is being typed
  if (point == count && count > 0 && !groups(count - 1)) {
    if (separators[count - 1].point) {
      point = count - 1;
    } else if (runs[count] < 3) {
      groupTyped = true;
    } else {
      return Parse::Invalid;
    }
  }
  if (point < count && point + 1 < count) return Parse::Invalid;  // a separator after the point
  const size_t grouped = point < count ? point : count - (groupTyped ? 1 : 0);
  for (size_t k = 0; k < grouped; ++k) {
    if (!groups(k)) return Parse::Invalid;
  }
  if (digits.isEmpty() || groupTyped) return Parse::Partial;

  qsizetype integerCount = 0;
  for (size_t k = 0; k <= std::min(point, count); ++k) integerCount += runs[k];
  if (digits.size() - integerCount > kMaxDecimals) return Parse::Invalid;  // a value holds four decimals
  __int128 units = 0;
  __int128 fraction = 0;
  int integerDigits = 0;
  for (qsizetype i = 0; i < digits.size(); ++i) {
    const int digit = digits[i].unicode() - '0';
    if (i >= integerCount) {
      fraction = fraction * 10 + digit;
    } else {
      if ((units != 0 || digit != 0) && ++integerDigits > kMaxTypedDigits) return Parse::Invalid;
      units = units * 10 + digit;
    }
  }
  const auto fractionDigits = static_cast<int>(digits.size() - integerCount);
  const __int128 value = units * rt::Currency::kScale + fraction * Pow10(kMaxDecimals - fractionDigits);
  raw = negative ? -value : value;
  return Parse::Number;
}

rt::Currency NumericEdit::Clamp(rt::Currency value) const { return std::clamp(value, min_, max_); }

rt::Currency NumericEdit::Typed(__int128 raw) const {
  const __int128 inRange = std::clamp<__int128>(raw, min_.Raw(), max_.Raw());
  return Clamp(Round(rt::Currency::FromRaw(static_cast<int64_t>(inRange))));
}

rt::Currency NumericEdit::Round(rt::Currency value) const {
  return rt::Currency::FromRaw(RoundRaw(value.Raw(), decimals_));
}

QString NumericEdit::Format(rt::Currency value, bool shown) const {
  const rt::LocaleInfo loc = rt::LocaleInfo::Current();
  const int64_t raw = shown ? Round(value).Raw() : value.Raw();
  const uint64_t magnitude = raw < 0 ? 0 - static_cast<uint64_t>(raw) : static_cast<uint64_t>(raw);
  QString text = QString::number(magnitude / rt::Currency::kScale);
  QString fraction = QStringLiteral("%1").arg(magnitude % rt::Currency::kScale, kMaxDecimals, 10,
                                              QLatin1Char('0'));
  const qsizetype padded = fixedPoint_ ? decimals_ : 0;
  while (fraction.size() > padded && fraction.endsWith(QLatin1Char('0'))) fraction.chop(1);
  if (!fraction.isEmpty()) text += loc.decimalSeparator + fraction;
  if (raw < 0) text.prepend(loc.negativeSign.isEmpty() ? QStringLiteral("-") : loc.negativeSign);
  return text;
}

void NumericEdit::Commit(rt::Currency value, bool round) {
  const rt::Currency next = Clamp(round || kind_ == NumericKind::LongInteger ? Round(value) : value);
  const bool changed = next != value_;
  value_ = next;
  const QString text = Format(value_, true);
  if (lineEdit()->text() != text) {
    showing_ = true;
    lineEdit()->setText(text);
    showing_ = false;
  }
  if (changed) emit Change();
}

void NumericEdit::OnTextChanged(const QString& text) {
  if (showing_) return;  // the value shown, not an edit
  __int128 raw = 0;
  const bool number = ParseTyped(text, raw) == Parse::Number;
  const rt::Currency next = Typed(number ? raw : 0);
  if (next == value_) return;
  value_ = next;
  emit Change();
}

}  // namespace ctl
