#include "platform/controls/NumericEdit.h"

#include <QKeyEvent>
#include <QLineEdit>
#include <QStyle>
#include <QStyleOptionSpinBox>
#include <algorithm>
#include <limits>
#include <optional>
#include <vector>

#include "platform/runtime/Convert.h"
#include "platform/runtime/LocaleInfo.h"
#include "platform/ui/Prompt.h"

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
  connect(this, &QAbstractSpinBox::editingFinished, this, &NumericEdit::Leave);
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
  if (const Reading r = Read(text); r.parse == Parse::Number) {
    value = rt::Currency::FromRaw(static_cast<int64_t>(std::clamp<__int128>(r.raw, min_.Raw(), max_.Raw())));
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
  const __int128 raw = static_cast<__int128>(Rounded(value_).Raw()) +
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
  // Every text stays as typed; one to be named is named when the field is left.
  const Reading r = Read(input);
  if (r.parse != Parse::Number) return QValidator::Intermediate;
  const int64_t shown = RoundRaw(r.raw, decimals_);
  return shown >= min_.Raw() && shown <= max_.Raw() ? QValidator::Acceptable : QValidator::Intermediate;
}

void NumericEdit::fixup(QString& input) const {
  const Reading r = Read(input);
  if (Named(r) == Naming::None) input = Format(Typed(r.raw), true);
}

NumericEdit::Naming NumericEdit::Named(const Reading& r) const {
  if (r.parse == Parse::Unreadable) return Naming::NotANumber;
  if (r.parse == Parse::Empty) return Naming::None;
  // More typing only moves a number further from zero: past the end on its own side
  // of zero it can never come back.
  const int64_t shown = RoundRaw(r.raw, decimals_);
  if (shown > max_.Raw() && shown > 0) return Naming::TooLarge;
  if (shown < min_.Raw() && shown < 0) return Naming::TooSmall;
  return Naming::None;
}

