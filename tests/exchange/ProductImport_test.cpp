#include <gmock/gmock.h>
#include <gtest/gtest.h>

#include <sys/resource.h>

#include <QDir>
#include <QThread>
#include <QTimer>

#include <csignal>
#include <cstring>

#include <functional>
#include <map>
#include <memory>
#include <set>

#include "platform/runtime/Collection.h"

#include "database/store/Codes.h"
#include "exchange/ProductCsv.h"
#include "exchange/clsExportProducts.h"
#include "exchange/clsImportData.h"
#include "exchange/clsImportTransactions.h"
#include "exchange/frmImportProducts.h"
#include "exchange/ExchangeSupport.h"
#include "exchange/ExchangeCommands.h"
#include "platform/xbase/File.h"
#include "tests/database/ProcessTestSupport.h"
#include "tests/exchange/ExchangeTestSupport.h"

namespace {

using exchangetest::Cur;
using exchangetest::ExchangeTest;
using stocktest::AddProduct;

class ProductImportTest : public ExchangeTest {
 protected:
  // Imports the whole file (already checked) as the import proper does, `count` set to
  // its rows first.
  static bool ImportFile(const CsvFile& file, int32_t& count, int32_t& stopped, size_t* removed = nullptr) {
    count = file.LinesAfterHeading();
    stopped = 0;
    return exchange::ImportProductsFromFile(file, CsvHeadings(file.HeadingLine()), count, stopped, removed);
  }
  // Imports the rows; the count saved.
  int32_t Import(const QByteArray& lines, int32_t* stoppedRow = nullptr) {
    CsvFile file;
    EXPECT_TRUE(file.Read(Write(QStringLiteral("products.csv"), lines)));
    int32_t count = 0, stopped = 0;
    EXPECT_TRUE(ImportFile(file, count, stopped));
    if (stoppedRow != nullptr) *stoppedRow = stopped;
    return count;
  }
  // A file of every column in their order: the heading, then the rows.
  static QByteArray EveryColumn(const QByteArray& rows) { return productcsv::HeadingRow().toUtf8() + '\n' + rows; }
};

// Which product a row updates: part number first, the name only for a row without one,
// visible products only, exactly one match; anything else adds a product.
TEST_F(ProductImportTest, RowsMatchByPartNumberElseByName) {
  const int32_t ab1 = AddProduct(QStringLiteral("AB-1"), QStringLiteral("Alpha"));
  const int32_t beta = AddProduct(QStringLiteral("B-7"), QStringLiteral("Beta"));
  AddProduct(QStringLiteral("HID-1"), QStringLiteral("Hidden"), true);
  AddProduct(QStringLiteral("DUP"), QStringLiteral("Twin one"));
  AddProduct(QStringLiteral("DUP"), QStringLiteral("Twin two"));
  const int32_t gamma = AddProduct(QString(), QStringLiteral("Gamma"));
  EXPECT_EQ(Import("PRODUCTNAME,PARTNUMBER\n"
                   "Alpha renamed, ab-1 \n"    // part number in another case: updates Alpha
                   "BETA,\n"                   // no part number, name in another case: updates Beta
                   "Gamma,NEW-9\n"             // a new part number: a new product beside Gamma
                   "Hidden again,HID-1\n"      // only a hidden product has it: new
                   "Twin three,DUP\n"          // two products have it: new
                   "Fresh,F-1\n"               // new
                   "Fresh updated,F-1\n"       // the product the row before added
                   "Epsilon,E-1\n"             // new
                   "Epsilon renamed,e-1\n"     // renames it
                   "EPSILON RENAMED,\n"        // found by its new name: its part number cleared
                   "Epsilon,\n"                // the old name finds nothing: new
                   "Padded,\" LP-1\"\n"        // a part number with a blank before it is never found:
                   "Padded again,\" LP-1\"\n" +  // new, both
                   // The export's stand-in for a product without a part number updates
                   // it, which stays without; for one that has a part number it is new.
                   QStringLiteral("Gamma again,g%1\nAlpha twin,G%2\n").arg(gamma).arg(ab1).toUtf8()),
            15);
  EXPECT_EQ(Product(ab1).sProdName, QStringLiteral("Alpha renamed"));
  EXPECT_EQ(Product(ab1).sPartNo, QStringLiteral("ab-1"));
  EXPECT_EQ(Product(beta).sProdName, QStringLiteral("BETA"));
  EXPECT_EQ(Product(beta).sPartNo, QString());  // the row's empty part number is written
  EXPECT_EQ(Product(gamma).sPartNo, QString());
  EXPECT_EQ(Product(gamma).sProdName, QStringLiteral("Gamma again"));
  QStringList names;
  for (const clsProd& p : Products()) names << p.sProdName + QLatin1Char('|') + p.sPartNo;
  EXPECT_THAT(names, ::testing::UnorderedElementsAre("Alpha renamed|ab-1", "BETA|", "Gamma again|", "Gamma|NEW-9",
                                                     "Hidden again|HID-1", "Twin one|DUP", "Twin two|DUP",
                                                     "Twin three|DUP", "Fresh updated|F-1", "EPSILON RENAMED|",
                                                     "Epsilon|", "Padded|LP-1", "Padded again|LP-1",
                                                     QStringLiteral("Alpha twin|G%1").arg(ab1)));
}

TEST_F(ProductImportTest, EveryFieldIsWrittenAndAnEmptyCellClearsIt) {
  EXPECT_EQ(Import("PRODUCTNAME,PARTNUMBER,LOCATION,GROUP,REORDERLEVEL,REORDERQUANTITY,LEADTIME,MANUFACTURER,"
                   "VENDOR,STDUNITCOST,STDUNITPRICE,CUSTOM1,CUSTOM2,CUSTOM3,CUSTOM4,NOTES\n"
                   "\"Wrench 14\"\"\",W-14,Bin 1,Tools,4,10,2 weeks,Corvane,\"Harwick, Inc.\",18.5,32.99,a,b,c,d,n\n"),
            1);
  std::vector<clsProd> all = Products();
  ASSERT_EQ(all.size(), 1u);
  clsProd p = all[0];
  EXPECT_EQ(p.sProdName, QStringLiteral("Wrench 14\""));
  DATA4* cat = nullptr;
  EXPECT_EQ(gDB().GetCategoryDesc(p.nLocation, cat), QStringLiteral("Bin 1"));
  EXPECT_EQ(gDB().GetCategoryDesc(p.nVendor, cat), QStringLiteral("Harwick, Inc."));
  EXPECT_EQ(gDB().GetCategoryType(p.nGroup, cat), store::Code(store::ListType::kProductGroup));
  EXPECT_EQ(gDB().GetCategoryType(p.nManuf, cat), store::Code(store::ListType::kManufacturer));
  EXPECT_EQ(p.curReOrderLevel, Cur("4"));
  EXPECT_EQ(p.curStdCost, Cur("18.5"));
  EXPECT_EQ(p.curStdPrice, Cur("32.99"));
  EXPECT_EQ(p.sCustom4, QStringLiteral("d"));
  const int32_t bin = p.nLocation;

  // The same product again with empty cells: every one of them clears its field. A
  // text of another list is an entry of the column's own list.
  EXPECT_EQ(Import("PRODUCTNAME,PARTNUMBER,LOCATION,GROUP,REORDERLEVEL,STDUNITCOST,CUSTOM1,NOTES\n"
                   "Wrench,W-14,,bin 1,,,,\n"),
            1);
  p = Product(p.nProdId);
  EXPECT_EQ(p.nLocation, -1);
  EXPECT_NE(p.nGroup, bin);
  EXPECT_EQ(gDB().GetCategoryType(p.nGroup, cat), store::Code(store::ListType::kProductGroup));
  EXPECT_EQ(p.curReOrderLevel, rt::Currency());
  EXPECT_EQ(p.curStdCost, rt::Currency());
  EXPECT_EQ(p.sCustom1, QString());
  EXPECT_EQ(p.sNotes, QString());
  // A known text in another case is found, not added twice.
  EXPECT_EQ(Import("PRODUCTNAME,PARTNUMBER,LOCATION\nWrench,W-14, BIN 1\n"), 1);
  EXPECT_EQ(Product(p.nProdId).nLocation, bin);
}

TEST_F(ProductImportTest, AShortRowLeavesItsMissingCellsEmpty) {
  EXPECT_EQ(Import("PRODUCTNAME,PARTNUMBER,LEADTIME,STDUNITCOST\n"
                   "First,P-1,3 days,12.5\n"
                   "Second,P-2\n"),
            2);
  const std::vector<clsProd> all = Products();
  ASSERT_EQ(all.size(), 2u);
  EXPECT_EQ(all[1].sProdName, QStringLiteral("Second"));
  EXPECT_EQ(all[1].sLeadTime, QString());
  EXPECT_EQ(all[1].curStdCost, rt::Currency());
}

// Beginning inventory: one Receive at the standard cost for a new product with stock,
// none for an empty or 0 cell, and none for a product the row updates.
TEST_F(ProductImportTest, BeginningInventoryBecomesOneReceiveForNewProductsOnly) {
  const int32_t old = AddProduct(QStringLiteral("OLD"), QStringLiteral("Old"));
  EXPECT_EQ(Import("PRODUCTNAME,PARTNUMBER,BEGINNINGINVENTORY,STDUNITCOST\n"
                   "Twelve,N-12,12,2.5\n"
                   "Empty,N-0,,2\n"
                   "Zero,N-00,0,2\n"
                   "Old,OLD,40,1\n"),
            4);
  const std::vector<clsTran> trans = Transactions();
  ASSERT_EQ(trans.size(), 1u);
  EXPECT_EQ(trans[0].udTranType, store::Code(store::TranType::kReceive));
  EXPECT_EQ(trans[0].curUnits, Cur("12"));
  EXPECT_EQ(trans[0].curUnitPrice, Cur("2.5"));
  EXPECT_NE(trans[0].nProdId, old);
  EXPECT_EQ(trans[0].sNote, QStringLiteral("Do not delete! Beginning Inventory recorded when the product was added."));
}

// The ids come from the shared counters as they stand when the rows are written (another
// copy may have moved them), one after the other in file order, and the counters hold
// the next free ids afterwards.
// The row check refuses a beginning inventory whose Receive no figure can hold.
TEST_F(ProductImportTest, ABeginningInventoryBeyondTheCurrencyRangeIsRefused) {
  rt::Collection columns;
  productcsv::SetupColumns(columns);
  const QStringList headings{QString(), QStringLiteral("PRODUCTNAME"), QStringLiteral("BEGINNINGINVENTORY"),
                             QStringLiteral("STDUNITCOST")};
  clsImportData data;
  QString errors;
  EXPECT_FALSE(data.ValidateARow(2, QStringLiteral("Big,2000000000,500000"), columns, headings, errors));
  EXPECT_TRUE(data.ValidateARow(3, QStringLiteral("Fine,2000000000,400000"), columns, headings, errors));
  EXPECT_TRUE(data.ValidateARow(4, QStringLiteral("No cost,2000000000,"), columns, headings, errors));
  EXPECT_EQ(errors, QStringLiteral("Row 2: BEGINNINGINVENTORY \u00D7 STDUNITCOST is more than the largest value that "
                                   "can be recorded (922,337,203,685,477). Please enter fewer units or a smaller "
                                   "amount per unit.\r\n"));
}

TEST_F(ProductImportTest, IdsComeFromTheSharedCounters) {
  gDB().SetNextID(QStringLiteral("svlprod.dbf"), 5000);
  gDB().SetNextID(QStringLiteral("svltran.dbf"), 7000);
  EXPECT_EQ(Import("PRODUCTNAME,PARTNUMBER,BEGINNINGINVENTORY\n"
                   "One,P-1,3\n"
                   "Two,P-2,\n"
                   "Three,P-3,4\n"),
            3);
  EXPECT_FALSE(gDB().InBatch());
  std::map<QString, int32_t> ids;
  for (const clsProd& p : Products()) ids[p.sPartNo] = p.nProdId;
  EXPECT_EQ(ids, (std::map<QString, int32_t>{{"P-1", 5000}, {"P-2", 5001}, {"P-3", 5002}}));
  const struct {
    int32_t id;
    int32_t prodId;
    const char* units;
  } trans[] = {{7000, 5000, "3"}, {7001, 5002, "4"}};
  for (const auto& want : trans) {
    clsTran t;
    ASSERT_TRUE(gDB().GetTran(want.id, t)) << want.id;
    EXPECT_EQ(t.nProdId, want.prodId);
    EXPECT_EQ(t.curUnits, Cur(want.units));
  }
  EXPECT_EQ(gDB().QueryNextID(QStringLiteral("svlprod.dbf")), 5003);
  EXPECT_EQ(gDB().QueryNextID(QStringLiteral("svltran.dbf")), 7002);
}

// A product that cannot be saved stops the import at its row: the rows before it stay
// imported, the count says how many.
TEST_F(ProductImportTest, ARowThatCannotBeSavedStopsTheImport) {
  const int32_t held = AddProduct(QStringLiteral("HELD"), QStringLiteral("Held"));
  FailLocksFast();
  stocktest::LockHolder lock(gDB().ProductsTable(), "rowid", held);
  ASSERT_TRUE(lock.locked());
  prompts->Expect(QStringLiteral("RECORD LOCKED: Unable to update product record!"));
  int32_t stopped = 0;
  EXPECT_EQ(Import("PRODUCTNAME,PARTNUMBER\n"
                   "One,P-1\n"
                   "\n"
                   "Held,HELD\n"
                   "Three,P-3\n",
                   &stopped),
            1);
  EXPECT_EQ(stopped, 4);
  EXPECT_EQ(Products().size(), 2u);
  EXPECT_FALSE(gDB().InBatch());
}

// A product import or the export whose table does not open stops there: the box naming
// the file, then the run's own; nothing is written.
TEST_F(ProductImportTest, ATableThatDoesNotOpenStopsTheRunWithItsBox) {
  struct Case {
    QString (clsDB::*table)() const;
    QString box;
  };
  const Case cases[] = {{&clsDB::TranTable, QStringLiteral("Unable to open Transaction table!")},
                        {&clsDB::ProductsTable, QStringLiteral("Unable to open Products table!")},
                        {&clsDB::CategoryTable, QStringLiteral("Unable to open Category table!")}};
  CsvFile file;
  ASSERT_TRUE(file.Read(Write(QStringLiteral("products.csv"), "PRODUCTNAME,PARTNUMBER,LOCATION\nOne,P-1,Aisle\n")));
  const QString out = dir + QStringLiteral("/out.csv");
  for (const Case& c : cases) {
    const QString path = (gDB().*c.table)();
    ASSERT_TRUE(QFile::rename(path, path + QStringLiteral("-moved")));
    for (const bool import : {true, false}) {
      prompts->ExpectContaining(QStringLiteral("Unable to open: ") + path);
      prompts->Expect(c.box);
      int32_t count = 0, stopped = 0;
      clsExportProducts exporter;
      exporter.Init(out);
      EXPECT_FALSE(import ? ImportFile(file, count, stopped) : exporter.Export()) << c.box.toStdString();
      EXPECT_EQ(prompts->Last().icon, ui::vbCritical);
    }
    ASSERT_TRUE(QFile::rename(path + QStringLiteral("-moved"), path));
  }
  EXPECT_TRUE(Products().empty());
  EXPECT_FALSE(QFile::exists(out));
}

// The command as the user runs it: the dialog, the checks, the preview and the message.
TEST_F(ProductImportTest, TheCommandReportsEachOutcome) {
  const QString file = Write(QStringLiteral("in.csv"), EveryColumn("One,P-1,,,,,,,,,,,,,,,\nTwo,P-2,,,,,,,,,,,,,,,\n"));
  const QString bad = Write(QStringLiteral("bad.csv"), "PRODUCTNAME\nOne\n");
  const QString imported =
      QStringLiteral("Imported 2 Products! These products will now appear on the 'Current Inventory' screen.");
  struct Case {
    QString path;
    bool previewContinues;
    bool previewShown;
    QString message;  // a box; empty: the failure window
    size_t products;
    int leftovers = 0;  // beginning-inventory Receives of no product, made before
  };
  const Case cases[] = {
      {file, false, true, QStringLiteral("Import cancelled by the user!"), 0},
      {bad, true, false, QString(), 0},
      {file, true, true,
       imported + QStringLiteral(" 2 beginning inventory Receive(s) left without their product by an import that "
                                 "was cut short were removed."),
       2, 2},
      {file, true, true, imported, 2},
  };
  for (const Case& c : cases) {
    SCOPED_TRACE(c.path.toStdString());
    std::vector<clsTran> leftovers(static_cast<size_t>(c.leftovers));
    for (clsTran& t : leftovers) {
      t.nProdId = 99999;
      t.udTranType = store::Code(store::TranType::kReceive);
      t.curUnits = rt::Currency(4);
      t.sNote = QLatin1String(store::Products::kBeginningNote);
    }
    ASSERT_EQ(gDB().AddTrans(leftovers, nullptr), leftovers.size());
    ChooseInDialog(QStringLiteral("frmImportProducts"), c.path);
    if (c.previewShown) Preview(c.previewContinues);
    QString failure;
    if (c.message.isEmpty()) {
      ExpectMsg(&failure);
    } else {
      prompts->Expect(c.message);
    }
    exchange::ImportProducts();
    if (c.message.isEmpty()) {
      EXPECT_TRUE(failure.startsWith(QStringLiteral("IMPORT FAILED FROM FILE ") + c.path + QStringLiteral("!")));
      EXPECT_TRUE(failure.contains(QStringLiteral("Required column 'PARTNUMBER' is missing")));
    }
    EXPECT_EQ(Products().size(), c.products);
  }
}

// Cancel keeps the dialog with its entries for the next import; the window frame
// unloads it.
TEST_F(ProductImportTest, CancelKeepsTheFileNameTheFrameDoesNot) {
  const struct {
    bool byFrame;
    QString shownNext;
  } cases[] = {{false, QStringLiteral("/some/file.csv")}, {true, QString()}};
  for (const auto& c : cases) {
    runner->Then(QStringLiteral("frmImportProducts"), [&](QDialog& d) {
      ui::test::SetText(d, QStringLiteral("txtImportFile"), QStringLiteral("/some/file.csv"));
      if (c.byFrame) d.close(); else ui::test::Click(d, QStringLiteral("cmdCancel"));
    });
    exchange::ImportProducts();
    QString shown;
    runner->Then(QStringLiteral("frmImportProducts"), [&](QDialog& d) {
      shown = ui::test::TextOf(d, QStringLiteral("txtImportFile"));
      ui::test::SetText(d, QStringLiteral("txtImportFile"), QString());
      ui::test::Click(d, QStringLiteral("cmdCancel"));
    });
    exchange::ImportProducts();
    EXPECT_EQ(shown, c.shownNext);
  }
  // The frame unloads the kept dialog, so none outlives the test.
  runner->Then(QStringLiteral("frmImportProducts"), [](QDialog& d) { d.close(); });
  exchange::ImportProducts();
}

// Cancel while the file is read or checked writes nothing, shows no message and goes
// back to the dialog, its file name kept.
TEST_F(ProductImportTest, CancelWhileReadingOrCheckingGoesBackToTheDialog) {
  const QString path = Write(QStringLiteral("p.csv"), EveryColumn("Bolt,B1,,,,,,,,,,,,,,,\n"));
  for (const char* message : {"Reading the file. Please wait...", "Validating Data. Please wait..."}) {
    ChooseInDialog(QStringLiteral("frmImportProducts"), path);
    CancelAt(QStringLiteral("frmImportProducts"), message, path, &exchange::ImportProducts);
  }
  EXPECT_TRUE(Products().empty());
}

TEST_F(ProductImportTest, TheDialogChecksTheFileName) {
  frmImportProducts dlg;
  const QString existing = Write(QStringLiteral("x.csv"), "PRODUCTNAME\n");
  const struct {
    QString text;
    QString message;
  } cases[] = {{QStringLiteral("   "), QStringLiteral("Please choose a file to import!")},
               {dir + QStringLiteral("/none.csv "), QStringLiteral("File: '") + dir + QStringLiteral("/none.csv ' does not exist!")},
               {existing, QString()}};
  for (const auto& c : cases) {
    dlg.txtImportFile->setText(c.text);
    EXPECT_EQ(dlg.ValidateData(), c.message);
    if (!c.message.isEmpty()) prompts->Expect(c.message);
    dlg.cmdOK_Click();
    EXPECT_EQ(dlg.m_bOK, c.message.isEmpty());
    if (!c.message.isEmpty()) {
      EXPECT_EQ(prompts->Last().title, QStringLiteral("Validation error"));
    }
  }
}

}  // namespace

