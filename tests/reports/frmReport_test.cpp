// frmReport on a real temporary database: which products each kind lists, the group
// filter and its preference, the cells, bands, sorting and export.
#include "reports/frmReport.h"

#include <QApplication>
#include <QComboBox>
#include <QFile>
#include <QHeaderView>
#include <QLabel>
#include <QMouseEvent>
#include <QPointer>
#include <QTableView>
#include <functional>

#include "database/clsProd.h"
#include "database/store/Codes.h"
#include "platform/controls/GridControl.h"
#include "platform/ui/FileDialogs.h"
#include "platform/ui/testing/FakeFileDialogs.h"
#include "platform/ui/WindowRegistry.h"
#include "platform/runtime/Format.h"
#include "services/clsSystem.h"
#include "services/mdlRegistry.h"
#include "tests/database/DbTestSupport.h"
#include "tests/database/StockTestSupport.h"
#include "tests/reports/ReportsTestSupport.h"

namespace {

using stocktest::AddTran;
using stocktest::Cur;
using store::Code;
using store::TranType;
using ::testing::ElementsAre;

class frmReportTest : public dbtest::DbTest {
 protected:
  void SetUp() override {
    DbTest::SetUp();
    OpenNewDatabase();
  }

  int32_t AddCategory(const QString& text, store::ListType type) {
    QString desc = text;
    DATA4* tb = nullptr;
    return gDB().CategoryIDLookupOrAdd(desc, Code(type), tb);
  }

  // A product with a re-order level and, when given, a group; its id. `fill` sets
  // further fields.
  static int32_t AddProduct(const QString& partNo, const QString& name, const char* reorder, int32_t group = -1,
                            bool hide = false, const std::function<void(clsProd&)>& fill = {}) {
    const int32_t id = rpttest::SaveNewProduct([&](clsProd& p) {
      p.sPartNo = partNo;
      p.sProdName = name;
      p.curReOrderLevel = Cur(reorder);
      p.nGroup = group;
      p.bHide = hide;
      if (fill) fill(p);
    });
    EXPECT_GT(id, 0);
    return id;
  }

  // Registered, so closing the database at the end of the test unloads it.
  static frmReport* Open(int32_t kind) {
    auto* form = new frmReport();
    form->Init(kind);
    return form;
  }

