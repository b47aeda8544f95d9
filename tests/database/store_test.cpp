// The store layer on its own: sessions, field sets, counters and parameters against a
// temporary folder, with results that say why nothing was done.

#include <QDir>
#include <QFile>

#include "database/Schema.h"
#include "database/store/Counters.h"
#include "database/store/Fields.h"
#include "database/store/Params.h"
#include "platform/runtime/Error.h"
#include "tests/database/StoreTestSupport.h"

namespace {

using store::Failure;

class StoreSessionTest : public storetest::StoreTest {};

TEST_F(StoreSessionTest, FieldSetsNameTheSchemasFieldsAndResolveOnOpen) {
  struct Case {
    const char* table;
    std::vector<const char*> names;
    void (*resolve)(DATA4*);
  } cases[] = {
      {store::CounterFields::kTable, {store::CounterFields::kNames.begin(), store::CounterFields::kNames.end()},
       [](DATA4* tb) { (void)store::CounterFields(tb); }},
      {store::ParamFields::kTable, {store::ParamFields::kNames.begin(), store::ParamFields::kNames.end()},
       [](DATA4* tb) { (void)store::ParamFields(tb); }},
      {store::TranFields::kTable, {store::TranFields::kNames.begin(), store::TranFields::kNames.end()},
       [](DATA4* tb) { (void)store::TranFields(tb); }},
  };
  for (const Case& c : cases) {
    SCOPED_TRACE(c.table);
    const dbschema::Table* schema = dbschema::FindTable(c.table);
    ASSERT_NE(schema, nullptr);
    for (const char* name : c.names) EXPECT_NE(schema->FindField(name), nullptr) << name;
    store::Table tb(session_, nullptr, PathOf(c.table) + QStringLiteral(".dbf"));
    ASSERT_TRUE(tb.ok());
    EXPECT_NO_THROW(c.resolve(tb.get()));
  }
}

TEST_F(StoreSessionTest, ATableThatDoesNotOpenSaysWhichAndWhy) {
  const QString missing = PathOf("nosuch.dbf");
  store::Table tb(session_, nullptr, missing);
  EXPECT_FALSE(tb.ok());
  EXPECT_EQ(tb.failure().failure, Failure::kNotOpened);
  EXPECT_EQ(tb.failure().description, missing);
  EXPECT_LT(tb.failure().code, 0);
  EXPECT_EQ(engine_.lastResult, tb.failure().code);
}

TEST_F(StoreSessionTest, ASecondSessionWorksOnItsOwnFolderWithTheSameEngine) {
  const QString staging = storetest::NewFolder();
  const store::Session second = session_.At(staging);
  ASSERT_TRUE(store::Counters(second).Set(QStringLiteral("svlprod.dbf"), 4242).ok());
  EXPECT_EQ(store::Counters(second).Query(QStringLiteral("svlprod.dbf")).value, 4242);
  EXPECT_EQ(store::Counters(session_).Query(QStringLiteral("svlprod.dbf")).value, 1000);
  EXPECT_EQ(second.code(), session_.code());
}

class CounterStoreTest : public storetest::StoreTest {
 protected:
  store::Counters counters{session_};
};

TEST_F(CounterStoreTest, ResultsSayWhyNothingWasHandedOut) {
  struct Case {
    const char* name;
    QString key;
    bool increment;
    int32_t start;
    Failure failure;
    int32_t value;   // the value given, when it succeeds
    int32_t after;   // Query afterwards; 0 when there is no row
  } cases[] = {
      {"missing row is created", QStringLiteral("rptlastid"), false, 500, Failure::kNone, 500, 501},
      {"read without increment", QStringLiteral("rptlastid"), false, 500, Failure::kNone, 501, 501},
      {"increment", QStringLiteral("rptlastid"), true, 500, Failure::kNone, 501, 502},
      {"keys match whole", QStringLiteral("svlprod"), false, 7, Failure::kNone, 7, 8},
      {"empty key", QStringLiteral("  "), true, 1, Failure::kError, 0, 0},
  };
  for (const Case& c : cases) {
    SCOPED_TRACE(c.name);
    const store::Result<int32_t> r = counters.Next(c.key, c.increment, c.start);
    EXPECT_EQ(r.status.failure, c.failure);
    if (r.ok()) {
      EXPECT_EQ(r.value, c.value);
    }
    const store::Result<int32_t> q = counters.Query(c.key);
    EXPECT_EQ(q.ok() ? q.value : 0, c.after);
  }
  EXPECT_EQ(counters.Next(QString(), true, 1).status.code, rt::kErrInvalidCall);
  EXPECT_EQ(counters.Query(QStringLiteral("svlprod.dbf")).value, 1000);  // untouched by "svlprod"
}

TEST_F(CounterStoreTest, ARowAnotherUserHoldsIsLockedAndKeepsItsValue) {
  storetest::OtherUser other(PathOf("svlid.dbf"));
  ASSERT_TRUE(other.LockRow("TBLNAME", QStringLiteral("svltran.dbf"), false));
  EXPECT_EQ(counters.Next(QStringLiteral("svltran.dbf"), true, 1).status.failure, Failure::kLocked);
  EXPECT_EQ(counters.Set(QStringLiteral("svltran.dbf"), 1).failure, Failure::kLocked);
  EXPECT_EQ(counters.Query(QStringLiteral("svltran.dbf")).value, 1000);
}

TEST_F(CounterStoreTest, TheVersionRow) {
  EXPECT_EQ(counters.Version(PathOf("svlid.dbf")).value, dbschema::kDbVersion);
  ASSERT_TRUE(counters.SetVersion(7).ok());
  EXPECT_EQ(counters.Version(PathOf("svlid.dbf")).value, 7);
  const QString noVersion = storetest::NewFolder();
  const store::Session there = session_.At(noVersion);
  ASSERT_TRUE(store::Counters(there).Set(QStringLiteral("dbversion"), 0).ok());
  EXPECT_EQ(store::Counters(there).Version(there.PathOf(QStringLiteral("svlid.dbf"))).value, 0);
  EXPECT_EQ(counters.Version(PathOf("nosuch.dbf")).status.failure, Failure::kNotOpened);
}

class ParamStoreTest : public storetest::StoreTest {
 protected:
  store::Params params{session_};
};

TEST_F(ParamStoreTest, NamesAreFoundWholeWithoutRegardToCaseAndValuesKeepTheirText) {
  ASSERT_TRUE(params.Set(QStringLiteral("Colour"), QStringLiteral("  Café 5 € ")).ok());
  struct Case {
    QString sid;
    Failure failure;
    QString value;
  } cases[] = {
      {QStringLiteral("colour"), Failure::kNone, QStringLiteral("Café 5 €")},
      {QStringLiteral(" COLOUR "), Failure::kNone, QStringLiteral("Café 5 €")},
      {QStringLiteral("colou"), Failure::kNotFound, QString()},
      {QString(), Failure::kNotFound, QString()},
  };
  for (const Case& c : cases) {
    SCOPED_TRACE(c.sid.toStdString());
    const store::Result<QString> r = params.Get(c.sid);
    EXPECT_EQ(r.status.failure, c.failure);
    EXPECT_EQ(r.value, c.value);
  }
}

TEST_F(ParamStoreTest, SetUpdatesTheOneRowAndDeleteRemovesIt) {
  ASSERT_TRUE(params.Set(QStringLiteral("size"), QStringLiteral("1")).ok());
  ASSERT_TRUE(params.Set(QStringLiteral("SIZE"), QStringLiteral("2")).ok());
  EXPECT_EQ(params.Get(QStringLiteral("size")).value, QStringLiteral("2"));
  EXPECT_TRUE(params.Delete(QStringLiteral("size")).ok());
  EXPECT_EQ(params.Get(QStringLiteral("size")).status.failure, Failure::kNotFound);
  EXPECT_EQ(params.Delete(QStringLiteral("size")).failure, Failure::kNotFound);
  EXPECT_EQ(params.Set(QStringLiteral(" "), QStringLiteral("x")).code, rt::kErrInvalidCall);
}

TEST_F(ParamStoreTest, ARowAnotherUserHoldsIsLeftAsItWas) {
  ASSERT_TRUE(params.Set(QStringLiteral("size"), QStringLiteral("1")).ok());
  storetest::OtherUser other(PathOf("svlparam.dbf"));
  ASSERT_TRUE(other.LockRow("sid", QStringLiteral("size"), true));
  EXPECT_EQ(params.Set(QStringLiteral("size"), QStringLiteral("2")).failure, Failure::kLocked);
  EXPECT_EQ(params.Delete(QStringLiteral("size")).failure, Failure::kLocked);
  EXPECT_EQ(params.Get(QStringLiteral("size")).value, QStringLiteral("1"));
}

}  // namespace
