// A working day on the real main window, driven only through its menus and list bar
// and the dialogs they open: a new database, three products, an order received, a
// shipment and an allocation, every built-in report, a report grid saved as CSV and
// printed to PDF, and the products carried over into a second database by export and
// import.

#include <QComboBox>
#include <QFile>
#include <QMdiArea>

#include "database/clsProd.h"
#include "database/clsProductStats.h"
#include "database/store/Codes.h"
#include "platform/controls/GridControl.h"
#include "platform/controls/ListViewControl.h"
#include "platform/controls/NumericEdit.h"
#include "platform/runtime/Currency.h"
#include "platform/ui/testing/TestPrinting.h"
#include "platform/ui/WindowRegistry.h"
#include "services/UCGrid.h"
#include "services/clsSystem.h"
#include "tests/inventory/TranTestSupport.h"
#include "tests/shell/ShellTestSupport.h"

namespace {

using stocktest::Cur;
using trantest::Child;
using trantest::SelectId;
using trantest::SetNumber;
using ui::test::Click;
using ui::test::SetText;

struct NewProduct {
  const char* name;
  const char* partNo;
  const char* cost;
  const char* price;
  const char* beginning;  // beginning inventory
  const char* reorder;    // re-order level
};

// The product's stock figures, as GetProductStats gives them, are `f`.
void ExpectFigures(int32_t prodId, const stocktest::Figures& f) {
  clsProductStats s;
  s.Init(prodId);
  DATA4* tb = nullptr;
  EXPECT_TRUE(gDB().GetProductStats(s, tb));
  stocktest::ExpectFigures(s, f);
}

int32_t IdOf(const char* partNo) {
  DATA4* tb = nullptr;
  return gDB().LookUpByPartNo(QLatin1String(partNo), tb);
}

// The rows of a report grid that show a record (the others, such as totals, carry no
// record id).
int RecordRows(const ctl::GridControl& grd) {
  int n = 0;
  for (int r = 1; r < grd.Rows(); ++r) n += grd.RowData(r).toInt() > 0 ? 1 : 0;
  return n;
}

QStringList CsvLines(const QString& path) {
  QFile f(path);
  EXPECT_TRUE(f.open(QIODevice::ReadOnly)) << path.toStdString();
  const QByteArray bytes = f.readAll();
  EXPECT_TRUE(bytes.startsWith("\xEF\xBB\xBF"));
  QStringList lines = QString::fromUtf8(bytes.mid(3)).split(QStringLiteral("\r\n"));
  EXPECT_EQ(lines.takeLast(), QString());
  return lines;
}

class WorkingDayTest : public shelltest::ShellTest {
 protected:
  // File > New Database: the introduction, the folder, the advice, then the
  // preferences that open on the new database.
  void AnswerNewDatabase(const QString& dir) {
    ExpectMsg();
    folders->Choose(dir);
    ExpectMsg();
    AnswerPreferences();
  }

  // The preferences: costs and prices per unit with two decimals, then OK.
  void AnswerPreferences() {
    runner->Then(QStringLiteral("frmPreferences"), [](QDialog& d) {
      if (auto* dec = Child<ctl::NumericEdit>(d, QStringLiteral("fpPerUnitDec"))) dec->setLongValue(2);
      EXPECT_TRUE(Click(d, QStringLiteral("OKButton")));
    });
  }

  // The product editor: the main and ordering fields, then OK.
  void AnswerProduct(const NewProduct& p) {
    runner->Then(QStringLiteral("frmProduct"), [p](QDialog& d) {
      SetText(d, QStringLiteral("txtName"), QLatin1String(p.name));
      SetText(d, QStringLiteral("txtPN"), QLatin1String(p.partNo));
      SetNumber(d, QStringLiteral("fpStdCost"), p.cost);
      SetNumber(d, QStringLiteral("fpStdPrice"), p.price);
      SetNumber(d, QStringLiteral("fpBI"), p.beginning);
      SetNumber(d, QStringLiteral("fpReorder"), p.reorder);
      EXPECT_TRUE(Click(d, QStringLiteral("OKButton")));
    });
  }