  static QStringList Column(const frmReport& form, int32_t col) {
    QStringList texts;
    for (int r = 1; r < form.grd->Rows(); ++r) texts << form.grd->TextMatrix(r, col);
    return texts;
  }
  static QStringList Names(const frmReport& form) { return Column(form, form.ProdNameCol()); }
};

// One product per rule of the kinds: in stock, at and one above its re-order level,
// nothing available, all allocated, hidden.
TEST_F(frmReportTest, EachKindListsItsProducts) {
  const int32_t plenty = AddProduct("P1", "Plenty", "5");
  AddTran(plenty, Code(TranType::kReceive), "10", "1");
  const int32_t atLevel = AddProduct("P2", "At level", "5");
  AddTran(atLevel, Code(TranType::kReceive), "5", "1");
  const int32_t aboveLevel = AddProduct("P3", "Above level", "5");
  AddTran(aboveLevel, Code(TranType::kReceive), "6", "1");
  AddProduct("P4", "Empty", "0");
  const int32_t allocated = AddProduct("P5", "Allocated", "2");
  AddTran(allocated, Code(TranType::kReceive), "3", "1");
  AddTran(allocated, Code(TranType::kAllocate), "3", "1");
  const int32_t ordered = AddProduct("P6", "Ordered only", "1");
  AddTran(ordered, Code(TranType::kOnOrder), "50", "1");
  // Figures with thousands separators are read back whole.
  const int32_t bulk = AddProduct("P9", "Bulk", "1000");
  AddTran(bulk, Code(TranType::kReceive), "1500", "1");
  const int32_t bulkLow = AddProduct("P10", "Bulk low", "2000");
  AddTran(bulkLow, Code(TranType::kReceive), "1500", "1");
  // A negative re-order level does not make a stocked product out of stock.
  const int32_t noLevel = AddProduct("P11", "No level", "-1");
  AddTran(noLevel, Code(TranType::kReceive), "8", "1");
  AddProduct("P7", "Hidden", "9", -1, true);
  const int32_t hiddenStocked = AddProduct("P8", "Hidden stocked", "0", -1, true);
  AddTran(hiddenStocked, Code(TranType::kReceive), "4", "1");

  struct Case {
    int32_t kind;
    QString caption;
    QStringList names;  // in name order
  };
  const Case cases[] = {
      {frmReport::kOutOfStock, "Out of Stock Products (zero available units) Report",
       {"Allocated", "Empty", "Ordered only"}},
      {frmReport::kCurrentInventory, "Current Inventory Report",
       {"Above level", "Allocated", "At level", "Bulk", "Bulk low", "Empty", "No level", "Ordered only", "Plenty"}},
      {frmReport::kReorder, "Re-Order Products (at or below re-order level) Report",
       {"Allocated", "At level", "Bulk low", "Empty", "Ordered only"}},
  };
  for (const Case& c : cases) {
    SCOPED_TRACE(c.kind);
    auto form = Open(c.kind);
    EXPECT_EQ(Names(*form), c.names);
    EXPECT_EQ(form->windowTitle(), c.caption);
    EXPECT_EQ(ui::Tag(form), QStringLiteral("RPT%1").arg(c.kind));
  }
}

TEST_F(frmReportTest, NoProductRowsLeaveOnlyTheHeader) {
  // An empty table for every kind, then every product in stock for kind 2.
  for (int32_t kind : {frmReport::kOutOfStock, frmReport::kCurrentInventory, frmReport::kReorder}) {
    SCOPED_TRACE(kind);
    auto form = Open(kind);
    EXPECT_EQ(form->grd->Rows(), 1);
    EXPECT_EQ(form->grd->Cols(), frmReport::kNumCols);
    EXPECT_EQ(form->grd->TextMatrix(0, frmReport::kColAvailable), QStringLiteral("Avail. Units In Stock"));
  }
  for (const char* name : {"A", "B", "C"}) {
    const int32_t id = AddProduct(QLatin1String(name), QLatin1String(name), "0");
    AddTran(id, Code(TranType::kReceive), "1", "1");
  }
  EXPECT_EQ(Open(frmReport::kOutOfStock)->grd->Rows(), 1);
  EXPECT_EQ(Open(frmReport::kCurrentInventory)->grd->Rows(), 4);
}

TEST_F(frmReportTest, GroupFilterLimitsRowsAndIsRemembered) {
  const int32_t tools = AddCategory("Tools", store::ListType::kProductGroup);
  const int32_t empty = AddCategory("Unused", store::ListType::kProductGroup);
  AddProduct("T1", "Hammer", "0", tools);
  AddProduct("T2", "Saw", "0", tools);
  AddProduct("X1", "Loose", "0");

  auto form = Open(frmReport::kCurrentInventory);
  QComboBox& cbo = *form->cboGroup;
  ASSERT_EQ(cbo.count(), 3);
  EXPECT_EQ(cbo.itemText(0), QStringLiteral("All Groups"));
  EXPECT_EQ(Names(*form), (QStringList{"Hammer", "Loose", "Saw"}));

  struct Case {
    int32_t group;
    QStringList names;
    bool marked;
  };
  const Case cases[] = {
      {tools, {"Hammer", "Saw"}, true},
      {empty, {}, true},
      {0, {"Hammer", "Loose", "Saw"}, false},
  };
  const QColor normal = form->palette().color(QPalette::Text);
  for (const Case& c : cases) {
    SCOPED_TRACE(c.group);
    cbo.setCurrentIndex(cbo.findData(c.group));
    EXPECT_EQ(Names(*form), c.names);
    EXPECT_EQ(mdlRegistry::PrefGetLong(QStringLiteral("RptProdCategory")), c.group);
    EXPECT_EQ(cbo.palette().color(QPalette::Text), c.marked ? QColor(255, 0, 0) : normal);
  }

  // A new window starts with the group chosen last.
  cbo.setCurrentIndex(cbo.findData(tools));
  auto again = Open(frmReport::kCurrentInventory);
  EXPECT_EQ(again->cboGroup->currentData().toInt(), tools);
  EXPECT_EQ(Names(*again), (QStringList{"Hammer", "Saw"}));

  // The label names the group field as the user named it; its "&" is no mnemonic.
  ASSERT_TRUE(gDB().SetParamValue(QStringLiteral("svlprod.dbf_groupid"), QStringLiteral("Bins & Racks")));
  auto named = Open(frmReport::kCurrentInventory);
  EXPECT_EQ(named->lblGroup->text(), QStringLiteral("Bins && Racks:"));
}

TEST_F(frmReportTest, RowShowsProductListsAndFigures) {
  ASSERT_TRUE(gDB().SetParamValue(QStringLiteral("Decimals_Units"), QStringLiteral("3")));
  const int32_t loc = AddCategory("Shelf | A; #2", store::ListType::kLocation);
  const int32_t grp = AddCategory("Parts", store::ListType::kProductGroup);
  const int32_t man = AddCategory("Maker", store::ListType::kManufacturer);
  const int32_t ven = AddCategory("Seller", store::ListType::kVendor);
  const int32_t bolt = AddProduct("B-7", "Bolt", "12.5", grp, false, [&](clsProd& p) {
    p.nLocation = loc;
    p.nManuf = man;
    p.nVendor = ven;
  });
  const int32_t bare = AddProduct("C-1", "Cog", "0");
  AddTran(bolt, Code(TranType::kReceive), "20", "2");
  AddTran(bolt, Code(TranType::kShrinkage), "1.5", "0");
  AddTran(bolt, Code(TranType::kShip), "3", "4");
  AddTran(bolt, Code(TranType::kAllocate), "4", "4");
  AddTran(bolt, Code(TranType::kOnOrder), "7", "2");

  auto form = Open(frmReport::kCurrentInventory);
  ctl::GridControl& g = *form->grd;
  ASSERT_EQ(g.Rows(), 3);
  EXPECT_EQ(form->GetProdRowNum(bolt), 1);
  EXPECT_EQ(form->GetProdRowNum(bare), 2);
  EXPECT_EQ(form->GetProdRowNum(99999), -1);
  QStringList row;
  for (int c = 0; c < g.Cols(); ++c) row << g.TextMatrix(1, c);
  EXPECT_THAT(row, ElementsAre("1", "Bolt", "B-7", "Shelf | A; #2", "Parts", "Maker", "Seller", "12.500", "15.500",
                               "4.000", "11.500", "7.000"));
  // No lists and no transactions: blank list cells and blank figures.
  row.clear();
  for (int c = 3; c < g.Cols(); ++c) row << g.TextMatrix(2, c);
  EXPECT_THAT(row, ElementsAre("", "", "", "", "0.000", "", "", "", ""));
}

// The figures come from one pass over the transactions; they must equal the product's
// own figures.
TEST_F(frmReportTest, FiguresMatchEachProductsOwnStats) {
  std::vector<int32_t> ids;
  for (int i = 0; i < 6; ++i) {
    ids.push_back(AddProduct(QStringLiteral("N%1").arg(i), QStringLiteral("Item %1").arg(i), "3"));
  }
  // Interleaved transactions so that record order differs from product order.
  const char* units[] = {"1", "2.25", "7", "0.5", "11", "3"};
  for (int round = 0; round < 3; ++round) {
    for (size_t i = 0; i < ids.size(); ++i) {
      const int type = 1 + static_cast<int>((i + static_cast<size_t>(round)) % 5);
      AddTran(ids[i], type, units[(i + static_cast<size_t>(round)) % 6], "1.5");
    }
  }
  auto form = Open(frmReport::kCurrentInventory);
  const QString fmt = gDB().DecimalsUnitsFormat();
  for (int32_t id : ids) {
    SCOPED_TRACE(id);
    clsProductStats own;
    own.Init(id);
    DATA4* tb = nullptr;
    ASSERT_TRUE(gDB().GetProductStats(own, tb));
    const int32_t r = form->GetProdRowNum(id);
    ASSERT_GE(r, 1);
    const auto shown = [&](rt::Currency v) {
      return v == rt::Currency() ? QString() : rt::Format(QVariant::fromValue(v), fmt);
    };
    EXPECT_EQ(form->grd->TextMatrix(r, frmReport::kColPhysical), shown(own.m_curNumUnitsInStock_Physical));
    EXPECT_EQ(form->grd->TextMatrix(r, frmReport::kColAllocated), shown(own.m_curNumUnitsAllocated));
    EXPECT_EQ(form->grd->TextMatrix(r, frmReport::kColAvailable), shown(own.m_curNumUnitsInStock_Available));
    EXPECT_EQ(form->grd->TextMatrix(r, frmReport::kColOnOrder), shown(own.m_curNumUnitsOnOrder));
  }
}

TEST_F(frmReportTest, PartNumbersFirstSwapsColumnsAndOrder) {
  ASSERT_TRUE(gDB().ProdPartNumberFirstSet(true));
  AddProduct("Z-1", "Apple", "0");
  AddProduct("A-9", "Zebra", "0");
  auto form = Open(frmReport::kCurrentInventory);
  EXPECT_EQ(form->PartNoCol(), 1);
  EXPECT_EQ(form->ProdNameCol(), 2);
  EXPECT_EQ(form->grd->TextMatrix(0, 2), QStringLiteral("Product Name"));
  EXPECT_EQ(Column(*form, 1), (QStringList{"A-9", "Z-1"}));
}

TEST_F(frmReportTest, TableThatCannotBeOpenedLoadsNoRows) {
  const int32_t id = AddProduct("A", "Anvil", "0");
  AddTran(id, Code(TranType::kReceive), "1", "1");
  for (const QString& table : {gDB().TranTable(), gDB().ProductsTable()}) {
    SCOPED_TRACE(table.toStdString());
    const QString aside = table + QStringLiteral(".aside");
    ASSERT_TRUE(QFile::rename(table, aside));
    prompts->Expect(QStringLiteral("Unable to open: ") + table, ui::vbOK);
    EXPECT_EQ(Open(frmReport::kCurrentInventory)->grd->Rows(), 1);
    ASSERT_TRUE(QFile::rename(aside, table));
  }
}

// Print presets the caption, replaced by the title remembered for kinds 2 and 3.
TEST_F(frmReportTest, PrintOffersTheRememberedTitleOfItsKind) {
  mdlRegistry::PrefSaveString(QStringLiteral("TitleOutOfStockRpt"), QStringLiteral("Empty shelves"));
  mdlRegistry::PrefSaveString(QStringLiteral("TitleCurrInvRpt"), QStringLiteral("Stock list"));
  struct Case {
    int32_t kind;
    QString title;
  };
  const Case cases[] = {
      {frmReport::kOutOfStock, "Empty shelves"},
      {frmReport::kCurrentInventory, "Stock list"},
      {frmReport::kReorder, "Re-Order Products (at or below re-order level) Report"},
  };
  for (const Case& c : cases) {
    SCOPED_TRACE(c.kind);
    QString shown;
    runner->Then(QStringLiteral("frmRptOption"), [&shown](QDialog& dlg) {
      shown = ui::test::TextOf(dlg, QStringLiteral("txtTitle"));
      dlg.reject();
    });
    ASSERT_TRUE(ui::test::Click(*Open(c.kind), QStringLiteral("cmdPrint")));
    EXPECT_EQ(shown, c.title);
  }
}

class frmReportShownTest : public frmReportTest {
 protected:
  void SetUp() override {
    frmReportTest::SetUp();
    for (const char* row : {"C:Cherry:5", "A:Apple:30", "B:Banana:0.5", "D:Date:12"}) {
      const QStringList parts = QString::fromLatin1(row).split(u':');
      const int32_t id = AddProduct(parts[0], parts[1], "1");
      AddTran(id, Code(TranType::kReceive), parts[2].toLatin1().constData(), "1");
    }
    form = Open(frmReport::kCurrentInventory);
    form->show();
    QApplication::processEvents();
  }

