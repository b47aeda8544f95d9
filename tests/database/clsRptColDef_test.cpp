// The shipped report column catalogue (resources/svlrepcols.csv) and reading its rows.
#include <QFile>
#include <map>
#include <set>

#include "database/Schema.h"
#include "database/Templates.h"
#include "database/clsRptDef.h"
#include "tests/database/DbTestSupport.h"

namespace {

QString CataloguePath() {
  return QStringLiteral(STOVREL_RESOURCES_DIR "/svlrepcols.csv");
}

// Catalogue rows by field name.
struct Catalogue {
  QStringList header;
  std::vector<std::map<QString, QString>> rows;
};

Catalogue LoadCatalogue() {
  Catalogue c;
  QList<QStringList> rows;
  QString error;
  EXPECT_TRUE(dbtemplates::ReadCsv(CataloguePath(), &rows, &error)) << error.toStdString();
  if (rows.isEmpty()) return c;
  c.header = rows.takeFirst();
  for (const QStringList& r : rows) {
    if (r.size() == 1 && r[0].isEmpty()) continue;
    EXPECT_EQ(r.size(), c.header.size()) << r.join(',').toStdString();
    std::map<QString, QString> row;
    for (qsizetype i = 0; i < c.header.size() && i < r.size(); ++i) row[c.header[i]] = r[i];
    c.rows.push_back(row);
  }
  return c;
}

// Columns whose value the grid fillers take from the product's stock figures
// (alone or multiplied by a product field).
const std::set<int> kStockFigureColumns = {1014, 1015, 1016, 1017, 1020, 1021, 1022,
                                           1023, 1024, 1025, 1026, 1028, 1029};

TEST(RptColCatalogue, HeaderIsTheTableLayout) {
  const Catalogue c = LoadCatalogue();
  const dbschema::Table* t = dbschema::FindTable("svlrepcols");
  ASSERT_NE(t, nullptr);
  QStringList names;
  for (const dbschema::Field& f : t->fields) names << QString::fromLatin1(f.name).toLower();
  EXPECT_EQ(c.header, names);
}

TEST(RptColCatalogue, EveryKnownColumnOnceWithConsistentFlags) {
  const Catalogue c = LoadCatalogue();
  std::set<int> expected;
  for (int id = 1001; id <= 1029; ++id) expected.insert(id);
  for (int id = 2001; id <= 2018; ++id) expected.insert(id);

  const std::set<QString> captionKeys = {
      "svlprod.dbf_partno",  "svlprod.dbf_location", "svlprod.dbf_groupid", "svlprod.dbf_custom1",
      "svlprod.dbf_custom2", "svlprod.dbf_custom3",  "svlprod.dbf_custom4", "svltran.dbf_notes",
      "svltran.dbf_catid",   "svltran.dbf_shipmethod"};
  const std::set<int> listTypes = {1, 2, 3, 4, 5, 7};
  std::set<int> seen, orders;
  for (const auto& row : c.rows) {
    const int id = row.at("rowid").toInt();
    SCOPED_TRACE(id);
    EXPECT_TRUE(seen.insert(id).second) << "listed twice";
    EXPECT_TRUE(orders.insert(row.at("order").toInt()).second) << "order used twice";
    EXPECT_EQ(row.at("rpttype").toInt(), id / 1000);
    EXPECT_FALSE(row.at("name").isEmpty());

    const bool stock = kStockFigureColumns.count(id) > 0;
    EXPECT_EQ(row.at("reqprdstat"), stock ? "T" : "F");
    EXPECT_TRUE(row.at("canbetotal") == "T" || row.at("canbetotal") == "F");

    const QString type = row.at("datatype");
    EXPECT_TRUE(QStringList({"S", "I", "U", "C", "A", "D"}).contains(type)) << type.toStdString();
    if (row.at("canbetotal") == "T") {
      EXPECT_TRUE(type == "U" || type == "A");
    }
    // Id columns show list descriptions; nothing else names a list.
    const int list = row.at("cattypeid").toInt();
    EXPECT_EQ(type == "I", listTypes.count(list) == 1);
    if (type != "I") {
      EXPECT_EQ(list, 0);
    }
    EXPECT_TRUE(QStringList({"L", "C", "R"}).contains(row.at("alignment")));
    if (type == "U" || type == "C" || type == "A") {
      EXPECT_EQ(row.at("alignment"), "R");
    }
    const QString key = row.at("cusnamekey");
    if (!key.isEmpty()) {
      EXPECT_TRUE(captionKeys.count(key)) << key.toStdString();
    }
  }
  EXPECT_EQ(seen, expected);
}

class RptColDefTest : public dbtest::DbTest {
 protected:
  void SetUp() override {
    DbTest::SetUp();
    OpenNewDatabase();
  }
};

TEST_F(RptColDefTest, ReadsARowWithItsCustomHeading) {
  clsRptColDef col;
  DATA4* cat = nullptr;
  DATA4* par = nullptr;
  ASSERT_TRUE(col.Read(1002, cat, par, QString()));
  EXPECT_EQ(cat, nullptr);  // opened and closed by the call
  EXPECT_EQ(col.m_nRowID, 1002);
  EXPECT_EQ(col.m_nRptType, 1);
  EXPECT_EQ(col.m_sName, "Part Number");
  EXPECT_EQ(col.m_sDisplayName, "Part Number");
  EXPECT_EQ(col.m_sCustomNameKey, "svlprod.dbf_partno");
  EXPECT_EQ(col.m_sFldName, "partno");
  EXPECT_EQ(col.m_sTableName, "svlprod.dbf");
  EXPECT_EQ(col.m_sDataType, "S");
  EXPECT_EQ(col.m_sAlignment, "L");
  EXPECT_EQ(col.m_nOrder, 102);

  ASSERT_TRUE(gDB().SetParamValue(QStringLiteral("svlprod.dbf_partno"), QStringLiteral("Colour")));
  ASSERT_TRUE(col.Read(1002, cat, par, QStringLiteral(" (1)")));
  EXPECT_EQ(col.m_sCustomName, "Colour");
  EXPECT_EQ(col.m_sDisplayName, "Colour (1)");

  ASSERT_TRUE(col.Read(1016, cat, par, QString()));
  EXPECT_TRUE(col.m_bCanBeTotal);
  EXPECT_TRUE(col.m_bRequiresProdStats);
  ASSERT_TRUE(col.Read(2010, cat, par, QString()));
  EXPECT_EQ(col.m_nCatTypeID, 7);
  EXPECT_FALSE(col.m_bRequiresProdStats);
}

TEST_F(RptColDefTest, MissingIdLeavesInitValues) {
  clsRptColDef col;
  const store::Table catTable = gDB().OpenTable(gDB().RptColTable());
  DATA4* cat = catTable.get();
  ASSERT_NE(cat, nullptr);
  DATA4* par = nullptr;
  ASSERT_TRUE(col.Read(1001, cat, par, QString()));
  EXPECT_FALSE(col.Read(1030, cat, par, QString()));
  EXPECT_EQ(cat != nullptr, true);  // the caller's handle stays open
  const clsRptColDef init;
  EXPECT_EQ(col.m_nRowID, init.m_nRowID);
  EXPECT_EQ(col.m_nRptType, -1);
  EXPECT_EQ(col.m_nCatTypeID, -1);
  EXPECT_EQ(col.m_nOrder, -1);
  EXPECT_TRUE(col.m_sName.isEmpty());
  EXPECT_TRUE(col.m_sDisplayName.isEmpty());
  EXPECT_FALSE(col.m_bCanBeTotal);
}

TEST_F(RptColDefTest, FlagsAreReadWithoutRegardToCase) {
  const QString dir = testenv::NewTempDir(QStringLiteral("cat"));
  const QString csv = dir + QStringLiteral("/cols.csv");
  QFile f(csv);
  ASSERT_TRUE(f.open(QIODevice::WriteOnly));
  f.write("rowid,rpttype,name,canbetotal,reqprdstat,cusnamekey\n"
          "5,1,Lower,t,f,\n"
          "6,1,Keyed,F,T,svlprod.dbf_custom1\n");
  f.close();
  ASSERT_TRUE(dbtemplates::WriteTemplates(dir, csv).isEmpty());
  const store::Table catTable = gDB().OpenTable(dir + QStringLiteral("/svlrepcols.dbf"));
  DATA4* cat = catTable.get();
  ASSERT_NE(cat, nullptr);
  DATA4* par = nullptr;
  clsRptColDef col;
  ASSERT_TRUE(col.Read(5, cat, par, QString()));
  EXPECT_TRUE(col.m_bCanBeTotal);
  EXPECT_FALSE(col.m_bRequiresProdStats);
  ASSERT_TRUE(gDB().SetParamValue(QStringLiteral("svlprod.dbf_custom1"), QString()));
  ASSERT_TRUE(col.Read(6, cat, par, QString()));
  EXPECT_EQ(col.m_sDisplayName, "Keyed");  // empty custom heading
  EXPECT_TRUE(col.m_bRequiresProdStats);
}

TEST_F(RptColDefTest, ReadColDefsFollowsTheColumnList) {
  clsRptDef def;
  ASSERT_TRUE(def.InitFromBuf(QStringLiteral("1^R^1001~9999~1014~1001^^"), 3));
  ASSERT_TRUE(def.ReadColDefs());
  ASSERT_EQ(def.m_collColumnDefs.Count(), 3);  // the second 1001 is dropped on reading
  EXPECT_EQ(def.m_collColumnDefs.Item(1).m_sDisplayName, "Product Name");
  EXPECT_EQ(def.m_collColumnDefs.Item(2).m_sDisplayName, "unknown");
  EXPECT_EQ(def.m_collColumnDefs.Item(QStringLiteral("n9999")).m_sDisplayName, "unknown");
  EXPECT_EQ(def.m_collColumnDefs.Item(QStringLiteral("N1014")).m_nRowID, 1014);
  EXPECT_TRUE(def.RequiresProdStats());
  EXPECT_TRUE(def.RequiresToBeTotaled());

  ASSERT_TRUE(def.InitFromBuf(QStringLiteral("2^T^2001~2004^^"), 3));
  EXPECT_TRUE(def.RequiresProdStats());  // still the old definitions until read again
  ASSERT_TRUE(def.ReadColDefs());
  EXPECT_EQ(def.m_collColumnDefs.Count(), 2);
  EXPECT_FALSE(def.RequiresProdStats());
  EXPECT_FALSE(def.RequiresToBeTotaled());
}

TEST_F(RptColDefTest, MissingCatalogueLeavesTheDefinitionsAlone) {
  clsRptDef def;
  ASSERT_TRUE(def.InitFromBuf(QStringLiteral("1^R^1014^^"), 3));
  ASSERT_TRUE(def.ReadColDefs());
  ASSERT_TRUE(QFile::remove(gDB().RptColTable()));
  prompts->ExpectContaining(QStringLiteral("Unable to open: "));
  EXPECT_FALSE(def.ReadColDefs());
  EXPECT_EQ(def.m_collColumnDefs.Count(), 1);
}

}  // namespace
