// The check and upgrade run by OpenDB: folders of the older layouts and versions are
// built here through the engine, upgraded to version 6 and read back row by row;
// interrupted upgrades are stopped at named points and opened again.

#include <QFile>
#include <QRegularExpression>

#include <cstring>
#include <string>
#include <vector>

#include "database/BackupMsg.h"
#include "database/Schema.h"
#include "database/UpgradeStops.h"
#include "services/clsSystem.h"
#include "services/mdlRegistry.h"
#include "tests/database/DbTestSupport.h"

using ::testing::ElementsAre;
using ::testing::HasSubstr;

namespace {

const QString kConfirm = QStringLiteral("contains a database created by a previous version of Stovrel");

QString In(const QString& dir, const char* file) { return QDir(dir).filePath(QLatin1String(file)); }

// The file as spelled on disk, in any letter case; empty when there is none.
QString OnDisk(const QString& dir, const char* file) { return gSystem().ResolvePathCase(In(dir, file)); }

// Every file of the folder renamed to capitals, as a folder made on another system.
void UpperCaseNames(const QString& dir) {
  for (const QString& name : QDir(dir).entryList(QDir::Files)) {
    ASSERT_TRUE(QFile::rename(QDir(dir).filePath(name), QDir(dir).filePath(name.toUpper()))) << name.toStdString();
  }
}

// Names of the folder that another entry spells in another letter case.
QStringList CaseTwins(const QString& dir) {
  const QStringList names = QDir(dir).entryList(QDir::Files | QDir::Dirs | QDir::NoDotAndDotDot);
  QStringList twins;
  for (const QString& name : names) {
    if (names.filter(QRegularExpression(QLatin1Char('^') + QRegularExpression::escape(name) + QLatin1Char('$'),
                                        QRegularExpression::CaseInsensitiveOption))
            .size() > 1) {
      twins << name;
    }
  }
  return twins;
}

// Appends one row through a private engine.
void AppendRaw(const QString& path, std::initializer_list<std::pair<const char*, long>> numbers,
               std::initializer_list<std::pair<const char*, const char*>> texts) {
  CODE4* engine = d4init_v();
  DATA4* tb = d4open(engine, QFile::encodeName(path).constData());
  ASSERT_NE(tb, nullptr) << path.toStdString();
  d4blank(tb);
  for (const auto& [field, value] : numbers) EXPECT_EQ(f4assignLong(d4field(tb, field), value), 0) << field;
  for (const auto& [field, value] : texts) {
    EXPECT_EQ(f4assignNVB(d4field(tb, field), value, static_cast<int>(std::strlen(value))), 0) << field;
  }
  EXPECT_EQ(d4append(tb), 0);
  d4initUndo(engine);
}

// Writes a table through a private engine: rows of texts in field order.
void MakeTable(const QString& path, std::vector<FIELD4INFO> fields, std::vector<TAG4INFO> tags,
               const std::vector<QStringList>& rows) {
  CODE4* engine = d4init_v();
  fields.push_back({nullptr, 0, 0, 0});
  tags.push_back({nullptr, nullptr, nullptr, 0, 0});
  for (const char* ext : {".dbf", ".cdx", ".fpt"}) QFile::remove(path.chopped(4) + QLatin1String(ext));
  DATA4* tb = d4create(engine, QFile::encodeName(path).constData(), fields.data(), tags.data());
  ASSERT_NE(tb, nullptr) << path.toStdString();
  for (const QStringList& row : rows) {
    ASSERT_EQ(d4blank(tb), 0);
    for (qsizetype i = 0; i < row.size(); ++i) {
      FIELD4* f = d4field(tb, fields[i].name);
      const std::string v = rt::ToCp1252(row[i]);
      if (fields[i].type == 'N') {
        ASSERT_EQ(f4assignDouble(f, row[i].toDouble()), 0);
      } else if (fields[i].type == 'M') {
        ASSERT_EQ(f4memoAssignN(f, v.data(), static_cast<unsigned>(v.size())), 0);
      } else {
        ASSERT_EQ(f4assignNVB(f, v.data(), static_cast<int>(v.size())), 0);
      }
    }
    ASSERT_EQ(d4append(tb), 0);
  }
  d4close(tb);
  d4initUndo(engine);
}

// Every live row of a table in the tag's order: numbers in shortest form, texts
// trimmed, memos whole.
std::vector<QStringList> ReadRows(const QString& path, const char* tag, const std::vector<const char*>& names) {
  CODE4* engine = d4init_v();
  DATA4* tb = d4open(engine, QFile::encodeName(path).constData());
  std::vector<QStringList> rows;
  if (tb != nullptr) {
    d4tagSelect(tb, d4tag(tb, tag));
    for (int rc = d4top(tb); rc == 0; rc = d4skip(tb, 1)) {
      QStringList row;
      for (const char* name : names) {
        FIELD4* f = d4field(tb, name);
        const std::string n = name;
        if (n == "notes") {
          row << Module1::MemoText(f);
        } else if (n == "prodname" || n == "partno" || n == "trandate") {
          row << Module1::FieldText(f).trimmed();
        } else {
          row << QString::number(f4double(f));
        }
      }
      rows.push_back(row);
    }
    d4close(tb);
  }
  d4initUndo(engine);
  return rows;
}

void CopyTemplates(const QString& dir, std::initializer_list<const char*> tables) {
  for (const char* t : tables) {
    for (const char* ext : {"dbf", "cdx", "fpt"}) {
      const QString src = QDir(rt::App::Path()).filePath(QStringLiteral("%1.%2_").arg(t).arg(QLatin1String(ext, 2)));
      if (!QFile::exists(src)) continue;
      ASSERT_TRUE(QFile::copy(src, QDir(dir).filePath(QStringLiteral("%1.%2").arg(t, ext))));
    }
  }
}

// A folder of the oldest layout: counters, products and transactions in the old
// tables, the parameter and category tables already there with old caption keys.
QString MakeOldestLayout(int32_t version = 2) {
  const QString dir = testenv::NewTempDir(QStringLiteral("old"));
  MakeTable(In(dir, "lastid.dbf"), {{"tblname", 'C', 20, 0}, {"lastid", 'N', 10, 0}},
            {{"tblname", "tblname", nullptr, 0, 0}},
            {{"dbversion", QString::number(version)}, {"trans.dbf", "5000"}, {"products.dbf", "3000"}});
  MakeTable(In(dir, "products.dbf"),
            {{"prodid", 'N', 10, 0},
             {"catid", 'N', 10, 0},
             {"prodname", 'C', 40, 0},
             {"partno", 'C', 20, 0},
             {"reordlev", 'N', 10, 2},
             {"leadtime", 'N', 5, 0}},
            {{"prodid", "prodid", nullptr, 0, 0}},
            {{"12", "3", "Hammer", "H-1", "4.5", "7"}, {"10", "0", "Nails", "N-9", "100", "0"},
             {"11", "2", "Saw", "", "0", "1"}});
  MakeTable(In(dir, "trans.dbf"),
            {{"tranid", 'N', 10, 0},
             {"prodid", 'N', 10, 0},
             {"trandate", 'D', 8, 0},
             {"trantype", 'N', 2, 0},
             {"units", 'N', 12, 3},
             {"unitprc", 'N', 12, 2},
             {"note", 'C', 60, 0},
             {"supid", 'N', 10, 0}},
            {{"tranid", "tranid", nullptr, 0, 0}},
            {{"21", "12", "20020105", "2", "2.5", "3.25", "first delivery", "8"},
             {"20", "10", "20011231", "4", "12", "0.05", "", "0"},
             {"22", "12", "", "5", "0.125", "0", "allocated", "9"}});
  CopyTemplates(dir, {"svlparam", "svlcat"});
  CODE4* engine = d4init_v();
  DATA4* tb = d4open(engine, QFile::encodeName(In(dir, "svlparam.dbf")).constData());
  d4blank(tb);
  const std::string sid = "PRODUCTS.DBF_PARTNO", value = "Item Code";
  f4assignNVB(d4field(tb, "sid"), sid.data(), static_cast<int>(sid.size()));
  f4memoAssignN(d4field(tb, "value"), value.data(), static_cast<unsigned>(value.size()));
  d4append(tb);
  d4close(tb);
  d4initUndo(engine);
  return dir;
}

const std::vector<const char*> kProdFields = {"rowid", "groupid", "prodname", "partno", "reordlev", "location"};
const std::vector<const char*> kTranFields = {"rowid",   "prodid", "trandate", "trantype", "units",
                                              "unitprc", "whseid", "notes",    "catid"};
const std::vector<const char*> kTran3Fields = {"rowid",    "prodid", "catid",   "shipmethod",
                                               "trandate", "trantype", "units", "unitprc", "notes"};

using dbtest::RowsPerTag;

// Stops an upgrade at the n-th pass of a point.
void StopAtPass(const char* point, int n) {
  auto passes = std::make_shared<int>(0);
  dbupgrade::SetStopHook([point = std::string(point), n, passes](const char* at) {
    return at == point && ++*passes == n;
  });
}

class UpgradeTest : public dbtest::DbTest {
 protected:
  void TearDown() override {
    dbupgrade::SetStopHook({});
    DbTest::TearDown();
  }

