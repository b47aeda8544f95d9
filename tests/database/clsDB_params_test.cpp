// Database parameters: names matched whole and without regard to case, the first row
// in tag order, record locks, and the typed accessors built on them.

#include <QLabel>
#include <QLineEdit>

#include "database/CustomFieldLabel.h"
#include "tests/database/DbTestSupport.h"

namespace {

class ParamsTest : public dbtest::DbTest {
 protected:
  void SetUp() override {
    DbTest::SetUp();
    OpenNewDatabase();
  }
  // The stored sid texts of every row of a name, in tag order.
  static QStringList RowsOf(const QString& name) {
    QStringList values;
    const store::Table table = gDB().OpenTable(gDB().ParamTable());
    DATA4* tb = table.get();
    d4tagSelect(tb, d4tag(tb, "sid"));
    for (int rc = d4top(tb); rc == 0; rc = d4skip(tb, 1)) {
      if (Module1::FieldText(d4field(tb, "sid")).trimmed() == name) values << Module1::MemoText(d4field(tb, "value"));
    }
    return values;
  }
};

TEST_F(ParamsTest, ANewNameIsStoredInCapitalsAndReadInAnyCase) {
  EXPECT_TRUE(gDB().SetParamValue(QStringLiteral("Decimals_Units"), QStringLiteral("3")));
  EXPECT_EQ(RowsOf(QStringLiteral("DECIMALS_UNITS")), QStringList{"3"});
  EXPECT_EQ(gDB().GetParamValue(QStringLiteral("decimals_units")), QStringLiteral("3"));
  EXPECT_EQ(gDB().GetParamValue(QStringLiteral("  DECIMALS_units ")), QStringLiteral("3"));
  EXPECT_EQ(gDB().DecimalsUnits(), 3);
  EXPECT_EQ(gDB().DecimalsUnitsFormat(), QStringLiteral("##,##0.000"));
  // Updating keeps the one row.
  EXPECT_TRUE(gDB().SetParamValue(QStringLiteral("decimals_UNITS"), QStringLiteral("1")));
  EXPECT_EQ(RowsOf(QStringLiteral("DECIMALS_UNITS")), QStringList{"1"});
}

TEST_F(ParamsTest, ANameBeginningAnotherIsNotIt) {
  // The template carries the built-in reports "~1", "~2" and "~101" .. "~105".
  EXPECT_TRUE(gDB().GetParamValue(QStringLiteral("~1")).startsWith(QStringLiteral("1^Found Products^")));
  EXPECT_TRUE(gDB().GetParamValue(QStringLiteral("~10")).isEmpty());
  EXPECT_TRUE(gDB().GetParamValue(QStringLiteral("")).isEmpty());
  EXPECT_FALSE(gDB().DeleteParam(QStringLiteral("~10")));
  EXPECT_TRUE(gDB().DeleteParam(QStringLiteral("~1")));
  EXPECT_TRUE(gDB().GetParamValue(QStringLiteral("~1")).isEmpty());
  EXPECT_TRUE(gDB().GetParamValue(QStringLiteral("~101")).startsWith(QStringLiteral("2^Transaction History^")));
}

TEST_F(ParamsTest, TheFirstRowInTagOrderWins) {
  dbtest::AppendRow(gDB().ParamTable(), {"sid", "DUP", "value", "first"});
  dbtest::AppendRow(gDB().ParamTable(), {"sid", "DUP", "value", "second"});
  EXPECT_EQ(gDB().GetParamValue(QStringLiteral("dup")), QStringLiteral("first"));
  EXPECT_TRUE(gDB().SetParamValue(QStringLiteral("Dup"), QStringLiteral("changed")));
  EXPECT_EQ(RowsOf(QStringLiteral("DUP")), (QStringList{"changed", "second"}));
  EXPECT_TRUE(gDB().DeleteParam(QStringLiteral("DUP")));
  EXPECT_EQ(gDB().GetParamValue(QStringLiteral("DUP")), QStringLiteral("second"));
}

TEST_F(ParamsTest, ALockedRowIsLeftAsItWas) {
  FailLocksFast();
  ASSERT_TRUE(gDB().SetParamValue(QStringLiteral("svlprod.dbf_location"), QStringLiteral("Shelf")));
  dbtest::OtherUser other(gDB().ParamTable());
  ASSERT_TRUE(other.LockRow("sid", QStringLiteral("SVLPROD.DBF_LOCATION")));
  prompts->Expect(QStringLiteral("RECORD LOCKED: Unable to update parameter table!"));
  EXPECT_FALSE(gDB().SetParamValue(QStringLiteral("svlprod.dbf_location"), QStringLiteral("Bin")));
  EXPECT_EQ(prompts->Last().icon, ui::vbCritical);
  prompts->Expect(QStringLiteral("RECORD LOCKED: Unable to delete record!"));
  EXPECT_FALSE(gDB().DeleteParam(QStringLiteral("svlprod.dbf_location")));
  EXPECT_EQ(RowsOf(QStringLiteral("SVLPROD.DBF_LOCATION")), QStringList{"Shelf"});
}

TEST_F(ParamsTest, ALongValueIsKeptWhole) {
  const QString value = QString(40000, QLatin1Char('x')) + QStringLiteral("é");
  EXPECT_TRUE(gDB().SetParamValue(QStringLiteral("~200"), value));
  EXPECT_EQ(gDB().GetParamValue(QStringLiteral("~200")), value);
}

TEST_F(ParamsTest, CaptionsAreTrimmedAndFallBackToTheirDefaults) {
  EXPECT_EQ(gDB().LocationDesc(), QStringLiteral("Location"));
  EXPECT_EQ(gDB().PartNoDesc(), QStringLiteral("Part Number"));
  EXPECT_EQ(gDB().ProdGroupDesc(), QStringLiteral("Group"));
  EXPECT_EQ(gDB().Cust4Desc(), QStringLiteral("Custom 4"));
  EXPECT_EQ(gDB().TranCatDesc(), QStringLiteral("Category"));
  EXPECT_EQ(gDB().TranAcctDesc(), QStringLiteral("Account"));
  gDB().SetParamValue(gDB().MakeCustomFieldParamName(QStringLiteral("svlprod.dbf"), QStringLiteral("location")),
                      QStringLiteral("  Bin  "));
  gDB().SetParamValue(QStringLiteral("svlprod.dbf_custom1"), QStringLiteral("Colour"));
  EXPECT_EQ(gDB().LocationDesc(), QStringLiteral("Bin"));
  EXPECT_EQ(gDB().ProdCustom1Desc(), QStringLiteral("Colour"));
  gDB().SetParamValue(QStringLiteral("svlprod.dbf_location"), QString());
  EXPECT_EQ(gDB().LocationDesc(), QStringLiteral("Location"));

  EXPECT_FALSE(gDB().HideCurrInvColumn(QString()));
  EXPECT_FALSE(gDB().HideCurrInvColumn(QStringLiteral("vendor")));
  gDB().SetParamValue(gDB().MakeHideFieldParamName(QStringLiteral("svlprod.dbf"), QStringLiteral("vendor")),
                      QStringLiteral("1"));
  EXPECT_TRUE(gDB().HideCurrInvColumn(QStringLiteral("vendor")));
}

TEST_F(ParamsTest, DecimalPlacesStayWithinZeroToFour) {
  const struct {
    const char* stored;
    int places;
    const char* format;
  } cases[] = {{"", 0, "##,##0"},          {"2", 2, "##,##0.00"},  {"7", 4, "##,##0.0000"},
               {"-2", 0, "##,##0"},        {"abc", 0, "##,##0"},   {"2.5", 2, "##,##0.00"},
               {"3.5", 4, "##,##0.0000"},  {"1x", 1, "##,##0.0"}};
  for (const auto& c : cases) {
    gDB().SetParamValue(QStringLiteral("Decimals_PerUnit"), QLatin1String(c.stored));
    EXPECT_EQ(gDB().DecimalsPerUnit(), c.places) << c.stored;
    EXPECT_EQ(gDB().DecimalsPerUnitFormat(), QLatin1String(c.format)) << c.stored;
  }
  EXPECT_EQ(gDB().DecimalsAmountsFormat(), QStringLiteral("##,##0"));
}

TEST_F(ParamsTest, SwitchesCompareTheirExactText) {
  EXPECT_FALSE(gDB().ProdAssignPartNumberGet());
  gDB().SetParamValue(QStringLiteral("AutoAssign_PartNo"), QStringLiteral("1"));
  EXPECT_FALSE(gDB().ProdAssignPartNumberGet());
  EXPECT_TRUE(gDB().ProdAssignPartNumberSet(true));
  EXPECT_TRUE(gDB().ProdAssignPartNumberGet());
  EXPECT_TRUE(gDB().ProdPartNumberFirstSet(true));
  EXPECT_TRUE(gDB().ProdPartNumberFirstGet());
  EXPECT_TRUE(gDB().TranCheckInventoryLevelSet(true));
  EXPECT_TRUE(gDB().TranCheckInventoryLevelGet());
  EXPECT_TRUE(gDB().TranCheckInventoryLevelSet(false));
  EXPECT_FALSE(gDB().TranCheckInventoryLevelGet());
  EXPECT_EQ(RowsOf(QStringLiteral("TRAN_CHECKINVLEVEL")), QStringList{""});  // the row stays
}

TEST_F(ParamsTest, InventoryLevelTexts) {
  EXPECT_EQ(gDB().InvLevelDesc(0), QStringLiteral("All"));
  EXPECT_EQ(gDB().InvLevelDesc(3), QStringLiteral("Re-Order Products only (at or below re-order level)"));
  EXPECT_EQ(gDB().InvLevelDesc(4), QString());
}

TEST_F(ParamsTest, CustomFieldLabelIsCutTo15AndEndsInAColon) {
  struct Case {
    QString stored;
    QString label;
    bool buddy = false;
  };
  const Case cases[] = {
      {QStringLiteral("ABCDEFGHIJKLMNOPQRSTUVWX"), QStringLiteral("ABCDEFGHIJKLMNO:")},  // 24 characters
      {QStringLiteral("Reason:"), QStringLiteral("Reason:")},                            // no second colon
      {QStringLiteral("Carrier"), QStringLiteral("Carrier:")},
      {QStringLiteral("ABCDEFGHIJKLMN:xyz"), QStringLiteral("ABCDEFGHIJKLMN:")},        // colon at 15
      {QString(), QStringLiteral("own caption")},                                      // left alone
      // A label with a buddy reads "&" as a mnemonic: the name's "&" shows as typed.
      {QStringLiteral("R&D"), QStringLiteral("R&&D:"), true},
  };
  for (const Case& c : cases) {
    gDB().SetParamValue(QStringLiteral("svltran.dbf_shipmethod"), c.stored);
    QLabel lbl(c.buddy ? QString() : QStringLiteral("own caption"));
    QLineEdit box;
    if (c.buddy) lbl.setBuddy(&box);
    SetCustomFieldLabel(lbl, store::CustomField::kTranAccount);
    EXPECT_EQ(lbl.text(), c.label) << c.stored.toStdString();
  }
}

}  // namespace
