// The stores of report definitions, of the upgrade's row copies and of maintenance
// (exclusive use, re-index) against a temporary folder.

#include <QFile>

#include "database/store/Counters.h"
#include "database/store/Fields.h"
#include "database/store/Maintenance.h"
#include "database/store/Params.h"
#include "database/store/Reports.h"
#include "database/store/Transactions.h"
#include "database/store/Upgrade.h"
#include "platform/runtime/App.h"
#include "tests/database/DbTestSupport.h"
#include "tests/database/StoreTestSupport.h"

namespace {

using store::Failure;

// Copies program files into the folder, under the names given.
void CopyFromProgram(const QString& folder, std::initializer_list<std::pair<const char*, const char*>> files) {
  for (const auto& [from, to] : files) {
    const QString target = folder + QLatin1Char('/') + QLatin1String(to);
    QFile::remove(target);
    ASSERT_TRUE(QFile::copy(rt::App::Path() + QLatin1Char('/') + QLatin1String(from), target)) << to;
  }
}

class ReportStoreTest : public storetest::StoreTest {
 protected:
  void SetUp() override {
    CopyFromProgram(folder_, {{"svlrepcols.dbf", "svlrepcols.dbf"}, {"svlrepcols.cdx", "svlrepcols.cdx"}});
  }
  store::Reports reports{session_};
};

TEST_F(ReportStoreTest, DefinitionsAreFoundByIdAndAnEmptyOneIsNone) {
  ASSERT_TRUE(reports.Write(1500, QStringLiteral("1^Mine^1002^^")).ok());
  ASSERT_TRUE(store::Params(session_).Set(QStringLiteral("~1501"), QStringLiteral("  ")).ok());
  struct Case {
    int32_t id;
    Failure failure;
    QString text;
  } cases[] = {
      {1500, Failure::kNone, QStringLiteral("1^Mine^1002^^")},
      {1501, Failure::kNotFound, QString()},
      {1502, Failure::kNotFound, QString()},
  };
  for (const Case& c : cases) {
    SCOPED_TRACE(c.id);
    const store::Result<QString> r = reports.Read(c.id);
    EXPECT_EQ(r.status.failure, c.failure);
    EXPECT_EQ(r.value, c.text);
  }
  EXPECT_EQ(store::Params(session_).Get(store::Reports::Key(1500)).value, QStringLiteral("1^Mine^1002^^"));
  EXPECT_FALSE(reports.Read(1).value.isEmpty());  // a new database's own definition
}

TEST_F(ReportStoreTest, NewIdsComeFromTheCounterAndALockedCounterGivesNone) {
  const store::Result<int32_t> first = reports.NewId();
  ASSERT_TRUE(first.ok());
  EXPECT_EQ(first.value, store::Reports::kFirstId);
  EXPECT_EQ(reports.NewId().value, first.value + 1);
  dbtest::OtherUser other(PathOf("svlid.dbf"));
  ASSERT_TRUE(other.LockRow("TBLNAME", QLatin1String(store::Reports::kCounter)));
  EXPECT_EQ(reports.NewId().status.failure, Failure::kLocked);
  EXPECT_EQ(store::Counters(session_).Query(QLatin1String(store::Reports::kCounter)).value, first.value + 2);
}

TEST_F(ReportStoreTest, CatalogueRowsAreReadByIdAndSayWhyNot) {
  struct Case {
    int32_t id;
    Failure failure;
    QString name;
    QString customNameKey;
    bool canBeTotal;
    bool requiresStats;
    int32_t listType;
  } cases[] = {
      {1002, Failure::kNone, QStringLiteral("Part Number"), QStringLiteral("svlprod.dbf_partno"), false, false,
       0},
      {1016, Failure::kNone, {}, {}, true, true, 0},
      {2010, Failure::kNone, {}, {}, false, false, 7},
      {1030, Failure::kNotFound, {}, {}, false, false, -1},
  };
  for (const Case& c : cases) {
    SCOPED_TRACE(c.id);
    const store::Result<store::ReportColumn> r = reports.Column(c.id);
    EXPECT_EQ(r.status.failure, c.failure);
    if (!r.ok()) continue;
    EXPECT_EQ(r.value.id, c.id);
    EXPECT_EQ(r.value.reportType, c.id / 1000);
    if (!c.name.isEmpty()) {
      EXPECT_EQ(r.value.name, c.name);
      EXPECT_EQ(r.value.customNameKey, c.customNameKey);
    }
    EXPECT_EQ(r.value.canBeTotal, c.canBeTotal);
    EXPECT_EQ(r.value.requiresStats, c.requiresStats);
    if (c.listType > 0) {
      EXPECT_EQ(r.value.listType, c.listType);
    }
  }
  ASSERT_TRUE(QFile::remove(PathOf("svlrepcols.dbf")));
  EXPECT_EQ(reports.Column(1002).status.failure, Failure::kNotOpened);
}

class UpgradeStoreTest : public storetest::StoreTest {
 protected:
  DATA4* Open(const char* file) { return d4open(engine_.code, QFile::encodeName(PathOf(file)).constData()); }
  store::TranRow Added(int32_t id, const char* note) {
    store::TranRow r;
    r.prodId = id + 1;
    r.date = QStringLiteral("20260315");
    r.type = store::TranType::kReceive;
    r.units = rt::Currency::FromDouble(2.5);
    r.note = QString::fromUtf8(note);
    EXPECT_TRUE(store::Transactions(session_).Append(r, id).ok());
    return r;
  }
};

TEST_F(UpgradeStoreTest, ARowCopyFillsTheNewFieldsInTheOldTagsOrder) {
  constexpr store::FieldMap kNoSuchField[] = {{"rowid", "nosuch", store::From::kNumber}};
  const store::RowLayout badLayout{"rowid", kNoSuchField};
  struct Case {
    const char* name;
    const store::RowLayout& layout;
    int32_t stopAfter;  // 0: never
    Failure failure;
    bool complete;
    int rows;
  } cases[] = {
      {"whole", store::kTransactions3To4, 0, Failure::kNone, true, 2},
      {"stopped", store::kTransactions3To4, 1, Failure::kNone, false, 1},
      {"missing field", badLayout, 0, Failure::kError, false, 0},
  };
  Added(1001, "second");
  Added(1000, "Lieferung für Müller");
  for (const Case& c : cases) {
    SCOPED_TRACE(c.name);
    CopyFromProgram(folder_, {{"svltran.db_", "svltran_new.dbf"}, {"svltran.cd_", "svltran_new.cdx"},
                              {"svltran.fp_", "svltran_new.fpt"}});
    DATA4* from = Open("svltran.dbf");
    DATA4* to = Open("svltran_new.dbf");
    ASSERT_NE(from, nullptr);
    ASSERT_NE(to, nullptr);
    const store::Result<bool> copied = store::CopyRows(session_, c.layout, from, to, [&](int32_t n) {
      return n != c.stopAfter;
    });
    EXPECT_EQ(copied.status.failure, c.failure);
    EXPECT_EQ(copied.value, c.complete);
    if (c.failure == Failure::kError) {
      EXPECT_EQ(copied.status.code, e4fieldName);
    }
    EXPECT_EQ(d4recCountDo(to), c.rows);
    if (c.rows > 0) {
      const store::TranFields f(to);
      ASSERT_EQ(d4top(to), 0);
      EXPECT_EQ(store::Long32(f.rowid), 1000);
      EXPECT_EQ(store::Long32(f.prodid), 1001);
      EXPECT_EQ(store::Amount(f.units), rt::Currency::FromDouble(2.5));
      EXPECT_EQ(store::Memo(f.notes), QStringLiteral("Lieferung für Müller"));
    }
    d4close(from);
    d4close(to);
  }
}

TEST_F(UpgradeStoreTest, OldCountersMoveToTheirNewKeys) {
  const QString old = storetest::NewFolder();
  const store::Session oldSession = session_.At(old);
  ASSERT_TRUE(store::Counters(oldSession).Set(QStringLiteral("trans.dbf"), 5000).ok());
  ASSERT_TRUE(store::Counters(oldSession).Set(QStringLiteral("products.dbf"), 6000).ok());
  DATA4* from = d4open(engine_.code, QFile::encodeName(oldSession.PathOf(QStringLiteral("svlid.dbf"))).constData());
  DATA4* to = Open("svlid.dbf");
  ASSERT_NE(from, nullptr);
  ASSERT_NE(to, nullptr);
  EXPECT_TRUE(store::CopyOldestCounters(session_, from, to).ok());
  d4close(from);
  d4close(to);
  const store::Counters counters(session_);
  EXPECT_EQ(counters.Query(QStringLiteral("svltran.dbf")).value, 5000);
  EXPECT_EQ(counters.Query(QStringLiteral("svlprod.dbf")).value, 6000);
}

class MaintenanceStoreTest : public UpgradeStoreTest {};

TEST_F(MaintenanceStoreTest, TheSessionLockIsExclusiveOnlyWhileNoOtherCopyHoldsIt) {
  const QString lock = PathOf("svlid.dbf");
  CODE4* other = d4init_v();
  ASSERT_EQ(code4sessionLock(other, QFile::encodeName(lock).constData(), 0), 0);
  EXPECT_TRUE(store::HoldSession(session_, lock, false).ok());
  EXPECT_EQ(store::HoldSession(session_, lock, true).failure, Failure::kLocked);
  d4initUndo(other);
  EXPECT_TRUE(store::HoldSession(session_, lock, true).ok());
  EXPECT_TRUE(store::HoldSession(session_, lock, false).ok());
}

TEST_F(MaintenanceStoreTest, AReindexRebuildsAnIndexThatLostItsKeys) {
  Added(1000, "kept");
  CopyFromProgram(folder_, {{"svltran.cd_", "svltran.cdx"}});  // empty index beside the row
  const store::Transactions transactions(session_);
  ASSERT_EQ(transactions.Get(1000).status.failure, Failure::kNotFound);
  EXPECT_TRUE(store::Reindex(session_, PathOf("svltran.dbf")).ok());
  EXPECT_EQ(transactions.Get(1000).value.note, QStringLiteral("kept"));
  EXPECT_EQ(store::Reindex(session_, PathOf("nosuch.dbf")).failure, Failure::kNotOpened);
}

}  // namespace
