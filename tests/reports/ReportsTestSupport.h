#pragma once
// Shared fixtures and helpers of the report tests: a new database with a recording main
// window, products and transactions made in one line, definitions from record texts, the
// rows of a filled grid and the texts of list boxes.

#include <QComboBox>
#include <QCoreApplication>
#include <QEvent>
#include <QListWidget>
#include <QPalette>
#include <QScrollBar>
#include <QTableView>
#include <QStringList>
#include <functional>
#include <vector>

#include "database/clsProd.h"
#include "database/clsRptDef.h"
#include "database/store/Codes.h"
#include "platform/controls/GridControl.h"
#include "platform/ui/WindowRegistry.h"
#include "reports/frmRptContainer.h"
#include "services/testing/FakeMainWindowHub.h"
#include "services/clsSystem.h"
#include "tests/database/DbTestSupport.h"
#include "tests/database/StockTestSupport.h"

namespace rpttest {

using stocktest::AddTran;
using stocktest::Cur;

// Saves a new product that `fill` describes; its id (-1 on failure).
inline int32_t SaveNewProduct(const std::function<void(clsProd&)>& fill) {
  clsProd p;
  p.Init();
  fill(p);
  store::Table table = gDB().OpenTable(gDB().ProductsTable());
  DATA4* tb = table.get();
  const bool ok = p.SaveProduct(tb, nullptr, true);
  table.Close();
  return ok ? p.nProdId : -1;
}

// Saves a product; its id (-1 on failure).
inline int32_t AddProd(const QString& name, const QString& partNo, const char* reorderLevel = "0",
                       int32_t group = 0, bool hide = false, const QString& notes = {}) {
  return SaveNewProduct([&](clsProd& p) {
    p.sProdName = name;
    p.sPartNo = partNo;
    p.curReOrderLevel = Cur(reorderLevel);
    p.nGroup = group;
    p.bHide = hide;
    p.sNotes = notes;
  });
}

// A definition parsed from its record, with its column definitions read.
inline clsRptDef Def(const QString& record, int32_t id = 1000) {
  clsRptDef def;
  EXPECT_TRUE(def.InitFromBuf(record, id)) << record.toStdString();
  EXPECT_TRUE(def.ReadColDefs());
  return def;
}

// The texts shown in column `col` of the data rows (the totals row left out).
inline QStringList Column(const ctl::GridControl& grd, int col) {
  QStringList out;
  for (int r = 1; r < grd.Rows(); ++r)
    if (grd.RowData(r).toLongLong() > 0) out << grd.Cell(ctl::flexcpTextDisplay, r, col).toString();
  return out;
}

// The row data of the data rows, in grid order.
inline std::vector<int32_t> RowIds(const ctl::GridControl& grd) {
  std::vector<int32_t> ids;
  for (int r = 1; r < grd.Rows(); ++r)
    if (grd.RowData(r).toLongLong() > 0) ids.push_back(static_cast<int32_t>(grd.RowData(r).toLongLong()));
  return ids;
}

// Once the grid is shown at its size and scrolled fully to the right, the headings it
// keeps in place on the left are those of column 0 (when shown) and of the first `freeze`
// report columns; none when all `all` report columns would be.
inline void ExpectFrozenColumns(ctl::GridControl& grd, int freeze, int all) {
  QStringList kept, frozen;
  for (int c = 0; freeze < all && c <= freeze; ++c)
    if (!grd.ColHidden(c)) kept << grd.TextMatrix(0, c);
  grd.window()->show();
  QTableView* view = grd.view();
  view->horizontalScrollBar()->setValue(view->horizontalScrollBar()->maximum());
  const QList<QTableView*> overlays = view->findChildren<QTableView*>();
  if (overlays.size() == 1 && overlays[0]->isVisible()) {
    QTableView* overlay = overlays[0];
    // A kept column is shown whole in the overlay, over the scrolled view.
    for (int c = 0; c < grd.Cols(); ++c)
      if (!overlay->isColumnHidden(c) && overlay->columnViewportPosition(c) + overlay->columnWidth(c) <= overlay->width())
        frozen << grd.TextMatrix(0, c);
  }
  EXPECT_EQ(frozen, kept) << freeze;
}

// A new database and a recording main window with a roomy client area; every window
// is closed at the end. `Hub` installs the main window.
template <class Hub = ScopedFakeMainWindowHub>
class ReportWindowTestOf : public dbtest::DbTest {
 protected:
  void SetUp() override {
    DbTest::SetUp();
    OpenNewDatabase();
    hub->clientWidth = 30000;
    hub->clientHeight = 20000;
  }
  void TearDown() override {
    gSystem().UnloadAll();
    DbTest::TearDown();
  }
  // The report window with that tag, if open.
  static reports::frmRptContainer* Window(const char* tag) {
    return qobject_cast<reports::frmRptContainer*>(ui::FindByTag(QLatin1String(tag)));
  }
  Hub hub;
};
using ReportWindowTest = ReportWindowTestOf<>;


class ReportsTest : public dbtest::DbTest {
 protected:
  void SetUp() override {
    DbTest::SetUp();
    OpenNewDatabase();
  }
  ScopedFakeMainWindowHub hub;
};

// The texts of a list box, top to bottom.
inline QStringList Texts(const QListWidget& list) {
  QStringList texts;
  for (int i = 0; i < list.count(); ++i) texts << list.item(i)->text();
  return texts;
}

// The item data (ids) of a list box, top to bottom.
inline QList<int> Ids(const QListWidget& list) {
  QList<int> ids;
  for (int i = 0; i < list.count(); ++i) ids << list.item(i)->data(Qt::UserRole).toInt();
  return ids;
}

// Whether a criteria list is drawn in the narrowed colour.
inline bool IsRed(const QComboBox& cbo) {
  return cbo.palette().color(QPalette::ButtonText) == QColor(255, 0, 0);
}

// Adds an entry to a category list; its id.
inline int32_t AddCategory(const QString& desc, store::ListType type) {
  store::Table table = gDB().OpenTable(gDB().CategoryTable());
  DATA4* tb = table.get();
  const int32_t id = gDB().AddCategory(desc, store::Code(type), tb);
  return id;
}

}  // namespace rpttest
