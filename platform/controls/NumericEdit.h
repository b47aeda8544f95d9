#pragma once
// NumericEdit: the entry field of every number the user types: whole numbers (counts,
// decimal places, part numbers), quantities and money amounts. One widget for all of
// them; its kind only sets the defaults (decimal places, range).
//
// The value is an rt::Currency, always inside [MinValue, MaxValue]; the widest range,
// ±99,999,999,999,999, is what an amount field N(20,4) holds with its sign. A value set
// by code is held as given (to the four decimal places of a Currency; a LongInteger
// field rounds it) and shown rounded to the field's decimal places, so a stored figure
// with more decimals than shown is read back unchanged until the user edits the field (a
// text left as the field showed it keeps that value); changing the places, FixedPoint or
// a range the value lies in keeps it. Typing and pasting read digits with a decimal
// point and grouping of either "." or ",", spaces of any kind and currency signs around
// them, and one leading sign, minus or plus: with both marks the last one is the decimal
// point; one mark used once is the locale's decimal separator, or grouping where the
// locale groups digits with it at that place (so "2.5" is 2.5 in a comma-decimal locale,
// "1.234,5" is 1234.5 in any); a mark used more than once groups. Digits are never
// joined across a mark that does not group. Every text typed or pasted stays; when the
// field is left (or Enter is pressed) a text that reads as no number, or a number past
// an end of the range for good (more digits only move it further), is named in a
// message (through the prompts) and the field keeps its value; Enter then stays in the
// field and does not press the window's default button. What the user types is the
// value, rounded once to the field's decimal places; when the field loses the focus or
// Enter is pressed the text is put back to that value (2.5 in a field without decimal
// places shows 3), and any other text left outside the range or empty is put back into
// it. With Spin on, the arrow buttons, the Up and Down keys and the mouse wheel step by
// Increment; with Spin off the field has no buttons and does not step. Test scripts set
// it through its own members (setText, setLongValue) or type into it with
// ui::test::TypeKeys; ui::test::SetText does not know it. User-interface thread only.

#include <QAbstractSpinBox>
#include <QString>
#include <cstdint>

#include "platform/runtime/Currency.h"

namespace ctl {

enum class NumericKind {
  Double,       // decimal places 2, the widest range
  Currency,     // decimal places 2, the widest range
  LongInteger,  // no decimal places, the 32-bit range
};

class NumericEdit : public QAbstractSpinBox {
  Q_OBJECT

 public:
  explicit NumericEdit(NumericKind kind, QWidget* parent = nullptr);

  NumericKind Kind() const { return kind_; }

  // The value; a text being typed counts as the value it will be put back to.
  rt::Currency Value() const;
  void setValue(rt::Currency value);
  // The value rounded to a whole number (half away from zero).
  int64_t LongValue() const;
  void setLongValue(int64_t value);

  // The value as text: CStr style (the locale's decimal separator, no grouping), with
  // every decimal place while FixedPoint is on and every decimal a held value has.
  // setText reads what typing reads and any other numeric text of the locale (sign
  // after the digits, exponent); text that is not a number gives 0, and a value
  // outside the range goes to the nearer end.
  QString Text() const;
  void setText(const QString& text);

  int DecimalPlaces() const { return decimals_; }
  // 0 to 4 (a LongInteger edit stays at 0); only what is shown is rounded to them.
  void setDecimalPlaces(int places);
  // Trailing zeros of the decimal places shown (true) or dropped (false, the default).
  bool FixedPoint() const { return fixedPoint_; }
  // The value as the field shows it: rounded to the decimal places, half away from zero.
  rt::Currency Rounded(rt::Currency value) const;
  void setFixedPoint(bool on);

  rt::Currency MinValue() const { return min_; }
  rt::Currency MaxValue() const { return max_; }
  // Sets the range (the ends swapped when given the wrong way round) and moves a value
  // outside it to the nearer end.
  void setRange(rt::Currency min, rt::Currency max);
  void setRange(int64_t min, int64_t max) { setRange(rt::Currency(min), rt::Currency(max)); }

  bool Spin() const { return spin_; }
  void setSpin(bool on);
  rt::Currency Increment() const { return increment_; }
  void setIncrement(rt::Currency step) { increment_ = step; }

  // QAbstractSpinBox
  void stepBy(int steps) override;
  QValidator::State validate(QString& input, int& pos) const override;
  void fixup(QString& input) const override;
  QSize sizeHint() const override;

 signals:
  // The value changed, by typing, stepping or code.
  void Change();

 protected:
  StepEnabled stepEnabled() const override;
  void keyPressEvent(QKeyEvent* event) override;

 private:
  enum class Parse { Unreadable, Empty, Number };
  struct Reading {
    Parse parse = Parse::Unreadable;
    __int128 raw = 0;  // a Number as a raw currency value, rounded at the places past four decimals
    bool negative = false;
  };
  // Reads typed or pasted text: spaces of any kind, currency signs and a sign around
  // the digits, grouping and a decimal point of either "." or ",".
  Reading Read(const QString& text) const;
  // What leaving the field says of a text: nothing, or that it is no number or a number
  // past an end of the range for good.
  enum class Naming { None, NotANumber, TooLarge, TooSmall };
  Naming Named(const Reading& r) const;
  rt::Currency Clamp(rt::Currency value) const;
  // The value a typed raw number stands for: in the range, at the decimal places.
  rt::Currency Typed(__int128 raw) const;
  // The value as text, rounded to the decimal places when `shown`; `grouped` as a
  // message names a range end: the locale's grouping, no padding zeros.
  QString Format(rt::Currency value, bool shown, bool grouped = false) const;
  // Takes the value (clamped; rounded to the places when `round` or a whole-number
  // field) and shows it.
  void Commit(rt::Currency value, bool round);
  void OnTextChanged(const QString& text);
  // The field is left: its text becomes the value; a text to be named is named in a
  // message and the field keeps the value it held.
  void Leave();

  NumericKind kind_;
  rt::Currency value_;
  rt::Currency held_;  // the value last put in the field, which its shown text stands for
  rt::Currency min_;
  rt::Currency max_;
  rt::Currency increment_ = rt::Currency(1);
  int decimals_ = 2;
  bool fixedPoint_ = false;
  bool spin_ = false;
  bool showing_ = false;  // Commit is putting the value's text in the field
  bool complaining_ = false;  // Leave is showing its message
};

}  // namespace ctl
