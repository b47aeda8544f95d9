#include "reports/UCCurrInv.h"

#include <QFile>
#include <QLabel>
#include <QLineEdit>
#include <QPlainTextEdit>
#include <QPushButton>
#include <QToolButton>
#include <deque>
#include <functional>
#include <map>

#include "database/clsTran.h"
#include "inventory/frmInvAddUpateDel.h"
#include "platform/controls/NumericEdit.h"
#include "platform/runtime/App.h"
#include "reports/PaneButtons.h"
#include "reports/mdlGrid.h"
#include "services/UCGrid.h"
#include "tests/reports/ReportsTestSupport.h"

namespace {

using rpttest::AddProd;
using rpttest::AddTran;
using rpttest::Def;

const QString kContinue =
    QStringLiteral("Do you wish to continue to record transactions for the rest of the selected products?");

// Name and units in stock; `group` filters the products, `edit` allows the button bar.
QString InvRecord(const QString& cols = QStringLiteral("1001~1014"), int group = -1, int level = 0, int indicate = 0,
                  bool edit = true) {
  return QStringLiteral("1^T^%1^%2~%3~0~~%4~-1^%5~1~True~2~0")
      .arg(cols)
      .arg(group)
      .arg(level)
      .arg(indicate)
      .arg(edit ? QStringLiteral("True") : QStringLiteral("False"));
}

// What one run of the transaction dialog showed.
struct Entry {
  QString product;
  int32_t type;
  clsTran shown;  // date, note, category, account, units and amount
};

class UCCurrInvTest : public dbtest::DbTest {
 protected:
  void SetUp() override {
    DbTest::SetUp();
    OpenNewDatabase();
    a = AddProd(QStringLiteral("A"), QStringLiteral("PA"));
    b = AddProd(QStringLiteral("B"), QStringLiteral("PB"));
    c = AddProd(QStringLiteral("C"), QStringLiteral("PC"));
    AddTran(a, 2, "1", "1");
    AddTran(b, 2, "2", "1");
    AddTran(c, 2, "3", "1");
  }
  // A new pane on `def`, loaded.
  std::unique_ptr<reports::UCCurrInv> Pane(clsRptDef& def) {
    auto pane = std::make_unique<reports::UCCurrInv>();
    pane->resize(900, 500);
    pane->Init(def);
    return pane;
  }
  // A new pane on a definition of `record`, kept for the test's length.
  std::unique_ptr<reports::UCCurrInv> Pane(const QString& record = InvRecord(), int32_t id = 1000) {
    return Pane(defs.emplace_back(Def(record, id)));
  }
  ctl::GridControl& Grid(reports::UCCurrInv& pane) { return pane.ctlGrid->grid(); }
  static double Units(const ctl::GridControl& grd, int row) { return grd.CellValue(row, 2).toDouble(); }
  static void Mark(reports::UCCurrInv& pane, std::initializer_list<int> rows) {
    for (int r : rows) pane.ctlGrid->SelectRow(r, true);
    emit pane.ctlGrid->SelectionChanged();
  }
  static std::vector<bool> Enabled(std::initializer_list<QPushButton*> buttons) {
    std::vector<bool> out;
    for (QPushButton* b : buttons) out.push_back(b->isEnabled());
    return out;
  }
  // The next transaction dialog: noted in `entries`, then `units` saved (null: cancelled).
  void NextEntry(const char* units = nullptr) {
    runner->Then(QStringLiteral("frmInvAddUpateDel"), [this, units](QDialog& d) {
      auto& dlg = static_cast<frmInvAddUpateDel&>(d);
      clsTran shown;
      shown.sDate = dlg.txtDate->text();
      shown.sNote = dlg.txtNote->toPlainText();
      shown.nCatID = gSystem().cboGetItemID(*dlg.cboCategory);
      shown.nAcctID = gSystem().cboGetItemID(*dlg.cboAccount);
      shown.curUnits = dlg.fpUnits->Value();
      shown.curUnitPrice = dlg.fpCost->Value();
      entries.push_back({dlg.txtProduct->text(), gSystem().cboGetItemID(*dlg.cboType), shown});
      if (units == nullptr) return;
      dlg.fpUnits->setValue(rpttest::Cur(units));
      ui::test::Click(dlg, QStringLiteral("cmdOK"));
    });
  }
  int32_t a = 0, b = 0, c = 0;
  std::vector<Entry> entries;
  std::deque<clsRptDef> defs;
  ScopedFakeMainWindowHub hub;
};

TEST_F(UCCurrInvTest, MarkedRowsEntryByEntryWithTheContinueQuestion) {
  struct Case {
    const char* what;
    std::vector<bool> saves;  // the answer of each entry
    std::vector<int> answers;  // the continue question's answers, in order
    size_t entries;
    bool reloaded;
  };
  const Case cases[] = {
      {"save, cancel, No", {true, false, true}, {ui::vbNo}, 2, true},
      {"nothing saved", {false, false, false}, {ui::vbYes, ui::vbYes}, 3, false},
      {"only the last cancelled", {true, true, false}, {}, 3, true},
  };
  for (const Case& k : cases) {
    SCOPED_TRACE(k.what);
    auto pane = Pane();
    ctl::GridControl& grd = Grid(*pane);
    ASSERT_EQ(rpttest::RowIds(grd), (std::vector<int32_t>{a, b, c}));
    const std::vector<double> before{Units(grd, 1), Units(grd, 2), Units(grd, 3)};
    // Changes behind the pane's back show on every reloaded row.
    for (int32_t id : {a, b, c}) AddTran(id, 2, "1", "1");
    entries.clear();
    for (size_t i = 0; i < k.entries; ++i) NextEntry(k.saves[i] ? "10" : nullptr);
    for (int answer : k.answers) prompts->Expect(kContinue, answer);
    Mark(*pane, {1, 2, 3});
    pane->ctlInvButtons->cmdTranReceive->click();

    ASSERT_EQ(entries.size(), k.entries);
    for (size_t i = 0; i < k.entries; ++i) {
      EXPECT_EQ(entries[i].product, (std::array{"A [PA]", "B [PB]", "C [PC]"})[i]) << "grid order";
      EXPECT_EQ(entries[i].type, 2);
    }
    for (int r = 1; r <= 3; ++r) {
      const double saved = r - 1 < static_cast<int>(k.entries) && k.saves[r - 1] ? 10 : 0;
      EXPECT_EQ(Units(grd, r), k.reloaded ? before[r - 1] + 1 + saved : before[r - 1]) << "row " << r;
    }
    if (!k.answers.empty()) {
      EXPECT_EQ(prompts->Last().title, rt::App::Title());
    }
    EXPECT_EQ(grd.CellValue(4, 2).toDouble(), Units(grd, 1) + Units(grd, 2) + Units(grd, 3)) << "totals";
    prompts->Clear();
  }
}

TEST_F(UCCurrInvTest, OneRecordCarriesDateNoteCategoryAccountButNotProductAmountsOrId) {
  auto pane = Pane();
  // The first entry converts an outstanding allocation of A: the record comes back with
  // its row id and every member filled.
  clsTran allocation;
  allocation.nProdId = a;
  allocation.udTranType = 5;
  allocation.curUnits = rpttest::Cur("5");
  allocation.curUnitPrice = rpttest::Cur("7");
  allocation.sDate = QStringLiteral("1/2/2026");
  allocation.sNote = QStringLiteral("carried");
  allocation.nCatID = rpttest::AddCategory(QStringLiteral("Moves"), store::ListType::kTranCategory);
  allocation.nAcctID = rpttest::AddCategory(QStringLiteral("Carrier"), store::ListType::kTranAccount);
  DATA4* tb = nullptr;
  ASSERT_TRUE(gDB().SaveTran(0, allocation, tb));
  runner->Then(QStringLiteral("frmSelTransaction"), [&](QDialog& d) {
    auto* grd = d.findChild<ctl::GridControl*>(QStringLiteral("grd"));
    for (int r = 1; r < grd->Rows(); ++r) {
      if (grd->RowData(r).toInt() == allocation.nTranID) grd->Select(r, 1);
    }
    ui::test::Click(d, QStringLiteral("cmdEditSelTran"));
  });
  NextEntry();
  prompts->Expect(kContinue, ui::vbYes);
  NextEntry();
  Mark(*pane, {1, 3});
  pane->ctlInvButtons->cmdTranShip->click();
  ASSERT_EQ(entries.size(), 2u);
  EXPECT_EQ(entries[0].shown.curUnits, rpttest::Cur("5"));
  const Entry& second = entries[1];
  EXPECT_EQ(second.product, QStringLiteral("C [PC]"));
  EXPECT_EQ(second.type, 4);
  EXPECT_EQ(second.shown.curUnits, rt::Currency());
  EXPECT_NE(second.shown.curUnitPrice, rpttest::Cur("7"));
  EXPECT_EQ(second.shown.sDate, QStringLiteral("1/2/2026"));
  EXPECT_EQ(second.shown.sNote, QStringLiteral("carried"));
  EXPECT_EQ(second.shown.nCatID, allocation.nCatID);
  EXPECT_EQ(second.shown.nAcctID, allocation.nAcctID);
  EXPECT_EQ(dbtest::LiveRows(gDB().TranTable()), 4) << "nothing stored: the allocation is kept";
}

TEST_F(UCCurrInvTest, EachTransactionButtonActsOnTheCurrentRowWhenNoneIsMarked) {
  auto pane = Pane();
  ctl::GridControl& grd = Grid(*pane);
  reports::UCInvButtons& bar = *pane->ctlInvButtons;
  const std::pair<QPushButton*, int32_t> buttons[] = {{bar.cmdTranOnOrder, 1},  {bar.cmdTranReceive, 2},
                                                       {bar.cmdTranShrinkage, 3}, {bar.cmdTranShip, 4},
                                                       {bar.cmdTranAllocate, 5}};
  gSystem().GridSelectRow(grd, 2);
  for (const auto& [button, type] : buttons) {
    entries.clear();
    NextEntry();
    button->click();
    ASSERT_EQ(entries.size(), 1u) << type;
    EXPECT_EQ(entries[0].product, QStringLiteral("B [PB]"));
    EXPECT_EQ(entries[0].type, type);
  }
  // A saved entry reloads that row.
  NextEntry("4");
  bar.cmdTranReceive->click();
  EXPECT_EQ(Units(grd, 2), 6.0);
  // The totals row as current row: nothing.
  const qsizetype ran = runner->Ran().size();
  gSystem().GridSelectRow(grd, 4);
  bar.cmdTranReceive->click();
  EXPECT_EQ(runner->Ran().size(), ran);
}

TEST_F(UCCurrInvTest, ProductButtonsFollowTheMarks) {
  auto pane = Pane();
  reports::UCInvButtons& bar = *pane->ctlInvButtons;
  auto prod = [&] {
    return Enabled({bar.cmdProdNew, bar.cmdProdEdit, bar.cmdProdDelete, bar.cmdProdSummary, bar.cmdProdTran});
  };
  auto tran = [&] {
    return Enabled({bar.cmdTranOnOrder, bar.cmdTranReceive, bar.cmdTranShrinkage, bar.cmdTranAllocate, bar.cmdTranShip});
  };
  const std::vector<bool> on(5, true), off(5, false);
  struct Step {
    const char* what;
    std::function<void()> act;
    std::vector<bool> prod;
  };
  const Step steps[] = {
      {"loaded", [] {}, on},
      {"one row marked", [&] { Mark(*pane, {2}); }, off},
      {"all unmarked", [&] { pane->ctlGrid->cmdUnselAll_Click(); }, on},
      {"all marked", [&] { pane->ctlGrid->cmdSelAll_Click(); }, off},
      {"refresh drops the marks", [&] { pane->ctlGrid->cmdRefresh->click(); }, on},
  };
  for (const Step& s : steps) {
    s.act();
    EXPECT_EQ(prod(), s.prod) << s.what;
    EXPECT_EQ(tran(), on) << s.what;
  }
  EXPECT_FALSE(pane->ctlGrid->MultipleRowSelected());
}

TEST_F(UCCurrInvTest, NewProductRowGoesAboveTheTotalsEvenOutsideTheFilter) {
  const int32_t g1 = AddProd(QStringLiteral("G1"), QStringLiteral("G1"), "0", 7);
  const int32_t g2 = AddProd(QStringLiteral("G2"), QStringLiteral("G2"), "0", 7);
  AddTran(g1, 2, "1", "1");
  AddTran(g2, 2, "2", "1");
  auto pane = Pane(InvRecord(QStringLiteral("1001~1014"), 7));
  ctl::GridControl& grd = Grid(*pane);
  ASSERT_EQ(rpttest::RowIds(grd), (std::vector<int32_t>{g1, g2}));
  QString title;
  runner->Then(QStringLiteral("frmProduct"), [&](QDialog& d) {
    title = d.windowTitle();
    ui::test::SetText(d, QStringLiteral("txtName"), QStringLiteral("AAA outside"));
    ui::test::SetText(d, QStringLiteral("txtPN"), QStringLiteral("Z1"));
    d.findChild<ctl::NumericEdit*>(QStringLiteral("fpBI"))->setValue(rpttest::Cur("4"));
    ui::test::Click(d, QStringLiteral("OKButton"));
  });
  pane->ctlInvButtons->cmdProdNew->click();
  EXPECT_EQ(title, QStringLiteral("New Product"));
  const std::vector<int32_t> ids = rpttest::RowIds(grd);
  ASSERT_EQ(ids.size(), 3u);
  const int32_t added = ids[2];
  EXPECT_GT(added, g2);
  EXPECT_EQ(grd.TextMatrix(3, 1), QStringLiteral("AAA outside"));
  EXPECT_TRUE(reports::GridHasTotalsRow(grd));
  EXPECT_EQ(grd.CellValue(4, 2).toDouble(), 7.0);
  EXPECT_EQ(grd.Row(), 3) << "selected";

  // Cancelled: nothing changes.
  runner->Then(QStringLiteral("frmProduct"), {});
  pane->ctlInvButtons->cmdProdNew->click();
  EXPECT_EQ(grd.Rows(), 5);
}

TEST_F(UCCurrInvTest, DeleteNamesTheProductAndRemovesItsRow) {
  // The part number is the first column; the question must still name the product.
  auto pane = Pane(InvRecord(QStringLiteral("1002~1014")));
  ctl::GridControl& grd = Grid(*pane);
  struct Case {
    int row;
    bool deletes;
  };
  for (const Case& k : {Case{4, false}, Case{2, true}}) {  // the totals row, then B
    gSystem().GridSelectRow(grd, k.row);
    const QString name = gDB().GetProductName2(b);
    if (k.deletes) {
      prompts->ExpectContaining(QStringLiteral("recorded for '") + name + QStringLiteral("'"), ui::vbYes);
    }
    pane->ctlInvButtons->cmdProdDelete->click();
    EXPECT_EQ(prompts->Shown().size(), k.deletes ? 1 : 0);
    EXPECT_NE(name, QStringLiteral("PB"));
  }
  ASSERT_EQ(rpttest::RowIds(grd), (std::vector<int32_t>{a, c}));
  ASSERT_TRUE(reports::GridHasTotalsRow(grd));
  EXPECT_EQ(grd.CellValue(3, 2).toDouble(), 4.0) << "totals of A and C";
}

// "Freeze first N columns" keeps the selection column and the first N report columns
// in sight when scrolled.
TEST_F(UCCurrInvTest, FrozenColumnsAreTheFirstShownOnes) {
  for (const int freeze : {1, 2, 4}) {
    clsRptDef& def = defs.emplace_back(Def(InvRecord(QStringLiteral("1001~1002~1014~1003"))));
    def.m_udRptOptions.m_nNumOfColumns2Freeze = freeze;
    auto pane = Pane(def);
    pane->resize(300, 300);
    rpttest::ExpectFrozenColumns(Grid(*pane), freeze, 4);
  }
}

TEST_F(UCCurrInvTest, EditChecksTheProductAndReloadsItsRow) {
  auto pane = Pane();
  ctl::GridControl& grd = Grid(*pane);
  gSystem().GridSelectRow(grd, 2);
  runner->Then(QStringLiteral("frmProduct"), [&](QDialog& d) {
    EXPECT_EQ(d.windowTitle(), QStringLiteral("Edit 'B'"));
    AddTran(b, 2, "5", "1");
    ui::test::Click(d, QStringLiteral("OKButton"));
  });
  pane->ctlInvButtons->cmdProdEdit->click();
  EXPECT_EQ(Units(grd, 2), 7.0);
  EXPECT_EQ(Units(grd, 1), 1.0);

  // Gone behind the pane's back: the message, no editor.
  gSystem().GridSelectRow(grd, 3);
  DATA4* tb = nullptr;
  ASSERT_TRUE(gDB().DeleteRecord(c, gDB().ProductsTable(), tb, QStringLiteral("rowid")));
  prompts->Expect(QStringLiteral("Record cannot be accessed or it no longer exists!"));
  pane->ctlInvButtons->cmdProdEdit->click();
  EXPECT_EQ(prompts->Last().icon, ui::vbExclamation);
  EXPECT_EQ(runner->Ran(), QStringList{QStringLiteral("frmProduct")});
}

// Another user renamed the product while the editor had it: after No and Cancel the
// pane shows the stored name.
TEST_F(UCCurrInvTest, CancelAfterAnAnswerToAnotherUsersChangeShowsTheStoredRow) {
  auto pane = Pane();
  ctl::GridControl& grd = Grid(*pane);
  gSystem().GridSelectRow(grd, 2);
  runner->Then(QStringLiteral("frmProduct"), stocktest::RenamedThenNoAndCancel(b, QStringLiteral("B, renamed"), *prompts));
  pane->ctlInvButtons->cmdProdEdit->click();
  EXPECT_EQ(grd.TextMatrix(2, 1), QStringLiteral("B, renamed"));
}

TEST_F(UCCurrInvTest, CommandsDoNotNest) {
  auto pane = Pane();
  gSystem().GridSelectRow(Grid(*pane), 1);
  // While the entry is open the user presses Receive, Refresh and New again.
  runner->Then(QStringLiteral("frmInvAddUpateDel"), [&](QDialog&) {
    pane->ctlInvButtons->cmdTranReceive->click();
    pane->ctlInvButtons->cmdProdNew->click();
    pane->ctlGrid->cmdRefresh->click();
    pane->LoadData(-1);
  });
  pane->ctlInvButtons->cmdTranReceive->click();
  EXPECT_EQ(runner->Ran(), QStringList{QStringLiteral("frmInvAddUpateDel")});
  EXPECT_EQ(Grid(*pane).Row(), 1) << "no reload in between";
  // Afterwards the commands run again.
  NextEntry();
  pane->ctlInvButtons->cmdTranReceive->click();
  EXPECT_EQ(entries.size(), 1u);
}

TEST_F(UCCurrInvTest, BarLabelsAndCriteriaText) {
  struct Case {
    int level, indicate;
    bool edit;
    QString label1;
  };
  const Case cases[] = {
      {0, 1, true, QStringLiteral("Products to Re-Order")},
      {0, 2, false, QStringLiteral("Out of Stock Products")},
      {2, 1, true, QString()},
      {0, 0, true, QString()},
  };
  for (const Case& k : cases) {
    auto pane = Pane(InvRecord(QStringLiteral("1001~1014"), -1, k.level, k.indicate, k.edit));
    pane->show();
    UCGrid& g = *pane->ctlGrid;
    EXPECT_EQ(pane->ctlInvButtons->isVisible(), k.edit) << k.level << "/" << k.indicate;
    const int barLeft = k.edit ? pane->width() - pane->ctlInvButtons->width() : pane->width();
    EXPECT_EQ(g.geometry(), QRect(0, 0, barLeft, pane->height()));
    if (k.edit) {
      EXPECT_EQ(pane->ctlInvButtons->mapTo(pane.get(), QPoint()).x(), barLeft);
    }
    EXPECT_EQ(g.lbl1->isVisible(), !k.label1.isEmpty());
    if (!k.label1.isEmpty()) {
      EXPECT_EQ(g.lbl1->text(), k.label1);
    }
    EXPECT_FALSE(g.lbl2->isVisible());
    EXPECT_EQ(g.txtMsg->toPlainText(), defs.back().m_udInvSelCriteria.Desc().replace(QStringLiteral("\r\n"), QStringLiteral("\n")));
  }
}

TEST_F(UCCurrInvTest, ColumnWidthsAreKeptPerReport) {
  Grid(*Pane()).setColWidth(1, 3000);  // the pane saves the widths when it ends
  auto again = Pane();
  EXPECT_EQ(Grid(*again).ColWidth(1), 3000);
  auto pane = Pane(InvRecord(), 1001);
  EXPECT_NE(Grid(*pane).ColWidth(1), 3000);
  // Refresh keeps the user's width.
  Grid(*pane).setColWidth(1, 2500);
  pane->ctlGrid->cmdRefresh->click();
  EXPECT_EQ(Grid(*pane).ColWidth(1), 2500);
  // A saved width narrower than the numbers of a column (now larger, or their total)
  // gives way to them; so does a text column's, where the pane has room.
  Grid(*pane).setColWidth(1, 300);
  Grid(*pane).setColWidth(2, 300);
  AddTran(a, 2, "1234567", "1");
  pane->ctlGrid->cmdRefresh->click();
  ctl::GridControl& grd = Grid(*pane);
  EXPECT_EQ(grd.ColWidth(1), std::max(300, grd.ValuesWidth(1)));
  EXPECT_GT(grd.ValuesWidth(2), 300);
  EXPECT_EQ(grd.ColWidth(2), grd.ValuesWidth(2));
  EXPECT_EQ(grd.Cell(ctl::flexcpTextDisplay, grd.Rows() - 1, 2).toString(), QStringLiteral("1,234,573"));
}

}  // namespace

