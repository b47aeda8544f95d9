#include "inventory/TranCommands.h"

#include <unistd.h>

#include <functional>

#include "inventory/frmBatchTran.h"
#include "inventory/frmInvAddUpateDel.h"
#include "inventory/frmScanNewTran.h"
#include "services/clsSystem.h"
#include "tests/database/ProcessTestSupport.h"
#include "tests/inventory/TranTestSupport.h"

namespace {

using trantest::Cur;
using ui::test::Click;

class TranCommandsTest : public trantest::TranTest {
 protected:
  // The transaction dialog: units set, then OK.
  void SaveDialog(const char* units) {
    runner->Then(QStringLiteral("frmInvAddUpateDel"), [units](QDialog& dlg) {
      trantest::SetNumber(dlg, QStringLiteral("fpUnits"), units);
      EXPECT_TRUE(Click(dlg, QStringLiteral("cmdOK")));
    });
  }
  void Pick(int32_t tranId) {
    runner->Then(QStringLiteral("frmSelTransaction"), [tranId](QDialog& dlg) { trantest::PickRow(dlg, tranId); });
  }
  static clsTran Of(int32_t prodId, int32_t type) {
    clsTran t;
    t.nProdId = prodId;
    t.udTranType = type;
    return t;
  }
  // The rows of the product: (type, units) in record order.
  static std::vector<std::pair<int32_t, rt::Currency>> Rows(int32_t prodId) {
    std::vector<std::pair<int32_t, rt::Currency>> rows;
    store::Table table = gDB().OpenTable(gDB().TranTable());
    DATA4* tb = table.get();
    for (int rc = d4top(tb); rc == 0; rc = d4skip(tb, 1)) {
      if (d4deleted(tb) || f4long(d4field(tb, "prodid")) != prodId) continue;
      rows.emplace_back(f4long(d4field(tb, "trantype")), rt::Currency::FromDouble(f4double(d4field(tb, "units"))));
    }
    return rows;
  }
};

// Receiving part of an order: the question, and what each answer leaves stored.
TEST_F(TranCommandsTest, ReceivingLessThanOrderedOffersTheRemainder) {
  const struct {
    const char* received;
    int answer;  // 0: no question
    std::vector<std::pair<int32_t, rt::Currency>> rows;
  } cases[] = {
      {"6", ui::vbYes, {{2, Cur("6")}, {1, Cur("4")}}},
      {"6", ui::vbNo, {{2, Cur("6")}}},
      {"12", 0, {{2, Cur("12")}}},
      {"10", 0, {{2, Cur("10")}}},
  };
  for (const auto& c : cases) {
    SCOPED_TRACE(testing::Message() << c.received << " " << c.answer);
    const int32_t prod = AddProductWithAmounts(QStringLiteral("R-") + QLatin1String(c.received) +
                                                   QString::number(c.answer),
                                               QStringLiteral("Bolt"), "2", "5");
    const int32_t order = stocktest::AddTran(prod, 1, "10", "2", QStringLiteral("2/1/2026"));
    Pick(order);
    SaveDialog(c.received);
    if (c.answer) {
      prompts->Expect(QStringLiteral("The number of units you RECEIVED (") + QLatin1String(c.received) +
                          QStringLiteral(".00) are less than the number of units ON ORDER (10.00). Do you wish to "
                                         "keep the remaining number of units ON ORDER (4.00)?"),
                      c.answer);
    }
    clsTran tran = Of(prod, 2);
    EXPECT_TRUE(inventory::AddNewTransaction(tran));
    EXPECT_EQ(Rows(prod), c.rows);
    const clsTran received = Stored(order);  // the order's own row
    EXPECT_EQ(received.udTranType, 2);
    EXPECT_EQ(received.sDate, gSystem().CurrDateShort());
    EXPECT_EQ(tran.nTranID, order);
    if (c.rows.size() == 2) {
      store::Table table = gDB().OpenTable(gDB().TranTable());
      DATA4* tb = table.get();
      QString keptDate;
      for (int rc = d4top(tb); rc == 0; rc = d4skip(tb, 1)) {
        if (f4long(d4field(tb, "prodid")) == prod && f4long(d4field(tb, "trantype")) == 1) {
          keptDate = Module1::FieldText(d4field(tb, "trandate"));
        }
      }
      table.Close();
      EXPECT_EQ(keptDate, QStringLiteral("20260201"));  // dated as the order was
    }
  }
}

// Outstanding units with hidden decimals: units typed equal at the places convert the
// whole; fewer are asked about with the decimals that tell them apart.
TEST_F(TranCommandsTest, HiddenDecimalsOfAnOutstandingQuantityAreConvertedWhole) {
  const struct {
    int32_t outstandingType;
    const char* outstanding;
    const char* typed;
    const char* question;  // nullptr: none
  } cases[] = {
      {5, "12.5037", "12.50", nullptr},
      {5, "12.5037", "12.5", nullptr},
      {1, "10.0004", "10", nullptr},
      {5, "12.5037", "12.49", "The number of units you SHIPPED (12.4900) are less than the number of units ALLOCATED "
                              "(12.5037). Do you wish to keep the remaining number of units ALLOCATED (0.0137)?"},
      {1, "10.25", "10.2", "The number of units you RECEIVED (10.20) are less than the number of units ON ORDER "
                           "(10.25). Do you wish to keep the remaining number of units ON ORDER (0.05)?"},
  };
  for (const auto& c : cases) {
    SCOPED_TRACE(testing::Message() << c.outstanding << " " << c.typed);
    const int32_t prod = AddProductWithAmounts(QStringLiteral("H-") + QLatin1String(c.typed) + QLatin1String(c.outstanding),
                                               QStringLiteral("Hinge"), "2", "5");
    const int32_t outstanding = stocktest::AddTran(prod, c.outstandingType, c.outstanding, "2");
    Pick(outstanding);
    const QString typed = QLatin1String(c.typed);
    runner->Then(QStringLiteral("frmInvAddUpateDel"), [typed](QDialog& dlg) {
      EXPECT_TRUE(ui::test::TypeKeys(dlg, QStringLiteral("fpUnits"), typed));
      EXPECT_TRUE(Click(dlg, QStringLiteral("cmdOK")));
    });
    if (c.question) prompts->Expect(QString::fromLatin1(c.question), ui::vbYes);
    const int32_t converted = c.outstandingType == 5 ? 4 : 2;
    clsTran tran = Of(prod, converted);
    EXPECT_TRUE(inventory::AddNewTransaction(tran));
    const rt::Currency whole = Cur(c.outstanding);
    const rt::Currency done = c.question ? Cur(c.typed) : whole;
    std::vector<std::pair<int32_t, rt::Currency>> rows{{converted, done}};
    if (c.question) rows.emplace_back(c.outstandingType, whole - done);
    EXPECT_EQ(Rows(prod), rows);
  }
}

TEST_F(TranCommandsTest, PickerAndChooserRoads) {
  const int32_t order = stocktest::AddTran(widget, 1, "10", "2");
  // "New Transaction": a new Receive at the standard cost; the order stays.
  runner->Then(QStringLiteral("frmSelTransaction"),
               [](QDialog& dlg) { EXPECT_TRUE(Click(dlg, QStringLiteral("cmdNewTransaction"))); });
  runner->Then(QStringLiteral("frmInvAddUpateDel"), [](QDialog& dlg) {
    auto& d = static_cast<frmInvAddUpateDel&>(dlg);
    EXPECT_EQ(d.fpCost->Value(), Cur("2"));
    EXPECT_FALSE(d.cboType->isEnabled());
    EXPECT_EQ(d.lblHeading->text(), QStringLiteral("New Transaction"));
    trantest::SetNumber(dlg, QStringLiteral("fpUnits"), "3");
    EXPECT_TRUE(Click(dlg, QStringLiteral("cmdOK")));
  });
  clsTran receive = Of(widget, 2);
  EXPECT_TRUE(inventory::AddNewTransaction(receive));
  EXPECT_EQ(Stored(order).udTranType, 1);
  // Cancelling the picker stores nothing.
  runner->Then(QStringLiteral("frmSelTransaction"), [](QDialog& dlg) { EXPECT_TRUE(Click(dlg, QStringLiteral("cmdCancel"))); });
  clsTran again = Of(widget, 2);
  EXPECT_FALSE(inventory::AddNewTransaction(again));
  // No product: the chooser first, which reports the product before the type.
  runner->Then(QStringLiteral("frmNewTran"), [this](QDialog& dlg) {
    prompts->Expect(QStringLiteral("Please select a product!"));
    EXPECT_TRUE(Click(dlg, QStringLiteral("cmdOK")));
    trantest::SelectId(dlg, QStringLiteral("cboProducts"), gadget);
    prompts->Expect(QStringLiteral("Please select transaction type!"));
    EXPECT_TRUE(Click(dlg, QStringLiteral("cmdOK")));
    trantest::SelectId(dlg, QStringLiteral("cboType"), 3);
    EXPECT_TRUE(Click(dlg, QStringLiteral("cmdOK")));
  });
  runner->Then(QStringLiteral("frmInvAddUpateDel"), [](QDialog& dlg) {
    EXPECT_EQ(static_cast<frmInvAddUpateDel&>(dlg).fpCost->Value(), Cur("0"));  // a Shrinkage keeps its amount
    EXPECT_TRUE(Click(dlg, QStringLiteral("cmdCancel")));
  });
  clsTran none;
  EXPECT_FALSE(inventory::AddNewTransaction(none));
  EXPECT_EQ(none.nProdId, gadget);
  EXPECT_EQ(none.udTranType, 3);
  runner->Then(QStringLiteral("frmNewTran"), [](QDialog& dlg) { EXPECT_TRUE(Click(dlg, QStringLiteral("cmdCancel"))); });
  clsTran cancelled;
  EXPECT_FALSE(inventory::AddNewTransaction(cancelled));
}

// The order chosen in the picker is deleted before it is read: the message, and the
// caller's record is a fresh one again.
TEST_F(TranCommandsTest, AnOrderGoneBeforeItIsReadLeavesAFreshRecord) {
  const int32_t order = stocktest::AddTran(widget, 1, "10", "2");
  runner->Then(QStringLiteral("frmSelTransaction"), [order](QDialog& dlg) {
    clsTran gone;
    gone.nTranID = order;
    DATA4* tb = nullptr;
    ASSERT_TRUE(gDB().SaveTran(2, gone, tb));
    trantest::PickRow(dlg, order);
  });
  prompts->Expect(QStringLiteral("Unable to get transaction with id: ") + QString::number(order) +
                  QStringLiteral(". Another user may have deleted this transaction."));
  clsTran tran = Of(widget, 2);
  tran.sNote = QStringLiteral("kept?");
  EXPECT_FALSE(inventory::AddNewTransaction(tran));
  EXPECT_EQ(tran.nProdId, -1);
  EXPECT_EQ(tran.udTranType, -1);
  EXPECT_TRUE(tran.sNote.isEmpty());
}

// Another copy deleted a product that lists here still show: every way a new
// transaction starts for it is refused, also OK in a dialog opened before the delete.
TEST_F(TranCommandsTest, ANewTransactionForADeletedProductIsRefused) {
  const QString goneText = QStringLiteral("Record cannot be accessed or it no longer exists!");
  frmInvAddUpateDel open;
  open.Init(0, Of(gadget, 2), -1);
  trantest::SetNumber(open, QStringLiteral("fpUnits"), "1");
  frmBatchTran batch;
  trantest::SelectId(batch, QStringLiteral("cboType"), 2);
  trantest::SelectId(batch, QStringLiteral("cboProducts_0"), gadget);
  trantest::SetNumber(batch, QStringLiteral("fpUnits_0"), "1");
  ASSERT_TRUE(gDB().DeleteProduct(gadget));
  const auto refused = [&](const QString& what, const std::function<bool()>& run, const QString& message) {
    SCOPED_TRACE(what.toStdString());
    prompts->Expect(message);
    EXPECT_FALSE(run());
  };
  for (const auto& [type, scan] : {std::pair{1, false}, {2, false}, {3, false}, {4, false}, {5, false}, {2, true}}) {
    clsTran t = Of(gadget, type);
    refused(QStringLiteral("type %1%2").arg(type).arg(scan ? " scan" : ""),
            [&] { return inventory::AddNewTransaction(t, scan); }, goneText);
  }
  refused("OK in an open dialog", [&] { return Click(open, QStringLiteral("cmdOK")) && open.m_bOK; }, goneText);
  refused("batch", [&] { return Click(batch, QStringLiteral("cmdOK")) && batch.m_bOK; },
          QStringLiteral("Row 1: Gadget [G-2]: ") + goneText + QLatin1Char('\n'));
  EXPECT_EQ(dbtest::LiveRows(gDB().TranTable()), 0);
}

TEST_F(TranCommandsTest, MenuReceiptConvertsTheWholeOrderWithoutAQuestion) {
  const int32_t order = stocktest::AddTran(gadget, 1, "10", "3");
  const int32_t allocation = stocktest::AddTran(widget, 5, "4", "5");
  runner->Then(QStringLiteral("frmSelTransaction"), [order](QDialog& dlg) {
    EXPECT_EQ(dlg.windowTitle(), QStringLiteral("Receive Products On Order"));
    EXPECT_TRUE(dlg.findChild<QWidget*>(QStringLiteral("cmdNewTransaction"))->isHidden());
    trantest::PickRow(dlg, order);
  });
  SaveDialog("6");
  inventory::ShowOnOrderAllocatedTransactionsDlg(1);
  EXPECT_EQ(Rows(gadget), (std::vector<std::pair<int32_t, rt::Currency>>{{2, Cur("6")}}));
  runner->Then(QStringLiteral("frmSelTransaction"), [allocation](QDialog& dlg) {
    EXPECT_EQ(dlg.windowTitle(), QStringLiteral("Ship Allocated Products"));
    trantest::PickRow(dlg, allocation);
  });
  SaveDialog("4");
  inventory::ShowOnOrderAllocatedTransactionsDlg(5);
  EXPECT_EQ(Stored(allocation).udTranType, 4);
  prompts->Expect(QStringLiteral("Unsupported Transaction Type"));
  inventory::ShowOnOrderAllocatedTransactionsDlg(2);
  EXPECT_EQ(prompts->Last().icon, 0);
}

// Each child opens the database itself (its own engine and locks) and receives the
// order with its own number of units once the parent lets both go: 0 when it did.
int ReceiveOrder(const QString& dir, int32_t order, const char* units, int go) {
  char b = 0;
  if (read(go, &b, 1) != 1) return 5;
  if (!gDB().OpenDB(dir)) return 3;
  code4lockDelay(gDB().CBEngine(), 1);
  code4lockAttempts(gDB().CBEngine(), 5000);
  clsTran t;
  if (!gDB().GetTran(order, t)) return 4;
  t.udTranType = 2;
  t.curUnits = Cur(units);
  return gDB().ConvertTran(t, 1) ? 0 : 1;
}

TEST_F(TranCommandsTest, TwoProcessesConvertingOneOrderStoreOneConversion) {
  const int32_t order = stocktest::AddTran(widget, 1, "10", "2");
  const int rowsBefore = dbtest::LiveRows(gDB().TranTable());
  const QString dir = gDB().DBPath();
  gDB().CloseDB();
  prompts->Answer(ui::vbOK);  // the loser's message, shown in the child
  int go[2];
  ASSERT_EQ(pipe(go), 0);
  const char* units[2] = {"6", "7"};
  pid_t pids[2];
  for (int i = 0; i < 2; ++i) pids[i] = proctest::Fork([&] { return ReceiveOrder(dir, order, units[i], go[0]); });
  ASSERT_EQ(write(go[1], "gg", 2), 2);
  int won = 0, winner = -1;
  for (int i = 0; i < 2; ++i) {
    const int code = proctest::Wait(pids[i]);
    ASSERT_TRUE(code == 0 || code == 1) << code;
    if (code == 0) {
      ++won;
      winner = i;
    }
  }
  close(go[0]);
  close(go[1]);
  prompts->Clear();
  EXPECT_EQ(won, 1);
  ASSERT_TRUE(gDB().OpenDB(dir));
  EXPECT_EQ(dbtest::LiveRows(gDB().TranTable()), rowsBefore);
  ASSERT_GE(winner, 0);
  EXPECT_EQ(Stored(order).udTranType, 2);
  EXPECT_EQ(Stored(order).curUnits, Cur(units[winner]));
}

// Order 10, receive 6 (keeping 4 on order), ship 4, allocate 2, scan one more receipt:
// the stock figures follow from the stored rows.
TEST_F(TranCommandsTest, EntriesFromOrderToScanGiveTheStockFigures) {
  SaveDialog("10");
  clsTran order = Of(widget, 1);
  ASSERT_TRUE(inventory::AddNewTransaction(order));
  const std::vector<std::pair<int32_t, rt::Currency>> ordered{{1, Cur("10")}};
  ASSERT_EQ(Rows(widget), ordered);
  store::Table table = gDB().OpenTable(gDB().TranTable());
  DATA4* tb = table.get();
  d4top(tb);
  const int32_t orderId = f4long(d4field(tb, "rowid"));
  table.Close();

  Pick(orderId);
  SaveDialog("6");
  prompts->ExpectContaining(QStringLiteral("RECEIVED (6.00)"), ui::vbYes);
  clsTran receive = Of(widget, 2);
  ASSERT_TRUE(inventory::AddNewTransaction(receive));
  SaveDialog("4");
  clsTran ship = Of(widget, 4);
  ASSERT_TRUE(inventory::AddNewTransaction(ship));
  SaveDialog("2");
  clsTran allocate = Of(widget, 5);
  ASSERT_TRUE(inventory::AddNewTransaction(allocate));

  frmScanNewTran scan;
  ASSERT_TRUE(ui::test::SetText(scan, QStringLiteral("txtPartNo"), QStringLiteral(" w-1 ")));
  trantest::SelectId(scan, QStringLiteral("cboType"), 2);
  runner->Then(QStringLiteral("frmSelTransaction"),
               [](QDialog& dlg) { EXPECT_TRUE(Click(dlg, QStringLiteral("cmdNewTransaction"))); });
  runner->Then(QStringLiteral("frmInvAddUpateDel"), [](QDialog& dlg) {
    auto& d = static_cast<frmInvAddUpateDel&>(dlg);
    EXPECT_EQ(d.fpUnits->Value(), Cur("1"));
    EXPECT_EQ(d.fpCost->Value(), Cur("2"));
    EXPECT_TRUE(Click(dlg, QStringLiteral("cmdOK")));
  });
  ASSERT_TRUE(Click(scan, QStringLiteral("cmdOK")));

  const std::vector<std::pair<int32_t, rt::Currency>> rows{
      {2, Cur("6")}, {1, Cur("4")}, {4, Cur("4")}, {5, Cur("2")}, {2, Cur("1")}};
  EXPECT_EQ(Rows(widget), rows);
  const clsProductStats s = Stats(widget);
  EXPECT_EQ(s.m_curNumUnitsInStock_Physical, Cur("3"));    // 6 + 1 received - 4 shipped
  EXPECT_EQ(s.m_curNumUnitsAllocated, Cur("2"));
  EXPECT_EQ(s.m_curNumUnitsInStock_Available, Cur("1"));   // 3 - 2
  EXPECT_EQ(s.m_curNumUnitsOnOrder, Cur("4"));
  EXPECT_EQ(s.m_curOnOrderCostActual, Cur("8"));           // 4 x 2
  EXPECT_EQ(s.m_curAvgCostPerUnit, Cur("2"));              // (6 x 2 + 1 x 2) / 7
  EXPECT_EQ(s.m_curAvgPricePerUnit, Cur("5"));             // 4 x 5 / 4
  EXPECT_EQ(s.m_curStkCostAvg, Cur("6"));
  EXPECT_EQ(s.m_curStkPriceAvg, Cur("15"));
}

}  // namespace