namespace {

// A row that cannot be saved ends the command with a partial count, not with the
// message of a complete import: its product row held by another user, an id counter
// row held (the Receive of its beginning inventory, the products'), or a list entry
// that cannot be added (the row is not counted, its product taken back, and no product
// of a later row is stored). No box waits for the user while the run holds the
// products' and transactions' append locks: another user takes them meanwhile.
TEST_F(ProductImportTest, ThePartialImportIsReportedAsPartial) {
  const int32_t held = AddProduct(QStringLiteral("HELD"), QStringLiteral("Held"));
  for (const char* counter : {"svltran.dbf", "svlcat.dbf"}) gDB().GetNextID(QLatin1String(counter), true, 1000);
  FailLocksFast();
  const QString lockedId = QStringLiteral("RECORD LOCKED: Unable to get next id (locked)!");
  const auto counterHeld = [](const char* counter) {
    return [counter](std::shared_ptr<void>& lock) {
      auto other = std::make_shared<dbtest::OtherUser>(gDB().LastIdTable());
      lock = other;
      return other->LockRow("TBLNAME", QLatin1String(counter));
    };
  };
  const struct {
    const char* second;  // the second data row
    std::function<bool(std::shared_ptr<void>&)> hold;
    QString refusal;
    bool inUse = true;  // the closing message says the table was in use
  } cases[] = {
      {"Held,HELD,,,,,,,,,,,,,,,",
       [&](std::shared_ptr<void>& lock) {
         auto l = std::make_shared<stocktest::LockHolder>(gDB().ProductsTable(), "rowid", held);
         lock = l;
         return l->locked();
       },
       QStringLiteral("RECORD LOCKED: Unable to update product record!")},
      {"Two,P-2,,,5,,,,,,,,,,,,", counterHeld("svltran.dbf"), lockedId},
      {"Two,P-2,,,,,,,,,,,,,,,", counterHeld("svlprod.dbf"), lockedId},
      {"Two,P-2,Aisle 9,,,,,,,,,,,,,,", counterHeld("svlcat.dbf"), lockedId, false},
  };
  for (const auto& c : cases) {
    SCOPED_TRACE(c.second);
    const QString file = Write(QStringLiteral("in.csv"), EveryColumn(QByteArray("One,P-1,,,,,,,,,,,,,,,\n") + c.second +
                                                                    "\nThree,P-3,,,,,,,,,,,,,,,\n"));
    std::shared_ptr<void> lock;
    ASSERT_TRUE(c.hold(lock));
    ChooseInDialog(QStringLiteral("frmImportProducts"), file);
    Preview(true);
    prompts->Expect(c.refusal);
    prompts->Expect(QStringLiteral("Imported 1 of 3 Products! Row 3 could not be saved, so the import stopped "
                                   "there: that row and the rows after it were not imported.") +
                    (c.inUse ? QStringLiteral(" The table was in use by another user: try the import again in a "
                                              "moment.")
                             : QString()));
    QStringList heldWhileShown;
    prompts->SetOnShown([&](const ui::test::ShownPrompt& shown) {
      for (const QString& path : {gDB().ProductsTable(), gDB().TranTable()}) {
        if (!dbtest::OtherUser(path).CanHoldAppends()) heldWhileShown << QFileInfo(path).fileName() + u' ' + shown.text;
      }
    });
    exchange::ImportProducts();
    prompts->SetOnShown(nullptr);
    EXPECT_TRUE(heldWhileShown.isEmpty()) << heldWhileShown.join(u'\n').toStdString();
    QStringList partNos;
    for (const clsProd& p : Products()) partNos << p.sPartNo;
    EXPECT_THAT(partNos, ::testing::UnorderedElementsAre("HELD", "P-1"));
  }
}

// A copy of the program in a process of its own (this test program run again by the
// test below, the job in STOVREL_TEST_IMPORT: "folder|file"): it opens the database and
// imports the file whole. A process of its own, as a forked one cannot paint.
TEST_F(ProductImportTest, ACopyImportsItsFileWhole) {
  const QStringList job = qEnvironmentVariable("STOVREL_TEST_IMPORT").split(u'|');
  if (job.size() != 2) GTEST_SKIP() << "a copy run by TwoCopiesImportingAtOnceStoreEachProductOnceWithItsStock";
  gDB().CloseDB();
  ASSERT_TRUE(gDB().OpenDB(job[0]));
  code4lockDelay(gDB().CBEngine(), 2);
  code4lockAttempts(gDB().CBEngine(), 100000);
  CsvFile file;
  ASSERT_TRUE(file.Read(job[1]));
  // Both copies start importing together, once the test lets them.
  while (!QFile::exists(job[0] + QStringLiteral("/go"))) QThread::msleep(5);
  int32_t count = 0, stopped = 0;
  EXPECT_TRUE(ImportFile(file, count, stopped));
  EXPECT_EQ(stopped, 0);
  EXPECT_EQ(count, file.LinesAfterHeading());
}

// Two copies importing at once: every product is stored once, under its own id, with
// the Receive of its beginning inventory; a part number in both files is added by one
// copy and updated by the other, never added twice.
TEST_F(ProductImportTest, TwoCopiesImportingAtOnceStoreEachProductOnceWithItsStock) {
  constexpr int kRows = 900, kShared = kRows / 3;
  std::map<QString, std::set<int>> stockOf;  // the beginning inventories a part number may have
  std::string jobs[2];
  for (int i = 0; i < 2; ++i) {
    QByteArray lines = "PRODUCTNAME,PARTNUMBER,BEGINNINGINVENTORY\n";
    for (int r = 0; r < kRows; ++r) {
      // Every third row is shared, the two files taking them in opposite orders.
      const int shared = i == 0 ? r / 3 : kShared - 1 - r / 3;
      const QString partNo = r % 3 == 0 ? QStringLiteral("S-%1").arg(shared) : QStringLiteral("C%1-%2").arg(i).arg(r);
      const int stock = r % 3 == 0 ? i + 1 : r % 3 - 1;
      stockOf[partNo].insert(stock);
      lines += QStringLiteral("Row %1,%2,%3\n").arg(r).arg(partNo).arg(stock).toUtf8();
    }
    const QString path = Write(QStringLiteral("copy%1.csv").arg(i), lines);
    jobs[i] = ("STOVREL_TEST_IMPORT=" + dir + u'|' + path).toStdString();
  }
  gDB().CloseDB();
  pid_t pids[2];
  for (int i = 0; i < 2; ++i) pids[i] = proctest::RunTest("ProductImportTest.ACopyImportsItsFileWhole", jobs[i]);
  Write(QStringLiteral("go"), QByteArray());
  for (const pid_t pid : pids) ASSERT_EQ(proctest::Wait(pid), 0);
  ASSERT_TRUE(gDB().OpenDB(dir));
  std::map<int32_t, QString> partNoOf;
  std::set<QString> partNos;
  for (const clsProd& p : Products()) {
    partNoOf[p.nProdId] = p.sPartNo;
    EXPECT_TRUE(partNos.insert(p.sPartNo).second) << p.sPartNo.toStdString();
  }
  EXPECT_EQ(partNos.size(), stockOf.size());
  EXPECT_EQ(gDB().QueryNextID(QStringLiteral("svlprod.dbf")), 1000 + static_cast<int32_t>(stockOf.size()));
  std::map<QString, int> received;
  for (const clsTran& t : Transactions()) {
    ASSERT_TRUE(partNoOf.contains(t.nProdId)) << t.nProdId;
    const QString& partNo = partNoOf[t.nProdId];
    EXPECT_TRUE(stockOf[partNo].contains(static_cast<int>(t.curUnits.ToDouble()))) << partNo.toStdString();
    ++received[partNo];
  }
  EXPECT_EQ(gDB().QueryNextID(QStringLiteral("svltran.dbf")), 1000 + static_cast<int32_t>(Transactions().size()));
  for (const auto& [partNo, stocks] : stockOf) {
    EXPECT_EQ(received[partNo], *stocks.rbegin() > 0 ? 1 : 0) << partNo.toStdString();
  }
}

// While an import or the export runs, none of the three commands starts (no dialog).
TEST_F(ProductImportTest, NoCommandStartsWhileAnotherRuns) {
  const exchange::BusyGuard running;
  ASSERT_TRUE(running.Acquired());
  EXPECT_FALSE(exchange::BusyGuard().Acquired());
  exchange::ImportProducts();
  exchange::ImportTransactions();
  exchange::ExportCurrentInventory();
  EXPECT_TRUE(runner->Ran().isEmpty());
  EXPECT_TRUE(files->FileRequests().isEmpty());
  EXPECT_TRUE(exchange::Busy());
}

}  // namespace