  // A database at the given version, without the catalogue and the report
  // definitions below 6.
  QString MakeCurrentLayout(int32_t version) {
    const QString dir = OpenNewDatabase();
    EXPECT_TRUE(gDB().SetDBVer(version));
    if (version <= 5) {
      for (const auto& row : dbschema::TemplateParams()) EXPECT_TRUE(gDB().DeleteParam(QLatin1String(row.sid)));
    }
    gDB().CloseDB();
    if (version < 6) {
      QFile::remove(In(dir, "svlrepcols.dbf"));
      QFile::remove(In(dir, "svlrepcols.cdx"));
    }
    return dir;
  }

  // A version-3 folder: the transactions table of that version, with three rows.
  QString MakeVersion3() {
    const QString dir = MakeCurrentLayout(3);
    MakeTable(In(dir, "svltran.dbf"),
              {{"rowid", 'N', 11, 0},
               {"prodid", 'N', 11, 0},
               {"catid", 'N', 11, 0},
               {"shipmethod", 'N', 11, 0},
               {"trandate", 'D', 8, 0},
               {"trantype", 'N', 2, 0},
               {"units", 'N', 14, 4},
               {"unitprc", 'N', 14, 4},
               {"notes", 'M', 10, 0}},
              {{"rowid", "rowid", nullptr, 0, 0}},
              {{"1002", "7", "3", "1", "20030301", "2", "1.75", "9.99", "line one\r\nline two"},
               {"1001", "7", "0", "0", "20030228", "3", "0.5", "0", ""},
               {"1003", "8", "4", "2", "", "1", "40", "1.2345", std::string(300, 'x').c_str()}});
    return dir;
  }

