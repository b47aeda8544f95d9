#include "shell/frmPreferences.h"

#include <QApplication>
#include <QCheckBox>
#include <QKeyEvent>
#include <QLabel>
#include <QPushButton>
#include <QRadioButton>
#include <QTabWidget>
#include <QTableView>
#include <functional>
#include <utility>

#include "platform/controls/GridControl.h"
#include "platform/controls/NumericEdit.h"
#include "platform/ui/HelpViewer.h"
#include "tests/database/DbTestSupport.h"

namespace {

using ui::test::Click;

// The ten field rows: grid row, caption and parameter key.
struct FieldRow {
  int row;
  const char* caption;
  const char* key;
};
constexpr FieldRow kFieldRows[] = {
    {2, "  Part Number", "svlprod.dbf_partno"}, {3, "  Location", "svlprod.dbf_location"},
    {4, "  Group", "svlprod.dbf_groupid"},      {5, "  Custom 1", "svlprod.dbf_custom1"},
    {6, "  Custom 2", "svlprod.dbf_custom2"},   {7, "  Custom 3", "svlprod.dbf_custom3"},
    {8, "  Custom 4", "svlprod.dbf_custom4"},   {11, "  Notes", "svltran.dbf_notes"},
    {12, "  Category", "svltran.dbf_catid"},    {13, "  Account", "svltran.dbf_shipmethod"},
};

QString Param(const char* key) { return gDB().GetParamValue(QString::fromLatin1(key)); }

class PreferencesTest : public dbtest::DbTest {
 protected:
  void SetUp() override {
    DbTest::SetUp();
    OpenNewDatabase();
  }

  // Stores a recognisable value for every setting.
  static void StoreSettings() {
    for (const FieldRow& f : kFieldRows) {
      gDB().SetParamValue(QString::fromLatin1(f.key), QStringLiteral("Name ") + QString::number(f.row));
    }
    gDB().SetParamValue(QStringLiteral("Decimals_Units"), QStringLiteral("3"));
    gDB().SetParamValue(QStringLiteral("Decimals_PerUnit"), QStringLiteral("4"));
    gDB().SetParamValue(QStringLiteral("Decimals_Amounts"), QStringLiteral("1"));
    gDB().ProdPartNumberFirstSet(true);
    gDB().ProdAssignPartNumberSet(true);
    gDB().TranCheckInventoryLevelSet(true);
    gDB().SetNextPartNumber(5000);
  }

