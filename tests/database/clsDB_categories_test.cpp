// Category lists: look-up by whole text per list, adding, the in-use test, deleting
// under the row lock, the loaders and the report list.

#include <QComboBox>
#include <unordered_set>

#include "platform/controls/ListViewControl.h"
#include "tests/database/DbTestSupport.h"

namespace {

class CategoriesTest : public dbtest::DbTest {
 protected:
  void SetUp() override {
    DbTest::SetUp();
    OpenNewDatabase();
  }
  int32_t Add(const char* desc, int32_t type) {
    const store::Table table = gDB().OpenTable(gDB().CategoryTable());
    DATA4* tb = table.get();
    const int32_t id = gDB().AddCategory(QString::fromUtf8(desc), type, tb);
    return id;
  }
  QStringList Keys(const ctl::ListViewControl& lv) {
    QStringList keys;
    for (int i = 1; i <= lv.ListItems().Count(); ++i) keys << lv.ListItems().Item(i).Key();
    return keys;
  }
};

TEST_F(CategoriesTest, TheSameTextInTwoListsIsFoundInTheWantedOne) {
  const int32_t group = Add("Tools", 1);
  const int32_t vendor = Add("Tools", 5);
  EXPECT_EQ(group, 1000);
  EXPECT_EQ(vendor, 1001);
  DATA4* tb = nullptr;
  QString desc = QStringLiteral("tools");
  EXPECT_EQ(gDB().CategoryIDLookupOrAdd(desc, 5, tb), vendor);
  EXPECT_EQ(tb, nullptr);
  desc = QStringLiteral("TOOLS");
  EXPECT_EQ(gDB().CategoryIDLookup_Original(desc, 1, tb), group);
  const store::Table openTable = gDB().OpenTable(gDB().CategoryTable());
  DATA4* open = openTable.get();
  EXPECT_EQ(gDB().CategoryIDGet(QStringLiteral("Tool"), 1, open), -1);  // a prefix is no match
  EXPECT_EQ(gDB().CategoryIDGet(QStringLiteral("Tools"), 3, open), -1);
  // Accented letters are compared in upper case as the index makes it.
  const int32_t pastry = Add("Éclair", 4);
  EXPECT_EQ(gDB().CategoryIDGet(QStringLiteral("éclair"), 4, open), pastry);
  EXPECT_EQ(gDB().CategoryIDGet(QStringLiteral("ÉCLAIR"), 4, open), pastry);
}

TEST_F(CategoriesTest, LookupOrAddTrimsAddsOnceAndFindsItAgain) {
  DATA4* tb = nullptr;
  QString desc = QStringLiteral("  Fasteners  ");
  const int32_t id = gDB().CategoryIDLookupOrAdd(desc, 1, tb);
  EXPECT_EQ(desc, QStringLiteral("Fasteners"));
  EXPECT_GE(id, 1000);
  QString again = QStringLiteral("fasteners");
  EXPECT_EQ(gDB().CategoryIDLookupOrAdd(again, 1, tb), id);
  EXPECT_EQ(dbtest::LiveRows(gDB().CategoryTable()), 1);
  QString blank = QStringLiteral("   ");
  EXPECT_EQ(gDB().CategoryIDLookupOrAdd(blank, 1, tb), -1);
  EXPECT_EQ(gDB().GetCategoryDesc(id, tb), QStringLiteral("Fasteners"));
  EXPECT_EQ(gDB().GetCategoryType(id, tb), 1);
  EXPECT_EQ(gDB().GetCategoryType(99, tb), -1);
  // Adding needs the caller's open table.
  EXPECT_EQ(gDB().AddCategory(QStringLiteral("Loose"), 1, tb), -1);
}

TEST_F(CategoriesTest, AnEntryInUseCannotBeDeleted) {
  const int32_t group = Add("Hardware", 1);
  const int32_t category = Add("Returns", 2);
  EXPECT_TRUE(gDB().CanDeleteItem(group, QString(), QStringLiteral("groupid")));
  EXPECT_TRUE(gDB().CanDeleteItem(group, gDB().ProductsTable(), QStringLiteral("groupid")));
  dbtest::AppendRow(gDB().ProductsTable(),
                    {"rowid", "1000", "partno", "A1", "groupid", QString::number(group), "hide", "T"});
  EXPECT_FALSE(gDB().CanDeleteItem(group, gDB().ProductsTable(), QStringLiteral("groupid")));

  // svltran has no tag "catid": the rows are read one by one, deleted ones ignored.
  EXPECT_TRUE(gDB().CanDeleteItem(category, gDB().TranTable(), QStringLiteral("catid")));
  dbtest::AppendRow(gDB().TranTable(), {"rowid", "1000", "prodid", "1000", "catid", QString::number(category)});
  EXPECT_FALSE(gDB().CanDeleteItem(category, gDB().TranTable(), QStringLiteral("catid")));
  DATA4* tran = nullptr;
  ASSERT_TRUE(gDB().DeleteRecord(1000, gDB().TranTable(), tran, QStringLiteral("rowid")));
  EXPECT_TRUE(gDB().CanDeleteItem(category, gDB().TranTable(), QStringLiteral("catid")));
}

// Each list is checked against the field of the products or transactions that refers
// to its entries, and takes its own name from that field's caption.
TEST_F(CategoriesTest, AListIsInUseThroughTheFieldThatRefersToItsEntries) {
  using store::ListType;
  struct Case {
    ListType type;
    bool products;
    const char* field;
    const char* nameParam;  // null: the list has no name of its own
  };
  const Case cases[] = {
      {ListType::kProductGroup, true, "groupid", "svlprod.dbf_groupid"},
      {ListType::kLocation, true, "location", "svlprod.dbf_location"},
      {ListType::kManufacturer, true, "manuf", nullptr},
      {ListType::kVendor, true, "vendor", nullptr},
      {ListType::kTranCategory, false, "catid", "svltran.dbf_catid"},
      {ListType::kTranAccount, false, "shipmethod", "svltran.dbf_shipmethod"},
  };
  int32_t row = 2000;
  for (const Case& c : cases) {
    SCOPED_TRACE(c.field);
    const int32_t id = gDB().AddListEntry(QStringLiteral("Entry"), c.type);
    ASSERT_GE(id, 1000);
    EXPECT_FALSE(gDB().ListEntryInUse(id, c.type));
    const QString n = QString::number(++row);
    if (c.products) {
      dbtest::AppendRow(gDB().ProductsTable(), {"rowid", n, "partno", n, c.field, QString::number(id), "hide", "T"});
    } else {
      dbtest::AppendRow(gDB().TranTable(), {"rowid", n, "prodid", n, c.field, QString::number(id)});
    }
    EXPECT_TRUE(gDB().ListEntryInUse(id, c.type));
    std::unordered_set<int32_t> ids;
    EXPECT_TRUE(gDB().ListIdsInUse(c.type, ids));
    EXPECT_TRUE(ids.contains(id));
    if (c.nameParam != nullptr) gDB().SetParamValue(QLatin1String(c.nameParam), QStringLiteral("Own"));
    EXPECT_EQ(gDB().ListName(c.type), c.nameParam != nullptr ? QStringLiteral("Own") : QString());
  }
}

TEST_F(CategoriesTest, DeleteUnderTheRowLock) {
  FailLocksFast();
  const int32_t id = Add("Dock 4", 3);
  DATA4* tb = nullptr;
  EXPECT_TRUE(gDB().DeleteRecord(4242, gDB().CategoryTable(), tb, QStringLiteral("rowid")));
  {
    dbtest::OtherUser other(gDB().CategoryTable());
    d4tagSelect(other.table(), d4tag(other.table(), "rowid"));
    ASSERT_EQ(d4seekDouble(other.table(), id), 0);
    ASSERT_EQ(d4lock(other.table(), d4recNo(other.table())), 0);
    prompts->Expect(QStringLiteral("RECORD LOCKED: Unable to Delete from ") + gDB().CategoryTable() +
                    QStringLiteral("(id=%1) !").arg(id));
    EXPECT_FALSE(gDB().DeleteRecord(id, gDB().CategoryTable(), tb, QStringLiteral("rowid")));
  }
  EXPECT_EQ(gDB().GetCategoryDesc(id, tb), QStringLiteral("Dock 4"));
  EXPECT_TRUE(gDB().DeleteRecord(id, gDB().CategoryTable(), tb, QStringLiteral("rowid")));
  EXPECT_EQ(gDB().GetCategoryDesc(id, tb), QString());
  EXPECT_EQ(tb, nullptr);
}

TEST_F(CategoriesTest, LoadersListTheRowsOfTheirListInTextOrder) {
  EXPECT_EQ(gDB().ListComboStr(store::ListType::kProductGroup), QStringLiteral("#0; "));
  Add("Tools", 1);       // 1000
  Add("Hardware", 1);    // 1001
  Add("Aisle 3", 3);     // 1002
  EXPECT_EQ(gDB().ListComboStr(store::ListType::kProductGroup),
            QStringLiteral("#0; |#1001;Hardware|#1000;Tools"));

  ctl::ListViewControl lv;
  lv.ColumnHeaders().Add(0, {}, QStringLiteral("Name"));
  gDB().LoadLV(lv, gDB().CategoryTable(), "rowid", "desc", 0, true);
  EXPECT_EQ(Keys(lv), (QStringList{"N1002", "N1001", "N1000"}));
  lv.ListItems().Item(QStringLiteral("N1000")).SetSelected(true);
  gDB().LoadLV(lv, gDB().CategoryTable(), "rowid", "desc", 3, true);
  EXPECT_EQ(Keys(lv), QStringList{"N1002"});
  EXPECT_EQ(lv.ListItems().Item(1).Text(), QStringLiteral("Aisle 3"));

  QComboBox cbo;
  gDB().LoadListCombo(cbo, store::ListType::kProductGroup, true, true, 1000);
  ASSERT_EQ(cbo.count(), 3);
  EXPECT_EQ(cbo.itemText(0), QString());
  EXPECT_EQ(cbo.itemData(0).toInt(), 0);
  EXPECT_EQ(cbo.itemText(1), QStringLiteral("Hardware"));
  EXPECT_EQ(cbo.currentText(), QStringLiteral("Tools"));
}

TEST_F(CategoriesTest, RecordLookupsMatchWholeValues) {
  const int32_t id = Add("Tools", 1);
  DATA4* tb = nullptr;
  const QString table = gDB().CategoryTable();
  EXPECT_EQ(gDB().RecordExists(2, id, table, "rowid", "type", tb), 1);
  EXPECT_EQ(gDB().RecordExists(2, QStringLiteral("%1").arg(id), table, "rowid", "rowid", tb), id);
  EXPECT_EQ(gDB().RecordExists(2, QStringLiteral("x"), table, "rowid", "rowid", tb), -1);
  EXPECT_EQ(gDB().RecordExists(1, QStringLiteral("TOOLS"), table, "desc", "rowid", tb), id);
  EXPECT_EQ(gDB().RecordExists(1, QStringLiteral("TOOL"), table, "desc", "rowid", tb), -1);
  EXPECT_EQ(gDB().RecordExists(1, QString(), table, "desc", "rowid", tb), -1);
  EXPECT_TRUE(gDB().RecordExistsNoTag(1, QStringLiteral("Tools"), "desc", table, tb));
  EXPECT_FALSE(gDB().RecordExistsNoTag(1, QStringLiteral("tools"), "desc", table, tb));
  EXPECT_FALSE(gDB().RecordExistsNoTag(1, QString(), "desc", table, tb));
  EXPECT_EQ(gDB().GetRecCount(table, "desc"), 1);
  EXPECT_EQ(gDB().GetRecCountFast(table, "desc"), 1);
}

TEST_F(CategoriesTest, BooleanTexts) {
  EXPECT_TRUE(gDB().GetBoolValueFromStr(QStringLiteral("TRUE")));
  EXPECT_FALSE(gDB().GetBoolValueFromStr(QStringLiteral("false")));
  prompts->Expect(QStringLiteral("Invalid boolean value passed to clsDB_AssingValue"));
  EXPECT_FALSE(gDB().GetBoolValueFromStr(QStringLiteral("1")));
  EXPECT_EQ(prompts->Last().icon, ui::vbExclamation);
  EXPECT_EQ(prompts->Last().title, QStringLiteral("Stovrel"));
}

TEST_F(CategoriesTest, ReportListShowsStoredDefinitions) {
  gDB().SetParamValue(QStringLiteral("~abc"), QStringLiteral("1^Not a report^1001^-1~0~0~~0^True~1~True~2~0"));
  ctl::ListViewControl lv;
  lv.ColumnHeaders().Add(0, {}, QStringLiteral("Report"));
  lv.ColumnHeaders().Add(0, {}, QStringLiteral("Type"));
  gDB().LvLoadReports(lv, QString(), true, true);
  EXPECT_EQ(Keys(lv).size(), 5);
  EXPECT_FALSE(Keys(lv).contains(QStringLiteral("N1")));
  EXPECT_EQ(lv.ListItems().Item(QStringLiteral("N101")).Text(),
            QStringLiteral("Transaction History [default transactions report]"));
  EXPECT_EQ(lv.ListItems().Item(QStringLiteral("N101")).SubItems(1), QStringLiteral("Transactions"));
  EXPECT_EQ(lv.ListItems().Item(QStringLiteral("N101")).SmallIcon(), 2);
  EXPECT_EQ(lv.ListItems().Item(QStringLiteral("N102")).SmallIcon(), 1);
  EXPECT_TRUE(lv.ListItems().Item(1).Selected());

  gDB().LvLoadReports(lv, QStringLiteral("N2"), true, false);
  QStringList keys = Keys(lv);
  keys.sort();
  EXPECT_EQ(keys, (QStringList{"N1", "N101", "N102", "N103", "N104", "N105", "N2"}));
  EXPECT_TRUE(lv.ListItems().Item(QStringLiteral("N2")).Selected());
}

}  // namespace

namespace {

TEST_F(CategoriesTest, ReportListStaysSortedWhenTheParameterTableCannotBeRead) {
  ctl::ListViewControl lv;
  lv.ColumnHeaders().Add(0, {}, QStringLiteral("Report"));
  lv.SetSorted(true);
  lv.ListItems().Add(0, QStringLiteral("N7"), QStringLiteral("Beta"));
  const QString table = gDB().ParamTable();
  ASSERT_TRUE(QFile::rename(table, table + QStringLiteral(".away")));
  prompts->Expect(QStringLiteral("Unable to open: ") + table);
  gDB().LvLoadReports(lv, QString(), false, false);
  ASSERT_TRUE(QFile::rename(table + QStringLiteral(".away"), table));
  EXPECT_TRUE(lv.Sorted());
  lv.ListItems().Add(0, QStringLiteral("N8"), QStringLiteral("Alpha"));
  EXPECT_EQ(Keys(lv), (QStringList{"N8", "N7"}));
}

}  // namespace
