#include "reports/UCTrans.h"

#include <QFile>
#include <QFileInfo>
#include <QPlainTextEdit>
#include <QPushButton>
#include <QToolButton>
#include <tuple>

#include "inventory/frmInvAddUpateDel.h"
#include "reports/PaneButtons.h"
#include "reports/frmReportDef.h"
#include "reports/mdlGrid.h"
#include "services/UCGrid.h"
#include "tests/inventory/TranTestSupport.h"
#include "tests/reports/ReportsTestSupport.h"

namespace {

using rpttest::AddProd;
using rpttest::AddTran;
using rpttest::Def;

// Date, type, product, units, price of every transaction, ascending by date.
QString TranRecord(bool edit = true) {
  return QStringLiteral("2^T^2001~2002~2003~2005~2007^0~-1~-1~-1~0~x~x^%1~1~True~2~0")
      .arg(edit ? QStringLiteral("True") : QStringLiteral("False"));
}

class UCTransTest : public rpttest::ReportsTest {
 protected:
  void SetUp() override {
    ReportsTest::SetUp();
    p = AddProd(QStringLiteral("Widget"), QStringLiteral("W1"));
    t1 = AddTran(p, 2, "1", "1", QStringLiteral("3/1/2026"));
    t2 = AddTran(p, 2, "2", "1", QStringLiteral("3/2/2026"));
    t3 = AddTran(p, 2, "4", "1", QStringLiteral("3/3/2026"));
  }
  std::unique_ptr<reports::UCTrans> Pane(clsRptDef& def) {
    auto pane = std::make_unique<reports::UCTrans>();
    pane->resize(900, 500);
    pane->Init(def);
    return pane;
  }
  static ctl::GridControl& Grid(reports::UCTrans& pane) { return pane.ctlGrid->grid(); }
  static double Units(const ctl::GridControl& grd, int row) { return grd.CellValue(row, 4).toDouble(); }
  // The background of the data rows and the totals row, in grid order.
  static std::vector<int> Bands(const ctl::GridControl& grd) {
    std::vector<int> out;
    for (int r = 1; r < grd.Rows(); ++r) out.push_back(grd.Cell(ctl::flexcpBackColor, r, 1).toInt());
    return out;
  }
  void ScriptUnits(const char* units) {
    runner->Then(QStringLiteral("frmInvAddUpateDel"), [units](QDialog& dlg) {
      trantest::SetNumber(dlg, QStringLiteral("fpUnits"), units);
      EXPECT_TRUE(ui::test::Click(dlg, QStringLiteral("cmdOK")));
    });
  }
  int32_t p = 0, t1 = 0, t2 = 0, t3 = 0;
};

constexpr int kEven = reports::kTranEvenRowColor;
constexpr int kOdd = reports::kTranOddRowColor;
constexpr int kTotals = reports::kTotalsBackColor;

TEST_F(UCTransTest, LoadBandsRowsWithoutSelectionColumn) {
  clsRptDef def = Def(TranRecord());
  auto pane = Pane(def);
  ctl::GridControl& grd = Grid(*pane);
  EXPECT_EQ(rpttest::RowIds(grd), (std::vector<int32_t>{t1, t2, t3}));
  EXPECT_EQ(Bands(grd), (std::vector<int>{kOdd, kEven, kOdd, kTotals}));
  EXPECT_TRUE(grd.ColHidden(0));
  EXPECT_FALSE(pane->ctlGrid->cmdSelAll->isVisibleTo(pane.get()));
  EXPECT_EQ(pane->ctlGrid->txtMsg->toPlainText(), def.m_udTranSelCriteria.Desc().replace(QStringLiteral("\r\n"), QStringLiteral("\n")));
}

// "Freeze first N columns" keeps the first N report columns in sight when scrolled.
TEST_F(UCTransTest, FrozenColumnsAreTheFirstShownOnes) {
  for (const int freeze : {1, 3, 5}) {
    clsRptDef def = Def(TranRecord());
    def.m_udRptOptions.m_nNumOfColumns2Freeze = freeze;
    auto pane = Pane(def);
    pane->resize(300, 300);
    rpttest::ExpectFrozenColumns(Grid(*pane), freeze, 5);
  }
}

TEST_F(UCTransTest, EditRewritesOnlyItsRow) {
  clsRptDef def = Def(TranRecord());
  auto pane = Pane(def);
  ctl::GridControl& grd = Grid(*pane);
  // Another user changes t3; the pane shows that only after Refresh.
  clsTran other;
  ASSERT_TRUE(gDB().GetTran(t3, other));
  other.curUnits = rpttest::Cur("40");
  DATA4* tb = nullptr;
  ASSERT_TRUE(gDB().SaveTran(1, other, tb));

  gSystem().GridSelectRow(grd, 2);
  ScriptUnits("20");
  pane->ctlTranButtons->cmdTranEdit->click();
  EXPECT_EQ(Units(grd, 2), 20.0);
  EXPECT_EQ(Units(grd, 3), 4.0) << "other rows are not reloaded";
  EXPECT_EQ(Units(grd, 4), 25.0) << "totals of the rows shown";
  EXPECT_EQ(Bands(grd), (std::vector<int>{kOdd, kEven, kOdd, kTotals}));

  // Cancelled: nothing changes.
  runner->Then(QStringLiteral("frmInvAddUpateDel"),
               [](QDialog& dlg) { EXPECT_TRUE(ui::test::Click(dlg, QStringLiteral("cmdCancel"))); });
  pane->ctlTranButtons->cmdTranEdit->click();
  EXPECT_EQ(Units(grd, 3), 4.0);

  // Refresh keeps the current transaction wherever it sorts.
  gSystem().GridSelectRow(grd, 3);
  pane->ctlGrid->cmdRefresh->click();
  EXPECT_EQ(Units(grd, 3), 40.0);
  EXPECT_EQ(pane->ctlGrid->GetCurrentRowID(), t3);
}

// Another user changed the row while the dialog had it: whatever the answer, and after
// Cancel too, the pane shows the row as stored.
TEST_F(UCTransTest, AfterAnAnswerToAnotherUsersChangeThePaneShowsTheStoredRow) {
  const struct {
    int answer;
    const char* leave;  // the button pressed after the answer, if the dialog stays open
    double shown;
  } cases[] = {
      {ui::vbNo, "cmdCancel", 90},
      {ui::vbNo, "cmdOK", 90},
      {ui::vbYes, nullptr, 60},
  };
  clsRptDef def = Def(TranRecord());
  auto pane = Pane(def);
  ctl::GridControl& grd = Grid(*pane);
  auto storeUnits = [&](const char* units) {
    clsTran other;
    ASSERT_TRUE(gDB().GetTran(t3, other));
    other.curUnits = rpttest::Cur(units);
    DATA4* tb = nullptr;
    ASSERT_TRUE(gDB().SaveTran(1, other, tb));
  };
  for (const auto& c : cases) {
    storeUnits("4");
    gSystem().GridSelectRow(grd, 3);
    runner->Then(QStringLiteral("frmInvAddUpateDel"), [&](QDialog& dlg) {
      storeUnits("90");
      trantest::SetNumber(dlg, QStringLiteral("fpUnits"), "60");
      prompts->ExpectContaining(QStringLiteral("Another user has changed this transaction"), c.answer);
      EXPECT_TRUE(ui::test::Click(dlg, QStringLiteral("cmdOK")));
      if (c.leave != nullptr) {
        EXPECT_TRUE(ui::test::Click(dlg, QLatin1String(c.leave)));
      }
    });
    pane->ctlTranButtons->cmdTranEdit->click();
    EXPECT_EQ(Units(grd, 3), c.shown) << c.answer << " " << (c.leave ? c.leave : "");
    EXPECT_EQ(Units(grd, 4), 3 + c.shown) << "totals of the rows shown";
  }
}

TEST_F(UCTransTest, DeleteRemovesTheRowAndBandsAgain) {
  clsRptDef def = Def(TranRecord());
  auto pane = Pane(def);
  ctl::GridControl& grd = Grid(*pane);
  gSystem().GridSelectRow(grd, 1);
  prompts->Expect(QStringLiteral("Are you sure you want to delete this transaction?"), ui::vbYes);
  runner->Then(QStringLiteral("frmInvAddUpateDel"), [](QDialog& dlg) {
    EXPECT_TRUE(ui::test::Click(dlg, QStringLiteral("cmdOK")));
  });
  pane->ctlTranButtons->cmdTranDelete->click();
  clsTran gone;
  EXPECT_FALSE(gDB().GetTran(t1, gone));
  EXPECT_EQ(rpttest::RowIds(grd), (std::vector<int32_t>{t2, t3}));
  EXPECT_EQ(Bands(grd), (std::vector<int>{kOdd, kEven, kTotals}));
  EXPECT_EQ(Units(grd, 3), 6.0);
}

TEST_F(UCTransTest, NothingHappensWithoutATransactionRow) {
  clsRptDef def = Def(TranRecord());
  auto pane = Pane(def);
  ctl::GridControl& grd = Grid(*pane);
  for (int row : {4, 0}) {  // the totals row, the header
    grd.setRow(row);
    pane->ctlTranButtons->cmdTranEdit->click();
    pane->ctlTranButtons->cmdTranDelete->click();
  }
  EXPECT_TRUE(runner->Ran().isEmpty());

  // A transaction another user deleted: the message, the row stays.
  DATA4* tb = nullptr;
  clsTran t;
  t.nTranID = t2;
  ASSERT_TRUE(gDB().SaveTran(2, t, tb));
  gSystem().GridSelectRow(grd, 2);
  QString text;
  ExpectMsg(&text);
  pane->ctlTranButtons->cmdTranEdit->click();
  EXPECT_EQ(text, QStringLiteral("Record no longer exists or is inaccessible! Another user may have deleted this record."));
  EXPECT_EQ(rpttest::RowIds(grd), (std::vector<int32_t>{t1, t2, t3}));
}

// Edit on a row whose note cannot be read: the damage box alone, without the field's
// name; the row is there, so nothing says another user deleted it.
TEST_F(UCTransTest, EditOnARowWithAnUnreadableNoteShowsOneBox) {
  const QString memo = QString(gDB().TranTable()).replace(QStringLiteral(".dbf"), QStringLiteral(".fpt"));
  const qint64 whole = QFileInfo(memo).size();
  const int32_t noted = AddTran(p, 2, "1", "1", QStringLiteral("3/4/2026"), QString(200, u'd'));
  {
    QFile f(memo);
    ASSERT_TRUE(f.open(QIODevice::ReadWrite));
    ASSERT_TRUE(f.seek(whole));
    f.write(QByteArray(f.size() - whole, '\xff'));
  }
  clsRptDef def = Def(TranRecord());
  auto pane = Pane(def);
  ctl::GridControl& grd = Grid(*pane);
  ASSERT_EQ(rpttest::RowIds(grd), (std::vector<int32_t>{t1, t2, t3, noted}));
  gSystem().GridSelectRow(grd, 4);
  prompts->ExpectContaining(QStringLiteral("The note of this row cannot be read."));
  pane->ctlTranButtons->cmdTranEdit->click();
  EXPECT_TRUE(runner->Ran().isEmpty()) << runner->Ran().join(u',').toStdString();
  ASSERT_EQ(prompts->Shown().size(), 1);
  EXPECT_FALSE(prompts->Last().text.contains(QStringLiteral("NOTES"))) << prompts->Last().text.toStdString();
  EXPECT_EQ(rpttest::RowIds(grd), (std::vector<int32_t>{t1, t2, t3, noted}));
}

TEST_F(UCTransTest, SortBandsAgainAndKeepsTotalsLast) {
  clsRptDef def = Def(TranRecord());
  auto pane = Pane(def);
  ctl::GridControl& grd = Grid(*pane);
  // Descending units first, so that the ascending sort moves rows.
  grd.Select(1, 4, 3, 4);
  grd.setSort(ctl::flexSortGenericDescending);
  emit pane->ctlGrid->HeaderClick(4);
  EXPECT_EQ(rpttest::RowIds(grd), (std::vector<int32_t>{t1, t2, t3}));
  EXPECT_EQ(Bands(grd), (std::vector<int>{kOdd, kEven, kOdd, kTotals}));
}

// Category and account cells store ids; a sort orders the rows by the names shown.
TEST_F(UCTransTest, CategoryAndAccountSortByTheNamesShown) {
  using store::ListType;
  const int32_t zinc = rpttest::AddCategory(QStringLiteral("Zinc"), ListType::kTranCategory);
  const int32_t iron = rpttest::AddCategory(QStringLiteral("iron"), ListType::kTranCategory);
  const int32_t brass = rpttest::AddCategory(QStringLiteral("Brass"), ListType::kTranCategory);
  const int32_t west = rpttest::AddCategory(QStringLiteral("West"), ListType::kTranAccount);
  const int32_t east = rpttest::AddCategory(QStringLiteral("East"), ListType::kTranAccount);
  const int32_t north = rpttest::AddCategory(QStringLiteral("North"), ListType::kTranAccount);
  ASSERT_LT(zinc, brass);
  ASSERT_LT(west, north);
  for (const auto& [id, cat, acct] : {std::tuple{t1, zinc, east}, std::tuple{t2, iron, west}, std::tuple{t3, brass, north}}) {
    clsTran t;
    ASSERT_TRUE(gDB().GetTran(id, t));
    t.nCatID = cat;
    t.nAcctID = acct;
    DATA4* tb = nullptr;
    ASSERT_TRUE(gDB().SaveTran(1, t, tb));
  }
  clsRptDef def = Def(QStringLiteral("2^T^2001~2009~2010^0~-1~-1~-1~0~x~x^True~1~True~2~0"));
  auto pane = Pane(def);
  ctl::GridControl& grd = Grid(*pane);
  struct Case {
    int col;
    std::vector<int32_t> ids;
  };
  for (const Case& c : {Case{2, {t3, t2, t1}}, Case{3, {t1, t3, t2}}}) {
    emit pane->ctlGrid->HeaderClick(c.col);
    EXPECT_EQ(rpttest::RowIds(grd), c.ids) << "column " << c.col;
  }
}

TEST_F(UCTransTest, PropertiesEditsTheStoredDefinitionAndTellsTheHost) {
  clsRptDef def;
  ASSERT_TRUE(def.LoadExisting(101));
  auto pane = Pane(def);
  int changed = 0;
  QObject::connect(pane.get(), &reports::ReportPane::ReportDefChanged, [&] { ++changed; });
  runner->Then(QStringLiteral("frmReportDef"), [](QDialog& dlg) {
    EXPECT_FALSE(static_cast<frmReportDef&>(dlg).cmdDelete->isVisibleTo(&dlg));
    EXPECT_TRUE(ui::test::SetText(dlg, QStringLiteral("txtRptTitle"), QStringLiteral("Renamed")));
    EXPECT_TRUE(ui::test::Click(dlg, QStringLiteral("OKButton")));
  });
  pane->ctlGrid->cmdProperties->click();
  EXPECT_EQ(changed, 1);
  EXPECT_EQ(def.RptName(), QStringLiteral("Renamed"));

  runner->Then(QStringLiteral("frmReportDef"), [](QDialog& dlg) {
    EXPECT_TRUE(ui::test::Click(dlg, QStringLiteral("CancelButton")));
  });
  pane->ctlGrid->cmdProperties->click();
  EXPECT_EQ(changed, 1);
}

}  // namespace