  // Runs the dialog with `script` working it; the dialog's result.
  int Run(frmPreferences& dlg, std::function<void(frmPreferences&)> script) {
    runner->Then(QStringLiteral("frmPreferences"),
                 [script](QDialog& d) { script(static_cast<frmPreferences&>(d)); });
    return ui::RunModal(dlg);
  }
};

TEST_F(PreferencesTest, ANewDatabaseShowsTheFieldRowsEmptyAndTheBuiltInCaptions) {
  frmPreferences dlg;
  EXPECT_TRUE(dlg.Updated);
  EXPECT_EQ(dlg.windowTitle(), QStringLiteral("Preferences"));
  EXPECT_EQ(ui::HelpContextOf(dlg), 1090);
  EXPECT_FALSE(dlg.windowIcon().isNull());
  ASSERT_EQ(dlg.grdCustom->Rows(), 14);
  ASSERT_EQ(dlg.grdCustom->Cols(), 2);
  EXPECT_EQ(dlg.grdCustom->TextMatrix(0, 0), QStringLiteral("Internal Name"));
  EXPECT_EQ(dlg.grdCustom->TextMatrix(0, 1), QStringLiteral("Custom Display Name"));
  EXPECT_TRUE(dlg.grdCustom->Cell(ctl::flexcpFontBold, 0, 1).toBool());
  EXPECT_EQ(dlg.grdCustom->ColWidth(1), 2300);
  EXPECT_EQ(dlg.grdCustom->TextMatrix(1, 0), QStringLiteral("Products & Inventory:"));
  EXPECT_EQ(dlg.grdCustom->TextMatrix(9, 0), QString());
  EXPECT_EQ(dlg.grdCustom->TextMatrix(10, 0), QStringLiteral("Transactions:"));
  for (const int section : {0, 1, 9, 10}) EXPECT_FALSE(dlg.grdCustom->RowData(section).isValid()) << section;
  for (const FieldRow& f : kFieldRows) {
    EXPECT_EQ(dlg.grdCustom->TextMatrix(f.row, 0), QString::fromLatin1(f.caption));
    EXPECT_TRUE(dlg.grdCustom->RowData(f.row).isValid());
    EXPECT_EQ(dlg.grdCustom->TextMatrix(f.row, 1), QString()) << f.key;
  }
  EXPECT_EQ(dlg.grdCustom->Row(), 1);
  for (const ctl::NumericEdit* dec : {dlg.fpUnitDec, dlg.fpPerUnitDec, dlg.fpAmtDec}) {
    EXPECT_EQ(dec->Text(), QStringLiteral("0"));
  }
  EXPECT_EQ(dlg.optProductDisplay[0]->text(), QStringLiteral("Display Product Name first and then Part Number"));
  EXPECT_EQ(dlg.optProductDisplay[1]->text(), QStringLiteral("Display Part Number first and then Product Name"));
  EXPECT_TRUE(dlg.optProductDisplay[0]->isChecked());
  EXPECT_FALSE(dlg.ckAutoAssignPN->isChecked());
  EXPECT_FALSE(dlg.fpNextPartNumber->isEnabled());
  EXPECT_FALSE(dlg.LabelNextPartNumber->isEnabled());
  EXPECT_EQ(dlg.fpNextPartNumber->LongValue(), gDB().QueryNextPartNumber());
  EXPECT_FALSE(dlg.ckCheckInventoryLevel->isChecked());
  EXPECT_EQ(dlg.lblMsg->text(), QStringLiteral("TIP: This screen allows you to customize field names & column headings."));
  EXPECT_EQ(dlg.cmdResetNames->toolTip(), QStringLiteral("Revert to original values"));
  EXPECT_TRUE(dlg.OKButton->isDefault());
}

TEST_F(PreferencesTest, StoredSettingsAreShown) {
  StoreSettings();
  frmPreferences dlg;
  for (const FieldRow& f : kFieldRows) {
    EXPECT_EQ(dlg.grdCustom->TextMatrix(f.row, 1), QStringLiteral("Name ") + QString::number(f.row));
  }
  EXPECT_EQ(dlg.fpUnitDec->Text(), QStringLiteral("3"));
  EXPECT_EQ(dlg.fpPerUnitDec->Text(), QStringLiteral("4"));
  EXPECT_EQ(dlg.fpAmtDec->Text(), QStringLiteral("1"));
  EXPECT_EQ(dlg.optProductDisplay[1]->text(), QStringLiteral("Display Name 2 first and then Product Name"));
  EXPECT_TRUE(dlg.optProductDisplay[1]->isChecked());
  EXPECT_TRUE(dlg.ckAutoAssignPN->isChecked());
  EXPECT_TRUE(dlg.fpNextPartNumber->isEnabled());
  EXPECT_EQ(dlg.fpNextPartNumber->LongValue(), 5000);
  EXPECT_TRUE(dlg.ckCheckInventoryLevel->isChecked());
}

// Only the custom names of the field rows can be edited, and typing on any other cell
// changes nothing: no search moves to another row to edit it.
TEST_F(PreferencesTest, OnlyTheCustomNamesOfFieldRowsCanBeEdited) {
  StoreSettings();
  gDB().SetParamValue(QStringLiteral("svlprod.dbf_location"), QStringLiteral("Bin"));
  frmPreferences dlg;
  dlg.show();
  ctl::GridControl& grd = *dlg.grdCustom;
  QTableView& view = *grd.view();
  QStringList before;
  for (int row = 0; row < grd.Rows(); ++row) before << grd.TextMatrix(row, 0) + u'|' + grd.TextMatrix(row, 1);
  for (int row = 1; row < grd.Rows(); ++row) {
    for (int col = 0; col < 2; ++col) {
      SCOPED_TRACE(testing::Message() << row << "," << col);
      bool cancel = false;
      emit grd.BeforeEdit(row, col, &cancel);
      const bool fieldRow = row >= 2 && row != 9 && row != 10;
      EXPECT_EQ(cancel, !(fieldRow && col == 1));

      view.keyboardSearch(QString());  // each cell's typing starts afresh, as after a pause
      grd.Select(row, col);
      QCoreApplication::sendPostedEvents(&grd);  // the view follows
      const auto editor = [&] { return view.indexWidget(view.currentIndex()); };
      for (const auto& [key, text] : {std::pair{Qt::Key_B, "B"}, std::pair{Qt::Key_X, "x"}}) {
        QKeyEvent press(QEvent::KeyPress, key, Qt::NoModifier, QLatin1String(text));
        QApplication::sendEvent(editor() != nullptr ? editor() : static_cast<QWidget*>(&view), &press);
      }
      EXPECT_EQ(editor() != nullptr, !cancel);
      EXPECT_EQ(grd.Row(), row);
      if (editor() != nullptr) {  // leave it unsaved
        QKeyEvent escape(QEvent::KeyPress, Qt::Key_Escape, Qt::NoModifier);
        QApplication::sendEvent(editor(), &escape);
      }
      QStringList after;
      for (int r = 0; r < grd.Rows(); ++r) after << grd.TextMatrix(r, 0) + u'|' + grd.TextMatrix(r, 1);
      EXPECT_EQ(after, before);
    }
  }
}

TEST_F(PreferencesTest, TheNumberEditsSpinWithinTheirRanges) {
  frmPreferences dlg;
  const struct {
    ctl::NumericEdit* edit;
    int64_t max;
  } cases[] = {{dlg.fpUnitDec, 4}, {dlg.fpPerUnitDec, 4}, {dlg.fpAmtDec, 4}, {dlg.fpNextPartNumber, 2000000000}};
  for (const auto& c : cases) {
    SCOPED_TRACE(c.edit->objectName().toStdString());
    EXPECT_EQ(c.edit->Kind(), ctl::NumericKind::LongInteger);
    EXPECT_TRUE(c.edit->Spin());
    EXPECT_EQ(c.edit->MinValue(), rt::Currency(0));
    EXPECT_EQ(c.edit->MaxValue(), rt::Currency(c.max));
    c.edit->setText(QString::number(c.max + 1));
    EXPECT_EQ(c.edit->LongValue(), c.max);
    c.edit->stepBy(1);
    EXPECT_EQ(c.edit->LongValue(), c.max);
    c.edit->setText(QStringLiteral("-1"));
    EXPECT_EQ(c.edit->LongValue(), 0);
    c.edit->stepBy(-1);
    EXPECT_EQ(c.edit->LongValue(), 0);
  }
}

// What each way of closing leaves in the database, from the stored settings of
// StoreSettings and after changing the units' decimals to 2 and the first name.
TEST_F(PreferencesTest, OkAndApplyStoreEverythingAndCancelStoresNothingMore) {
  const struct {
    const char* name;
    std::function<void(frmPreferences&)> script;
    int result;
    bool stored;
  } cases[] = {
      {"OK", [](frmPreferences& d) { Click(d, QStringLiteral("OKButton")); }, QDialog::Accepted, true},
      {"a name the tables cannot hold",
       [this](frmPreferences& d) {
         d.grdCustom->setTextMatrix(3, 1, QStringLiteral("Lieu \u2116"));
         for (const QString& button : {QStringLiteral("OKButton"), QStringLiteral("cmdApply")}) {
           prompts->Expect(QStringLiteral("The character \"\u2116\" in the Custom Display Name of ") +
                           d.grdCustom->TextMatrix(3, 0) + QStringLiteral(" cannot be stored. Please remove or replace it."));
           Click(d, button);
         }
         EXPECT_TRUE(d.isVisible());
         Click(d, QStringLiteral("CancelButton"));
       },
       QDialog::Rejected, false},
      {"Cancel", [](frmPreferences& d) { Click(d, QStringLiteral("CancelButton")); }, QDialog::Rejected, false},
      {"Escape", [](frmPreferences&) {}, QDialog::Rejected, false},
      {"Apply then Cancel",
       [](frmPreferences& d) {
         Click(d, QStringLiteral("cmdApply"));
         EXPECT_TRUE(d.isVisible());  // Apply keeps the dialog open
         Click(d, QStringLiteral("CancelButton"));
       },
       QDialog::Rejected, true},
  };
  for (const auto& c : cases) {
    SCOPED_TRACE(c.name);
    StoreSettings();
    frmPreferences dlg;
    dlg.Updated = false;  // (the caller sees True however it closes: set again by OK and Apply)
    dlg.fpUnitDec->setText(QStringLiteral("2"));
    dlg.grdCustom->setTextMatrix(2, 1, QStringLiteral("SKU"));
    dlg.ckCheckInventoryLevel->setChecked(false);
    dlg.optProductDisplay[0]->setChecked(true);
    EXPECT_EQ(Run(dlg, c.script), c.result);
    EXPECT_EQ(dlg.Updated, c.stored);
    EXPECT_EQ(Param("Decimals_Units"), c.stored ? QStringLiteral("2") : QStringLiteral("3"));
    EXPECT_EQ(Param("svlprod.dbf_partno"), c.stored ? QStringLiteral("SKU") : QStringLiteral("Name 2"));
    EXPECT_EQ(gDB().TranCheckInventoryLevelGet(), !c.stored);
    EXPECT_EQ(gDB().ProdPartNumberFirstGet(), !c.stored);
    // Untouched settings are stored as they were shown.
    EXPECT_EQ(Param("Decimals_PerUnit"), QStringLiteral("4"));
    EXPECT_EQ(Param("svltran.dbf_shipmethod"), QStringLiteral("Name 13"));
    EXPECT_TRUE(gDB().ProdAssignPartNumberGet());
    EXPECT_EQ(gDB().QueryNextPartNumber(), 5000);
  }
}

TEST_F(PreferencesTest, ResetButtonsChangeOnlyTheControlsUntilStored) {
  const struct {
    const char* name;
    const char* reset;
    const char* close;
    bool formatStored;
    bool namesStored;
  } cases[] = {
      {"format, Cancel", "cmdResetDataFormat", "CancelButton", false, false},
      {"format, OK", "cmdResetDataFormat", "OKButton", true, false},
      {"names, Cancel", "cmdResetNames", "CancelButton", false, false},
      {"names, OK", "cmdResetNames", "OKButton", false, true},
  };
  for (const auto& c : cases) {
    SCOPED_TRACE(c.name);
    StoreSettings();
    frmPreferences dlg;
    Run(dlg, [&c](frmPreferences& d) {
      ASSERT_TRUE(Click(d, QString::fromLatin1(c.reset)));
      if (QString::fromLatin1(c.reset) == QLatin1String("cmdResetDataFormat")) {
        EXPECT_EQ(d.fpUnitDec->Text(), QStringLiteral("0"));
        EXPECT_EQ(d.fpPerUnitDec->Text(), QStringLiteral("2"));
        EXPECT_EQ(d.fpAmtDec->Text(), QStringLiteral("0"));
        EXPECT_TRUE(d.optProductDisplay[0]->isChecked());
        EXPECT_FALSE(d.ckAutoAssignPN->isChecked());
        EXPECT_FALSE(d.fpNextPartNumber->isEnabled());
        EXPECT_FALSE(d.LabelNextPartNumber->isEnabled());
        EXPECT_TRUE(d.ckCheckInventoryLevel->isChecked());  // not reset
        EXPECT_EQ(d.fpNextPartNumber->LongValue(), 5000);   // not reset
      } else {
        for (const FieldRow& f : kFieldRows) EXPECT_EQ(d.grdCustom->TextMatrix(f.row, 1), QString());
        EXPECT_EQ(d.grdCustom->TextMatrix(1, 0), QStringLiteral("Products & Inventory:"));
      }
      Click(d, QString::fromLatin1(c.close));
    });
    EXPECT_EQ(Param("Decimals_Units"), c.formatStored ? QStringLiteral("0") : QStringLiteral("3"));
    EXPECT_EQ(Param("Decimals_PerUnit"), c.formatStored ? QStringLiteral("2") : QStringLiteral("4"));
    EXPECT_EQ(Param("Decimals_Amounts"), c.formatStored ? QStringLiteral("0") : QStringLiteral("1"));
    EXPECT_EQ(gDB().ProdPartNumberFirstGet(), !c.formatStored);
    EXPECT_EQ(gDB().ProdAssignPartNumberGet(), !c.formatStored);
    EXPECT_TRUE(gDB().TranCheckInventoryLevelGet());
    EXPECT_EQ(gDB().QueryNextPartNumber(), 5000);
    for (const FieldRow& f : kFieldRows) {
      EXPECT_EQ(Param(f.key), c.namesStored ? QString() : QStringLiteral("Name ") + QString::number(f.row));
    }
    if (c.namesStored) {
      EXPECT_EQ(gDB().PartNoDesc(), QStringLiteral("Part Number"));
    }
  }
}

// Another copy hands out part numbers while the dialog is open: saving without touching
// the next number must not set the counter back (the numbers since would come again).
TEST_F(PreferencesTest, TheNextPartNumberIsStoredOnlyWhenTheUserChangedIt) {
  const struct {
    const char* name;
    int64_t typed;  // -1: left as shown
    int32_t expected;
  } cases[] = {
      {"left as shown", -1, 5002},
      {"changed", 7000, 7000},
      {"typed back to the number shown", 5000, 5002},
  };
  for (const auto& c : cases) {
    SCOPED_TRACE(c.name);
    StoreSettings();
    frmPreferences dlg;
    ASSERT_EQ(dlg.fpNextPartNumber->LongValue(), 5000);
    EXPECT_EQ(gDB().IncrementNextPartNumber(), 5000);  // the other copy
    EXPECT_EQ(gDB().IncrementNextPartNumber(), 5001);
    Run(dlg, [&c](frmPreferences& d) {
      if (c.typed >= 0) d.fpNextPartNumber->setLongValue(c.typed);
      Click(d, QStringLiteral("OKButton"));
    });
    EXPECT_EQ(gDB().QueryNextPartNumber(), c.expected);
  }
  // After an Apply the number stored is the new starting point.
  StoreSettings();
  frmPreferences dlg;
  Run(dlg, [](frmPreferences& d) {
    d.fpNextPartNumber->setLongValue(6000);
    Click(d, QStringLiteral("cmdApply"));
    EXPECT_EQ(gDB().IncrementNextPartNumber(), 6000);
    Click(d, QStringLiteral("OKButton"));
  });
  EXPECT_EQ(gDB().QueryNextPartNumber(), 6001);
}

TEST_F(PreferencesTest, TheAutoAssignBoxEnablesTheNextNumber) {
  frmPreferences dlg;
  for (const bool on : {true, false, true}) {
    dlg.ckAutoAssignPN->click();
    EXPECT_EQ(dlg.fpNextPartNumber->isEnabled(), on);
    EXPECT_EQ(dlg.LabelNextPartNumber->isEnabled(), on);
  }
}

TEST_F(PreferencesTest, TheTabsAreTheThreePages) {
  frmPreferences dlg;
  ASSERT_EQ(dlg.TabCtl->count(), 3);
  EXPECT_EQ(dlg.TabCtl->tabText(0), QStringLiteral("&Customize Field Names"));
  EXPECT_EQ(dlg.TabCtl->tabText(1), QStringLiteral("&Products"));
  EXPECT_EQ(dlg.TabCtl->tabText(2), QStringLiteral("&Transactions"));
  EXPECT_TRUE(dlg.TabCtl->widget(1)->isAncestorOf(dlg.fpNextPartNumber));
  EXPECT_TRUE(dlg.TabCtl->widget(2)->isAncestorOf(dlg.ckCheckInventoryLevel));
}

}  // namespace