namespace {

// A table that does not open: its box, then a grid whose status says it is incomplete
// (never "0 records"); without the transactions the products still show, their
// figures empty.
TEST_F(UCCurrInvTest, ATableThatDoesNotOpenLeavesTheGridMarkedIncomplete) {
  struct Case {
    const char* table;
    QStringList names, units;
  } cases[] = {{"svltran.dbf", {"A", "B", "C"}, {"", "", ""}}, {"svlprod.dbf", {}, {}}};
  for (const Case& k : cases) {
    SCOPED_TRACE(k.table);
    const QString path = gDB().DBPath() + QLatin1Char('/') + QLatin1String(k.table);
    QFile file(path);
    ASSERT_TRUE(file.open(QIODevice::ReadWrite));
    const QByteArray sound = file.readAll();
    ASSERT_TRUE(file.resize(sound.size() - 10));
    prompts->ExpectContaining(QStringLiteral("Unable to open: ") + path);
    auto pane = Pane();
    EXPECT_EQ(rpttest::Column(Grid(*pane), 1), k.names);
    EXPECT_EQ(rpttest::Column(Grid(*pane), 2), k.units);
    EXPECT_EQ(pane->ctlGrid->PanelText(1), QStringLiteral("Incomplete: a data file cannot be opened"));
    ASSERT_TRUE(file.seek(0));
    ASSERT_EQ(file.write(sound), sound.size());
    file.close();
    EXPECT_EQ(Pane()->ctlGrid->PanelText(1), QStringLiteral("3 records"));
  }
}

}  // namespace
