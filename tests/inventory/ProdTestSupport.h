#pragma once
// Shared fixture of the product window tests: scripted prompts, dialogs and shell
// (anything unscripted fails the test), the recording main window, a registry of the
// test's own and a new database; helpers that store categories, products and
// transactions the way the program does.

#include <gtest/gtest.h>

#include <QDialog>
#include <QString>

#include "database/clsDB.h"
#include "database/clsProd.h"
#include "database/clsTran.h"
#include "platform/runtime/Error.h"
#include "platform/ui/testing/TestPrompts.h"
#include "platform/xbase/Engine.h"
#include "platform/ui/WindowRegistry.h"
#include "services/testing/FakeMainWindowHub.h"
#include "services/clsSystem.h"
#include "tests/database/DbTestSupport.h"
#include "tests/database/StockTestSupport.h"
#include "tests/support/TestEnv.h"

namespace prodtest {

class ProdTest : public dbtest::DbTest {
 protected:
  void SetUp() override {
    DbTest::SetUp();
    dir = OpenNewDatabase();
  }
  void TearDown() override {
    gSystem().UnloadAll();
    DbTest::TearDown();
  }

  // A category entry of the list; its id.
  static int32_t AddCategory(const QString& desc, int32_t type) {
    store::Table table = gDB().OpenTable(gDB().CategoryTable());
    DATA4* tb = table.get();
    const int32_t id = gDB().AddCategory(desc, type, tb);
    return id;
  }
  // A stored product; its id.
  static int32_t AddProduct(const QString& name, const QString& partNo, bool hidden = false, int32_t location = -1,
                            int32_t group = -1) {
    clsProd p = stocktest::NewProduct(partNo, name);
    p.bHide = hidden;
    p.nLocation = location;
    p.nGroup = group;
    const int32_t id = stocktest::StoreProduct(p);
    EXPECT_GT(id, 0) << name.toStdString();
    return id;
  }
  // A Receive of `units` for the product, with the category `catId`.
  static void AddReceive(int32_t prodId, int units, int32_t catId = 0) {
    clsTran t;
    t.nProdId = prodId;
    t.udTranType = 2;
    t.curUnits = rt::Currency(units);
    t.nCatID = catId;
    DATA4* tb = nullptr;
    EXPECT_TRUE(gDB().SaveTran(0, t, tb));
  }
  // Whether the products table has the row (no message either way).
  static bool Stored(int32_t id) {
    DATA4* tb = nullptr;
    return gDB().RecordExists(2, id, gDB().ProductsTable(), QStringLiteral("rowid"), QStringLiteral("rowid"), tb) > 0;
  }
  static clsProd Load(int32_t id) { return stocktest::LoadProduct(id); }

  QString dir;
  testenv::ScopedEnv registry{"STOVREL_REGISTRY_DIR", testenv::NewTempDir(QStringLiteral("reg"))};
  ui::test::ScopedFakeShell shell;
  ScopedFakeMainWindowHub hub;
};

}  // namespace prodtest