  // The chooser of a single transaction: product and type, then OK.
  void AnswerNewTran(const char* partNo, store::TranType type) {
    runner->Then(QStringLiteral("frmNewTran"), [partNo, type](QDialog& d) {
      SelectId(d, QStringLiteral("cboProducts"), IdOf(partNo));
      SelectId(d, QStringLiteral("cboType"), store::Code(type));
      EXPECT_TRUE(Click(d, QStringLiteral("cmdOK")));
    });
  }

  // The transaction itself: units and unit amount (nullptr keeps what it shows).
  void AnswerTran(const char* units, const char* amount) {
    runner->Then(QStringLiteral("frmInvAddUpateDel"), [units, amount](QDialog& d) {
      if (units != nullptr) SetNumber(d, QStringLiteral("fpUnits"), units);
      if (amount != nullptr) SetNumber(d, QStringLiteral("fpCost"), amount);
      EXPECT_TRUE(Click(d, QStringLiteral("cmdOK")));
    });
  }

  // The picker of outstanding transactions: the only row, then "Selected".
  void AnswerPickOnlyRow() {
    runner->Then(QStringLiteral("frmSelTransaction"), [](QDialog& d) {
      auto* grd = Child<ctl::GridControl>(d, QStringLiteral("grd"));
      ASSERT_NE(grd, nullptr);
      ASSERT_EQ(grd->Rows(), 2);
      grd->Select(1, 1);
      EXPECT_TRUE(Click(d, QStringLiteral("cmdEditSelTran")));
    });
  }

  // The print options: the entire view under the title offered, then OK.
  void AnswerPrintOptions(QString* title) {
    runner->Then(QStringLiteral("frmRptOption"), [title](QDialog& d) {
      EXPECT_TRUE(ui::test::SetChecked(d, QStringLiteral("optWhatToPrint_0"), true));
      *title = ui::test::TextOf(d, QStringLiteral("txtTitle"));
      EXPECT_TRUE(Click(d, QStringLiteral("OKButton")));
    });
  }

  // The printer selection: the PDF printer, one copy, then OK.
  void AnswerPdfPrinter() {
    runner->Then(QStringLiteral("frmPrinterSelectionDlg"), [](QDialog& d) {
      auto* cbo = Child<QComboBox>(d, QStringLiteral("cboPrinters"));
      ASSERT_NE(cbo, nullptr);
      const int pdf = cbo->findText(QStringLiteral("PDF file"));
      ASSERT_GE(pdf, 0);
      cbo->setCurrentIndex(pdf);
      EXPECT_TRUE(SetText(d, QStringLiteral("txtNumCopies"), QStringLiteral("1")));
      EXPECT_TRUE(Click(d, QStringLiteral("OKButton")));
    });
  }

  // The import dialog: the file, then OK; the preview: Continue.
  void AnswerImportProducts(const QString& path) {
    runner->Then(QStringLiteral("frmImportProducts"), [path](QDialog& d) {
      EXPECT_TRUE(SetText(d, QStringLiteral("txtImportFile"), path));
      EXPECT_TRUE(Click(d, QStringLiteral("cmdOK")));
    });
    runner->Then(QStringLiteral("frmImportPreview"),
                 [](QDialog& d) { EXPECT_TRUE(Click(d, QStringLiteral("cmdContinue"))); });
  }

  void Menu(const char* name) {
    QAction* action = Main().MenuItem(QLatin1String(name));
    ASSERT_NE(action, nullptr) << name;
    ASSERT_TRUE(action->isEnabled()) << name;
    action->trigger();
  }

  // The grid of the pane shown in the open report window of `nRptID`.
  static UCGrid* ReportGrid(int32_t nRptID) {
    QWidget* window = ui::FindByTag(QStringLiteral("~%1").arg(nRptID));
    if (window == nullptr) return nullptr;
    for (UCGrid* grid : window->findChildren<UCGrid*>(QStringLiteral("ctlGrid"))) {
      if (grid->isVisibleTo(window)) return grid;
    }
    return nullptr;
  }