namespace {

// What an import left: a message per product whose Receives are not exactly the one
// of its beginning inventory `stockOf` (by part number, or name for a row without
// one), and the count of Receives whose product is not stored.
struct Left {
  QStringList wrong;
  int orphans = 0;
  size_t products = 0;
};

static Left LeftOf(const std::vector<clsProd>& products, const std::map<QString, int>& stockOf) {
  Left left;
  std::map<int32_t, QString> keyOf;
  for (const clsProd& p : products) {
    const QString key = p.sPartNo.isEmpty() ? p.sProdName : p.sPartNo;
    if (!stockOf.contains(key)) left.wrong << QStringLiteral("unexpected product ") + key;
    keyOf[p.nProdId] = key;
  }
  left.products = keyOf.size();
  std::map<int32_t, std::vector<rt::Currency>> received;
  const store::Table open = gDB().OpenTable(gDB().TranTable());
  DATA4* tb = open.get();
  EXPECT_NE(tb, nullptr);
  for (int rc = tb == nullptr ? -1 : d4top(tb); rc == 0; rc = d4skip(tb, 1)) {
    if (d4deleted(tb) || f4long(d4field(tb, "trantype")) != store::Code(store::TranType::kReceive)) continue;
    const auto prodId = static_cast<int32_t>(f4long(d4field(tb, "prodid")));
    if (!keyOf.contains(prodId)) ++left.orphans;
    else received[prodId].push_back(rt::Currency::FromDouble(f4double(d4field(tb, "units"))));
  }
  for (const auto& [id, key] : keyOf) {
    const std::vector<rt::Currency> expected{rt::Currency::FromDouble(stockOf.at(key))};
    if (received[id] != expected) {
      left.wrong << key + QStringLiteral(": %1 Receives").arg(received[id].size());
    }
  }
  return left;
}

// Runs a copy importing the rows.csv of `dir` (ACopyKilledPartWay, `kind`) on a copy of the test's
// database, killed after 1, 3, 5, ... of its counted writes until one completes; after
// each, `check` runs on that database (open, the file beside it as rows.csv). How many
// copies were killed.
int KillAtPoints(QString& dir, const char* kind, const std::function<void(bool killed)>& check) {
  const QString original = dir;
  gDB().CloseDB();
  int killed = 0;
  for (int writes = 1;; writes += 2) {
    SCOPED_TRACE(writes);
    dir = testenv::NewTempDir(QStringLiteral("killed"));
    for (const QString& name : QDir(original).entryList({QStringLiteral("svl*"), QStringLiteral("rows.csv")})) {
      EXPECT_TRUE(QFile::copy(original + u'/' + name, dir + u'/' + name));
    }
    const int code = proctest::Wait(proctest::RunTest(
        "InterruptedImportTest.ACopyKilledPartWay", QStringLiteral("STOVREL_TEST_KILLED_IMPORT=%1|%1/rows.csv|%2|%3")
                                                        .arg(dir).arg(writes).arg(QLatin1String(kind)).toStdString()));
    const bool wasKilled = code == 128 + SIGKILL;
    EXPECT_TRUE(wasKilled || code == 0) << code;
    EXPECT_TRUE(gDB().OpenDB(dir));
    check(wasKilled);
    gDB().CloseDB();
    if (!wasKilled || killed > 80) break;
    ++killed;
  }
  EXPECT_TRUE(gDB().OpenDB(original));
  dir = original;
  return killed;
}

// Imports the file as Ships (the caller expects its closing message).
void ImportShips(const QString& path) {
  clsImportTransactions importer;
  clsTran tran;
  tran.udTranType = store::Code(store::TranType::kShip);
  importer.Init(path, tran);
  ASSERT_TRUE(importer.ValidateData()) << importer.m_ErrorBuf.toStdString();
  EXPECT_TRUE(importer.DoImport());
}

// The live Ships, counted through the product tag; each must also be one in record order.
static int ShipsFoundByProduct() {
  const store::Table open = gDB().OpenTable(gDB().TranTable());
  DATA4* tb = open.get();
  if (tb == nullptr) return -1;
  int inRecordOrder = 0;
  for (int rc = d4top(tb); rc == 0; rc = d4skip(tb, 1)) {
    inRecordOrder += !d4deleted(tb) && f4long(d4field(tb, "trantype")) == store::Code(store::TranType::kShip) ? 1 : 0;
  }
  d4tagSelect(tb, d4tag(tb, "prodid"));
  int byTag = 0;
  for (int rc = d4top(tb); rc == 0; rc = d4skip(tb, 1)) {
    byTag += f4long(d4field(tb, "trantype")) == store::Code(store::TranType::kShip) ? 1 : 0;
  }
  EXPECT_EQ(byTag, inRecordOrder);
  return byTag;
}

static QByteArray StockedRows(int rows, const char* prefix, std::map<QString, int>& stockOf) {
  QByteArray lines = "PRODUCTNAME,PARTNUMBER,BEGINNINGINVENTORY,NOTES\n";
  for (int r = 0; r < rows; ++r) {
    const int stock = r % 7 + 1;
    const QString partNo = r % 10 == 3 ? QString() : QStringLiteral("%1-%2").arg(QLatin1String(prefix)).arg(r);
    const QString name = QStringLiteral("%1 item %2").arg(QLatin1String(prefix)).arg(r);
    stockOf[partNo.isEmpty() ? name : partNo] = stock;
    lines += QStringLiteral("%1,%2,%3,note %4\n").arg(name, partNo).arg(stock).arg(r).toUtf8();
  }
  return lines;
}

// Every stored product has exactly its Receive, none is left without its product.
static void ExpectWhole(const Left& left, size_t products) {
  EXPECT_EQ(left.wrong, QStringList());
  EXPECT_EQ(left.orphans, 0);
  EXPECT_EQ(left.products, products);
}

// Imports that are killed or meet a full disk, and what they leave.
class InterruptedImportTest : public ProductImportTest {
 protected:
  static Left Inspect(const std::map<QString, int>& stockOf) { return LeftOf(Products(), stockOf); }
};

int gWritesBeforeKill = 0;

}  // namespace

