#pragma once
// Helpers of the transaction, stock-figure and product tests: records made in one
// line, and a row lock held by another process.

#include <QDialog>
#include <QFile>
#include <functional>
#include <gtest/gtest.h>

#include "database/clsDB.h"
#include "database/clsProd.h"
#include "database/clsProductStats.h"
#include "database/clsTran.h"
#include "platform/runtime/Currency.h"
#include "platform/ui/testing/TestPrompts.h"
#include "platform/xbase/Engine.h"
#include "tests/database/ProcessTestSupport.h"

namespace stocktest {

inline rt::Currency Cur(const char* text) { return rt::Currency::FromCText(QLatin1String(text)); }

// A product's stock figures, as decimal texts.
struct Figures {
  const char* physical;
  const char* allocated;
  const char* available;
  const char* onOrder;
  const char* avgCost;
  const char* avgPrice;
  const char* onOrderCost;
  const char* stkCost;
  const char* stkPrice;
};

inline void ExpectFigures(const clsProductStats& s, const Figures& e) {
  EXPECT_EQ(s.m_curNumUnitsInStock_Physical, Cur(e.physical));
  EXPECT_EQ(s.m_curNumUnitsAllocated, Cur(e.allocated));
  EXPECT_EQ(s.m_curNumUnitsInStock_Available, Cur(e.available));
  EXPECT_EQ(s.m_curNumUnitsOnOrder, Cur(e.onOrder));
  EXPECT_EQ(s.m_curAvgCostPerUnit, Cur(e.avgCost));
  EXPECT_EQ(s.m_curAvgPricePerUnit, Cur(e.avgPrice));
  EXPECT_EQ(s.m_curOnOrderCostActual, Cur(e.onOrderCost));
  EXPECT_EQ(s.m_curStkCostAvg, Cur(e.stkCost));
  EXPECT_EQ(s.m_curStkPriceAvg, Cur(e.stkPrice));
}

// Appends a transaction through SaveTran; its new id (-1 when the save failed).
inline int32_t AddTran(int32_t prodId, int32_t type, const char* units, const char* price,
                       const QString& date = QStringLiteral("3/1/2026"), const QString& note = {}) {
  clsTran t;
  t.nProdId = prodId;
  t.udTranType = type;
  t.curUnits = Cur(units);
  t.curUnitPrice = Cur(price);
  t.sDate = date;
  t.sNote = note;
  DATA4* tb = nullptr;
  return gDB().SaveTran(0, t, tb) ? t.nTranID : -1;
}

// A product with every field set, not saved yet.
inline clsProd SampleProduct() {
  clsProd p;
  p.Init();
  p.sPartNo = QStringLiteral("A-100");
  p.sProdName = QStringLiteral("Widget");
  p.nLocation = 1001;
  p.nGroup = 1002;
  p.bHide = false;
  p.curReOrderLevel = Cur("5.5");
  p.curReOrderQty = Cur("20");
  p.sLeadTime = QStringLiteral("2 weeks");
  p.nManuf = 1003;
  p.nVendor = 1004;
  p.curStdCost = Cur("3.5");
  p.curStdPrice = Cur("7.25");
  p.sCustom1 = QStringLiteral("c1");
  p.sCustom2 = QStringLiteral("c2");
  p.sCustom3 = QStringLiteral("c3");
  p.sCustom4 = QStringLiteral("c4");
  p.sNotes = QStringLiteral("line one\r\nline two");
  return p;
}

// A new product with the part number and name, not saved yet.
inline clsProd NewProduct(const QString& partNo, const QString& name, bool hide = false) {
  clsProd p;
  p.Init();
  p.sPartNo = partNo;
  p.sProdName = name;
  p.bHide = hide;
  return p;
}

// Saves the product through clsProd::SaveProduct; its id (-1 when the save failed).
inline int32_t StoreProduct(clsProd p) {
  const store::Table table = gDB().OpenTable(gDB().ProductsTable());
  DATA4* tb = table.get();
  return p.SaveProduct(tb, nullptr, true) ? p.nProdId : -1;
}

// Adds a product through clsProd::SaveProduct; its new id (-1 when the save failed).
inline int32_t AddProduct(const QString& partNo, const QString& name, bool hide = false) {
  return StoreProduct(NewProduct(partNo, name, hide));
}

// The stored product; a failure when it cannot be read.
inline clsProd LoadProduct(int32_t id) {
  clsProd p;
  DATA4* tb = nullptr;
  EXPECT_TRUE(p.LoadProduct(id, tb)) << id;
  return p;
}

// A product's stock figures, read without a table of the caller's (none is left open).
inline clsProductStats Stats(int32_t prodId) {
  clsProductStats s;
  s.Init(prodId);
  DATA4* tb = nullptr;
  EXPECT_TRUE(gDB().GetProductStats(s, tb));
  EXPECT_EQ(tb, nullptr);
  return s;
}

// A script of the product editor: another user renames the product to `name`
// meanwhile; the user types a name of their own, answers No to the other user's change
// and cancels.
inline std::function<void(QDialog&)> RenamedThenNoAndCancel(int32_t id, const QString& name,
                                                             ui::test::FakePrompts& prompts) {
  return [id, name, &prompts](QDialog& d) {
    {
      store::Table table = gDB().OpenTable(gDB().ProductsTable());
      clsProd p;
      ASSERT_TRUE(p.LoadProduct(id, table.get()));
      p.sProdName = name;
      ASSERT_TRUE(p.SaveProduct(table.get(), nullptr, true));
    }
    ui::test::SetText(d, QStringLiteral("txtName"), QStringLiteral("Mine"));
    prompts.ExpectContaining(QStringLiteral("Another user has changed this product"), ui::vbNo);
    ui::test::Click(d, QStringLiteral("OKButton"));
    ui::test::Click(d, QStringLiteral("CancelButton"));
  };
}

// Another process that holds the lock of one row (found by a number on a tag) until
// Release() or the end of the object.
class LockHolder {
 public:
  LockHolder(const QString& table, const char* tag, double key)
      : child_([path = QFile::encodeName(table), tag, key](int in, int out) {
          CODE4* c = d4init_v();
          DATA4* d = d4open(c, path.constData());
          const char ok = d != nullptr && d4tagSelect(d, d4tag(d, tag)) == 0 && d4seekDouble(d, key) == 0 &&
                          d4lock(d, d4recNo(d)) == 0 ? 'y' : 'n';
          char b = 0;
          return write(out, &ok, 1) == 1 && read(in, &b, 1) >= 0 ? 0 : 2;
        }),
        locked_(child_.Receive() == 'y') {}

  bool locked() const { return locked_; }
  // Ends the other process (and so its lock).
  void Release() { child_.Finish(); }

 private:
  proctest::Child child_;
  bool locked_;
};

}  // namespace stocktest
