// Field access: Module1's text conversions and AssignValue by type code.

#include "tests/database/DbTestSupport.h"

namespace {

class FieldsTest : public dbtest::DbTest {
 protected:
  void SetUp() override {
    DbTest::SetUp();
    OpenNewDatabase();
    table_ = gDB().OpenTable(gDB().ProductsTable());
    tb_ = table_.get();
    ASSERT_NE(tb_, nullptr);
    ASSERT_EQ(d4appendStartVB(tb_, 0), 0);
    ASSERT_EQ(d4blank(tb_), 0);
  }
  void TearDown() override {
    table_.Close();
    DbTest::TearDown();
  }
  FIELD4* F(const char* name) { return d4field(tb_, name); }
  store::Table table_;
  DATA4* tb_ = nullptr;
};

TEST_F(FieldsTest, TextKeepsItsPaddingAndItsAccents) {
  Module1::FieldAssignText(F("leadtime"), QStringLiteral("Café 3"));
  EXPECT_EQ(Module1::FieldText(F("leadtime")), QStringLiteral("Café 3") + QString(14, QLatin1Char(' ')));
  EXPECT_EQ(Module1::FieldNameText(F("leadtime")), QStringLiteral("LEADTIME"));
  EXPECT_EQ(Module1::FieldText(nullptr), QString());
  EXPECT_EQ(Module1::TextFromAddress(nullptr), QString());
  QString out;
  Module1::DateFormatText(QStringLiteral("20260315"), out, QStringLiteral("MM/DD/YY"));
  EXPECT_EQ(out, QStringLiteral("03/15/26"));
}

TEST_F(FieldsTest, AssignValueByTypeCode) {
  const struct {
    const char* field;
    const char* before;
    int type;
    const char* value;
    const char* expected;  // trimmed field text afterwards
  } cases[] = {
      {"leadtime", "", 1, "2 weeks", "2 weeks"},
      {"custom1", "old", 2, "not a date", ""},
      {"custom1", "", 2, "3/15/2026", "20260315"},
      {"custom1", "", 9, "March 1, 2026", "20260301"},
      {"reordlev", "7", 5, "12a", "7.0000"},
      {"reordlev", "7", 3, "42.5", "42.5000"},
      {"groupid", "", 5, "1003", "1003"},
      {"hide", "", 6, "True", "T"},
      {"hide", "T", 6, "false", "F"},
      {"leadtime", "kept", 10, "ignored", "kept"},
      {"leadtime", "kept", 0, "ignored", "kept"},
  };
  for (const auto& c : cases) {
    gDB().AssignValue(F(c.field), QLatin1String(c.before), 1);
    gDB().AssignValue(F(c.field), QLatin1String(c.value), c.type);
    EXPECT_EQ(Module1::FieldText(F(c.field)).trimmed(), QLatin1String(c.expected))
        << c.field << " " << c.type << " " << c.value;
  }
}

TEST_F(FieldsTest, MemosAreWrittenAndReadWhole) {
  const QString notes = QString(32768, QLatin1Char('n')) + QStringLiteral(" end");
  gDB().AssignValue(F("notes"), notes, 8);
  ASSERT_EQ(d4append(tb_), 0);
  EXPECT_EQ(Module1::MemoText(F("notes")), notes);
}

TEST_F(FieldsTest, ANumberTooWideIsReportedAndLeavesTheField) {
  gDB().AssignValue(F("groupid"), QStringLiteral("12"), 5);
  prompts->ExpectContaining(QStringLiteral("clsDB_AssignValue"));
  gDB().AssignValue(F("groupid"), QStringLiteral("123456789012345"), 5);
  EXPECT_EQ(Module1::FieldText(F("groupid")).trimmed(), QStringLiteral("12"));
}

TEST_F(FieldsTest, ProductFieldsByExactName) {
  gDB().ProductsFields_AssignValue(QStringLiteral("PartNo"), QStringLiteral("X-1"), tb_);
  EXPECT_EQ(Module1::FieldText(F("partno")).trimmed(), QString());
  gDB().ProductsFields_AssignValue(QStringLiteral("partno"), QStringLiteral("X-1"), tb_);
  EXPECT_EQ(Module1::FieldText(F("partno")).trimmed(), QStringLiteral("X-1"));
  gDB().ProductsFields_AssignValue(QStringLiteral("hide"), QStringLiteral("True"), tb_);
  EXPECT_EQ(Module1::FieldText(F("hide")), QStringLiteral("T"));
}

TEST_F(FieldsTest, StoredDateForm) {
  EXPECT_EQ(gDB().CBDateFormat(QString()), QString());
  EXPECT_EQ(gDB().CBDateFormat(QStringLiteral("abc")), QString());
  EXPECT_EQ(gDB().CBDateFormat(QStringLiteral("12/31/2025")), QStringLiteral("20251231"));
}

}  // namespace