// A copy killed part-way through an import (this test program run again by
// KillAtPoints, the job in STOVREL_TEST_KILLED_IMPORT: "folder|file|writes|kind"): it
// imports the file (products, or Ships of its part numbers for "transactions") and is
// killed after that many of its counted writes.
TEST_F(InterruptedImportTest, ACopyKilledPartWay) {
  const QStringList job = qEnvironmentVariable("STOVREL_TEST_KILLED_IMPORT").split(u'|');
  if (job.size() != 4) GTEST_SKIP() << "a copy run by the kill tests below";
  gDB().CloseDB();
  ASSERT_TRUE(gDB().OpenDB(job[0]));
  CsvFile file;
  ASSERT_TRUE(file.Read(job[1]));
  gWritesBeforeKill = job[2].toInt();
  // Every write counts: the memos of a batch, its records, index pages, counts and
  // counters.
  xb::writeHook = [](const std::string&) {
    if (--gWritesBeforeKill == 0) raise(SIGKILL);
  };
  if (job[3] == QStringLiteral("transactions")) {
    prompts->ExpectContaining(QStringLiteral(" Transactions! "));
    ImportShips(job[1]);
  } else {
    int32_t count = 0, stopped = 0;
    EXPECT_TRUE(ImportFile(file, count, stopped));
  }
  xb::writeHook = nullptr;
}

