// The store layer on its own: sessions, field sets, counters, parameters,
// transactions and stock figures against a temporary folder, with results that say
// why nothing was done.

#include <QDir>
#include <QFile>
#include <bit>
#include <functional>
#include <cstring>
#include <string>
#include <map>
#include <set>
#include <tuple>
#include <type_traits>
#include <variant>

#include "database/Schema.h"
#include "database/store/Categories.h"
#include "database/store/Counters.h"
#include "database/store/Fields.h"
#include "database/store/Lists.h"
#include "database/store/Params.h"
#include "database/store/Products.h"
#include "database/store/Records.h"
#include "database/store/Scans.h"
#include "database/store/Stock.h"
#include "database/store/Transactions.h"
#include "platform/runtime/Error.h"
#include "platform/xbase/DbfHeader.h"
#include "platform/xbase/EngineState.h"
#include "tests/database/DbTestSupport.h"
#include "tests/database/StoreTestSupport.h"
#include "tests/platform/xbase/DecimalCommas.h"

namespace {

using store::Failure;

class StoreSessionTest : public storetest::StoreTest {};

struct FieldSetCase {
  const char* table;
  std::vector<const char*> names;
  void (*resolve)(DATA4*);
};
template <class Fields>
FieldSetCase FieldSet() {
  return {Fields::kTable, {Fields::kNames.begin(), Fields::kNames.end()}, [](DATA4* tb) { (void)Fields(tb); }};
}

TEST_F(StoreSessionTest, FieldSetsNameTheSchemasFieldsAndResolveOnOpen) {
  const FieldSetCase cases[] = {FieldSet<store::CounterFields>(), FieldSet<store::ParamFields>(),
                                FieldSet<store::TranFields>(), FieldSet<store::ProductFields>(),
                                FieldSet<store::CategoryFields>()};
  for (const FieldSetCase& c : cases) {
    SCOPED_TRACE(c.table);
    const dbschema::Table* schema = dbschema::FindTable(c.table);
    ASSERT_NE(schema, nullptr);
    for (const char* name : c.names) EXPECT_NE(schema->FindField(name), nullptr) << name;
    store::Table tb(session_, nullptr, PathOf(c.table) + QStringLiteral(".dbf"));
    ASSERT_TRUE(tb.ok());
    EXPECT_NO_THROW(c.resolve(tb.get()));
  }
}

// An amount field reads as the currency its number converts to, whatever its text:
// plain decimals, blanks, signs, more decimals than four, long and odd texts, a comma
// in the decimal point's place or elsewhere.
TEST_F(StoreSessionTest, AmountsReadAsTheCurrencyOfTheirNumber) {
  store::Table tb(session_, nullptr, PathOf("svltran.dbf"));
  ASSERT_TRUE(tb.ok());
  FIELD4* units = store::TranFields(tb.get()).units;
  const int len = f4len_v(units);
  const char* texts[] = {"12.3400", "-0.0001", "0", "-0.0000", "", "-", ".", "  .5", "1234567890.1234",
                         "99999999999999", "999999999999999", "123456789012.3456", "1.23456", "0.00005",
                         "-12.5", "7.", "1.2.3", "1e5", "+5", "12 3", "*****", "00000000000000012.5",
                         "900719925474.099", "900719925474.1", "-0.1", "0.3", "123.45", "-00.0500", "0.",
                         "-.", "12.3400 ", "1234567890123456", "00000000000000000001", "12,3400", "-0,0001",
                         "1,234.5", "1,234,5678", "123456789012,3456", "12,34"};
  for (const char* text : texts) {
    std::string bytes(text);
    ASSERT_LE(bytes.size(), static_cast<size_t>(len));
    bytes.insert(0, static_cast<size_t>(len) - bytes.size(), ' ');
    std::memcpy(f4ptr(units), bytes.data(), bytes.size());
    rt::Currency expected;
    bool raised = false;
    try {
      expected = rt::Currency::FromDouble(f4double(units));
    } catch (...) {
      raised = true;
    }
    rt::Currency amount;
    if (raised) {
      EXPECT_ANY_THROW(store::Amount(units)) << text;
      EXPECT_ANY_THROW(store::NumberAndAmount(units, &amount)) << text;
    } else {
      EXPECT_EQ(store::Amount(units).Raw(), expected.Raw()) << text;
      // Read once for both, the number is f4double's to the bit (-0 included).
      EXPECT_EQ(std::bit_cast<uint64_t>(store::NumberAndAmount(units, &amount)), std::bit_cast<uint64_t>(f4double(units)))
          << text;
      EXPECT_EQ(amount.Raw(), expected.Raw()) << text;
    }
  }
}

// A memo reference names a block unless it is blank or zero, wherever its digits stand.
TEST_F(StoreSessionTest, MemoReferenceNamesABlockUnlessBlankOrZero) {
  store::Table tb(session_, nullptr, PathOf("svltran.dbf"));
  ASSERT_TRUE(tb.ok());
  FIELD4* notes = store::TranFields(tb.get()).notes;
  ASSERT_EQ(f4len_v(notes), 10);
  const std::pair<std::string, bool> cases[] = {
      {"          ", false}, {"0000000000", false}, {"        00", false}, {std::string(10, '\0'), false},
      {"         7", true},  {"        10", true},   {"1         ", true},  {"       5  ", true},
  };
  for (const auto& [bytes, block] : cases) {
    std::memcpy(f4ptr(notes), bytes.data(), bytes.size());
    EXPECT_EQ(store::HasMemo(notes), block) << bytes;
  }
}

// A trimmed text is the padded text trimmed: code page bytes that are white space
// (tab, no-break space) go, others (0x85 is an ellipsis here) stay.
TEST_F(StoreSessionTest, TrimmedTextsAreThePaddedTextTrimmed) {
  store::Table tb(session_, nullptr, PathOf("svlprod.dbf"));
  ASSERT_TRUE(tb.ok());
  FIELD4* partno = store::ProductFields(tb.get()).partno;
  const int len = f4len_v(partno);
  const char* texts[] = {"", "abc", "  a b  ", "\tx\r\n", "\xA0x\xA0", "\x85x\x85", "\x1Fx\x1F", "\x0B\x0C"};
  for (const char* text : texts) {
    std::string bytes(text);
    bytes.resize(static_cast<size_t>(len), ' ');
    std::memcpy(f4ptr(partno), bytes.data(), bytes.size());
    const QString trimmed = store::TrimmedText(partno);
    EXPECT_EQ(trimmed, store::Text(partno).trimmed()) << text;
    EXPECT_FALSE(trimmed.isNull()) << text;
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

// What the handle opened closes once, wherever it was moved; a borrowed table stays
// open; a released engine's tables are not closed again.
TEST_F(StoreSessionTest, ATableHandleClosesWhatItOpenedOnce) {
  const std::set<DATA4*>& open = engine_.code->tables;
  const size_t before = open.size();
  {
    store::Table first = store::Table::Open(engine_, PathOf("svltran.dbf"));
    ASSERT_TRUE(first.ok());
    store::Table held(std::move(first));
    EXPECT_FALSE(first.ok());
    store::Table borrowed(session_, held.get(), "svltran.dbf");
    EXPECT_EQ(borrowed.get(), held.get());
    borrowed = store::Table();
    EXPECT_EQ(open.size(), before + 1);
    held = store::Table::Open(engine_, PathOf("svlprod.dbf"));
    EXPECT_EQ(open.size(), before + 1);
    EXPECT_EQ(engine_.lastResult, 0);
  }
  EXPECT_EQ(open.size(), before);
  store::Engine other{d4init_v()};
  store::Table outlived = store::Table::Open(other, PathOf("svlprod.dbf"));
  ASSERT_TRUE(outlived.ok());
  d4initUndo(other.code);
  other.code = nullptr;
}

TEST_F(StoreSessionTest, ASecondSessionWorksOnItsOwnFolderWithTheSameEngine) {
  const QString staging = storetest::NewFolder();
  const store::Session second = session_.At(staging);
  ASSERT_TRUE(store::Counters(second).Set(QStringLiteral("svlprod.dbf"), 4242).ok());
  EXPECT_EQ(store::Counters(second).Query(QStringLiteral("svlprod.dbf")).value, 4242);
  EXPECT_EQ(store::Counters(session_).Query(QStringLiteral("svlprod.dbf")).value, 1000);
  EXPECT_EQ(second.code(), session_.code());
}

TEST_F(StoreSessionTest, AStoreMadeOnATemporarySessionKeepsItsOwnCopy) {
  const store::Counters counters(session_.At(folder_));
  const store::Products products(session_.At(folder_));
  EXPECT_EQ(counters.Query(QStringLiteral("svlprod.dbf")).value, 1000);
  EXPECT_EQ(products.IdByPartNo(QStringLiteral("none")).status.failure, Failure::kNotFound);
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
  dbtest::OtherUser other(PathOf("svlid.dbf"));
  ASSERT_TRUE(other.LockRow("TBLNAME", QStringLiteral("svltran.dbf")));
  EXPECT_EQ(counters.Next(QStringLiteral("svltran.dbf"), true, 1).status.failure, Failure::kLocked);
  EXPECT_EQ(counters.Set(QStringLiteral("svltran.dbf"), 1).failure, Failure::kLocked);
  EXPECT_EQ(counters.Query(QStringLiteral("svltran.dbf")).value, 1000);
}

// A counters table the caller keeps open stays on the row it used; what other users did
// to that row meanwhile counts, as it does for a fresh handle.
TEST_F(CounterStoreTest, AnOpenTableSeesWhatOthersDidToItsRow) {
  const QString key = QStringLiteral("svltran.dbf");
  struct Case {
    const char* name;
    void (*other)(const store::Counters& fresh, const QString& key, const QString& table);
    int32_t expected;  // the next value the open table gives
  } cases[] = {
      {"nothing", [](const store::Counters&, const QString&, const QString&) {}, 1002},
      {"value set by another user", [](const store::Counters& fresh, const QString& k, const QString&) { ASSERT_TRUE(fresh.Set(k, 7000).ok()); }, 7000},
      {"ids taken by another user",
       [](const store::Counters& fresh, const QString& k, const QString&) {
         for (int i = 0; i < 3; ++i) ASSERT_TRUE(fresh.Next(k, true, 1).ok());
       },
       7004},
      {"row deleted and made anew elsewhere",
       [](const store::Counters& fresh, const QString& k, const QString& table) {
         ASSERT_TRUE(dbtest::OtherUser(table).ChangeRow("TBLNAME", k, d4delete));
         ASSERT_TRUE(fresh.Set(k, 9000).ok());
       },
       9000},
  };
  store::Table open(session_, nullptr, PathOf("svlid.dbf"));
  ASSERT_TRUE(open.ok());
  ASSERT_EQ(counters.Next(key, true, 1, open.get()).value, 1000);
  ASSERT_EQ(counters.Next(key, true, 1, open.get()).value, 1001);
  for (const Case& c : cases) {
    SCOPED_TRACE(c.name);
    c.other(counters, key, PathOf("svlid.dbf"));
    const store::Result<int32_t> next = counters.Next(key, true, 1, open.get());
    ASSERT_TRUE(next.ok());
    EXPECT_EQ(next.value, c.expected);
    EXPECT_EQ(counters.Query(key).value, c.expected + 1);
  }
  // No lock is left on the open table: another user can take the row.
  dbtest::OtherUser other(PathOf("svlid.dbf"));
  EXPECT_TRUE(other.LockRow("TBLNAME", key));
  EXPECT_EQ(counters.Next(key, true, 1, open.get()).status.failure, Failure::kLocked);
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
  dbtest::OtherUser other(PathOf("svlparam.dbf"));
  ASSERT_TRUE(other.LockRow("sid", QStringLiteral("SIZE")));
  EXPECT_EQ(params.Set(QStringLiteral("size"), QStringLiteral("2")).failure, Failure::kLocked);
  EXPECT_EQ(params.Delete(QStringLiteral("size")).failure, Failure::kLocked);
  EXPECT_EQ(params.Get(QStringLiteral("size")).value, QStringLiteral("1"));
}

}  // namespace

namespace {

class TranStoreTest : public storetest::StoreTest {
 protected:
  store::TranRow Row(int32_t prodId, store::TranType type, int units, int price) {
    store::TranRow r;
    r.prodId = prodId;
    r.date = QStringLiteral("20260315");
    r.type = type;
    r.units = rt::Currency(units);
    r.unitPrice = rt::Currency(price);
    r.note = QStringLiteral("Lieferung für Müller");
    r.catId = 1001;
    r.acctId = 1002;
    return r;
  }
  store::TranRow Added(store::TranRow r) {
    const int32_t id = store::Counters(session_).Next(QStringLiteral("svltran.dbf"), true, 1000).value;
    EXPECT_TRUE(transactions.Append(r, id).ok());
    return r;
  }
  // Another user's lock of the row `id`.
  static void HoldRow(const dbtest::OtherUser& user, int32_t id) {
    d4tagSelect(user.table(), d4tag(user.table(), "rowid"));
    ASSERT_EQ(d4seekDouble(user.table(), id), 0);
    ASSERT_EQ(d4lock(user.table(), d4recNo(user.table())), 0);
  }
  store::Transactions transactions{session_};
  store::Stock stock{session_};
};

TEST_F(TranStoreTest, ARowReadsBackAsWritten) {
  const store::TranRow a = Added(Row(7, store::TranType::kShip, 3, 12));
  ASSERT_EQ(a.id, 1000);
  store::TranRow changed = a;
  changed.units = rt::Currency::FromDouble(2.5);
  changed.note = QStringLiteral("  kept  ");
  ASSERT_TRUE(transactions.Update(changed).ok());
  struct Case {
    int32_t id;
    Failure failure;
  } cases[] = {{a.id, Failure::kNone}, {a.id + 1, Failure::kNotFound}, {-1, Failure::kNotFound}};
  for (const Case& c : cases) {
    SCOPED_TRACE(c.id);
    const store::Result<store::TranRow> r = transactions.Get(c.id);
    EXPECT_EQ(r.status.failure, c.failure);
    if (!r.ok()) continue;
    const store::TranRow& v = r.value;
    EXPECT_EQ(std::tie(v.prodId, v.date, v.type, v.units, v.unitPrice, v.note, v.catId, v.acctId),
              std::make_tuple(7, QStringLiteral("20260315"), store::TranType::kShip, rt::Currency::FromDouble(2.5),
                              rt::Currency(12), QStringLiteral("  kept  "), 1001, 1002));
  }
  store::TranRow missing = a;
  missing.id = 4711;
  EXPECT_EQ(transactions.Update(missing).failure, Failure::kNotFound);
  EXPECT_TRUE(transactions.ProductHasTransactions(7).value);
  EXPECT_FALSE(transactions.ProductHasTransactions(8).value);
}

TEST_F(TranStoreTest, ARowAnotherUserHoldsKeepsItsFields) {
  const store::TranRow a = Added(Row(7, store::TranType::kReceive, 3, 12));
  DATA4* tb = d4open(engine_.code, QFile::encodeName(PathOf("svltran.dbf")).constData());
  ASSERT_NE(tb, nullptr);
  {
    d4tagSelect(tb, d4tag(tb, "rowid"));
    dbtest::OtherUser user(PathOf("svltran.dbf"));  // the row's lock, through its own engine
    ASSERT_NO_FATAL_FAILURE(HoldRow(user, a.id));
    store::TranRow changed = a;
    changed.units = rt::Currency(99);
    EXPECT_EQ(transactions.Update(changed, tb).failure, Failure::kLocked);
  }
  d4close(tb);
  EXPECT_EQ(transactions.Get(a.id).value.units, rt::Currency(3));
}

TEST_F(TranStoreTest, AProductsRowsAreDeletedUpToOneAnotherUserHolds) {
  const store::TranRow a = Added(Row(7, store::TranType::kReceive, 1, 1));
  const store::TranRow b = Added(Row(7, store::TranType::kShip, 1, 1));
  const store::TranRow other = Added(Row(8, store::TranType::kReceive, 1, 1));
  {
    dbtest::OtherUser user(PathOf("svltran.dbf"));
    ASSERT_NO_FATAL_FAILURE(HoldRow(user, b.id));
    EXPECT_EQ(transactions.DeleteOfProduct(7).failure, Failure::kLocked);
  }
  EXPECT_EQ(transactions.Get(a.id).status.failure, Failure::kNotFound);
  EXPECT_TRUE(transactions.Get(b.id).ok());
  ASSERT_TRUE(transactions.DeleteOfProduct(7).ok());
  EXPECT_FALSE(transactions.ProductHasTransactions(7).value);
  EXPECT_TRUE(transactions.Get(other.id).ok());
  EXPECT_TRUE(transactions.DeleteOfProduct(7).ok());  // none left
}

TEST_F(TranStoreTest, TheWalkOfOneProductAndThePassOverAllGiveTheSameFigures) {
  using store::TranType;
  Added(Row(7, TranType::kReceive, 10, 4));
  Added(Row(7, TranType::kReceive, 10, 6));
  Added(Row(7, TranType::kShip, 4, 9));
  Added(Row(7, TranType::kAllocate, 2, 0));
  Added(Row(7, TranType::kOnOrder, 5, 3));
  Added(Row(7, TranType::kShrinkage, 1, 0));
  Added(Row(8, TranType::kReceive, 1, 1));
  std::unordered_map<int32_t, clsProductStats> all;
  std::unordered_set<int32_t> failed;
  ASSERT_TRUE(stock.AllProductStats(all, failed).ok());
  ASSERT_EQ(all.size(), 2u);
  clsProductStats one;
  one.Init(7);
  ASSERT_TRUE(stock.ProductStats(one).ok());
  const clsProductStats& same = all.at(7);
  struct Case {
    const char* figure;
    rt::Currency walked, passed, expected;
  } cases[] = {
      {"physical", one.m_curNumUnitsInStock_Physical, same.m_curNumUnitsInStock_Physical, rt::Currency(15)},
      {"allocated", one.m_curNumUnitsAllocated, same.m_curNumUnitsAllocated, rt::Currency(2)},
      {"available", one.m_curNumUnitsInStock_Available, same.m_curNumUnitsInStock_Available, rt::Currency(13)},
      {"on order", one.m_curNumUnitsOnOrder, same.m_curNumUnitsOnOrder, rt::Currency(5)},
      {"on order cost", one.m_curOnOrderCostActual, same.m_curOnOrderCostActual, rt::Currency(15)},
      // 100 received at cost, 1 shrunk: 100 / 19.
      {"average cost", one.m_curAvgCostPerUnit, same.m_curAvgCostPerUnit, rt::Currency::FromDouble(100.0 / 19)},
      {"average price", one.m_curAvgPricePerUnit, same.m_curAvgPricePerUnit, rt::Currency(9)},
  };
  for (const Case& c : cases) {
    SCOPED_TRACE(c.figure);
    EXPECT_EQ(c.walked, c.expected);
    EXPECT_EQ(c.passed, c.expected);
  }
  EXPECT_TRUE(stock.ProductHasTranType(7, store::Code(TranType::kShrinkage)).value);
  EXPECT_FALSE(stock.ProductHasTranType(8, store::Code(TranType::kShip)).value);
}

}  // namespace

namespace {

class ListStoreTest : public storetest::StoreTest {
 protected:
  void Append(const char* file, std::initializer_list<std::pair<const char*, QString>> fields) {
    DATA4* tb = d4open(engine_.code, QFile::encodeName(PathOf(file)).constData());
    ASSERT_NE(tb, nullptr);
    ASSERT_EQ(d4appendStartVB(tb, 0), 0);
    ASSERT_EQ(d4blank(tb), 0);
    for (const auto& [name, value] : fields) {
      FIELD4* f = d4field(tb, name);
      ASSERT_NE(f, nullptr) << name;
      ASSERT_EQ(store::AssignText(f, value), 0);
    }
    ASSERT_EQ(d4append(tb), 0);
    d4close(tb);
  }
  void Category(int id, const char* desc, store::ListType type) {
    Append("svlcat.dbf", {{"rowid", QString::number(id)}, {"desc", QLatin1String(desc)},
                          {"type", QString::number(store::Code(type))}});
  }
  void Product(int id, const char* partNo, const char* name, bool hidden) {
    Append("svlprod.dbf", {{"rowid", QString::number(id)}, {"partno", QLatin1String(partNo)},
                           {"prodname", QLatin1String(name)}, {"hide", hidden ? QStringLiteral("T") : QStringLiteral("F")}});
  }
  template <typename Row>
  static std::vector<int32_t> Ids(const std::vector<Row>& rows) {
    std::vector<int32_t> ids;
    for (const auto& r : rows) ids.push_back(r.id);
    return ids;
  }
};

TEST_F(ListStoreTest, ListRowsComeInTextOrderFilteredByType) {
  using store::ListType;
  Category(1001, "Zinc", ListType::kVendor);
  Category(1002, "alpha", ListType::kVendor);
  Category(1003, "Beta", ListType::kLocation);
  struct Case {
    const char* name;
    QString typeField;
    ListType type;
    std::vector<int32_t> ids;
  } cases[] = {
      {"vendors", QStringLiteral("type"), ListType::kVendor, {1002, 1001}},
      {"locations", QStringLiteral("type"), ListType::kLocation, {1003}},
      {"groups", QStringLiteral("type"), ListType::kProductGroup, {}},
      {"every list", QString(), ListType::kVendor, {1002, 1003, 1001}},
  };
  for (const Case& c : cases) {
    SCOPED_TRACE(c.name);
    std::vector<store::ListRow> rows;
    ASSERT_TRUE(store::ReadList(session_, nullptr, PathOf("svlcat.dbf"), QStringLiteral("rowid"), QStringLiteral("desc"),
                                c.typeField, store::Code(c.type), rows)
                    .ok());
    EXPECT_EQ(Ids(rows), c.ids);
  }
  std::vector<store::ListRow> rows;
  const store::Status bad = store::ReadList(session_, nullptr, PathOf("svlcat.dbf"), QStringLiteral("rowid"),
                                            QStringLiteral("nosuch"), QString(), 0, rows);
  EXPECT_EQ(bad.failure, Failure::kError);
}

TEST_F(ListStoreTest, ProductListsLeaveHiddenProductsOut) {
  Product(1001, "B-2", "apple", false);
  Product(1002, "A-1", "cherry", false);
  Product(1003, "A-3", "banana", true);
  Product(1004, "AB-4", "avocado", false);
  using store::SearchType;
  struct Case {
    const char* name;
    SearchType by;
    const char* prefix;  // null: the whole list
    std::vector<int32_t> ids;
  } cases[] = {
      {"by part number", SearchType::kPartNo, nullptr, {1002, 1004, 1001}},
      {"by name", SearchType::kName, nullptr, {1001, 1004, 1002}},
      {"part numbers beginning a", SearchType::kPartNo, " a", {1002, 1004}},
      {"names beginning A", SearchType::kName, "A", {1001, 1004}},
      {"empty search", SearchType::kName, "  ", {}},
  };
  for (const Case& c : cases) {
    SCOPED_TRACE(c.name);
    std::vector<store::ProductListRow> rows;
    const store::Status st = c.prefix == nullptr
                                 ? store::ReadProducts(session_, nullptr, c.by, rows)
                                 : store::SearchProducts(session_, nullptr, c.by, QLatin1String(c.prefix), rows);
    ASSERT_TRUE(st.ok());
    EXPECT_EQ(Ids(rows), c.ids);
    if (c.prefix != nullptr) continue;
    // The pass over whole records gives the same products, and stops when told to.
    for (const size_t wanted : {c.ids.size(), size_t{1}}) {
      std::vector<int32_t> walked;
      ASSERT_TRUE(store::Products(session_)
                      .ForEachVisible(c.by, [&](int32_t id, const store::ProductRecord& r) {
                        EXPECT_FALSE(r.hidden);
                        walked.push_back(id);
                        return walked.size() < wanted;
                      })
                      .ok());
      EXPECT_EQ(walked, std::vector<int32_t>(c.ids.begin(), c.ids.begin() + static_cast<ptrdiff_t>(wanted)));
    }
    // So does the scan the report grids read.
    store::Table tb(session_, nullptr, PathOf("svlprod.dbf"));
    ASSERT_TRUE(tb.ok());
    store::ProductScan scan(session_, tb.get());
    std::vector<int32_t> scanned;
    for (bool more = scan.FirstVisible(c.by); more; more = scan.NextVisible()) scanned.push_back(scan.row().Id());
    EXPECT_EQ(scanned, c.ids);
    ASSERT_TRUE(scan.Find(1003));  // hidden ones are found by id
    EXPECT_EQ(scan.row().PartNo(), QStringLiteral("A-3"));
    EXPECT_FALSE(scan.Find(1999));
  }
}

// The transactions a grid selects: a product's or a type's on their tags, or every
// row in record order without the deleted ones; one by its id.
TEST_F(ListStoreTest, TranScansSelectByKeyOrTakeEveryLiveRow) {
  const char* notes[] = {"", "  late  ", "", ""};
  for (int i = 0; i < 4; ++i) {
    Append("svltran.dbf", {{"rowid", QString::number(2001 + i)}, {"prodid", QString::number(i % 2 == 0 ? 7 : 8)},
                           {"trantype", QString::number(i + 1)}, {"trandate", QStringLiteral("2026031%1").arg(i)},
                           {"units", QStringLiteral("2.5")}, {"notes", QLatin1String(notes[i])}});
  }
  store::Table tb(session_, nullptr, PathOf("svltran.dbf"));
  ASSERT_TRUE(tb.ok());
  ASSERT_EQ(d4go(tb.get(), 3), 0);
  ASSERT_EQ(d4delete(tb.get()), 0);
  ASSERT_EQ(d4flush(tb.get()), 0);
  store::TranScan scan(session_, tb.get());
  const store::TranView& row = scan.row();
  const auto walk = [&](bool more) {
    std::vector<int32_t> ids;
    for (; more; more = scan.Next()) ids.push_back(row.Id());
    return ids;
  };
  EXPECT_EQ(walk(scan.All()), std::vector<int32_t>({2001, 2002, 2004}));
  EXPECT_EQ(walk(scan.OfProduct(7)), std::vector<int32_t>({2001}));
  EXPECT_EQ(walk(scan.OfProduct(8)), std::vector<int32_t>({2002, 2004}));
  EXPECT_EQ(walk(scan.OfType(2)), std::vector<int32_t>({2002}));
  EXPECT_EQ(walk(scan.OfType(5)), std::vector<int32_t>());
  // By the number on the tag: the walk ends at the first row of another number.
  using By = store::TranScan::ByNumber;
  const struct {
    By by;
    int32_t value;
    std::vector<int32_t> ids;
  } numbers[] = {{By::kProduct, 7, {2001}}, {By::kProduct, 8, {2002, 2004}}, {By::kType, 3, {}}, {By::kType, 5, {}}};
  for (const auto& c : numbers) {
    SCOPED_TRACE(c.value);
    EXPECT_EQ(walk(scan.FirstWithNumber(c.by, c.value)), c.ids);
  }
  EXPECT_EQ(scan.RecordCount(), 4);
  ASSERT_TRUE(scan.Find(2002));
  EXPECT_EQ(row.ProdId(), 8);
  EXPECT_EQ(row.Type(), 2);
  EXPECT_EQ(row.Units(), 2.5);
  EXPECT_EQ(row.UnitsAmount(), rt::Currency::FromRaw(25000));
  EXPECT_EQ(row.Date(), QStringLiteral("20260311"));
  EXPECT_TRUE(row.HasNotes());
  EXPECT_EQ(row.Notes(), QStringLiteral("late"));
  EXPECT_EQ(store::TranView::DateText(row.DateKey()), QStringLiteral("20260311"));
  ASSERT_TRUE(scan.Find(2001));
  EXPECT_FALSE(row.HasNotes());
  EXPECT_FALSE(scan.Find(1));
  // A walk of every row reads ahead while it lasts; the caller's table is left as it was.
  {
    store::TranScan all(session_, tb.get());
    ASSERT_TRUE(all.All());
    EXPECT_EQ(d4readAhead(tb.get(), 1), 1);
  }
  EXPECT_EQ(d4readAhead(tb.get(), 0), 0);
}

TEST_F(ListStoreTest, ReportDefinitionsAreTheNumberedParameters) {
  store::Params params(session_);
  ASSERT_TRUE(params.Set(QStringLiteral("~7"), QStringLiteral("1^Seven")).ok());
  ASSERT_TRUE(params.Set(QStringLiteral("~150"), QStringLiteral(" 2^Mine ")).ok());
  ASSERT_TRUE(params.Set(QStringLiteral("~x1"), QStringLiteral("1^Not one")).ok());
  ASSERT_TRUE(params.Set(QStringLiteral("~"), QStringLiteral("1^Not one either")).ok());
  for (const bool userOnly : {false, true}) {
    SCOPED_TRACE(userOnly);
    std::vector<store::ReportDefRow> rows;
    ASSERT_TRUE(store::ReadReportDefs(session_, nullptr, userOnly, rows).ok());
    // The new database's own definitions (~1, ~2, ~101 .. ~105) come with them.
    std::map<int32_t, QString> byId;
    for (const auto& r : rows) byId[r.id] = r.buffer;
    EXPECT_EQ(byId.count(7), userOnly ? 0u : 1u);
    EXPECT_EQ(byId.count(1), userOnly ? 0u : 1u);
    EXPECT_EQ(byId.count(101), 1u);
    EXPECT_EQ(byId[150], QStringLiteral("2^Mine"));
    EXPECT_EQ(rows.size(), userOnly ? 6u : 9u);
    EXPECT_EQ(rows.front().id, userOnly ? 101 : 1);  // name order: "~1", "~101", ..., "~150", "~2"
  }
}

}  // namespace

namespace {

class CategoryStoreTest : public storetest::StoreTest {
 protected:
  int32_t Add(const QString& desc, store::ListType type) {
    const int32_t id = store::Counters(session_).Next(QLatin1String(store::Categories::kCounter), true, 1000).value;
    EXPECT_TRUE(categories.Add(desc, type, id).ok());
    return id;
  }
  store::Categories categories{session_};
};

TEST_F(CategoryStoreTest, AnEntryIsFoundByItsWholeTextInItsOwnList) {
  using store::ListType;
  const int32_t tools = Add(QStringLiteral("Tools"), ListType::kProductGroup);
  const int32_t toolsVendor = Add(QStringLiteral("Tools"), ListType::kVendor);
  const int32_t eclair = Add(QStringLiteral("éclair"), ListType::kManufacturer);
  struct Case {
    QString desc;
    ListType type;
    int32_t id;  // -1: not found
  } cases[] = {
      {QStringLiteral("Tools"), ListType::kProductGroup, tools},
      {QStringLiteral(" TOOLS "), ListType::kVendor, toolsVendor},
      {QStringLiteral("Tool"), ListType::kProductGroup, -1},
      {QStringLiteral("Tools"), ListType::kLocation, -1},
      {QStringLiteral("ÉCLAIR"), ListType::kManufacturer, eclair},
      {QString(), ListType::kProductGroup, -1},
  };
  for (const Case& c : cases) {
    SCOPED_TRACE(c.desc.toStdString());
    const store::Result<int32_t> r = categories.FindId(c.desc, c.type);
    EXPECT_EQ(r.ok() ? r.value : -1, c.id);
    EXPECT_EQ(r.status.failure, c.id < 0 ? Failure::kNotFound : Failure::kNone);
  }
  EXPECT_EQ(categories.TypeOf(toolsVendor).value, ListType::kVendor);
  EXPECT_EQ(categories.Text(eclair).value, QStringLiteral("éclair"));
  EXPECT_EQ(categories.TypeOf(4711).status.failure, Failure::kNotFound);
  EXPECT_EQ(categories.Text(4711).status.failure, Failure::kNotFound);
}

}  // namespace

namespace {

class ProductStoreTest : public ListStoreTest {
 protected:
  store::Products products{session_};
};

TEST_F(ProductStoreTest, RowsAreFoundByIdAndByTheWholePartNumberInAnyCase) {
  Product(1001, "ab-1", "Widget", false);
  Product(1002, "AB-10", "Gadget", true);
  struct Case {
    const char* partNo;
    int32_t except;
    int32_t id;   // IdByPartNo; -1: none
    bool taken;   // PartNoTaken
  } cases[] = {
      {"AB-1", 0, 1001, true},     {" ab-10 ", 0, 1002, true},  // hidden products count
      {"AB", 0, -1, false},        {"AB-1", 1001, 1001, false},  // its own part number
      {"", 0, -1, false},
  };
  for (const Case& c : cases) {
    SCOPED_TRACE(c.partNo);
    const store::Result<int32_t> id = products.IdByPartNo(QLatin1String(c.partNo));
    EXPECT_EQ(id.ok() ? id.value : -1, c.id);
    EXPECT_EQ(products.PartNoTaken(QLatin1String(c.partNo), c.except).value, c.taken);
  }
  EXPECT_EQ(products.Name(1002).value.name, QStringLiteral("Gadget"));
  EXPECT_EQ(products.Name(1002).value.partNo, QStringLiteral("AB-10"));
  EXPECT_EQ(products.Name(4711).status.failure, Failure::kNotFound);
}

TEST_F(ProductStoreTest, ARecordReadsBackAsWrittenAndALockedRowKeepsIt) {
  store::ProductRecord r;
  r.partNo = QStringLiteral("Ä-1");
  r.name = QStringLiteral("Grüne Schraube");
  r.location = 1001;
  r.group = 1002;
  r.manuf = 1003;
  r.vendor = 1004;
  r.hidden = true;
  r.reorderLevel = rt::Currency(5);
  r.reorderQty = rt::Currency::FromDouble(2.5);
  r.stdCost = rt::Currency::FromDouble(1.25);
  r.stdPrice = rt::Currency(3);
  r.leadTime = QStringLiteral("2 weeks");
  r.custom1 = QStringLiteral("c1");
  r.custom4 = QStringLiteral("c4");
  r.notes = QString(300, QLatin1Char('n'));  // longer than any text field
  size_t appended = 0;
  ASSERT_TRUE(products.AppendAll({r}, 1001, &appended).ok());
  const store::Result<store::ProductRecord> read = products.Get(1001);
  ASSERT_TRUE(read.ok());
  const store::ProductRecord& g = read.value;
  EXPECT_EQ(QStringList({g.partNo, g.name, g.leadTime, g.custom1, g.custom2, g.custom4, g.notes}),
            QStringList({QStringLiteral("Ä-1"), r.name, r.leadTime, r.custom1, QString(), r.custom4, r.notes}));
  EXPECT_EQ(std::vector<int32_t>({g.location, g.group, g.manuf, g.vendor}), std::vector<int32_t>({1001, 1002, 1003, 1004}));
  EXPECT_TRUE(g.hidden);
  EXPECT_EQ(std::vector<rt::Currency>({g.reorderLevel, g.reorderQty, g.stdCost, g.stdPrice}),
            std::vector<rt::Currency>({r.reorderLevel, r.reorderQty, r.stdCost, r.stdPrice}));
  EXPECT_EQ(products.Get(4711).status.failure, Failure::kNotFound);
  EXPECT_EQ(products.Update(4711, r).failure, Failure::kNotFound);

  store::ProductRecord changed = g;
  changed.name = QStringLiteral("Changed");
  changed.hidden = false;
  {
    dbtest::OtherUser other(PathOf("svlprod.dbf"));
    ASSERT_TRUE(other.LockRow("partno", QStringLiteral("Ä-1")));
    EXPECT_EQ(products.Update(1001, changed).failure, Failure::kLocked);
  }
  EXPECT_EQ(products.Get(1001).value.name, r.name);
  ASSERT_TRUE(products.Update(1001, changed).ok());
  EXPECT_EQ(products.Get(1001).value.name, QStringLiteral("Changed"));
  EXPECT_FALSE(products.Get(1001).value.hidden);
}

TEST_F(ProductStoreTest, HidingSetsTheFlagUnderTheRowsLock) {
  Product(1001, "A-1", "Widget", false);
  EXPECT_EQ(products.Hide(4711).failure, Failure::kNotFound);
  {
    dbtest::OtherUser other(PathOf("svlprod.dbf"));
    ASSERT_TRUE(other.LockRow("partno", QStringLiteral("A-1")));
    EXPECT_EQ(products.Hide(1001).failure, Failure::kLocked);
  }
  std::vector<store::ProductListRow> rows;
  ASSERT_TRUE(store::ReadProducts(session_, nullptr, store::SearchType::kName, rows).ok());
  EXPECT_EQ(rows.size(), 1u);
  ASSERT_TRUE(products.Hide(1001).ok());
  rows.clear();
  ASSERT_TRUE(store::ReadProducts(session_, nullptr, store::SearchType::kName, rows).ok());
  EXPECT_TRUE(rows.empty());
  EXPECT_EQ(products.StdAmount(1001, store::AmountType::kStdCost).value, rt::Currency());
}

// Another user's hide, rename or delete (or, comparing the loaded row, any change)
// makes an update of a product read earlier write nothing and take the stored row in.
TEST_F(ProductStoreTest, AnUpdateOfAProductReadEarlierWritesNothingAnotherUserChanged) {
  struct Case {
    const char* name;
    std::function<int(DATA4*)> change;  // another user's, on the row: 0 when made
    bool compareLoaded;
    Failure failure;
    bool found;  // by its part number afterwards
  } cases[] = {
      {"unchanged", [](DATA4*) { return 0; }, true, Failure::kNone, true},
      {"hidden", [](DATA4* tb) { return f4assignNVB(d4field(tb, "hide"), "T", 1); }, false, Failure::kChanged, false},
      {"renamed", [](DATA4* tb) { return f4assignNVB(d4field(tb, "partno"), "B-1", 3); }, false, Failure::kChanged,
       false},
      {"deleted", [](DATA4* tb) { return d4delete(tb); }, false, Failure::kNotFound, false},
      {"cost changed, loaded row compared", [](DATA4* tb) { return f4assignDouble(d4field(tb, "stdcost"), 9); }, true,
       Failure::kChanged, true},
  };
  int32_t id = 1000;
  for (const Case& c : cases) {
    SCOPED_TRACE(c.name);
    const QString partNo = QStringLiteral("A-%1").arg(++id);
    Product(id, partNo.toLatin1().constData(), "Widget", false);
    store::ProductKeys keys;
    ASSERT_TRUE(products.ReadAppended(keys).ok());
    const store::ProductRecord loaded = products.Get(id).value;
    ASSERT_TRUE(dbtest::OtherUser(PathOf("svlprod.dbf")).ChangeRow("partno", partNo, c.change));
    store::ProductRecord row = loaded;
    row.name = QStringLiteral("Imported");
    const store::Status status = products.UpdateKnown(id, row, keys, c.compareLoaded ? &loaded : nullptr);
    EXPECT_EQ(status.failure, c.failure);
    EXPECT_EQ(keys.Find(store::SearchType::kPartNo, partNo), c.found ? id : -1);
    const store::Result<store::ProductRecord> stored = products.Get(id);
    EXPECT_EQ(stored.ok() && stored.value.name == QStringLiteral("Imported"), status.ok());
  }
}

// The stored bytes of the named fields of record n of a table file, joined by '|'.
std::string StoredFields(const QString& dbf, uint32_t n, std::initializer_list<const char*> names) {
  QFile file(dbf);
  if (!file.open(QIODevice::ReadOnly)) return {};
  const QByteArray bytes = file.readAll();
  xb::DbfHeader h;
  if (!xb::ParseDbfHeader(reinterpret_cast<const uint8_t*>(bytes.constData()), static_cast<size_t>(bytes.size()), &h)
           .ok())
    return {};
  std::string out;
  for (const char* name : names) {
    const xb::FieldDef& f = h.fields[static_cast<size_t>(xb::FindField(h.fields, name))];
    out += bytes.mid(static_cast<qsizetype>(h.RecordOffset(n) + f.offset), f.len).toStdString() + "|";
  }
  return out;
}

// Figures with four decimals are stored alike in every locale. Written with a decimal
// comma (as they were in such a locale before), they read as the figures they were
// meant to be, and the next save of the row writes them with the point, also where it
// does not change them (a hide, a transaction's new date).
TEST_F(ProductStoreTest, FiguresReadRightWhateverTheirDecimalMarkAndASaveWritesThePoint) {
  if (!testenv::ProcessLocale::AllInstalled()) GTEST_SKIP() << "de_DE.UTF-8 or fr_FR.UTF-8 is not installed";
  const std::initializer_list<const char*> kAmounts = {"reordlev", "reordqty", "stdcost", "stdprice"};
  const std::initializer_list<const char*> kTranAmounts = {"units", "unitprc"};
  store::Transactions transactions(session_);
  store::ProductRecord product;
  product.reorderLevel = rt::Currency::FromDouble(26.4567);
  product.reorderQty = rt::Currency::FromDouble(12.3456);
  product.stdCost = rt::Currency::FromDouble(925.0912);
  product.stdPrice = rt::Currency::FromDouble(-620.3178);
  store::TranRow tran;
  tran.prodId = 1001;
  tran.date = QStringLiteral("20260315");
  tran.type = store::TranType::kShip;
  tran.units = rt::Currency::FromDouble(12.4);
  tran.unitPrice = rt::Currency::FromDouble(1513.31);
  int32_t id = 1000;
  for (const char* locale : testenv::kProcessLocales) {
    const testenv::ProcessLocale l(locale);
    ++id;
    product.partNo = QStringLiteral("P-%1").arg(id);
    size_t appended = 0;
    ASSERT_TRUE(products.AppendAll({product}, id, &appended).ok()) << locale;
    store::TranRow row = tran;
    ASSERT_TRUE(transactions.Append(row, id).ok()) << locale;
  }
  const QString prod = PathOf("svlprod.dbf"), tranTable = PathOf("svltran.dbf");
  const std::string productBytes = StoredFields(prod, 1, kAmounts), tranBytes = StoredFields(tranTable, 1, kTranAmounts);
  EXPECT_EQ(productBytes, "             26.4567|             12.3456|            925.0912|           -620.3178|");
  EXPECT_EQ(tranBytes, "             12.4000|           1513.3100|");
  for (uint32_t n : {2u, 3u}) {
    EXPECT_EQ(StoredFields(prod, n, kAmounts), productBytes) << n;
    EXPECT_EQ(StoredFields(tranTable, n, kTranAmounts), tranBytes) << n;
  }

  ASSERT_EQ(xbtest::WriteDecimalCommas(QFile::encodeName(prod).toStdString()), 12);
  ASSERT_EQ(xbtest::WriteDecimalCommas(QFile::encodeName(tranTable).toStdString()), 6);
  EXPECT_EQ(StoredFields(tranTable, 1, kTranAmounts), "             12,4000|           1513,3100|");
  for (const char* locale : testenv::kProcessLocales) {
    SCOPED_TRACE(locale);
    const testenv::ProcessLocale l(locale);
    for (int32_t i = 1001; i <= 1003; ++i) {
      const store::ProductRecord p = products.Get(i).value;
      EXPECT_EQ(std::vector<rt::Currency>({p.reorderLevel, p.reorderQty, p.stdCost, p.stdPrice}),
                std::vector<rt::Currency>(
                    {product.reorderLevel, product.reorderQty, product.stdCost, product.stdPrice}));
      const store::TranRow t = transactions.Get(i).value;
      EXPECT_EQ(std::make_pair(t.units, t.unitPrice), std::make_pair(tran.units, tran.unitPrice));
      EXPECT_EQ(products.StdAmount(i, store::AmountType::kStdCost).value, product.stdCost);
    }
  }
  {
    const testenv::ProcessLocale l("fr_FR.UTF-8");
    ASSERT_TRUE(products.Hide(1001).ok());
    store::TranRow changed = transactions.Get(1001).value;
    changed.date = QStringLiteral("20260316");
    ASSERT_TRUE(transactions.Update(changed).ok());
  }
  EXPECT_EQ(StoredFields(prod, 1, kAmounts), productBytes);
  EXPECT_EQ(StoredFields(tranTable, 1, kTranAmounts), tranBytes);
  EXPECT_EQ(StoredFields(tranTable, 2, kTranAmounts), "             12,4000|           1513,3100|");
  EXPECT_EQ(StoredFields(prod, 1, {"hide"}), "T|");
  EXPECT_EQ(StoredFields(tranTable, 1, {"trandate"}), "20260316|");
}

// Beginning-inventory Receives of a product never stored go; nothing goes while
// another user holds the products' append lock.
TEST_F(ProductStoreTest, ReceivesLeftWithoutTheirProductAreRemoved) {
  Product(1001, "A-1", "Widget", false);
  Product(1002, "A-2", "Hidden", true);
  const QString note = QLatin1String(store::Products::kBeginningNote);
  std::vector<store::TranRow> rows;
  for (const auto& [prodId, type, text] : std::initializer_list<std::tuple<int32_t, store::TranType, QString>>{
           {1001, store::TranType::kReceive, note},    // its product stored
           {1002, store::TranType::kReceive, note},    // its product hidden
           {1003, store::TranType::kReceive, note},    // never stored: goes
           {1003, store::TranType::kReceive, QStringLiteral("by hand")},
           {1004, store::TranType::kShip, note},
           {1005, store::TranType::kReceive, note}}) {  // never stored: goes
    store::TranRow r;
    r.prodId = prodId;
    r.type = type;
    r.units = rt::Currency(3);
    r.note = text;
    rows.push_back(r);
  }
  const store::Transactions transactions(session_);
  ASSERT_TRUE(transactions.AppendAll(rows, 2000).ok());
  size_t removed = 0;
  {
    const dbtest::HeldByteLock adding(PathOf("svlprod.dbf"), xb::LockManager::kAppendLock);
    ASSERT_TRUE(adding.held());
    EXPECT_EQ(products.RemoveOrphanReceives(&removed).failure, Failure::kLocked);
    EXPECT_EQ(removed, 0u);
  }
  ASSERT_TRUE(products.RemoveOrphanReceives(&removed).ok());
  EXPECT_EQ(removed, 2u);
  std::vector<int32_t> left;
  for (int32_t id = 2000; id < 2006; ++id)
    if (transactions.Get(id).ok()) left.push_back(id);
  EXPECT_EQ(left, std::vector<int32_t>({2000, 2001, 2003, 2004}));
  ASSERT_TRUE(products.RemoveOrphanReceives(&removed).ok());
  EXPECT_EQ(removed, 0u);
}

}  // namespace

namespace {

class RecordStoreTest : public ListStoreTest {
 protected:
  void SetUp() override {
    Product(1001, "AB-1", "Widget", false);
    Product(1002, "AB-10", "Gadget", false);
    Append("svlprod.dbf", {{"rowid", QStringLiteral("1003")}, {"groupid", QStringLiteral("7")}});
    tb = d4open(engine_.code, QFile::encodeName(PathOf("svlprod.dbf")).constData());
    ASSERT_NE(tb, nullptr);
  }
  void TearDown() override { d4close(tb); }
  DATA4* tb = nullptr;
  store::Records records{session_};
};

TEST_F(RecordStoreTest, LookUpsFindTheWholeKeyAndSayWhyNot) {
  struct Case {
    const char* what;
    const char* tag;
    std::variant<double, QString> key;
    const char* field;
    int32_t value;
    Failure failure;
  } cases[] = {
      {"number", "rowid", 1002.0, "rowid", 1002, Failure::kNone},
      {"other field", "rowid", 1003.0, "groupid", 7, Failure::kNone},
      {"no number", "rowid", 4711.0, "rowid", 0, Failure::kNotFound},
      {"whole text", "partno", QStringLiteral(" AB-1 "), "rowid", 1001, Failure::kNone},
      {"prefix", "partno", QStringLiteral("AB"), "rowid", 0, Failure::kNotFound},
      {"empty", "partno", QString(), "rowid", 0, Failure::kNotFound},
      {"unknown tag", "nosuch", 1001.0, "rowid", 0, Failure::kError},
      {"unknown field", "rowid", 1001.0, "nosuch", 0, Failure::kError},
  };
  for (const Case& c : cases) {
    SCOPED_TRACE(c.what);
    const store::Result<int32_t> r =
        std::visit([&](const auto& key) { return records.Find(tb, c.tag, key, c.field); }, c.key);
    EXPECT_EQ(r.status.failure, c.failure);
    if (r.ok()) {
      EXPECT_EQ(r.value, c.value);
    }
  }
}

TEST_F(RecordStoreTest, ReferencesAreFoundByTagOrByReadingEveryRow) {
  struct Case {
    const char* what;
    const char* field;
    std::variant<int32_t, std::optional<double>, QString> key;
    bool value;
    Failure failure;
  } cases[] = {
      {"tag", "rowid", 1001, true, Failure::kNone},
      {"tag, none", "rowid", 4711, false, Failure::kNone},
      {"no tag", "groupid", 7, true, Failure::kNone},
      {"no tag, none", "groupid", 8, false, Failure::kNone},
      // A reference that cannot be read is an error, never "no reference".
      {"no such field", "nosuch", 7, false, Failure::kError},
      {"text", "prodname", QStringLiteral(" Gadget"), true, Failure::kNone},
      {"part of a text", "prodname", QStringLiteral("Gad"), false, Failure::kNone},
      {"no number", "groupid", std::nullopt, false, Failure::kNone},
  };
  for (const Case& c : cases) {
    SCOPED_TRACE(c.what);
    const store::Result<bool> r = std::visit([&](const auto& key) {  // an id through Refers, the rest through Holds
      if constexpr (std::is_same_v<std::decay_t<decltype(key)>, int32_t>) return records.Refers(tb, c.field, key);
      else return records.Holds(tb, c.field, key);
    }, c.key);
    EXPECT_EQ(r.status.failure, c.failure);
    EXPECT_EQ(r.ok() && r.value, c.value);
  }
}

TEST_F(RecordStoreTest, ADeleteLeavesARowAnotherUserHoldsAndCountsShowWhatWasDeleted) {
  EXPECT_EQ(records.Count(tb, "rowid").value, 3);
  EXPECT_TRUE(records.Delete(tb, "rowid", 4711).ok());  // none: nothing to do
  {
    dbtest::OtherUser other(PathOf("svlprod.dbf"));
    ASSERT_TRUE(other.LockRow("partno", QStringLiteral("AB-1")));
    EXPECT_EQ(records.Delete(tb, "rowid", 1001).failure, Failure::kLocked);
  }
  EXPECT_EQ(records.Count(tb, "rowid").value, 3);
  ASSERT_TRUE(records.Delete(tb, "rowid", 1001).ok());
  int pulses = 0;
  EXPECT_EQ(records.Count(tb, "rowid", [&] { ++pulses; }).value, 3 - 1);
  EXPECT_EQ(pulses, 0);
  EXPECT_EQ(records.CountFast(tb, "rowid").value, 3);  // deleted rows included
  EXPECT_EQ(records.Refers(tb, "rowid", 1001).value, false);
}

}  // namespace
