// The generated templates and a generated database: they open in the engine, carry
// the template rows, and every tag holds each live row once, in key order.

#include <QFile>
#include <set>
#include <string>

#include "database/SampleDatabase.h"
#include "database/Schema.h"
#include "database/Templates.h"
#include "tests/database/DbTestSupport.h"

namespace {

// The key a tag should hold for the current record, comparable as bytes or numbers.
struct Key {
  std::string text;
  double number = 0;
  bool operator<(const Key& o) const { return text != o.text ? text < o.text : number < o.number; }
};

Key KeyOf(DATA4* tb, const dbschema::Tag& tag) {
  FIELD4* f = d4field(tb, tag.field);
  Key k;
  if (tag.form == dbschema::KeyForm::kNumber) {
    k.number = f4double(f);
  } else {
    k.text.assign(f4ptr(f), static_cast<size_t>(f4len_v(f)));
    if (tag.form == dbschema::KeyForm::kUpper) {
      for (char& c : k.text) c = static_cast<char>(std::toupper(static_cast<unsigned char>(c)));
    }
  }
  return k;
}

// Checks every tag of the table: each live record once, keys in the tag's direction.
void ExpectTagsSortedAndComplete(const QString& dbf, const dbschema::Table& table) {
  SCOPED_TRACE(dbf.toStdString());
  CODE4* c = d4init_v();
  DATA4* tb = d4open(c, QFile::encodeName(dbf).constData());
  ASSERT_NE(tb, nullptr);
  std::set<long> live;
  for (int rc = d4top(tb); rc == 0; rc = d4skip(tb, 1)) {
    if (!d4deleted(tb)) live.insert(d4recNo(tb));
  }
  for (const dbschema::Tag& tag : table.tags) {
    SCOPED_TRACE(tag.name);
    TAG4* t = d4tag(tb, tag.name);
    ASSERT_NE(t, nullptr);
    ASSERT_EQ(d4tagSelect(tb, t), 0);
    std::set<long> seen;
    Key previous;
    bool first = true;
    for (int rc = d4top(tb); rc == 0; rc = d4skip(tb, 1)) {
      EXPECT_TRUE(seen.insert(d4recNo(tb)).second) << "record " << d4recNo(tb) << " twice";
      const Key k = KeyOf(tb, tag);
      if (!first) {
        EXPECT_FALSE(tag.descending ? previous < k : k < previous) << "out of order at " << d4recNo(tb);
      }
      previous = k;
      first = false;
    }
    EXPECT_EQ(seen, live);
  }
  d4initUndo(c);
}

class TemplatesTest : public dbtest::DbTest {};

TEST_F(TemplatesTest, GeneratedTemplatesMakeADatabaseWithTheTemplateRows) {
  const QString dir = testenv::NewTempDir(QStringLiteral("tpl"));
  const QString csv = dir + QStringLiteral("/cols.csv");
  {
    QFile f(csv);
    ASSERT_TRUE(f.open(QIODevice::WriteOnly));
    f.write("\xEF\xBB\xBFrowid,rpttype,name,canbetotal,order,cusnamekey\r\n"
            "1002,1,\"Part, number\",F,2,svlprod.dbf_partno\r\n"
            "1001,1,\"Name \"\"long\"\"\",T,1,\n");
  }
  ASSERT_EQ(dbtemplates::WriteTemplates(dir, csv), QString());
  rt::App::SetPath(dir);
  OpenNewDatabase();
  for (const dbschema::Table& t : dbschema::Tables()) {
    ExpectTagsSortedAndComplete(gDB().DBPath() + "/" + t.name + ".dbf", t);
  }
  EXPECT_EQ(gDB().QueryNextID(QStringLiteral("svlprod.dbf")), 1000);
  EXPECT_EQ(gDB().QueryNextID(QStringLiteral("svltran.dbf")), 1000);
  EXPECT_EQ(gDB().QueryNextID(QStringLiteral("svlcat.dbf")), 1000);
  for (const dbschema::ParamRow& r : dbschema::TemplateParams()) {
    EXPECT_EQ(gDB().GetParamValue(QLatin1String(r.sid)), QLatin1String(r.value));
  }

  const store::Table colsTable = gDB().OpenTable(gDB().RptColTable());
  DATA4* cols = colsTable.get();
  ASSERT_NE(cols, nullptr);
  d4tagSelect(cols, d4tag(cols, "order"));
  ASSERT_EQ(d4top(cols), 0);
  EXPECT_EQ(Module1::FieldText(d4field(cols, "name")).trimmed(), QStringLiteral("Name \"long\""));
  EXPECT_EQ(Module1::FieldText(d4field(cols, "canbetotal")), QStringLiteral("T"));
  ASSERT_EQ(d4skip(cols, 1), 0);
  EXPECT_EQ(Module1::FieldText(d4field(cols, "name")).trimmed(), QStringLiteral("Part, number"));
  EXPECT_EQ(Module1::FieldText(d4field(cols, "cusnamekey")).trimmed(), QStringLiteral("svlprod.dbf_partno"));
  EXPECT_NE(d4skip(cols, 1), 0);
}

TEST_F(TemplatesTest, CatalogueRowsThatDoNotFitAreRefused) {
  const QString dir = testenv::NewTempDir(QStringLiteral("tpl"));
  const QString csv = dir + QStringLiteral("/cols.csv");
  const struct {
    const char* content;
    const char* error;
  } cases[] = {{"rowid,colour\n1,red\n", "has no field colour"},
               {"rowid,name\nx1,A\n", "is not a number"},
               {"rowid,fldname\n1,abcdefghijklmnopqrstuvwxyz\n", "is longer than field fldname"},
               {"rowid,canbetotal\n1,1\n", "is not a flag"}};
  for (const auto& c : cases) {
    QFile f(csv);
    ASSERT_TRUE(f.open(QIODevice::WriteOnly | QIODevice::Truncate));
    f.write(c.content);
    f.close();
    EXPECT_THAT(dbtemplates::WriteTemplates(dir, csv).toStdString(), ::testing::HasSubstr(c.error));
  }
  EXPECT_TRUE(QDir(dir).entryList({QStringLiteral("*.db_")}, QDir::Files).isEmpty());
}

TEST_F(TemplatesTest, TheShippedCatalogueIsInTheProgramFolder) {
  OpenNewDatabase();
  EXPECT_GT(gDB().GetRecCount(gDB().RptColTable(), QStringLiteral("order")), 0);
  ExpectTagsSortedAndComplete(gDB().RptColTable(), *dbschema::FindTable("svlrepcols"));
}

TEST_F(TemplatesTest, AGeneratedDatabaseOpensWithEveryTagSortedAndComplete) {
  const QString dir = testenv::NewTempDir(QStringLiteral("sample"));
  dbsample::Options options;
  options.products = 150;
  options.transactions = 1500;
  ASSERT_EQ(dbsample::WriteSampleDatabase(dir, rt::App::Path(), options), QString());
  ASSERT_TRUE(gDB().OpenDB(dir));
  EXPECT_EQ(gDB().GetRecCount(gDB().ProductsTable(), QStringLiteral("partno")), 150);
  EXPECT_EQ(gDB().GetRecCount(gDB().TranTable(), QStringLiteral("trndt_d")), 1500);
  EXPECT_EQ(gDB().GetNextID(QStringLiteral("svltran.dbf"), true, 1000), 2500);
  EXPECT_EQ(gDB().GetNextID(QStringLiteral("svlprod.dbf"), true, 1000), 1150);
  // Deleted rows leave every tag.
  DATA4* tb = nullptr;
  for (int32_t id : {1000, 1700, 2499}) EXPECT_TRUE(gDB().DeleteRecord(id, gDB().TranTable(), tb, "rowid"));
  for (const char* name : {"svlprod", "svltran", "svlcat", "svlid", "svlparam"}) {
    ExpectTagsSortedAndComplete(dir + "/" + name + ".dbf", *dbschema::FindTable(name));
  }
  EXPECT_EQ(gDB().GetRecCount(gDB().TranTable(), QStringLiteral("prodid")), 1497);
}

}  // namespace