  void ExpectVersion3RowsRebuilt(const QString& dir) {
    EXPECT_THAT(ReadRows(In(dir, "svltran.dbf"), "rowid", kTran3Fields),
                ElementsAre(QStringList{"1001", "7", "0", "0", "20030228", "3", "0.5", "0", ""},
                            QStringList{"1002", "7", "3", "1", "20030301", "2", "1.75", "9.99", "line one\r\nline two"},
                            QStringList{"1003", "8", "4", "2", "", "1", "40", "1.2345", QString(300, 'x')}));
    for (const char* f : {"svltran_3.dbf", "svltran_3.cdx", "svltran_3.fpt"}) EXPECT_TRUE(QFile::exists(In(dir, f))) << f;
    for (const char* f : {"svltran_new.dbf", "svltran_4.done"}) EXPECT_FALSE(QFile::exists(In(dir, f))) << f;
    EXPECT_THAT(RowsPerTag(In(dir, "svltran.dbf"), {"rowid", "prodid", "trantype", "trndt_d"}), ElementsAre(3, 3, 3, 3));
  }

  void ExpectOldestConverted(const QString& dir) {
    EXPECT_THAT(ReadRows(In(dir, "svlprod.dbf"), "rowid", kProdFields),
                ElementsAre(QStringList{"10", "0", "Nails", "N-9", "100", "0"},
                            QStringList{"11", "2", "Saw", "", "0", "1"},
                            QStringList{"12", "3", "Hammer", "H-1", "4.5", "7"}));
    EXPECT_THAT(ReadRows(In(dir, "svltran.dbf"), "rowid", kTranFields),
                ElementsAre(QStringList{"20", "10", "20011231", "4", "12", "0.05", "50", "", "0"},
                            QStringList{"21", "12", "20020105", "2", "2.5", "3.25", "50", "first delivery", "8"},
                            QStringList{"22", "12", "", "5", "0.125", "0", "50", "allocated", "9"}));
    EXPECT_TRUE(QFile::exists(In(dir, "lastid.dbf.upg")));
    EXPECT_TRUE(OnDisk(dir, "lastid.dbf").isEmpty());
    EXPECT_FALSE(QDir(In(dir, "svlupgrade.tmp")).exists());
    for (const char* f : {"products.dbf", "trans.dbf", "svlrepcols.dbf", "svlrepcols.cdx"}) {
      EXPECT_FALSE(OnDisk(dir, f).isEmpty()) << f;
    }
  }