void NumericEdit::keyPressEvent(QKeyEvent* event) {
  // Enter on a text to be named names it and stays in the field: it does not also press
  // the window's default button.
  if ((event->key() == Qt::Key_Return || event->key() == Qt::Key_Enter) &&
      Named(Read(lineEdit()->text())) != Naming::None) {
    Leave();
    lineEdit()->selectAll();
    event->accept();
    return;
  }
  QAbstractSpinBox::keyPressEvent(event);
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

NumericEdit::Reading NumericEdit::Read(const QString& text) const {
  const rt::LocaleInfo loc = rt::LocaleInfo::Current();
  Reading r;
  QStringView s(text);
  // Spaces of any kind, currency signs and one sign around the digits.
  const auto currencyAt = [&](QStringView v, bool front) -> qsizetype {
    const QString& symbol = loc.currencySymbol;
    if (!symbol.isEmpty() && (front ? v.startsWith(symbol) : v.endsWith(symbol))) return symbol.size();
    const QChar ch = front ? v.front() : v.back();
    return ch.category() == QChar::Symbol_Currency ? 1 : 0;
  };
  // A sign: a minus ("-", U+2212 or the locale's) or a plus ("+" or the locale's).
  const auto signAt = [&](QStringView v, bool& minus) -> qsizetype {
    minus = v.front() == u'-' || v.front() == QChar(0x2212);
    if (minus || v.front() == u'+') return 1;
    minus = !loc.negativeSign.isEmpty() && v.startsWith(loc.negativeSign);
    if (minus) return loc.negativeSign.size();
    return !loc.positiveSign.isEmpty() && v.startsWith(loc.positiveSign) ? loc.positiveSign.size() : 0;
  };
  bool signRead = false;
  for (bool more = true; more && !s.isEmpty();) {
    more = false;
    if (s.front().isSpace()) {
      s = s.mid(1);
      more = true;
    } else if (const qsizetype n = currencyAt(s, true)) {
      s = s.mid(n);
      more = true;
    } else if (bool minus = false; !signRead) {
      if (const qsizetype sign = signAt(s, minus)) {
        signRead = true;
        r.negative = minus;
        s = s.mid(sign);
        more = true;
      }
    }
  }
  for (bool more = true; more && !s.isEmpty();) {
    more = false;
    if (s.back().isSpace()) {
      s.chop(1);
      more = true;
    } else if (const qsizetype n = currencyAt(s, false)) {
      s.chop(n);
      more = true;
    }
  }
  if (s.isEmpty()) {
    r.parse = Parse::Empty;
    return r;
  }

  // Digit runs and the single marks between them: "." and "," (a decimal point or
  // grouping), any space or the locale's grouping (grouping only).
  enum class Mark { Dot, Comma, Group };
  const QString& localeGroup = loc.groupSeparator;
  QString digits;
  std::vector<qsizetype> runs{0};
  std::vector<Mark> marks;
  for (qsizetype i = 0; i < s.size();) {
    const QChar ch = s[i];
    if (ch.unicode() >= '0' && ch.unicode() <= '9') {
      digits += ch;
      ++runs.back();
      ++i;
      continue;
    }
    qsizetype size = 1;
    Mark mark = Mark::Group;
    if (ch == u'.') {
      mark = Mark::Dot;
    } else if (ch == u',') {
      mark = Mark::Comma;
    } else if (!localeGroup.isEmpty() && s.mid(i).startsWith(localeGroup)) {
      size = localeGroup.size();
    } else if (!ch.isSpace()) {
      return r;  // no number
    }
    if (!marks.empty() && runs.back() == 0) return r;  // two marks together
    marks.push_back(mark);
    runs.push_back(0);
    i += size;
  }
  if (digits.isEmpty()) return r;

  // The decimal point: with both "." and ",", the last mark, the only one of its kind;
  // with one of them once, the locale's decimal separator, or the other where the
  // locale does not group digits with it at that place; used more than once, grouping.
  const size_t count = marks.size();
  const auto kind = [&](Mark m) { return static_cast<size_t>(std::count(marks.begin(), marks.end(), m)); };
  const size_t dots = kind(Mark::Dot), commas = kind(Mark::Comma);
  const QString localeDecimal = loc.decimalSeparator.isEmpty() ? QStringLiteral(".") : loc.decimalSeparator;
  // Digits grouped in threes before mark k (the first group one to three digits, not a
  // leading zero).
  const auto groupedBefore = [&](size_t k) {
    if (k == 0) return true;
    if (runs[0] < 1 || runs[0] > 3 || digits.front() == u'0') return false;
    for (size_t j = 1; j <= k; ++j) {
      if (runs[j] != 3) return false;
    }
    return true;
  };
  size_t point = count;  // count: none
  if (dots > 0 && commas > 0) {
    if (marks.back() == Mark::Group || kind(marks.back()) != 1) return r;
    point = count - 1;
  } else if (dots + commas == 1) {
    const size_t k = static_cast<size_t>(std::find_if(marks.begin(), marks.end(), [](Mark m) { return m != Mark::Group; }) -
                                         marks.begin());
    const QChar ch = marks[k] == Mark::Dot ? u'.' : u',';
    const bool groups = localeGroup == QString(ch) && runs[k + 1] == 3 && groupedBefore(k + 1);
    if (localeDecimal == QString(ch) || !groups) point = k;
  }
  if (point < count && point + 1 != count) return r;  // a mark after the decimal point
  if (!groupedBefore(std::min(point, count))) return r;

  qsizetype integerCount = 0;
  for (size_t k = 0; k <= std::min(point, count); ++k) integerCount += runs[k];
  const qsizetype fractionDigits = digits.size() - integerCount;
  if (fractionDigits > kMaxTypedDigits) return r;
  __int128 units = 0;
  __int128 scaled = 0;  // the number times 10^fractionDigits
  int integerDigits = 0;
  for (qsizetype i = 0; i < digits.size(); ++i) {
    const int digit = digits[i].unicode() - '0';
    if (i < integerCount && (units != 0 || digit != 0) && ++integerDigits > kMaxTypedDigits) {
      // Past every range: more digits only move it further.
      r.parse = Parse::Number;
      r.raw = (r.negative ? -1 : 1) * static_cast<__int128>(Pow10(kMaxTypedDigits)) * rt::Currency::kScale;
      return r;
    }
    if (i < integerCount) units = units * 10 + digit;
    scaled = scaled * 10 + digit;
  }
  __int128 value = 0;
  if (fractionDigits <= kMaxDecimals) {
    value = scaled * Pow10(kMaxDecimals - static_cast<int>(fractionDigits));
  } else {
    // Rounded once, at the field's places, half away from zero.
    const __int128 unit = static_cast<__int128>(Pow10(static_cast<int>(fractionDigits) - decimals_));
    __int128 q = scaled / unit;
    if ((scaled % unit) * 2 >= unit) ++q;
    value = q * Pow10(kMaxDecimals - decimals_);
  }
  r.parse = Parse::Number;
  r.raw = r.negative ? -value : value;
  return r;
}

rt::Currency NumericEdit::Clamp(rt::Currency value) const { return std::clamp(value, min_, max_); }

rt::Currency NumericEdit::Typed(__int128 raw) const {
  const __int128 inRange = std::clamp<__int128>(raw, min_.Raw(), max_.Raw());
  return Clamp(Rounded(rt::Currency::FromRaw(static_cast<int64_t>(inRange))));
}

rt::Currency NumericEdit::Rounded(rt::Currency value) const {
  return rt::Currency::FromRaw(RoundRaw(value.Raw(), decimals_));
}

QString NumericEdit::Format(rt::Currency value, bool shown, bool grouped) const {
  const rt::LocaleInfo loc = rt::LocaleInfo::Current();
  const int64_t raw = shown ? Rounded(value).Raw() : value.Raw();
  const uint64_t magnitude = raw < 0 ? 0 - static_cast<uint64_t>(raw) : static_cast<uint64_t>(raw);
  const qulonglong units = magnitude / rt::Currency::kScale;
  QString text = grouped ? QLocale().toString(units) : QString::number(units);
  QString fraction = QStringLiteral("%1").arg(magnitude % rt::Currency::kScale, kMaxDecimals, 10,
                                              QLatin1Char('0'));
  const qsizetype padded = fixedPoint_ && !grouped ? decimals_ : 0;
  while (fraction.size() > padded && fraction.endsWith(QLatin1Char('0'))) fraction.chop(1);
  if (!fraction.isEmpty()) text += loc.decimalSeparator + fraction;
  if (raw < 0) text.prepend(loc.negativeSign.isEmpty() ? QStringLiteral("-") : loc.negativeSign);
  return text;
}

void NumericEdit::Commit(rt::Currency value, bool round) {
  const rt::Currency next = Clamp(round || kind_ == NumericKind::LongInteger ? Rounded(value) : value);
  const bool changed = next != value_;
  value_ = next;
  held_ = next;
  const QString text = Format(value_, true);
  if (lineEdit()->text() != text) {
    showing_ = true;
    lineEdit()->setText(text);
    showing_ = false;
  }
  if (changed) emit Change();
}

void NumericEdit::Leave() {
  const QString text = lineEdit()->text();
  const Naming naming = Named(Read(text));
  Commit(value_, false);  // the held value when the text is named
  if (naming == Naming::None || complaining_) return;
  // Shown after the field holds its value again: the message takes the focus, which
  // leaves the field once more.
  complaining_ = true;
  QString rule;
  switch (naming) {
    case Naming::NotANumber:
      rule = QStringLiteral(" is not a number. Please type a number such as ") + QLocale().toString(1234.5, 'f', 2);
      break;
    case Naming::TooLarge:
      rule = QStringLiteral(" is too large. Please type a number no larger than ") + Format(max_, true, true);
      break;
    case Naming::TooSmall:
      rule = QStringLiteral(" is too small. Please type a number no smaller than ") + Format(min_, true, true);
      break;
    case Naming::None:
      break;
  }
  ui::MsgBox(QLatin1Char('"') + text + QLatin1Char('"') + rule + QStringLiteral(". The field keeps ") +
                 Format(value_, true) + QLatin1Char('.'),
             ui::vbExclamation | ui::vbOKOnly);
  complaining_ = false;
}

void NumericEdit::OnTextChanged(const QString& text) {
  if (showing_) return;  // the value shown, not an edit
  rt::Currency next = held_;
  // The text shown for the held value stands for it, decimals hidden by the places included.
  if (text != Format(held_, true)) {
    if (const Reading r = Read(text); Named(r) == Naming::None) next = Typed(r.raw);
  }
  if (next == value_) return;
  value_ = next;
  emit Change();
}

}  // namespace ctl
