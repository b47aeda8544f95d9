#include "platform/controls/NumericEdit.h"

#include <gtest/gtest.h>

#include <QApplication>
#include <QClipboard>
#include <QKeyEvent>
#include <limits>
#include <QLineEdit>

#include "platform/runtime/Currency.h"
#include "platform/ui/testing/TestPrompts.h"
#include "tests/support/TestEnv.h"

namespace ctl {
namespace {

rt::Currency Cur(const char* text) { return rt::Currency::FromCText(QString::fromLatin1(text)); }

QLineEdit& Line(NumericEdit& edit) { return *edit.findChild<QLineEdit*>(); }

void Key(QWidget& target, int key, const QString& text = {}) {
  QKeyEvent press(QEvent::KeyPress, key, Qt::NoModifier, text);
  QApplication::sendEvent(&target, &press);
  QKeyEvent release(QEvent::KeyRelease, key, Qt::NoModifier, text);
  QApplication::sendEvent(&target, &release);
}

// Types `keys` into the field as a user would, after selecting what it shows (or at its end).
void Type(NumericEdit& edit, const QString& keys, bool selectAll = true) {
  selectAll ? Line(edit).selectAll() : Line(edit).end(false);
  for (const QChar ch : keys) {
    if (ch == QLatin1Char('\b')) {
      Key(Line(edit), Qt::Key_Backspace);
    } else {
      Key(Line(edit), ch.toUpper().unicode(), QString(ch));
    }
  }
}

// Every message the fields show is scripted; any other fails the test.
class NumericEditTest : public ::testing::Test {
 protected:
  NumericEditTest() { prompts->SetOnUnexpected([](const QString& s) { ADD_FAILURE() << s.toStdString(); }); }
  ui::test::ScopedFakePrompts prompts;
};

TEST_F(NumericEditTest, KindsStartWithTheirDefaults) {
  NumericEdit whole(NumericKind::LongInteger);
  EXPECT_EQ(whole.DecimalPlaces(), 0);
  EXPECT_EQ(whole.MinValue(), rt::Currency(-2147483648LL));
  EXPECT_EQ(whole.MaxValue(), rt::Currency(2147483647));
  whole.setDecimalPlaces(2);  // a whole-number field keeps none
  EXPECT_EQ(whole.DecimalPlaces(), 0);
  NumericEdit money(NumericKind::Currency);
  EXPECT_EQ(money.DecimalPlaces(), 2);
  EXPECT_EQ(money.Text(), QStringLiteral("0"));
  EXPECT_FALSE(money.Spin());
}

TEST_F(NumericEditTest, ValuesAreClampedToTheRange) {
  const struct {
    int64_t min, max;
    const char* set;  // through setText
    const char* shown;
  } cases[] = {
      {0, 4, "3", "3"},        {0, 4, "9", "4"},
      {0, 4, "-2", "0"},       {0, 4, "abc", "0"},
      {5, 10, "", "5"},        {5, 10, "not a number", "5"},
      {-10, -5, "0", "-5"},    {0, 2000000000, "2000000001", "2000000000"},
      {0, 2000000000, "1,234", "1234"},  // the locale's grouping is read
      {0, 2000000000, "1,2.5", "0"},     // but digits are not joined across it
      {-9000000000, 9000000000, "1e30", "9000000000"},
      {-9000000000, 9000000000, "-1e30", "-9000000000"},
      {10, 0, "20", "10"},     // ends given the wrong way round
  };
  for (const auto& c : cases) {
    NumericEdit edit(NumericKind::Double);
    edit.setDecimalPlaces(0);
    edit.setRange(c.min, c.max);
    edit.setText(QString::fromLatin1(c.set));
    EXPECT_EQ(edit.Text(), QString::fromLatin1(c.shown)) << c.min << ".." << c.max << " " << c.set;
    EXPECT_GE(edit.Value(), edit.MinValue());
    EXPECT_LE(edit.Value(), edit.MaxValue());
  }
  NumericEdit edit(NumericKind::LongInteger);
  edit.setValue(rt::Currency(3));
  edit.setRange(5, 8);  // a new range moves the value into it
  EXPECT_EQ(edit.LongValue(), 5);
}

// A value set by code is shown at the field's places and read back as set until the
// user edits the field, whatever the places, FixedPoint or a range holding it become.
TEST_F(NumericEditTest, DecimalPlacesRoundWhatIsShownNotTheValueHeld) {
  const struct {
    const char* value;
    int places;
    bool fixed;
    const char* shown;
  } cases[] = {
      {"1.5", 0, false, "2"},         {"2.5", 0, false, "3"},  // half away from zero
      {"-2.5", 0, false, "-3"},       {"1.005", 2, false, "1.01"},
      {"1.2", 2, false, "1.2"},       {"1.2", 2, true, "1.20"},
      {"7", 4, true, "7.0000"},       {"0.00004", 4, false, "0"},
      {"-0.123", 2, true, "-0.12"},   {"1234567.891", 3, false, "1234567.891"},
      {"38.25", 0, true, "38"},       {"765.1", 0, true, "765"},
  };
  for (const auto& c : cases) {
    NumericEdit edit(NumericKind::Currency);
    edit.setDecimalPlaces(c.places);
    edit.setFixedPoint(c.fixed);
    edit.setText(QString::fromLatin1(c.value));
    Line(edit).setFocus();
    Key(edit, Qt::Key_Return);  // left without an edit
    EXPECT_EQ(Line(edit).text(), QString::fromLatin1(c.shown)) << c.value << " @" << c.places;
    EXPECT_EQ(edit.Value(), Cur(c.value)) << c.value << " @" << c.places;
    EXPECT_EQ(rt::CCur(edit.Text()), Cur(c.value)) << c.value;
  }
  NumericEdit edit(NumericKind::Double);
  edit.setValue(Cur("3.14159"));
  edit.setDecimalPlaces(1);
  edit.setFixedPoint(true);
  edit.setRange(-10, 10);
  EXPECT_EQ(Line(edit).text(), QStringLiteral("3.1"));
  EXPECT_EQ(edit.Value(), Cur("3.1416"));
  edit.setRange(0, 3);  // a range the value lies outside moves it
  EXPECT_EQ(edit.Value(), Cur("3"));
  edit.setValue(Cur("2.25"));
  Type(edit, QStringLiteral("2.2"));  // what the user types is the value
  EXPECT_EQ(edit.Value(), Cur("2.2"));
  edit.setValue(Cur("2.25"));
  edit.setSpin(true);
  edit.stepBy(-1);  // a step goes from what is shown
  EXPECT_EQ(edit.Value(), Cur("1.3"));
}

// What is typed stays; Enter puts the value back, or names a number past an end of the
// range for good (the field keeps its 0).
TEST_F(NumericEditTest, TypedTextStaysAndEnterPutsBackTheValue) {
  const struct {
    int64_t min, max;
    int places;
    const char* keys;
    const char* typed;  // the text while typing
    const char* after;  // after Enter
    const char* named = nullptr;  // the message after Enter, without the field's value
  } cases[] = {
      {0, 4, 0, "3", "3", "3"},
      {0, 4, 0, "34", "34", "0", "\"34\" is too large. Please type a number no larger than 4"},
      {0, 4, 0, "-1", "-1", "0", "\"-1\" is too small. Please type a number no smaller than 0"},
      {0, 4, 0, "-0", "-0", "0"},
      {0, 4, 0, "+3", "+3", "3"},
      {0, 4, 0, "+-3", "+-3", "0", "\"+-3\" is not a number. Please type a number such as 1,234.50"},
      {0, 4, 0, "2.", "2.", "2"},        // the separator is taken, the value rounded
      {0, 100, 2, "1.234", "1.234", "1.23"},
      {0, 100, 2, "1.23456", "1.23456", "1.23"},  // rounded once, at the places
      {0, 100, 2, "0.12495", "0.12495", "0.12"},
      {-50, 50, 0, "-51", "-51", "0", "\"-51\" is too small. Please type a number no smaller than -50"},
      {0, 5, 2, "5.004", "5.004", "5"},  // in the range at the places
      {-50, 50, 0, "-", "-", "0"},
      {5, 10, 0, "1", "1", "5"},         // below the start of the range: put back on Enter
      {0, 2000000000, 0, "1500", "1500", "1500"},
      {0, 4, 0, "3\b", "", "0"},         // emptied
  };
  for (const auto& c : cases) {
    NumericEdit edit(NumericKind::Double);
    edit.setDecimalPlaces(c.places);
    edit.setRange(c.min, c.max);
    Type(edit, QString::fromLatin1(c.keys));
    EXPECT_EQ(Line(edit).text(), QString::fromLatin1(c.typed)) << c.keys;
    if (c.named) prompts->Expect(QString::fromLatin1(c.named) + QStringLiteral(". The field keeps 0."));
    Key(edit, Qt::Key_Return);
    EXPECT_EQ(prompts->Pending(), 0) << c.keys;
    EXPECT_EQ(Line(edit).text(), QString::fromLatin1(c.after)) << c.keys;
    EXPECT_EQ(edit.Text(), QString::fromLatin1(c.after)) << c.keys;
  }
}

enum class Entry { Typed, Pasted, Set };

// Puts `input` into the field the way given, then presses Enter.
void Enter(NumericEdit& edit, Entry entry, const QString& input) {
  switch (entry) {
    case Entry::Typed:
      Type(edit, input);
      break;
    case Entry::Pasted:
      QGuiApplication::clipboard()->setText(input);
      Line(edit).selectAll();
      Line(edit).paste();
      break;
    case Entry::Set:
      edit.setText(input);
      break;
  }
  Key(edit, Qt::Key_Return);
}

// However a number comes in, the field ends up holding the number rounded to its places
// and inside its range; a typed or pasted text that could never come back into the
// range is named and the field keeps what it held, a text set by code goes to the
// nearer end. The default range fits an amount field of the tables, N(20,4).
TEST_F(NumericEditTest, EveryEntryIsRoundedToThePlacesAndKeptInTheRange) {
  constexpr int64_t kNoRange = 0;
  constexpr const char* kLarge = "is too large. Please type a number no larger than 99,999,999,999,999";
  constexpr const char* kSmall = "is too small. Please type a number no smaller than -99,999,999,999,999";
  constexpr const char* kLarge9 = "is too large. Please type a number no larger than 9,000,000,000";
  const struct {
    Entry entry;
    NumericKind kind;
    int places;
    int64_t limit;  // range -limit..limit; kNoRange: the kind's own
    const char* input;
    const char* shown;  // after the field is left
    const char* named = nullptr;  // the message, between the input and the value kept
  } cases[] = {
      {Entry::Typed, NumericKind::Double, 0, kNoRange, "2.5", "3"},
      {Entry::Typed, NumericKind::Double, 0, kNoRange, "-2.5", "-3"},
      {Entry::Typed, NumericKind::Currency, 2, kNoRange, "2.505", "2.51"},
      {Entry::Typed, NumericKind::Currency, 4, kNoRange, "1.23456", "1.2346"},
      {Entry::Typed, NumericKind::LongInteger, 0, kNoRange, "4.5", "5"},
      {Entry::Pasted, NumericKind::Double, 0, kNoRange, "2.5", "3"},
      {Entry::Pasted, NumericKind::Currency, 2, kNoRange, "0.125", "0.13"},
      // The widest range: fourteen digits, either sign.
      {Entry::Typed, NumericKind::Double, 0, kNoRange, "99999999999999", "99999999999999"},
      {Entry::Typed, NumericKind::Double, 0, kNoRange, "100000000000000", "7", kLarge},
      {Entry::Typed, NumericKind::Double, 0, kNoRange, "-999999999999999", "7", kSmall},
      {Entry::Typed, NumericKind::Currency, 4, kNoRange, "99999999999999.5", "7", kLarge},
      {Entry::Typed, NumericKind::Currency, 2, kNoRange, "+99999999999999.004", "99999999999999"},
      {Entry::Pasted, NumericKind::Double, 0, kNoRange, "-99999999999999", "-99999999999999"},
      {Entry::Pasted, NumericKind::Double, 0, kNoRange, "999999999999999", "7", kLarge},
      {Entry::Pasted, NumericKind::Currency, 2, kNoRange, "-999999999999999", "7", kSmall},
      {Entry::Pasted, NumericKind::Currency, 2, kNoRange, "92233720368547758.07", "7", kLarge},
      {Entry::Pasted, NumericKind::Currency, 2, kNoRange, "1234567890123456789012345", "7", kLarge},
      {Entry::Set, NumericKind::Currency, 2, kNoRange, "999999999999999", "99999999999999"},
      {Entry::Set, NumericKind::Currency, 2, kNoRange, "-999999999999999", "-99999999999999"},
      {Entry::Set, NumericKind::Currency, 2, kNoRange, "1e30", "99999999999999"},
      // A window's own range.
      {Entry::Typed, NumericKind::Double, 2, 9000000000, "9000000000", "9000000000"},
      {Entry::Typed, NumericKind::Double, 2, 9000000000, "10,000,000,000", "7", kLarge9},
      {Entry::Typed, NumericKind::Double, 2, 9000000000, "9000000000.01", "7", kLarge9},
      {Entry::Typed, NumericKind::Double, 2, 9000000000, "9000000000.004", "9000000000"},
      {Entry::Pasted, NumericKind::Double, 2, 9000000000, "-9000000000.01", "7",
       "is too small. Please type a number no smaller than -9,000,000,000"},
      {Entry::Set, NumericKind::Double, 2, 9000000000, "-9000000000.01", "-9000000000"},
      {Entry::Typed, NumericKind::LongInteger, 0, kNoRange, "2147483648", "7",
       "is too large. Please type a number no larger than 2,147,483,647"},
      {Entry::Set, NumericKind::LongInteger, 0, kNoRange, "-2147483649", "-2147483648"},
  };
  for (const auto& c : cases) {
    NumericEdit edit(c.kind);
    edit.setDecimalPlaces(c.places);
    if (c.limit != kNoRange) edit.setRange(-c.limit, c.limit);
    edit.setValue(rt::Currency(7));
    if (c.named) {
      prompts->Expect(QStringLiteral("\"%1\" %2. The field keeps 7.").arg(QLatin1String(c.input), QLatin1String(c.named)));
    }
    Enter(edit, c.entry, QString::fromLatin1(c.input));
    EXPECT_EQ(prompts->Pending(), 0) << c.input;
    EXPECT_EQ(edit.Text(), QString::fromLatin1(c.shown)) << c.input << " @" << c.places;
    EXPECT_EQ(Line(edit).text(), edit.Text()) << c.input;
    EXPECT_EQ(edit.Value(), Cur(c.shown)) << c.input;
  }
  NumericEdit edit(NumericKind::Currency);
  edit.setValue(rt::Currency::FromRaw(std::numeric_limits<int64_t>::min()));
  EXPECT_EQ(edit.Text(), QStringLiteral("-99999999999999"));
}

// Either locale's marks are read where they are unambiguous, spaces of any kind and
// currency signs around the digits are dropped; digits are never joined across a mark.
// A text that reads as no number is named when the field is left and the field keeps 7.
TEST_F(NumericEditTest, SeparatorsOfEitherLocaleAreReadOrTheTextIsNamed) {
  const struct { const char* locale; Entry entry; const char* input; const char* value; /* nullptr: refused */ } cases[] = {
      {"C", Entry::Typed, "1.234,5", "1234.5"}, {"C", Entry::Typed, "1,234.5", "1234.5"}, {"C", Entry::Pasted, "$12.50", "12.5"},
      {"C", Entry::Pasted, "\u20ac 1.234,50", "1234.5"}, {"C", Entry::Pasted, "12 34", nullptr},
      {"C", Entry::Typed, "+5", "5"}, {"C", Entry::Pasted, "+-5", nullptr}, {"C", Entry::Pasted, "5+", nullptr},
      {"en_US", Entry::Typed, "1,5", "1.5"}, {"en_US", Entry::Typed, "12,345", "12345"}, {"en_US", Entry::Typed, "1,234,5", nullptr},
      {"en_US", Entry::Typed, "1.234,5", "1234.5"}, {"en_US", Entry::Typed, "x7y", nullptr},
      {"en_US", Entry::Typed, "+5", "5"}, {"en_US", Entry::Pasted, "+$12.50", "12.5"}, {"en_US", Entry::Pasted, "$ +12.50", "12.5"},
      {"en_US", Entry::Pasted, "1,234.50", "1234.5"}, {"en_US", Entry::Pasted, "$12.50", "12.5"}, {"en_US", Entry::Pasted, "-$3.25", "-3.25"},
      {"en_US", Entry::Pasted, "12.50 $", "12.5"}, {"en_US", Entry::Pasted, "1.234,50", "1234.5"}, {"en_US", Entry::Pasted, "1.234.567", "1234567"},
      {"en_US", Entry::Pasted, "1\u00a0234.5", "1234.5"}, {"en_US", Entry::Pasted, "\u00a312.5\u2009", "12.5"},
      {"en_US", Entry::Pasted, "1,23.5", nullptr}, {"en_US", Entry::Pasted, "1.5.2", nullptr}, {"en_US", Entry::Pasted, "1,2,3", nullptr},
      {"en_US", Entry::Pasted, "1.234,5,6", nullptr}, {"en_US", Entry::Pasted, "12$50", nullptr},
      {"de_DE", Entry::Typed, "2.5", "2.5"}, {"de_DE", Entry::Typed, "2.500", "2500"}, {"de_DE", Entry::Typed, "0.500", "0.5"},
      {"de_DE", Entry::Typed, "1.234,5", "1234.5"}, {"de_DE", Entry::Typed, "1,234.5", "1234.5"}, {"de_DE", Entry::Pasted, "2.5", "2.5"},
      {"de_DE", Entry::Pasted, "1.234,50", "1234.5"}, {"de_DE", Entry::Pasted, "12,50 \u20ac", "12.5"}, {"de_DE", Entry::Pasted, "1,234.50", "1234.5"},
      {"de_DE", Entry::Pasted, "1,234", "1.23"}, {"de_DE", Entry::Pasted, "1,2.5", nullptr},
      {"de_DE", Entry::Set, "2.5", "2.5"}, {"de_DE", Entry::Typed, "+5", "5"}, {"de_DE", Entry::Typed, "+1.234,5", "1234.5"},
      {"de_DE", Entry::Set, "+5", "5"},
      {"fr_FR", Entry::Typed, "2.5", "2.5"}, {"fr_FR", Entry::Typed, "1,234.5", "1234.5"}, {"fr_FR", Entry::Pasted, "1 234,5", "1234.5"},
      {"fr_FR", Entry::Pasted, "12,50 \u20ac", "12.5"}, {"fr_FR", Entry::Pasted, "12,50\u00a0\u20ac", "12.5"},
      {"fr_FR", Entry::Pasted, "1\u202f234,50\u202f\u20ac", "1234.5"}, {"fr_FR", Entry::Pasted, "1,234.50", "1234.5"},
      {"fr_FR", Entry::Pasted, "1.234,50", "1234.5"}, {"fr_FR", Entry::Typed, "+5", "5"}, {"fr_FR", Entry::Pasted, "+ 12,50 \u20ac", "12.5"},
      {"fr_FR", Entry::Pasted, "12 3,5", nullptr},
  };
  for (const auto& c : cases) {
    testenv::ScopedLocale scoped(QString::fromLatin1(c.locale));
    NumericEdit edit(NumericKind::Currency);
    edit.setDecimalPlaces(2);
    edit.setValue(rt::Currency(7));
    if (!c.value) prompts->ExpectContaining(QStringLiteral("is not a number"));
    Enter(edit, c.entry, QString::fromUtf8(c.input));
    EXPECT_EQ(edit.Value(), Cur(c.value ? c.value : "7")) << c.locale << " " << c.input;
    EXPECT_EQ(Line(edit).text(), edit.Text()) << c.locale << " " << c.input;
    EXPECT_EQ(prompts->Pending(), 0) << c.locale << " " << c.input;
  }
  EXPECT_EQ(prompts->Last().text, QStringLiteral("\"12 3,5\" is not a number. Please type a number such as "
                                                 "1\u202f234,50. The field keeps 7."));
  EXPECT_EQ(prompts->Last().icon, ui::vbExclamation);
}

// Text left as the field showed a figure with hidden decimals keeps the figure.
TEST_F(NumericEditTest, TextLeftAsShownKeepsTheHeldValue) {
  const struct {
    const char* held;
    int places;
    bool selectAll;  // else typed at the end of the text
    const char* keys;
    const char* value;
  } cases[] = {
      {"60.1234", 2, false, "5\b", "60.1234"}, {"60.1234", 2, false, "\b2", "60.1234"},
      {"60.1234", 2, true, "60.12", "60.1234"}, {"60.1234", 2, false, "\b3", "60.13"},
      {"60.1234", 2, true, "60.120", "60.12"},  {"7.5", 0, false, "1\b", "7.5"},
      {"-0.0049", 2, false, "\b1\b0", "-0.0049"}, {"12.5037", 2, true, "12.5", "12.5"},
  };
  for (const auto& c : cases) {
    NumericEdit edit(NumericKind::Double);
    edit.setDecimalPlaces(c.places);
    edit.setFixedPoint(true);
    edit.setValue(Cur(c.held));
    Type(edit, QString::fromLatin1(c.keys), c.selectAll);
    EXPECT_EQ(edit.Value(), Cur(c.value)) << c.held << " " << c.keys;  // read while typing
    Key(edit, Qt::Key_Return);
    EXPECT_EQ(edit.Value(), Cur(c.value)) << c.held << " " << c.keys;
  }
}

TEST_F(NumericEditTest, TheValueFollowsTypingAndSignalsEachChange) {
  NumericEdit edit(NumericKind::LongInteger);
  edit.setRange(0, 2000000000);
  int changes = 0;
  QObject::connect(&edit, &NumericEdit::Change, [&changes] { ++changes; });
  Type(edit, QStringLiteral("42"));
  EXPECT_EQ(edit.LongValue(), 42);  // read before the field lost the focus
  EXPECT_EQ(changes, 2);
  edit.setText(QStringLiteral("42"));  // the same value: no change
  EXPECT_EQ(changes, 2);
  Line(edit).setText(QStringLiteral("7"));  // text put in by code counts too
  EXPECT_EQ(edit.LongValue(), 7);
  EXPECT_EQ(changes, 3);
}

TEST_F(NumericEditTest, CurrencyValuesRoundTripThroughTheText) {
  const char* values[] = {"0", "1", "-1", "0.5", "1234.5678", "-98765.4321", "9000000000",
                          "-9000000000", "0.0001"};
  for (const char* locale : {"en_US", "de_DE"}) {
    testenv::ScopedLocale scoped(QString::fromLatin1(locale));
    for (const char* v : values) {
      for (const bool fixed : {false, true}) {
        NumericEdit edit(NumericKind::Currency), copy(NumericKind::Currency);
        for (NumericEdit* e : {&edit, &copy}) {
          e->setRange(-9000000000, 9000000000);
          e->setDecimalPlaces(4);
        }
        edit.setFixedPoint(fixed);
        edit.setValue(Cur(v));
        EXPECT_EQ(edit.Value(), Cur(v)) << locale << " " << v;
        EXPECT_EQ(rt::CCur(edit.Text()), Cur(v)) << locale << " " << v << " " << edit.Text().toStdString();
        copy.setText(edit.Text());
        EXPECT_EQ(copy.Value(), Cur(v)) << locale << " " << v;
      }
    }
  }
  testenv::ScopedLocale german(QStringLiteral("de_DE"));
  NumericEdit edit(NumericKind::Currency);
  Type(edit, QStringLiteral("12,5"));  // the locale's decimal separator
  EXPECT_EQ(edit.Value(), Cur("12.5"));
  EXPECT_EQ(edit.Text(), QStringLiteral("12,5"));
}

TEST_F(NumericEditTest, SpinStepsWithinTheRangeOnlyWhenOn) {
  const struct {
    bool spin;
    int64_t start;
    int key;
    int times;
    int64_t expected;
  } cases[] = {
      {true, 2, Qt::Key_Up, 1, 3},   {true, 2, Qt::Key_Down, 1, 1},
      {true, 4, Qt::Key_Up, 3, 4},   {true, 0, Qt::Key_Down, 2, 0},
      {false, 2, Qt::Key_Up, 1, 2},  {false, 2, Qt::Key_Down, 1, 2},
  };
  for (const auto& c : cases) {
    NumericEdit edit(NumericKind::LongInteger);
    edit.setRange(0, 4);
    edit.setSpin(c.spin);
    edit.setLongValue(c.start);
    for (int i = 0; i < c.times; ++i) Key(edit, c.key);
    EXPECT_EQ(edit.LongValue(), c.expected) << c.spin << " " << c.start << " " << c.key;
  }
  NumericEdit edit(NumericKind::LongInteger);
  edit.setRange(0, 2000000000);
  edit.setSpin(true);
  edit.setLongValue(1999999999);
  edit.stepBy(1000);  // a large step stops at the end
  EXPECT_EQ(edit.LongValue(), 2000000000);
}

}  // namespace
}  // namespace ctl