  struct Stop {
    const char* point;
    int pass;
  };
  // For each stop: a new folder, an upgrade answered Yes and stopped there, then
  // `reopen` on the folder.
  void ForEachInterruption(std::initializer_list<Stop> stops, const std::function<QString()>& make,
                           const std::function<void(const QString&)>& reopen) {
    for (const Stop& stop : stops) {
      SCOPED_TRACE(std::string(stop.point) + " " + std::to_string(stop.pass));
      const QString dir = make();
      StopAtPass(stop.point, stop.pass);
      prompts->ExpectContaining(kConfirm, ui::vbYes);
      EXPECT_FALSE(gDB().OpenDB(dir));
      dbupgrade::SetStopHook({});
      reopen(dir);
      gDB().CloseDB();
    }
  }

  void OpenOldestWithYes(const QString& dir) {
    prompts->ExpectContaining(kConfirm, ui::vbYes);
    QString done;
    ExpectMsg(&done);
    ASSERT_TRUE(gDB().OpenDB(dir));
    EXPECT_THAT(done.toStdString(), HasSubstr("has been successfully upgraded!"));
    EXPECT_TRUE(done.endsWith(BackupMsg(dir, true).remove(QLatin1Char('\r')))) << done.toStdString();
  }
};

TEST_F(UpgradeTest, OldestLayoutAnsweredNoIsLeftAsItWas) {
  const QString dir = MakeOldestLayout();
  const QStringList before = QDir(dir).entryList(QDir::Files | QDir::Dirs | QDir::NoDotAndDotDot);
  prompts->ExpectContaining(kConfirm, ui::vbNo);
  EXPECT_FALSE(gDB().OpenDB(dir));
  EXPECT_EQ(QDir(dir).entryList(QDir::Files | QDir::Dirs | QDir::NoDotAndDotDot), before);
  EXPECT_EQ(prompts->Last().title, QStringLiteral("DATABASE UPGRADE CONFIRMATION"));
  EXPECT_EQ(prompts->Last().buttons, ui::vbYesNo);
}

TEST_F(UpgradeTest, OldestLayoutAnsweredYesBecomesVersion6WithEveryRowAndSetting) {
  const QString dir = MakeOldestLayout();
  mdlRegistry::PrefSaveString(QStringLiteral("C7"), QStringLiteral("old column"));
  OpenOldestWithYes(dir);
  EXPECT_EQ(gDB().DBVersionInUse(), 6);
  EXPECT_EQ(gDB().DBVer(gDB().LastIdTable()), 6);
  ExpectOldestConverted(dir);
  EXPECT_EQ(gDB().QueryNextID(QStringLiteral("svltran.dbf")), 5000);
  EXPECT_EQ(gDB().QueryNextID(QStringLiteral("svlprod.dbf")), 3000);
  EXPECT_EQ(gDB().QueryNextID(QStringLiteral("svlcat.dbf")), 1000);
  EXPECT_EQ(gDB().GetParamValue(gDB().MakeCustomFieldParamName("svlprod.dbf", "partno")), "Item Code");
  EXPECT_EQ(gDB().GetParamValue(QStringLiteral("PRODUCTS.DBF_PARTNO")), "Item Code");
  EXPECT_EQ(gDB().DecimalsPerUnit(), 2);
  for (const auto& row : dbschema::TemplateParams()) {
    EXPECT_EQ(gDB().GetParamValue(QLatin1String(row.sid)), QLatin1String(row.value)) << row.sid;
  }
  EXPECT_EQ(mdlRegistry::PrefGetString(QStringLiteral("C7")), QString());
}

// Pass 16 follows the move of svlid.dbf: the folder looks current but lastid.dbf, the
// staging folder and the old column settings are still there.
TEST_F(UpgradeTest, OldestLayoutInterruptedAnywhereIsConvertedWholeOnTheNextOpen) {
  ForEachInterruption({{"oldest:staged", 1}, {"oldest:moving", 1}, {"oldest:moving", 8}, {"oldest:moving", 13},
                       {"oldest:moving", 16}},
                      [] {
                        mdlRegistry::PrefSaveString(QStringLiteral("C23"), QStringLiteral("old column"));
                        return MakeOldestLayout();
                      },
                      [&](const QString& dir) {
                        EXPECT_TRUE(QFile::exists(In(dir, "lastid.dbf")));
                        OpenOldestWithYes(dir);
                        ExpectOldestConverted(dir);
                        EXPECT_EQ(mdlRegistry::PrefGetString(QStringLiteral("C23")), QString());
                      });
}

// Stops that leave one table with some of its files moved into the folder and the
// others still staged: after the next open every table is whole, memos and tags
// included.
TEST_F(UpgradeTest, OldestLayoutWithATableHalfMovedIsConvertedWhole) {
  ForEachInterruption(
      {{"oldest:moving", 1}, {"oldest:moving", 2}, {"oldest:moving", 4}, {"oldest:moving", 6},
       {"oldest:moving", 9}, {"oldest:moving", 12}, {"oldest:moving", 15}},
      [] {
        const QString dir = MakeOldestLayout();
        AppendRaw(In(dir, "svlcat.dbf"), {{"rowid", 1000}, {"type", 1}}, {{"desc", "Hardware"}});
        return dir;
      },
      [&](const QString& dir) {
        OpenOldestWithYes(dir);
        ExpectOldestConverted(dir);
        EXPECT_EQ(gDB().GetParamValue(gDB().MakeCustomFieldParamName("svlprod.dbf", "partno")), "Item Code");
        EXPECT_EQ(gDB().GetParamValue(QStringLiteral("Decimals_PerUnit")), "2");
        for (const auto& row : dbschema::TemplateParams()) {
          EXPECT_EQ(gDB().GetParamValue(QLatin1String(row.sid)), QLatin1String(row.value)) << row.sid;
        }
        const int params = dbtest::LiveRows(gDB().ParamTable());
        EXPECT_EQ(params, 1 + 1 + 5 + static_cast<int>(dbschema::TemplateParams().size()));
        EXPECT_THAT(RowsPerTag(In(dir, "svlparam.dbf"), {"sid"}), ElementsAre(params));
        EXPECT_THAT(RowsPerTag(In(dir, "svlcat.dbf"), {"rowid", "desc"}), ElementsAre(1, 1));
        EXPECT_THAT(RowsPerTag(In(dir, "svlprod.dbf"), {"rowid", "partno", "prodname"}), ElementsAre(3, 3, 3));
        EXPECT_THAT(RowsPerTag(In(dir, "svltran.dbf"), {"rowid", "prodid", "trantype", "trndt_d"}),
                    ElementsAre(3, 3, 3, 3));
      });
}

TEST_F(UpgradeTest, AFailedCopyLeavesTheOldLayoutToConvertAgain) {
  const QString dir = MakeOldestLayout();
  // A product id beyond 32 bits cannot be copied.
  MakeTable(In(dir, "products.dbf"), {{"prodid", 'N', 12, 0}, {"prodname", 'C', 10, 0}, {"catid", 'N', 5, 0},
                                      {"partno", 'C', 5, 0}, {"reordlev", 'N', 5, 0}, {"leadtime", 'N', 5, 0}},
            {{"prodid", "prodid", nullptr, 0, 0}}, {{"99999999999", "Big", "0", "", "0", "0"}});
  prompts->ExpectContaining(kConfirm, ui::vbYes);
  prompts->ExpectContaining(QStringLiteral("was generated by"));
  QString text;
  ExpectMsg(&text);
  EXPECT_FALSE(gDB().OpenDB(dir));
  EXPECT_THAT(text.toStdString(), HasSubstr("Unable to write record to svlprod.dbf. Unable to upgrade database."));
  for (const char* f : {"svlid.dbf", "svlprod.dbf", "svltran.dbf", "svlupgrade.tmp"}) {
    EXPECT_FALSE(QFileInfo::exists(In(dir, f))) << f;
  }
  EXPECT_TRUE(QFile::exists(In(dir, "lastid.dbf")));
  prompts->ExpectContaining(kConfirm, ui::vbNo);
  EXPECT_FALSE(gDB().OpenDB(dir));
}

TEST_F(UpgradeTest, OldestLayoutWithoutAVersionIsNotADatabase) {
  const QString dir = MakeOldestLayout(0);
  prompts->Expect(QStringLiteral("'") + dir + QStringLiteral("' does not contain Stovrel database files!"));
  EXPECT_FALSE(gDB().OpenDB(dir));
  EXPECT_FALSE(QFile::exists(In(dir, "svlid.dbf")));
}

TEST_F(UpgradeTest, Version3AnsweredNoStaysAtVersion3Untouched) {
  const QString dir = MakeVersion3();
  const QByteArray before = [&] {
    QFile f(In(dir, "svltran.dbf"));
    f.open(QIODevice::ReadOnly);
    return f.readAll();
  }();
  prompts->ExpectContaining(kConfirm, ui::vbNo);
  EXPECT_FALSE(gDB().OpenDB(dir));
  QFile f(In(dir, "svltran.dbf"));
  ASSERT_TRUE(f.open(QIODevice::ReadOnly));
  EXPECT_EQ(f.readAll(), before);
  EXPECT_FALSE(QFile::exists(In(dir, "svltran_3.dbf")));
}

TEST_F(UpgradeTest, Version3AnsweredYesIsRebuiltThroughEveryStepToVersion6) {
  const QString dir = MakeVersion3();
  prompts->ExpectContaining(kConfirm, ui::vbYes);
  ASSERT_TRUE(gDB().OpenDB(dir));
  EXPECT_EQ(gDB().DBVer(gDB().LastIdTable()), 6);
  ExpectVersion3RowsRebuilt(dir);
  EXPECT_EQ(gDB().GetParamValue(QStringLiteral("~102")).left(27), QStringLiteral("1^Inventory of All Products"));
  EXPECT_TRUE(QFile::exists(In(dir, "svlrepcols.cdx")));
}

TEST_F(UpgradeTest, Version3InterruptedAnywhereIsFinishedOnTheNextOpen) {
  ForEachInterruption({{"copy:row", 2}, {"tran34:built", 1}, {"tran34:moving", 1}, {"tran34:moving", 2}},
                      [&] { return MakeVersion3(); },
                      [&](const QString& dir) {
                        prompts->ExpectContaining(kConfirm, ui::vbYes);
                        ASSERT_TRUE(gDB().OpenDB(dir));
                        ExpectVersion3RowsRebuilt(dir);
                      });
}

// Folders an earlier attempt of the rebuild left at version 3 with the version-3 rows
// moved (or partly moved) to svltran_3.* and no mark: the rows are never lost.
TEST_F(UpgradeTest, Version3LeftHalfRenamedKeepsItsRows) {
  auto rename = [](const QString& dir, std::initializer_list<const char*> exts) {
    for (const char* ext : exts) {
      ASSERT_TRUE(QFile::rename(In(dir, "svltran.") + QLatin1String(ext), In(dir, "svltran_3.") + QLatin1String(ext)));
    }
  };
  struct Case {
    const char* name;
    std::function<void(const QString&)> leave;
    const char* refusal;  // nullptr: the folder is rebuilt and opens
  };
  const Case cases[] = {
      {"renamed, templates beside",
       [&](const QString& dir) {
         rename(dir, {"dbf", "cdx", "fpt"});
         CopyTemplates(dir, {"svltran"});
       },
       nullptr},
      {"renamed, templates beside in capitals",
       [&](const QString& dir) {
         rename(dir, {"dbf", "cdx", "fpt"});
         CopyTemplates(dir, {"svltran"});
         for (const char* ext : {"dbf", "cdx", "fpt"}) {
           const QString name = QStringLiteral("svltran.") + QLatin1String(ext);
           ASSERT_TRUE(QFile::rename(QDir(dir).filePath(name), QDir(dir).filePath(name.toUpper())));
         }
       },
       nullptr},
      {"renamed, nothing beside", [&](const QString& dir) { rename(dir, {"dbf", "cdx", "fpt"}); }, nullptr},
      {"only the table renamed", [&](const QString& dir) { rename(dir, {"dbf"}); }, nullptr},
      {"templates beside already hold a row",
       [&](const QString& dir) {
         rename(dir, {"dbf", "cdx", "fpt"});
         CopyTemplates(dir, {"svltran"});
         AppendRaw(In(dir, "svltran.dbf"), {{"rowid", 1001}}, {});
       },
       "New transactions table (svltran.dbf: UpgradeSVLTran3_4()) already contains data!"},
      {"memo file lost",
       [&](const QString& dir) {
         rename(dir, {"dbf", "cdx"});
         ASSERT_TRUE(QFile::remove(In(dir, "svltran.fpt")));
       },
       "svltran_3.xxx does not exist (svltran.dbf: UpgradeSVLTran3_4()) already contains data!"},
  };
  for (const Case& c : cases) {
    SCOPED_TRACE(c.name);
    const QString dir = MakeVersion3();
    auto bytes = [](const QString& path) {
      QFile f(path);
      return f.open(QIODevice::ReadOnly) ? f.readAll() : QByteArray();
    };
    const QByteArray rows = bytes(In(dir, "svltran.dbf"));
    c.leave(dir);
    prompts->ExpectContaining(kConfirm, ui::vbYes);
    if (c.refusal != nullptr) {
      prompts->Expect(QLatin1String(c.refusal));
      EXPECT_FALSE(gDB().OpenDB(dir));
      EXPECT_EQ(bytes(In(dir, "svltran_3.dbf")), rows);
      continue;
    }
    ASSERT_TRUE(gDB().OpenDB(dir));
    EXPECT_EQ(gDB().DBVer(gDB().LastIdTable()), 6);
    ExpectVersion3RowsRebuilt(dir);
    EXPECT_EQ(ReadRows(In(dir, "svltran_3.dbf"), "rowid", kTran3Fields).size(), 3u);
    EXPECT_THAT(CaseTwins(dir), ::testing::IsEmpty());
    gDB().CloseDB();
  }
}

// A folder made on another system names every file in capitals: each older layout
// upgrades in place with its rows, and no file is left twice under two spellings.
TEST_F(UpgradeTest, OlderLayoutsNamedInCapitalsUpgradeWithoutSecondCopies) {
  auto withProduct = [this](int32_t version, bool oldCatalogue) {
    const QString dir = MakeCurrentLayout(version);
    AppendRaw(In(dir, "svlprod.dbf"), {{"rowid", 1001}}, {{"prodname", "Widget"}});
    if (oldCatalogue) {
      for (const char* f : {"svlrepcols.dbf", "svlrepcols.cdx"}) {
        EXPECT_TRUE(QFile::copy(QDir(rt::App::Path()).filePath(QLatin1String(f)), In(dir, f)));
      }
    }
    return dir;
  };
  auto expectProduct = [](const QString& dir) {
    EXPECT_THAT(ReadRows(OnDisk(dir, "svlprod.dbf"), "rowid", {"rowid", "prodname"}),
                ElementsAre(QStringList{"1001", "Widget"}));
  };
  struct Case {
    const char* name;
    std::function<QString()> make;
    std::function<void(const QString&)> open;
    std::function<void(const QString&)> expect;
  };
  const Case cases[] = {
      {"oldest layout", [] { return MakeOldestLayout(); }, [&](const QString& dir) { OpenOldestWithYes(dir); },
       [&](const QString& dir) {
         ExpectOldestConverted(dir);
         EXPECT_EQ(gDB().GetParamValue(gDB().MakeCustomFieldParamName("svlprod.dbf", "partno")), "Item Code");
       }},
      {"version 3", [&] { return MakeVersion3(); },
       [&](const QString& dir) {
         prompts->ExpectContaining(kConfirm, ui::vbYes);
         ASSERT_TRUE(gDB().OpenDB(dir));
       },
       [&](const QString& dir) { ExpectVersion3RowsRebuilt(dir); }},
      {"version 4", [&] { return withProduct(4, false); },
       [](const QString& dir) { ASSERT_TRUE(gDB().OpenDB(dir)); }, expectProduct},
      {"version 5 with an older catalogue", [&] { return withProduct(5, true); },
       [](const QString& dir) { ASSERT_TRUE(gDB().OpenDB(dir)); }, expectProduct},
  };
  for (const Case& c : cases) {
    SCOPED_TRACE(c.name);
    const QString dir = c.make();
    UpperCaseNames(dir);
    c.open(dir);
    if (!gDB().IsOpen()) continue;
    EXPECT_EQ(gDB().DBVer(gDB().LastIdTable()), 6);
    c.expect(dir);
    EXPECT_THAT(CaseTwins(dir), ::testing::IsEmpty());
    gDB().CloseDB();
  }
}

TEST_F(UpgradeTest, Versions4And5GetOnlyTheStepsTheyLack) {
  for (const int version : {4, 5}) {
    SCOPED_TRACE(version);
    const QString dir = MakeCurrentLayout(version);
    ASSERT_TRUE(gDB().OpenDB(dir));
    EXPECT_EQ(gDB().DBVer(gDB().LastIdTable()), 6);
    EXPECT_TRUE(QFile::exists(In(dir, "svlrepcols.dbf")));
    // Version 5 already had its definitions: none is written again.
    EXPECT_EQ(gDB().GetParamValue(QStringLiteral("~1")).isEmpty(), version == 5);
    gDB().CloseDB();
  }
}

TEST_F(UpgradeTest, AVersion6FolderOnlyGetsAMissingCatalogue) {
  const QString dir = MakeCurrentLayout(6);
  ASSERT_TRUE(QFile::remove(In(dir, "svlrepcols.cdx")));
  ASSERT_TRUE(gDB().OpenDB(dir));
  EXPECT_TRUE(QFile::exists(In(dir, "svlrepcols.cdx")));
  EXPECT_EQ(gDB().DBVersionInUse(), 6);
}

TEST_F(UpgradeTest, ANewerVersionOrNoVersionRowIsRefusedUnchanged) {
  const QString newer = MakeCurrentLayout(6);
  gDB().OpenDB(newer);
  ASSERT_TRUE(gDB().SetDBVer(9));
  gDB().CloseDB();
  prompts->ExpectContaining(QStringLiteral("contains a database of version 9"));
  EXPECT_FALSE(gDB().OpenDB(newer));

  const QString none = MakeCurrentLayout(4);
  MakeTable(In(none, "svlid.dbf"), {{"tblname", 'C', 40, 0}, {"lastid", 'N', 11, 0}},
            {{"TBLNAME", "tblname", nullptr, 0, 0}}, {{"svlprod.dbf", "1000"}});
  prompts->Expect(QStringLiteral("Unable to get last id for dbversion"));
  prompts->Expect(QStringLiteral("'") + none +
                  QStringLiteral("' holds no database version. The database was not changed and cannot be opened."));
  EXPECT_FALSE(gDB().OpenDB(none));
  EXPECT_FALSE(gDB().IsOpen());
}

TEST_F(UpgradeTest, AFolderWithTheOldTablesButNoCountersIsMissingFiles) {
  const QString dir = MakeOldestLayout();
  ASSERT_TRUE(QFile::remove(In(dir, "lastid.dbf")));
  QString text;
  ExpectMsg(&text);
  EXPECT_FALSE(gDB().OpenDB(dir));
  EXPECT_THAT(text.toStdString(), HasSubstr("svlid.dbf"));
}

TEST_F(UpgradeTest, TheBackupAdviceNamesTheFolderAndTheSixteenFiles) {
  const QString text = BackupMsg(QStringLiteral("/data/shop"), true);
  EXPECT_TRUE(text.startsWith(QStringLiteral("BACKING UP, COPYING OR MOVING YOUR DATABASE")));
  EXPECT_THAT(text.toStdString(), HasSubstr("/data/shop"));
  EXPECT_EQ(text.count(QStringLiteral(".dbf\r\n")) + text.count(QStringLiteral(".cdx\r\n")) +
                text.count(QStringLiteral(".fpt\r\n")),
            16);
  EXPECT_THAT(BackupMsg(QString(), false).toStdString(), HasSubstr("[SVL data directory will be specified"));
}

}  // namespace

namespace {

// The staging steps run on a second session for the staging folder: the database
// object keeps naming the database folder all the while, so nothing that asks it for
// a path meanwhile (a window, a progress handler) is sent into the staging folder.
TEST_F(UpgradeTest, TheDatabaseFolderStaysTheDatabasesWhileTheStagingStepsRun) {
  const QString dir = MakeOldestLayout();
  QStringList seen;
  dbupgrade::SetStopHook([&seen](const char* at) {
    if (std::string(at) == "copy:row") seen << gDB().DBPath() << gDB().ProductsTable();
    return false;
  });
  OpenOldestWithYes(dir);
  ASSERT_FALSE(seen.isEmpty());
  for (const QString& path : seen) {
    EXPECT_FALSE(path.contains(QStringLiteral("svlupgrade.tmp"))) << path.toStdString();
    EXPECT_TRUE(path.startsWith(dir)) << path.toStdString();
  }
  ExpectOldestConverted(dir);
}

}  // namespace