// An import killed at points all through its run (the products and Receives of two
// batches, each one's store, the counters): every stored product has exactly its
// beginning-inventory Receive; Receives left without their product are removed by the
// next import, which says so and completes the file without doubling anything.
TEST_F(InterruptedImportTest, AnImportKilledAtAnyPointLeavesEveryProductWithItsReceive) {
  std::map<QString, int> stockOf;
  Write(QStringLiteral("rows.csv"), StockedRows(300, "K", stockOf));
  const int killed = KillAtPoints(dir, "products", [&](bool) {
    const Left after = Inspect(stockOf);
    EXPECT_EQ(after.wrong, QStringList());
    CsvFile file;
    ASSERT_TRUE(file.Read(dir + QStringLiteral("/rows.csv")));
    int32_t count = 0, stopped = 0;
    size_t removed = 0;
    EXPECT_TRUE(ImportFile(file, count, stopped, &removed));
    EXPECT_EQ(stopped, 0);
    EXPECT_EQ(count, 300);
    EXPECT_EQ(removed, static_cast<size_t>(after.orphans));
    ExpectWhole(Inspect(stockOf), stockOf.size());
  });
  EXPECT_GT(killed, 30);
}

// A transaction import killed at points all through its run: the products keep their
// Receives, every Ship stored is found through the product tag, and the file imports
// whole once more.
TEST_F(InterruptedImportTest, ATransactionImportKilledAtAnyPointLeavesEveryRowFound) {
  std::map<QString, int> stockOf;
  EXPECT_EQ(Import(StockedRows(100, "T", stockOf)), 100);
  QByteArray lines = "PARTNUMBER,UNITS,AMOUNTPERUNIT\n";
  int rows = 0;
  for (int r = 0; r < 300; ++r) {
    const QString partNo = QStringLiteral("T-%1").arg(r % 100);
    if (!stockOf.contains(partNo)) continue;
    lines += (partNo + QStringLiteral(",1,2\n")).toUtf8();
    ++rows;
  }
  Write(QStringLiteral("rows.csv"), lines);
  const int killed = KillAtPoints(dir, "transactions", [&](bool wasKilled) {
    EXPECT_EQ(Inspect(stockOf).wrong, QStringList());
    const int ships = ShipsFoundByProduct();
    EXPECT_TRUE(wasKilled ? ships <= rows : ships == rows) << ships;
    prompts->ExpectContaining(QStringLiteral(" Transactions! "));
    ImportShips(dir + QStringLiteral("/rows.csv"));
    EXPECT_EQ(ShipsFoundByProduct(), ships + rows);
  });
  EXPECT_GT(killed, 10);
}

