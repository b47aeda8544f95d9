#include <gmock/gmock.h>
#include <gtest/gtest.h>

#include <QComboBox>
#include <QLabel>
#include <QPlainTextEdit>

#include "database/store/Codes.h"
#include "exchange/clsImportTransactions.h"
#include "exchange/frmImportTran.h"
#include "exchange/ExchangeCommands.h"
#include "services/clsSystem.h"
#include "tests/exchange/ExchangeTestSupport.h"

namespace {

using exchangetest::Cur;
using exchangetest::ExchangeTest;
using stocktest::AddProduct;
using store::TranType;

const QString kImported = QStringLiteral(" Transactions! These transactions can be viewed from Reports | Transactions menu.");

class TranImportTest : public ExchangeTest {
 protected:
  // A product with standard cost 3.5 (or the one given) and price 7.25.
  int32_t Priced(const QString& partNo, const char* stdCost = "3.5") {
    clsProd p = stocktest::NewProduct(partNo, QStringLiteral("Name of ") + partNo);
    p.curStdCost = Cur(stdCost);
    p.curStdPrice = Cur("7.25");
    const int32_t id = stocktest::StoreProduct(p);
    EXPECT_GT(id, 0);
    return id;
  }
  void Start(clsImportTransactions& imp, const QByteArray& lines, TranType type = TranType::kReceive) {
    clsTran t;
    t.udTranType = store::Code(type);
    t.sDate = QStringLiteral("3/14/2026");
    t.sNote = QStringLiteral("shared note");
    t.nCatID = 0;
    t.nAcctID = -1;
    imp.Init(Write(QStringLiteral("tran.csv"), lines), t);
  }
};

// An empty or 0 amount takes the product's standard cost (On Order, Receive, Shrinkage)
// or price (Ship, Allocate); any other amount is kept whatever the type.
TEST_F(TranImportTest, AnEmptyAmountTakesTheProductsStandardAmount) {
  const int32_t id = Priced(QStringLiteral("AB-1"));
  const struct {
    TranType type;
    const char* amount;
    const char* price;
  } cases[] = {{TranType::kReceive, "", "3.5"},   {TranType::kReceive, "0", "3.5"},
               {TranType::kOnOrder, "", "3.5"},   {TranType::kShrinkage, "0", "3.5"},
               {TranType::kShip, "", "7.25"},     {TranType::kAllocate, "0", "7.25"},
               {TranType::kShip, "12.5", "12.5"}, {TranType::kReceive, "12.5", "12.5"}};
  size_t n = 0;
  for (const auto& c : cases) {
    SCOPED_TRACE(std::to_string(store::Code(c.type)) + " [" + c.amount + "]");
    clsImportTransactions imp;
    Start(imp, QByteArray("PARTNUMBER,UNITS,AMOUNTPERUNIT\n ab-1 ,2,") + c.amount + "\n", c.type);
    ASSERT_TRUE(imp.ValidateData()) << imp.m_ErrorBuf.toStdString();
    prompts->Expect(QStringLiteral("Imported 1") + kImported);
    EXPECT_TRUE(imp.DoImport());
    const std::vector<clsTran> all = Transactions();
    ASSERT_EQ(all.size(), ++n);
    const clsTran& t = all.back();
    EXPECT_EQ(t.nProdId, id);
    EXPECT_EQ(t.udTranType, store::Code(c.type));
    EXPECT_EQ(t.curUnits, Cur("2"));
    EXPECT_EQ(t.curUnitPrice, Cur(c.price));
    EXPECT_EQ(t.sNote, QStringLiteral("shared note"));
    EXPECT_EQ(gDB().CBDateFormat(t.sDate), QStringLiteral("20260314"));
  }
}

TEST_F(TranImportTest, UnitsAndAmountsAreCheckedAtTheirBounds) {
  Priced(QStringLiteral("P"));
  const struct {
    const char* units;
    const char* amount;
    bool ok;
  } cases[] = {{"0.1", "", true},        {"0.09", "", false},       {"0", "1", false},
               {"2000000000", "0", true}, {"2000000000.0001", "", false}, {"", "1", false},
               {"1", "2000000000", true}, {"1", "-1", false},     {"1,5", "", false},
               // each in range, their product beyond what any figure holds
               {"2000000000", "500000", false}, {"2000000000", "400000", true}};
  for (const auto& c : cases) {
    SCOPED_TRACE(std::string(c.units) + " / " + c.amount);
    clsImportTransactions imp;
    Start(imp, QByteArray("PARTNUMBER,UNITS,AMOUNTPERUNIT\nP,\"") + c.units + "\"," + c.amount + "\n");
    EXPECT_EQ(imp.ValidateData(), c.ok) << imp.m_ErrorBuf.toStdString();
  }
  // Without an amount the product's standard cost is the one that must fit.
  Priced(QStringLiteral("BIG"), "500000");
  clsImportTransactions imp;
  Start(imp, QByteArray("PARTNUMBER,UNITS,AMOUNTPERUNIT\nP,2000000000,\nBIG,2000000000,\nBIG,1,\n"));
  EXPECT_FALSE(imp.ValidateData());
  EXPECT_EQ(imp.m_ErrorBuf, QStringLiteral("Row 3: UNITS \u00D7 the product's standard amount is more than the largest "
                                           "value that can be recorded (922,337,203,685,477). Please enter fewer "
                                           "units or a smaller amount per unit.\r\n"));
}

// Rows each in range whose sum with the product's stored rows no figure holds: the row
// that would overflow is refused by the product's name.
TEST_F(TranImportTest, RowsThatWouldMakeAProductsFiguresOverflowAreRefusedByName) {
  const int32_t id = Priced(QStringLiteral("P"));
  ASSERT_GT(stocktest::AddTran(id, 2, "2000000000", "100000"), 0);
  clsImportTransactions imp;
  Start(imp, QByteArray("PARTNUMBER,UNITS,AMOUNTPERUNIT\nP,2000000000,300000\nP,2000000000,200000\n"));
  EXPECT_FALSE(imp.ValidateData());
  EXPECT_EQ(imp.m_ErrorBuf, QStringLiteral("Row 3: ") + TranFiguresTooLargeText(QStringLiteral("Name of P [P]")) +
                                QStringLiteral("\r\n"));
}

// Every row's part number is checked and every unknown one listed, with its physical
// line number; nothing is written.
TEST_F(TranImportTest, PartNumbersOfNoSingleVisibleProductAreAllListed) {
  Priced(QStringLiteral("AB-1"));
  AddProduct(QStringLiteral("HID"), QStringLiteral("Hidden"), true);
  AddProduct(QStringLiteral("DUP"), QStringLiteral("One"));
  AddProduct(QStringLiteral("DUP"), QStringLiteral("Two"));
  clsImportTransactions imp;
  Start(imp, "partnumber,Units,AMOUNTPERUNIT\nab-1,1,\nHID,1,\n\nDUP,1,\nNOPE,1,\n");
  EXPECT_FALSE(imp.ValidateData());
  EXPECT_EQ(imp.m_ErrorBuf, QStringLiteral("Row 3: Product with part number 'HID' does not exist.\r\n"
                                           "Row 5: Product with part number 'DUP' does not exist.\r\n"
                                           "Row 6: Product with part number 'NOPE' does not exist.\r\n"));
  EXPECT_TRUE(Transactions().empty());
}

// A row the import cannot record is left out and listed; the message counts what was
// written: a product gone since the check.
TEST_F(TranImportTest, RowsThatCannotBeRecordedAreLeftOutAndReported) {
  const int32_t a = Priced(QStringLiteral("A"));
  const int32_t b = Priced(QStringLiteral("B"));
  clsImportTransactions imp;
  Start(imp, "PARTNUMBER,AMOUNTPERUNIT,UNITS\nA,1,5\nB,1,5\n");
  ASSERT_TRUE(imp.ValidateData()) << imp.m_ErrorBuf.toStdString();
  DATA4* tb = nullptr;
  ASSERT_TRUE(gDB().HideProduct(b, tb));
  QString text;
  ExpectMsg(&text);
  EXPECT_TRUE(imp.DoImport());
  EXPECT_EQ(imp.Imported(), 1);
  EXPECT_TRUE(text.startsWith(QStringLiteral("Imported 1 of 2") + kImported)) << text.toStdString();
  EXPECT_TRUE(text.contains(QStringLiteral("Row 3: Product with part number 'B' does not exist.")));
  const std::vector<clsTran> all = Transactions();
  ASSERT_EQ(all.size(), 1u);
  EXPECT_EQ(all[0].nProdId, a);
}

// The command: the dialog's entries go into every transaction; a failed check shows
// the failure window; Cancel in the preview writes nothing.
TEST_F(TranImportTest, TheCommandWritesWhatTheDialogHolds) {
  Priced(QStringLiteral("A"));
  const QString good = Write(QStringLiteral("good.csv"), "PARTNUMBER,UNITS,AMOUNTPERUNIT\nA,3,\nA,4,1\n");
  const QString bad = Write(QStringLiteral("bad.csv"), "PARTNUMBER,UNITS,AMOUNTPERUNIT\nZZ,3,\n");
  const auto dialog = [&](const QString& path) {
    runner->Then(QStringLiteral("frmImportTran"), [path](QDialog& d) {
      ui::test::SetText(d, QStringLiteral("txtDate"), QStringLiteral("12/31/2026"));
      ui::test::SetText(d, QStringLiteral("cboType"), QStringLiteral("Ship"));
      ui::test::SetText(d, QStringLiteral("txtNote"), QStringLiteral("from the file"));
      ui::test::SetText(d, QStringLiteral("txtImportFile"), path);
      ui::test::Click(d, QStringLiteral("cmdOK"));
    });
  };
  dialog(bad);
  QString failure;
  ExpectMsg(&failure);
  exchange::ImportTransactions();
  EXPECT_EQ(failure.toStdString(), (QStringLiteral("Errors encountered while importing file: '") + bad +
                                    QStringLiteral("'\n\nNo transactions were imported.\n\n"
                                                   "Row 2: Product with part number 'ZZ' does not exist.\n"))
                                       .toStdString());

  dialog(good);
  Preview(false);
  prompts->Expect(QStringLiteral("Import cancelled by the user!"));
  exchange::ImportTransactions();
  EXPECT_TRUE(Transactions().empty());

  dialog(good);
  Preview(true);
  prompts->Expect(QStringLiteral("Imported 2") + kImported);
  exchange::ImportTransactions();
  const std::vector<clsTran> all = Transactions();
  ASSERT_EQ(all.size(), 2u);
  for (const clsTran& t : all) {
    EXPECT_EQ(t.udTranType, store::Code(TranType::kShip));
    EXPECT_EQ(gDB().CBDateFormat(t.sDate), QStringLiteral("20261231"));
    EXPECT_EQ(t.sNote, QStringLiteral("from the file"));
    EXPECT_EQ(t.nCatID, -1);  // nothing selected
  }
  EXPECT_EQ(all[0].curUnitPrice, Cur("7.25"));
  EXPECT_EQ(all[1].curUnitPrice, Cur("1"));
}

// Cancel while the file is read or checked writes nothing, shows no message and goes
// back to the dialog, its entries kept (closed from the frame here, so none outlives
// the test).
TEST_F(TranImportTest, CancelWhileReadingOrCheckingGoesBackToTheDialog) {
  Priced(QStringLiteral("A"));
  const QString path = Write(QStringLiteral("tran.csv"), "PARTNUMBER,UNITS,AMOUNTPERUNIT\nA,3,\nA,4,1\n");
  for (const char* message : {"Reading the file. Please wait...", "Validating Data. Please wait...",
                              "Validating Part Numbers. Please wait..."}) {
    ChooseInDialog(QStringLiteral("frmImportTran"), path, QStringLiteral("Receive"));
    CancelAt(QStringLiteral("frmImportTran"), message, path, &exchange::ImportTransactions);
  }
  EXPECT_TRUE(Transactions().empty());
}

class TranDialogTest : public ExchangeTest {};

TEST_F(TranDialogTest, LoadsTypesListsDateAndNote) {
  DATA4* cat = nullptr;
  QString reason = QStringLiteral("Damaged");
  const int32_t damaged = gDB().CategoryIDLookupOrAdd(reason, store::Code(store::ListType::kTranCategory), cat);
  ASSERT_TRUE(gDB().SetParamValue(QStringLiteral("svltran.dbf_catid"), QStringLiteral("Reason")));
  frmImportTran dlg;
  EXPECT_EQ(dlg.windowTitle(), QStringLiteral("Import Inventory Transactions"));
  EXPECT_EQ(dlg.cmdOK->text(), QStringLiteral("Validate and &Preview"));
  EXPECT_TRUE(dlg.cmdOK->isDefault());
  QStringList types;
  QList<int> data;
  for (int i = 0; i < dlg.cboType->count(); ++i) {
    types << dlg.cboType->itemText(i);
    data << dlg.cboType->itemData(i).toInt();
  }
  EXPECT_EQ(types, (QStringList{"On Order", "Receive", "Shrinkage", "Allocate", "Ship"}));
  EXPECT_EQ(data, (QList<int>{1, 2, 3, 5, 4}));
  EXPECT_EQ(dlg.cboType->currentIndex(), -1);
  ASSERT_EQ(dlg.cboCategory->count(), 2);
  EXPECT_EQ(dlg.cboCategory->itemData(0).toInt(), 0);
  EXPECT_EQ(dlg.cboCategory->itemData(1).toInt(), damaged);
  EXPECT_EQ(dlg.cboCategory->currentIndex(), -1);
  EXPECT_EQ(dlg.txtDate->text(), gSystem().CurrDateShort());
  EXPECT_THAT(dlg.txtNote->toPlainText().toStdString(),
              ::testing::MatchesRegex("[0-9]{4}-[0-9]{2}-[0-9]{2} [0-9]{2}:[0-9]{2}:[0-9]{2} (AM|PM)"));
  EXPECT_EQ(dlg.lblCat->text(), QStringLiteral("Reason:"));
}

// The checks in their order: the date (four-digit years only), the type, the file.
TEST_F(TranDialogTest, ChecksTheDateThenTheTypeThenTheFile) {
  const QString file = Write(QStringLiteral("t.csv"), "PARTNUMBER,UNITS,AMOUNTPERUNIT\n");
  const struct {
    const char* date;
    const char* type;
    QString path;
    QString message;
  } cases[] = {
      {"2/31/2026", "", QString(), QStringLiteral("Please enter a valid transaction date!")},
      {"3/1/26", "Receive", file, QStringLiteral("Please enter a valid transaction date!")},
      {"3/1/2026", "", QString(), QStringLiteral("Please select transaction type!")},
      {"3/1/2026", "Ship", QStringLiteral("  "), QStringLiteral("Please choose a file to import!")},
      {"3/1/2026", "Ship", dir + QStringLiteral("/none.csv"),
       QStringLiteral("File: '") + dir + QStringLiteral("/none.csv' does not exist!")},
      {"3/1/2026", "Ship", file, QString()},
  };
  for (const auto& c : cases) {
    SCOPED_TRACE(c.message.toStdString());
    frmImportTran dlg;
    dlg.txtDate->setText(QLatin1String(c.date));
    if (*c.type != 0) dlg.cboType->setCurrentIndex(dlg.cboType->findText(QLatin1String(c.type)));
    dlg.txtImportFile->setText(c.path);
    EXPECT_EQ(dlg.ValidateData(), c.message);
  }
}

TEST_F(TranDialogTest, OkFillsTheRecordWithTheNoteCut) {
  const QString file = Write(QStringLiteral("t.csv"), "PARTNUMBER,UNITS,AMOUNTPERUNIT\n");
  frmImportTran dlg;
  clsTran t;
  dlg.Init(t);
  dlg.txtDate->setText(QStringLiteral("3/1/2026"));
  dlg.cboType->setCurrentIndex(dlg.cboType->findText(QStringLiteral("Allocate")));
  dlg.cboAccount->setCurrentIndex(0);
  dlg.txtNote->setPlainText(QString(40000, QLatin1Char('n')));
  dlg.txtImportFile->setText(file);
  dlg.cmdOK_Click();
  EXPECT_TRUE(dlg.m_bOK);
  EXPECT_EQ(t.sDate, QStringLiteral("3/1/2026"));
  EXPECT_EQ(t.udTranType, 5);
  EXPECT_EQ(t.nCatID, -1);  // nothing selected
  EXPECT_EQ(t.nAcctID, 0);  // the empty entry
  EXPECT_EQ(t.sNote.size(), frmImportTran::kMaxNote);
}

// After the list editor the list is read again and keeps its selection where the entry
// still exists.
TEST_F(TranDialogTest, EditingTheListKeepsTheSelection) {
  DATA4* cat = nullptr;
  QString text = QStringLiteral("Carrier A");
  const int32_t a = gDB().CategoryIDLookupOrAdd(text, store::Code(store::ListType::kTranAccount), cat);
  frmImportTran dlg;
  dlg.cboAccount->setCurrentIndex(dlg.cboAccount->findData(a));
  text = QStringLiteral("Carrier B");
  gDB().CategoryIDLookupOrAdd(text, store::Code(store::ListType::kTranAccount), cat);
  QString tag;
  runner->Then(QStringLiteral("frmEditCategories"), [&](QDialog& d) { tag = ui::Tag(&d); });
  dlg.cmdAcctTransaction_Click();
  EXPECT_EQ(dlg.cboAccount->count(), 3);
  EXPECT_EQ(gSystem().cboGetItemID(*dlg.cboAccount), a);
  EXPECT_EQ(tag, QStringLiteral("TRANSACTIONACCOUNTS"));
}

}  // namespace

namespace {

// A dialog kept after Cancel shows the lists of the database open now, not of the one
// it was first shown for.
TEST_F(TranDialogTest, AKeptDialogReadsTheListsOfAnotherDatabase) {
  const auto categories = [&] {
    QStringList texts;
    runner->Then(QStringLiteral("frmImportTran"), [&](QDialog& d) {
      auto* cbo = d.findChild<QComboBox*>(QStringLiteral("cboCategory"));
      for (int i = 0; i < cbo->count(); ++i) texts << cbo->itemText(i);
      ui::test::Click(d, QStringLiteral("cmdCancel"));
    });
    exchange::ImportTransactions();
    return texts;
  };
  EXPECT_EQ(categories(), QStringList{QString()});
  OpenNewDatabase();
  DATA4* cat = nullptr;
  QString text = QStringLiteral("Returned");
  gDB().CategoryIDLookupOrAdd(text, store::Code(store::ListType::kTranCategory), cat);
  EXPECT_EQ(categories(), (QStringList{QString(), QStringLiteral("Returned")}));
  // The frame unloads the kept dialog, so none outlives the test.
  runner->Then(QStringLiteral("frmImportTran"), [](QDialog& d) { d.close(); });
  exchange::ImportTransactions();
}

}  // namespace