  void ClickHeader(int col) {
    QHeaderView* header = form->grd->view()->horizontalHeader();
    const QPoint at(header->sectionViewportPosition(col) + header->sectionSize(col) / 2, header->height() / 2);
    for (QEvent::Type type : {QEvent::MouseButtonPress, QEvent::MouseButtonRelease}) {
      QMouseEvent e(type, QPointF(at), header->viewport()->mapToGlobal(QPointF(at)), Qt::LeftButton,
                    type == QEvent::MouseButtonRelease ? Qt::NoButton : Qt::LeftButton, Qt::NoModifier);
      QApplication::sendEvent(header->viewport(), &e);
    }
  }

  std::vector<int32_t> Bands() const {
    std::vector<int32_t> bands;
    for (int r = 1; r < form->grd->Rows(); ++r) {
      bands.push_back(form->grd->Cell(ctl::flexcpBackColor, r, frmReport::kColOnOrder).toInt());
    }
    return bands;
  }

  QPointer<frmReport> form;
};

TEST_F(frmReportShownTest, HeaderClickSortsAscendingAndRebands) {
  constexpr int32_t even = frmReport::kEvenRowColor, odd = frmReport::kOddRowColor;
  EXPECT_EQ(Names(*form), (QStringList{"Apple", "Banana", "Cherry", "Date"}));
  EXPECT_THAT(Bands(), ElementsAre(odd, even, odd, even));
  form->grd->Select(3, 1);  // Cherry
  ClickHeader(frmReport::kColPhysical);
  EXPECT_EQ(Names(*form), (QStringList{"Banana", "Cherry", "Date", "Apple"}));
  EXPECT_EQ(Column(*form, frmReport::kColRowNum), (QStringList{"1", "2", "3", "4"}));
  EXPECT_THAT(Bands(), ElementsAre(odd, even, odd, even));
  EXPECT_EQ(form->grd->Row(), 2);
  // The Windows value 0xC0E0FF is blue-green-red: a light orange.
  EXPECT_EQ(form->grd->CellLook(2, 1).backColor, QColor(0xFF, 0xE0, 0xC0));
}

TEST_F(frmReportShownTest, RefreshKeepsTheCurrentProduct) {
  form->grd->Select(3, 1);  // Cherry
  const int32_t cherry = form->grd->RowData(3).toInt();
  const int32_t id = AddProduct("AA", "Apricot", "0");
  ASSERT_GT(id, 0);
  ASSERT_TRUE(ui::test::Click(*form, QStringLiteral("cmdRefresh")));
  EXPECT_EQ(Names(*form), (QStringList{"Apple", "Apricot", "Banana", "Cherry", "Date"}));
  EXPECT_EQ(form->grd->RowData(form->grd->Row()).toInt(), cherry);
}

TEST_F(frmReportShownTest, AutosizeSetsFigureColumnsAndExportLeavesOutRowNumbers) {
  form->grd->setColWidth(frmReport::kColOnOrder, 300);
  ASSERT_TRUE(ui::test::Click(*form, QStringLiteral("cmdAutosize")));
  for (int c = frmReport::kColReorderLevel; c <= frmReport::kColOnOrder; ++c) EXPECT_EQ(form->grd->ColWidth(c), 1000);

  ui::test::ScopedFakeFileDialogs dialogs;
  const QString file = testenv::NewTempDir() + QStringLiteral("/stock.csv");
  dialogs->Choose(file);
  prompts->Answer(ui::vbNo);
  ASSERT_TRUE(ui::test::Click(*form, QStringLiteral("cmdExport")));
  QFile f(file);
  ASSERT_TRUE(f.open(QIODevice::ReadOnly));
  const QList<QByteArray> lines = f.readAll().split('\n');
  ASSERT_GE(lines.size(), 2);
  QByteArray heading = lines[0];
  if (heading.startsWith("\xEF\xBB\xBF")) heading.remove(0, 3);
  EXPECT_TRUE(heading.startsWith("\"Product Name\",\"Part Number\","));
  EXPECT_TRUE(lines[1].contains("\"Apple\",\"A\""));
}

}  // namespace