// A disk that fills during an import: the count is what is stored, every stored product
// has its Receive and no Receive is left without its product; once there is room the
// same file completes the import without doubling anything.
TEST_F(InterruptedImportTest, AFullDiskStopsTheImportWithTheCountStored) {
  std::map<QString, int> stockOf;
  EXPECT_EQ(Import(StockedRows(300, "A", stockOf)), 300);
  const QByteArray lines = StockedRows(600, "B", stockOf);
  const QString path = Write(QStringLiteral("more.csv"), lines);
  qint64 largest = 0;
  for (const QFileInfo& f : QDir(dir).entryInfoList(QDir::Files)) largest = std::max(largest, f.size());
  CsvFile file;
  ASSERT_TRUE(file.Read(path));

  rlimit old{};
  ASSERT_EQ(getrlimit(RLIMIT_FSIZE, &old), 0);
  rlimit limited = old;
  limited.rlim_cur = static_cast<rlim_t>(largest + 40000);
  const sighandler_t oldHandler = signal(SIGXFSZ, SIG_IGN);
  prompts->ExpectContaining(QString::fromLocal8Bit(std::strerror(EFBIG)));
  int32_t count = 0, stopped = 0;
  ASSERT_EQ(setrlimit(RLIMIT_FSIZE, &limited), 0);
  const bool ran = ImportFile(file, count, stopped);
  setrlimit(RLIMIT_FSIZE, &old);
  signal(SIGXFSZ, oldHandler);
  EXPECT_TRUE(ran);
  EXPECT_GT(stopped, 0);
  EXPECT_LT(300u + static_cast<size_t>(count), stockOf.size());
  ExpectWhole(Inspect(stockOf), 300u + static_cast<size_t>(count));
  EXPECT_TRUE(ImportFile(file, count, stopped));
  EXPECT_EQ(stopped, 0);
  EXPECT_EQ(count, 600);
  ExpectWhole(Inspect(stockOf), stockOf.size());
}