  ui::test::ScopedPrinterSource printers;
};

const NewProduct kProducts[] = {
    {"Widget", "W-1", "2", "5", "0", "0"},
    {"Gadget", "G-2", "3", "7", "8", "0"},
    {"Sprocket", "S-3", "1", "2", "0", "5"},
};

TEST_F(WorkingDayTest, FromNewDatabaseToProductsCarriedIntoAnother) {
  printers->names = {QStringLiteral("Office Laser")};
  frmMain& m = Main();
  m.show();
  const QString work = testenv::NewTempDir(QStringLiteral("day"));

  AnswerNewDatabase(testenv::NewTempDir(QStringLiteral("first")));
  Menu("mnuFileNew");
  ASSERT_TRUE(gDB().IsOpen());

  // Three products: two through the menu, one through the list bar.
  AnswerProduct(kProducts[0]);
  Menu("mnuProductsNewProduct");
  AnswerProduct(kProducts[1]);
  m.SB_ItemClick(QStringLiteral("NEWPRODUCT"));
  AnswerProduct(kProducts[2]);
  Menu("mnuProductsNewProduct");
  const int32_t widget = IdOf("W-1"), gadget = IdOf("G-2"), sprocket = IdOf("S-3");
  ASSERT_GT(widget, 0);
  ASSERT_GT(gadget, 0);
  ASSERT_GT(sprocket, 0);

  // Order 10 widgets at 2.50 and receive the whole order.
  AnswerNewTran("W-1", store::TranType::kOnOrder);
  AnswerTran("10", "2.5");
  Menu("mnuTransactionsEnterNewTransaction");
  ExpectFigures(widget, {"0", "0", "0", "10", "0", "0", "25", "0", "0"});
  AnswerPickOnlyRow();
  AnswerTran(nullptr, nullptr);
  Menu("mnuTransactionsReceiveOrdered");

  // Ship 3 of the 8 gadgets at 7.50; allocate 4 widgets.
  AnswerNewTran("G-2", store::TranType::kShip);
  AnswerTran("3", "7.5");
  m.SB_ItemClick(QStringLiteral("NEWTRANSACTION"));
  AnswerNewTran("W-1", store::TranType::kAllocate);
  AnswerTran("4", "5");
  Menu("mnuTransactionsEnterNewTransaction");

  // physical = received - shipped; available = physical - allocated; average cost over
  // the receipts, average price over the shipments; stock values = physical x average.
  ExpectFigures(widget, {"10", "4", "6", "0", "2.5", "0", "0", "25", "0"});
  ExpectFigures(gadget, {"5", "0", "5", "0", "3", "7.5", "0", "15", "37.5"});
  ExpectFigures(sprocket, {"0", "0", "0", "0", "0", "0", "0", "0", "0"});

  // Every built-in report: three through the Reports menu, the others from the
  // chooser the list bar opens. Each shows rows.
  Menu("mnuReportsQuickInventory");
  Menu("mnuReportsInventory");
  Menu("mnuReportTransactions");
  m.SB_ItemClick(QStringLiteral("REPORTS"));
  QWidget* chooserWindow = ui::FindByTag(QStringLiteral("REPORTS"));
  ASSERT_NE(chooserWindow, nullptr);
  auto* lv = Child<ctl::ListViewControl>(*chooserWindow, QStringLiteral("lv"));
  ASSERT_NE(lv, nullptr);
  for (int32_t id : {103, 104, 105}) {
    ASSERT_TRUE(gSystem().LvSelectItem(*lv, QStringLiteral("N%1").arg(id))) << id;
    EXPECT_TRUE(Click(*chooserWindow, QStringLiteral("cmdView"))) << id;
  }
  const struct {
    int32_t id;
    int rows;  // rows of records
  } reports[] = {{101, 4}, {102, 3}, {103, 1}, {104, 1}, {105, 2}, {106, 3}};
  for (const auto& r : reports) {
    SCOPED_TRACE(r.id);
    UCGrid* grid = ReportGrid(r.id);
    ASSERT_NE(grid, nullptr);
    EXPECT_EQ(RecordRows(*grid->grd), r.rows);
  }

  // The quick inventory saved as CSV: a line per grid row, zero figures blank as in
  // the grid, and the totals.
  UCGrid* quick = ReportGrid(106);
  ASSERT_NE(quick, nullptr);
  const QString csv = work + QStringLiteral("/quick.csv");
  folders->Choose(csv);
  prompts->Expect(csv + QStringLiteral(" has been saved. Would you like to open this file now?"), ui::vbNo);
  EXPECT_TRUE(Click(*quick, QStringLiteral("cmdExportData")));
  EXPECT_EQ(CsvLines(csv).join(QLatin1Char('\n')).toStdString(),
            "\"Sel\",\"Part Number\",\"Product Name\",\"Physical Units\",\"Allocated Units\",\"Available Units\","
            "\"Units On Order\"\n"
            "\"\",\"G-2\",\"Gadget\",5,\"\",5,\"\"\n"
            "\"\",\"S-3\",\"Sprocket\",\"\",\"\",\"\",\"\"\n"
            "\"\",\"W-1\",\"Widget\",10,4,6,\"\"\n"
            "\"\",\"Total:\",\"\",15,4,11,\"\"");

  // ... and printed to a PDF file, titled by the report's name.
  const QString pdf = work + QStringLiteral("/quick.pdf");
  QString title;
  AnswerPrintOptions(&title);
  AnswerPdfPrinter();
  folders->Choose(pdf);
  EXPECT_TRUE(Click(*quick, QStringLiteral("cmdPrint")));
  const ui::test::PdfFacts facts = ui::test::ReadPdf(pdf);
  EXPECT_EQ(title, QStringLiteral("Quick Inventory"));
  EXPECT_TRUE(facts.readable);
  EXPECT_EQ(facts.title, title);
  EXPECT_GE(facts.pages, 1);
  EXPECT_GT(QFile(pdf).size(), 0);

  // The products exported, then imported into a second new database.
  const QString exported = work + QStringLiteral("/products.csv");
  folders->Choose(exported);
  prompts->Expect(exported + QStringLiteral(" has been saved. Would you like to open this file now?"), ui::vbNo);
  Menu("mnuReportsExportCurrentProductInventory");
  Menu("mnuFileClose");
  ASSERT_FALSE(gDB().IsOpen());
  EXPECT_EQ(m.mdi->subWindowList().size(), 0);

  AnswerNewDatabase(testenv::NewTempDir(QStringLiteral("second")));
  Menu("mnuFileNew");
  ASSERT_TRUE(gDB().IsOpen());
  AnswerImportProducts(exported);
  prompts->Expect(
      QStringLiteral("Imported 3 Products! These products will now appear on the 'Current Inventory' screen."));
  Menu("mnuProductsImportProducts");

  // The same products with the same stock, as one receipt each at the standard cost
  // (the file carries the units in stock, not the journal behind them).
  for (const NewProduct& p : kProducts) {
    SCOPED_TRACE(p.partNo);
    const int32_t id = IdOf(p.partNo);
    ASSERT_GT(id, 0);
    clsProd prod;
    DATA4* tb = nullptr;
    ASSERT_TRUE(prod.LoadProduct(id, tb));
    EXPECT_EQ(prod.sProdName, QLatin1String(p.name));
    EXPECT_EQ(prod.curStdCost, Cur(p.cost));
    EXPECT_EQ(prod.curStdPrice, Cur(p.price));
    EXPECT_EQ(prod.curReOrderLevel, Cur(p.reorder));
  }
  ExpectFigures(IdOf("W-1"), {"10", "0", "10", "0", "2", "0", "0", "20", "0"});
  ExpectFigures(IdOf("G-2"), {"5", "0", "5", "0", "3", "0", "0", "15", "0"});
  ExpectFigures(IdOf("S-3"), {"0", "0", "0", "0", "0", "0", "0", "0", "0"});
}

}  // namespace