// Another copy hides, renames or deletes a product while an import that read it runs:
// the import writes nothing over that change and matches its row again (a hidden or
// renamed product no longer has the part number, so the row adds a product).
TEST_F(ProductImportTest, AProductAnotherCopyChangedDuringTheRunIsMatchedAgain) {
  const int32_t hidden = AddProduct(QStringLiteral("E-1"), QStringLiteral("E one"));
  const int32_t renamed = AddProduct(QStringLiteral("E-2"), QStringLiteral("E two"));
  const int32_t deleted = AddProduct(QStringLiteral("E-3"), QStringLiteral("E three"));
  const int32_t kept = AddProduct(QStringLiteral("E-4"), QStringLiteral("E four"));
  // The last two rows are short: their products are read before they are written. The
  // events run at least every 256 rows, so with 700 new rows first they run at least once
  // past half way and before the E rows, however fast the machine.
  QByteArray lines = "PRODUCTNAME,PARTNUMBER,NOTES\n";
  for (int r = 0; r < 700; ++r) lines += QStringLiteral("New %1,N-%1,n\n").arg(r).toUtf8();
  lines += "E one new,E-1,n\nE two new,E-2,n\nE three new,E-3\nE four new,E-4\n";
  // The other copy's changes, once the run is well past its first row (its progress
  // shown at least half way): each under the row's lock, as the editors write.
  bool changed = false;
  QTimer other;
  other.setInterval(0);
  QObject::connect(&other, &QTimer::timeout, [&] {
    frmProgress* dlg = progresstest::OpenProgressDialog();
    if (changed || dlg == nullptr || progresstest::Bar(*dlg).value() < 50) return;
    changed = true;
    dbtest::OtherUser copy(gDB().ProductsTable());
    EXPECT_TRUE(copy.ChangeRow("partno", QStringLiteral("E-1"),
                               [](DATA4* tb) { return f4assignNVB(d4field(tb, "hide"), "T", 1); }));
    EXPECT_TRUE(copy.ChangeRow("partno", QStringLiteral("E-2"),
                               [](DATA4* tb) { return f4assignNVB(d4field(tb, "partno"), "E-2X", 4); }));
    EXPECT_TRUE(copy.ChangeRow("partno", QStringLiteral("E-3"), d4delete));
  });
  other.start();
  EXPECT_EQ(Import(lines), 704);
  EXPECT_TRUE(changed);
  const clsProd h = Product(hidden);
  EXPECT_TRUE(h.bHide);
  EXPECT_EQ(h.sProdName, QStringLiteral("E one"));
  EXPECT_EQ(Product(renamed).sProdName, QStringLiteral("E two"));
  EXPECT_EQ(Product(renamed).sPartNo, QStringLiteral("E-2X"));
  EXPECT_EQ(Product(kept).sProdName, QStringLiteral("E four new"));
  QStringList added;
  for (const clsProd& p : Products()) {
    if (p.sPartNo.startsWith(u'E') && p.nProdId != renamed && p.nProdId != kept) added << p.sProdName + u'|' + p.sPartNo;
    EXPECT_NE(p.nProdId, deleted);
  }
  EXPECT_THAT(added, ::testing::UnorderedElementsAre("E one new|E-1", "E two new|E-2", "E three new|E-3"));
}
