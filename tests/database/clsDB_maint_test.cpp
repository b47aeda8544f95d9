// Rebuilding an index: from the template into a work file written over the old one,
// only while no other copy (another process) has the database open.

#include <fcntl.h>
#include <sys/resource.h>
#include <unistd.h>

#include <QFile>
#include <QListWidget>

#include <cerrno>
#include <csignal>
#include <cstdio>
#include <cstring>
#include <functional>
#include <map>
#include <memory>
#include <optional>
#include <random>
#include <string>
#include <utility>
#include <vector>

#include "database/UpgradeStops.h"
#include "database/clsTran.h"
#include "database/frmDBMaint.h"
#include "platform/ui/Prompt.h"
#include "platform/xbase/Cdx.h"
#include "platform/xbase/EngineState.h"
#include "platform/xbase/Expression.h"
#include "platform/xbase/LockManager.h"
#include "platform/xbase/Table.h"
#include "platform/xbase/TableFiles.h"
#include "tests/database/DbTestSupport.h"
#include "tests/database/ProcessTestSupport.h"
#include "tests/platform/xbase/DecimalCommas.h"
#include "tests/platform/xbase/KillPoints.h"
#include "tests/platform/xbase/XbaseTestUtil.h"

namespace {

QByteArray Bytes(const QString& path) {
  QFile f(path);
  return f.open(QIODevice::ReadOnly) ? f.readAll() : QByteArray();
}

using proctest::Child;

// Another copy of the program with the database open, in a child process: it holds
// the session lock shared (or, re-indexing, exclusively) until Release().
class OtherProcess {
 public:
  explicit OtherProcess(const QString& lockPath, bool exclusive = false)
      : child_([path = QFile::encodeName(lockPath), exclusive](int in, int out) {
          const char ok = code4sessionLock(d4init_v(), path.constData(), exclusive ? 1 : 0) == 0 ? 'y' : 'n';
          char c;
          (void)!write(out, &ok, 1);
          (void)!read(in, &c, 1);
          return 0;
        }),
        holding_(child_.Receive() == 'y') {}
  bool holding() const { return holding_; }
  void Release() { child_.Finish(); }

 private:
  Child child_;
  bool holding_;
};

// Another xBase program appending products in a child process: the engine's core classes at
// the shared lock positions (append lock, index lock), no session lock or access byte; the
// constructor waits until it has table and index open. Go(): 'w' when one try of the append
// lock kept it waiting (it then appends `rows` rows, waiting as needed), 'f' once it appended
// them all straight away. Finish(): its exit code, 0 when every append succeeded.
class OtherProgramAppends {
 public:
  OtherProgramAppends(const QString& table, int rows)
      : child_([path = QFile::encodeName(table).toStdString(), rows](int in, int out) { return Run(in, out, path, rows); }) {
    child_.Receive();  // ready
  }
  char Go() {
    child_.Send('g');
    return child_.Receive();
  }
  int Finish() { return child_.Finish(); }

 private:
  static int Run(int in, int out, const std::string& dbf, int rows) {
    xb::Status s;
    const auto table = xb::Table::Open(dbf, xb::File::Mode::kReadWrite, &s);
    const auto index = xb::CdxIndex::Open(xb::CompanionPath(dbf, "cdx"), xb::File::Mode::kReadWrite, &s, false);
    if (!table || !index) return 2;
    std::vector<std::unique_ptr<xb::Expression>> keys, filters;
    for (size_t t = 0; t < index->TagCount(); ++t) {
      const xb::TagDef& def = index->Tag(t);
      keys.push_back(xb::Expression::Compile(def.keyExpr, table->fields(), &s));
      filters.push_back(def.forExpr.empty() ? nullptr : xb::Expression::Compile(def.forExpr, table->fields(), &s));
      if (!keys.back() || (!def.forExpr.empty() && !filters.back())) return 3;
      index->SetKeyType(t, keys.back()->type() == xb::Expression::Type::kChar ? xb::KeyType::kChar
                                                                               : xb::KeyType::kNumeric);
    }
    const xb::LockPolicy patient{1 << 30, 1};
    index->SetLockPolicy(patient);
    if (write(out, "r", 1) != 1) return 4;
    xb::LockManager locks(&table->file());
    if (char c; read(in, &c, 1) != 1) return 4;
    const bool waited = locks.LockAppend({1, 0}) != xb::File::LockResult::kOk;
    if (waited && write(out, "w", 1) != 1) return 4;
    for (int i = 1; i <= rows; ++i) {
      if (locks.LockAppend(patient) != xb::File::LockResult::kOk || !index->LockExclusive().ok()) return 5;
      std::string rec(table->recordLen(), ' ');
      const std::map<std::string, std::string> values = {
          {"ROWID", std::to_string(2000 + i)}, {"PARTNO", "X-" + std::to_string(i)}, {"PRODNAME", "OTHER"}};
      for (const xb::FieldDef& f : table->fields()) {  // numbers right-aligned
        if (const auto v = values.find(f.name); v != values.end())
          rec.replace(f.offset + (f.type == 'N' ? f.len - v->second.size() : 0), v->second.size(), v->second);
      }
      uint32_t n = 0;
      if (!table->RefreshCount().ok() || !table->StageAppend(rec.data(), &n).ok()) return 6;
      for (size_t t = 0; t < keys.size(); ++t) {
        if (filters[t] && !filters[t]->EvalBool(rec.data())) continue;
        std::string key;
        if (keys[t]->type() != xb::Expression::Type::kChar) key = xb::EncodeNumericKey(keys[t]->EvalNumber(rec.data()));
        else keys[t]->EvalChar(rec.data(), &key), key.resize(index->Tag(t).keyLen, ' ');
        if (!index->Insert(t, key, n).ok()) return 7;
      }
      if (!table->PublishAppend(n).ok()) return 8;
      index->UnlockExclusive();
      locks.UnlockAppend();
    }
    return waited || write(out, "f", 1) == 1 ? 0 : 4;
  }

  Child child_;
};

class MaintTest : public dbtest::DbTest {
 protected:
  void AddProducts() {
    for (int i = 1; i <= 30; ++i) {
      dbtest::AppendRow(gDB().ProductsTable(), {"rowid", QString::number(1000 + i), "partno",
                                                QStringLiteral("P-%1").arg(i), "prodname", QStringLiteral("Item %1").arg(i)});
    }
  }
  static clsDBFile Products() { return gDB().DataFilePaths()[3]; }
  static bool Finds(const char* tag, const char* key) {
    const store::Table table = gDB().OpenTable(gDB().ProductsTable());
    DATA4* tb = table.get();
    if (tb == nullptr) return false;
    d4tagSelect(tb, d4tag(tb, tag));
    const bool found = d4seek(tb, key) == 0;
    return found;
  }
  static QStringList WorkFiles(const QString& dir) {
    return QDir(dir).entryList({QStringLiteral("*_reindex*")}, QDir::Files);
  }
};

TEST_F(MaintTest, EveryTableOfTheListCanBeRebuilt) {
  const QString dir = OpenNewDatabase();
  for (const clsDBFile& f : gDB().DataFilePaths()) EXPECT_TRUE(gDB().ReIndexFile(f)) << f.dataFilePath.toStdString();
  EXPECT_EQ(gDB().DBVer(gDB().LastIdTable()), 6);
  EXPECT_EQ(gDB().GetParamValue(QStringLiteral("~1")).left(1), QStringLiteral("1"));
  EXPECT_TRUE(WorkFiles(dir).isEmpty());
}

// A rebuild makes the index from the rows: an emptied index (the template's, or a file
// cut to nothing) finds every row again. File systems without hard links (the link
// fails with these errors) get copies of the table under the second name; any other
// failure of the link, or a missing template, fails the rebuild saying why, and the
// old index stays. Each rebuild leaves a copy of the old index beside it, under the
// index's name and a count.
TEST_F(MaintTest, ARebuildMakesTheIndexFromTheRowsOrKeepsTheOldOne) {
  enum class Index { kAsIs, kTemplate, kTruncated };
  struct Case {
    const char* name;
    Index index;
    int linkError;
    bool noTemplate;
    QString box;  // in the one box shown; empty: none
    bool rebuilt;
  };
  const Case cases[] = {
      {"template index", Index::kTemplate, 0, false, {}, true},
      {"truncated index", Index::kTruncated, 0, false, {}, true},
      {"EPERM", Index::kTemplate, EPERM, false, {}, true},
      {"EXDEV", Index::kTemplate, EXDEV, false, {}, true},
      {"ENOTSUP", Index::kTemplate, ENOTSUP, false, {}, true},
      {"EACCES", Index::kTemplate, EACCES, false, QString::fromLocal8Bit(std::strerror(EACCES)), false},
      {"no template", Index::kAsIs, 0, true, QString::fromLocal8Bit(std::strerror(ENOENT)), false},
  };
  for (const Case& c : cases) {
    SCOPED_TRACE(c.name);
    const QString dir = OpenNewDatabase();
    AddProducts();
    clsDBFile file = Products();
    const QString index = file.indexFilePath;
    if (c.index != Index::kAsIs) {
      ASSERT_TRUE(QFile::remove(index));
    }
    if (c.index == Index::kTemplate) {
      ASSERT_TRUE(QFile::copy(file.cleanIndexPath, index));
      EXPECT_FALSE(Finds("partno", "P-7"));
    }
    if (c.index == Index::kTruncated) {
      QFile f(index);
      ASSERT_TRUE(f.open(QIODevice::WriteOnly));
    }
    if (c.noTemplate) file.cleanIndexPath = QDir(dir).filePath(QStringLiteral("missing.cd_"));
    const QByteArray oldIndex = Bytes(index);
    const QByteArray rows = Bytes(file.dataFilePath);
    dbupgrade::SetLinkHook([err = c.linkError] { return err; });
    if (!c.box.isEmpty()) prompts->ExpectContaining(c.box);
    auto setAside = [&] {
      QStringList names = QDir(dir).entryList({QStringLiteral("svlprod.cdx?*")}, QDir::Files);
      names.sort();
      return names;
    };
    EXPECT_EQ(gDB().ReIndexFile(file), c.rebuilt);
    if (!c.noTemplate) {
      ASSERT_EQ(setAside().size(), 1);
      EXPECT_EQ(Bytes(QDir(dir).filePath(setAside()[0])), oldIndex);
    }
    EXPECT_EQ(Finds("partno", "P-7"), c.rebuilt || c.index == Index::kAsIs);
    EXPECT_EQ(Bytes(file.dataFilePath), rows);
    EXPECT_TRUE(WorkFiles(dir).isEmpty());
    if (c.rebuilt) {
      EXPECT_TRUE(Finds("prodname", "ITEM 30"));
      EXPECT_EQ(dbtest::LiveRows(gDB().ProductsTable()), 30);
      EXPECT_TRUE(gDB().ReIndexFile(file));
      EXPECT_EQ(setAside().size(), 2);
    } else {
      EXPECT_EQ(Bytes(index), oldIndex);
    }
    dbupgrade::SetLinkHook({});
    gDB().CloseDB();
  }
}

// A rebuild gives every number field a writer left with a decimal comma its point, in
// the table itself also where it was opened from a copy (EXDEV), and counts them; the
// rows then hold the bytes they had before the commas, and a second rebuild finds none.
TEST_F(MaintTest, ARebuildGivesNumbersLeftWithADecimalCommaTheirPoint) {
  for (const int linkError : {0, EXDEV}) {
    SCOPED_TRACE(linkError);
    OpenNewDatabase();
    AddProducts();
    for (int i = 1; i <= 3; ++i) {
      dbtest::AppendRow(gDB().ProductsTable(),
                        {"rowid", QString::number(2000 + i), "partno", QStringLiteral("D-%1").arg(i), "stdcost",
                         QStringLiteral("%1.0912").arg(i * 300), "stdprice", QStringLiteral("-0.5"), "reordlev",
                         QStringLiteral("26.4567"), "reordqty", QStringLiteral("12.3456")});
    }
    const QByteArray rows = Bytes(Products().dataFilePath);
    ASSERT_EQ(xbtest::WriteDecimalCommas(QFile::encodeName(Products().dataFilePath).toStdString()), 12);
    dbupgrade::SetLinkHook([linkError] { return linkError; });
    long corrected = -1;
    EXPECT_TRUE(gDB().ReIndexFile(Products(), nullptr, &corrected));
    dbupgrade::SetLinkHook({});
    EXPECT_EQ(corrected, 12);
    EXPECT_EQ(Bytes(Products().dataFilePath), rows);
    EXPECT_TRUE(Finds("partno", "D-3"));
    EXPECT_TRUE(gDB().ReIndexFile(Products(), nullptr, &corrected));
    EXPECT_EQ(corrected, 0);
    gDB().CloseDB();
  }
}

// Another xBase program appends while the table is re-indexed (from a hard link and
// from a copy): its append waits until the new index is in place, and then every live
// row is in every tag.
TEST_F(MaintTest, AnotherProgramsAppendDuringARebuildWaitsAndLandsInEveryTag) {
  for (const int linkError : {0, EXDEV}) {
    SCOPED_TRACE(linkError);
    OpenNewDatabase();
    AddProducts();
    OtherProgramAppends other(Products().dataFilePath, 20);
    char answer = '?';
    int links = 0;
    // The second link (the memo's) comes after the table's link or copy is made.
    dbupgrade::SetLinkHook([&] { if (++links == 2) answer = other.Go(); return linkError; });
    EXPECT_TRUE(gDB().ReIndexFile(Products()));
    dbupgrade::SetLinkHook({});
    EXPECT_EQ(answer, 'w');
    EXPECT_EQ(other.Finish(), 0);
    EXPECT_EQ(dbtest::LiveRows(gDB().ProductsTable()), 50);
    EXPECT_EQ(dbtest::RowsPerTag(gDB().ProductsTable(), {"rowid", "partno", "prodname"}), std::vector<int>(3, 50));
    EXPECT_TRUE(Finds("partno", "X-20"));
    gDB().CloseDB();
  }
}

// A step that cannot write (a full disk; a file size limit stands in for one where the
// system is asked) fails the re-index with one box, in words and shown once the files
// are let go, and the table and its index stay as they were.
TEST_F(MaintTest, AStepThatCannotWriteSaysWhyAndKeepsTheFiles) {
  // Where writes start to fail; the link's answer (EXDEV: copies instead of links); the old
  // index is an empty file (the new one is larger); text in the box shown.
  struct Case { const char* step; int linkError; bool emptyIndex; };
  const QString tooLarge = QStringLiteral("Unable to index file: %1\n\n") + QString::fromLocal8Bit(std::strerror(EFBIG)) +
                           QStringLiteral(". The table and its index have not been changed.");
  const Case cases[] = {{"reindex:setaside", 0, false}, {"reindex:copy", EXDEV, false}, {"reindex:template", 0, false},
                        {"reindex:rebuild", 0, false},  {"reindex:swap", 0, true},    {"link", ENOSPC, false}};
  rlimit saved{};
  ASSERT_EQ(getrlimit(RLIMIT_FSIZE, &saved), 0);
  const auto previousHandler = std::signal(SIGXFSZ, SIG_IGN);
  for (const Case& c : cases) {
    SCOPED_TRACE(c.step);
    const QString dir = OpenNewDatabase();
    AddProducts();
    const QString index = Products().indexFilePath;
    if (c.emptyIndex) QFile::resize(index, 0);
    const QByteArray oldIndex = Bytes(index);
    const QByteArray rows = Bytes(Products().dataFilePath);
    dbupgrade::SetLinkHook([&] { return c.linkError; });
    rlimit small = saved;
    small.rlim_cur = 1;
    dbupgrade::SetStopHook([&](const char* point) {
      if (std::strcmp(point, c.step) == 0) setrlimit(RLIMIT_FSIZE, &small);
      return false;
    });
    if (c.linkError == ENOSPC) {
      prompts->ExpectContaining(QStringLiteral("is full. Free some space on it and run the re-index again."));
    } else {
      prompts->Expect(tooLarge.arg(Products().dataFilePath));
    }
    // Whether another program could lock a record while each box waits for OK.
    std::vector<bool> lockable;
    prompts->SetOnShown([&, table = Products().dataFilePath](const ui::test::ShownPrompt&) {
      lockable.push_back(dbtest::HeldByteLock(table, xb::LockManager::RecordLockOffset(1)).held());
    });
    bool refused = false;
    EXPECT_FALSE(gDB().ReIndexFile(Products(), &refused));
    prompts->SetOnShown(nullptr);
    EXPECT_EQ(lockable, std::vector<bool>{true});
    setrlimit(RLIMIT_FSIZE, &saved);
    dbupgrade::SetStopHook({});
    dbupgrade::SetLinkHook({});
    EXPECT_TRUE(refused);
    EXPECT_EQ(Bytes(index), oldIndex);
    EXPECT_EQ(Bytes(Products().dataFilePath), rows);
    EXPECT_TRUE(WorkFiles(dir).isEmpty());
    gDB().CloseDB();
  }
  std::signal(SIGXFSZ, previousHandler);
}

// `rows` transactions (no notes) written after the table's last record, counted, and
// not yet indexed.
void AppendTransactionsUnindexed(const QString& table, int rows) {
  xb::Status s;
  const auto tb = xb::Table::Open(QFile::encodeName(table).toStdString(), xb::File::Mode::kReadWrite, &s);
  ASSERT_TRUE(tb) << s.message();
  ASSERT_TRUE(tb->RefreshCount().ok());
  for (int i = 1; i <= rows; ++i) {
    std::string rec(tb->recordLen(), ' ');
    char date[9];
    std::snprintf(date, sizeof date, "20%02d%02d%02d", 10 + i % 15, 1 + i % 12, 1 + i % 28);
    const std::map<std::string, std::string> values = {{"ROWID", std::to_string(1000 + i)},
                                                       {"PRODID", std::to_string(1000 + i % 977)},
                                                       {"TRANTYPE", std::to_string(1 + i % 5)},
                                                       {"TRANDATE", date}};
    for (const xb::FieldDef& f : tb->fields()) {  // numbers right-aligned
      const auto v = values.find(f.name);
      if (v != values.end()) rec.replace(f.offset + (f.type == 'N' ? f.len - v->second.size() : 0), v->second.size(), v->second);
    }
    tb->Hold(rec.data());
    if (i % 10000 != 0 && i != rows) continue;
    ASSERT_TRUE(tb->WriteHeld(false).ok() && tb->PublishHeld().ok());
    tb->DropHeld();
  }
}

// A re-index of 100,000 transactions (an index of about 2 MB, copied in pieces of
// 1 MiB) killed after each of its writes in turn, on a fresh copy of the database: our next
// open finishes or forgets what the kill left, every row is then in every tag, to
// another program's reading of the bytes too, no work file is left, and an append by
// our engine lands in every tag.
TEST_F(MaintTest, AReindexKilledAtAnyWriteLeavesTheTableWholeAfterTheNextOpen) {
  const QString dir = OpenNewDatabase();
  const clsDBFile tran = gDB().DataFilePaths()[4];
  AppendTransactionsUnindexed(tran.dataFilePath, 98000);
  ASSERT_TRUE(gDB().ReIndexFile(tran));
  gDB().CloseDB();
  // Rows appended by our engine split pages all over the tags: the old index differs
  // from the one the re-index writes over it from its first tags on.
  {
    xbtest::Engine e;
    DATA4* d = d4open(e, QFile::encodeName(tran.dataFilePath).constData());
    ASSERT_TRUE(d != nullptr && d4lockAppend(d) == 0);
    for (int i = 1; i <= 2000; ++i) {
      char date[9];
      std::snprintf(date, sizeof date, "20%02d%02d%02d", 10 + i % 13, 1 + i % 11, 1 + i % 27);
      ASSERT_TRUE(d4appendStartVB(d, 0) == 0 && d4blank(d) == 0 && f4assignLong(d4field(d, "ROWID"), 30000 + i) == 0 &&
                  f4assignLong(d4field(d, "PRODID"), 1000 + (i * 7919) % 977) == 0 &&
                  f4assignLong(d4field(d, "TRANTYPE"), 1 + i % 5) == 0 && f4assignNVB(d4field(d, "TRANDATE"), date, 8) == 0 &&
                  d4append(d) == 0);
    }
    ASSERT_EQ(d4unlock(d) + d4close(d), 0);
  }
  ASSERT_GT(QFileInfo(tran.indexFilePath).size(), static_cast<qint64>(xb::engine::indexCopyPiece));
  std::map<QString, QByteArray> saved;
  for (const QString& name : QDir(dir).entryList(QDir::Files)) saved[name] = Bytes(QDir(dir).filePath(name));
  const std::string log = xbtest::NewDir() + "/problems";
  const int out = ::open(log.c_str(), O_CREAT | O_RDWR | O_APPEND, 0600);
  ASSERT_GE(out, 0);
  xbtest::ForEachKillPoint([&](int writes, bool* done) {
    const QString copy = testenv::NewTempDir(QStringLiteral("db"));
    for (const auto& [name, bytes] : saved) {
      QFile f(QDir(copy).filePath(name));
      if (!f.open(QIODevice::WriteOnly) || f.write(bytes) != bytes.size()) return std::string(" cannot copy ") + name.toStdString();
    }
    const int status = proctest::Wait(proctest::Fork([&] {
      if (!gDB().OpenDB(copy)) return 2;
      xbtest::KillAtWrite(writes);
      const bool ok = gDB().ReIndexFile(gDB().DataFilePaths()[4]);
      xb::writeHook = nullptr;
      gDB().CloseDB();
      return ok ? 0 : 3;
    }));
    *done = status != 128 + SIGKILL;
    std::string problem = *done && status != 0 ? " the re-index ended with " + std::to_string(status) : "";
    const std::string path = QFile::encodeName(QDir(copy).filePath(QStringLiteral("svltran.dbf"))).toStdString();
    {
      xbtest::Engine e;
      DATA4* d = d4open(e, path.c_str());
      if (d == nullptr) problem += " our open failed with " + std::to_string(code4errorCode(e, 0));
      d4close(d);
    }
    if (const std::string missing = xbtest::TagsMissRows(path, true); !missing.empty()) problem += " " + missing;
    for (const QString& left : WorkFiles(copy)) problem += " left " + left.toStdString();
    {
      xbtest::Engine e;
      DATA4* d = d4open(e, path.c_str());
      if (d == nullptr || d4appendStartVB(d, 0) != 0 || d4blank(d) != 0 ||
          f4assignLong(d4field(d, "ROWID"), 200000) != 0 || d4append(d) != 0) {
        problem += " our append failed";
      }
      d4close(d);
    }
    if (const std::string after = xbtest::TagsMissRows(path, true); !after.empty()) problem += " after our append:" + after;
    QDir(copy).removeRecursively();
    return problem;
  }, out);
  ::close(out);
  EXPECT_EQ(xbtest::ReadFile(log), "");
}

// What the next open meets after a re-index cut short while it copied the new index
// over the old one (the marker beside the table naming the copy's source): the copy is
// finished from the source; with the source gone, or the table held by another program
// so that the copy cannot be finished at once, the open fails calling the index damaged,
// and is whole again once the hold is free or the table re-indexed.
TEST_F(MaintTest, TheNextOpenFinishesACopyCutShortOrCallsTheIndexDamaged) {
  struct Case {
    const char* what;
    bool sourceKept, heldByOther;
  } cases[] = {{"source kept", true, false}, {"source gone", false, false}, {"table held", true, true}};
  for (const Case& c : cases) {
    SCOPED_TRACE(c.what);
    const QString dir = OpenNewDatabase();
    AddProducts();
    const clsDBFile prod = Products();
    const QString source = QDir(dir).filePath(QStringLiteral("svlprod_reindex.cdx"));
    gDB().CloseDB();
    const QByteArray whole = Bytes(prod.indexFilePath);
    {
      QFile half(prod.indexFilePath), src(source), marker(QDir(dir).filePath(QStringLiteral("svlprod_reindex.mrk")));
      ASSERT_TRUE(half.open(QIODevice::ReadWrite) && half.seek(whole.size() / 2) &&
                  half.write(QByteArray(whole.size() - whole.size() / 2, '\x5A')) > 0);
      ASSERT_TRUE(marker.open(QIODevice::WriteOnly) &&
                  marker.write("copy\n" + QByteArray::number(whole.size()) + "\n" + QFile::encodeName(source)) > 0);
      if (c.sourceKept) {
        ASSERT_TRUE(src.open(QIODevice::WriteOnly) && src.write(whole) == whole.size());
      }
    }
    const std::string table = QFile::encodeName(prod.dataFilePath).toStdString();
    auto opens = [&] {
      xbtest::Engine e;
      DATA4* d = d4open(e, table.c_str());
      const int error = code4errorCode(e, 0);
      d4close(d);
      return d != nullptr ? 0 : error;
    };
    {
      std::optional<dbtest::HeldByteLock> other;
      if (c.heldByOther) {
        ASSERT_TRUE(other.emplace(prod.dataFilePath, xb::LockManager::RecordLockOffset(1)).held());
      }
      EXPECT_EQ(opens(), c.sourceKept && !c.heldByOther ? 0 : e4index);
    }
    if (!c.sourceKept) {
      EXPECT_EQ(opens(), e4index);
      ASSERT_TRUE(gDB().OpenDB(dir));
      EXPECT_TRUE(gDB().ReIndexFile(prod));
      gDB().CloseDB();
    }
    EXPECT_EQ(opens(), 0);
    EXPECT_EQ(xbtest::TagsMissRows(table, true), "");
    EXPECT_TRUE(WorkFiles(dir).isEmpty());
    if (c.sourceKept) {
      EXPECT_EQ(Bytes(prod.indexFilePath).mid(12), whole.mid(12));
    }
  }
}

// A record another xBase program holds locked keeps the rebuild out, saying so.
TEST_F(MaintTest, ARecordLockedByAnotherProgramRefusesTheRebuild) {
  OpenNewDatabase();
  AddProducts();
  FailLocksFast();
  const QByteArray before = Bytes(Products().indexFilePath);
  {
    const dbtest::HeldByteLock record(Products().dataFilePath, xb::LockManager::RecordLockOffset(3));
    ASSERT_TRUE(record.held());
    prompts->ExpectContaining(QStringLiteral("is in use by another program"));
    bool refused = false;
    EXPECT_FALSE(gDB().ReIndexFile(Products(), &refused));
    EXPECT_TRUE(refused);
  }
  EXPECT_EQ(Bytes(Products().indexFilePath), before);
  EXPECT_TRUE(gDB().ReIndexFile(Products()));
}

TEST_F(MaintTest, ARebuildOrUpgradeIsRefusedWhileAnotherProcessHasTheDatabaseOpen) {
  const QString dir = OpenNewDatabase();
  FailLocksFast();
  {
    OtherProcess other(gDB().LastIdTable());
    ASSERT_TRUE(other.holding());
    const QByteArray before = Bytes(Products().indexFilePath);
    prompts->ExpectContaining(QStringLiteral("in use by another user"));
    EXPECT_FALSE(gDB().ReIndexFile(Products()));
    EXPECT_EQ(Bytes(Products().indexFilePath), before);
    // The database stays open, shared.
    EXPECT_EQ(gDB().GetParamValue(QStringLiteral("~1")).left(1), QStringLiteral("1"));

    ASSERT_TRUE(gDB().SetDBVer(5));
    gDB().CloseDB();
    prompts->ExpectContaining(QStringLiteral("is in use by another user. The database can be upgraded only"));
    EXPECT_FALSE(gDB().OpenDB(dir));
  }
  ASSERT_TRUE(gDB().OpenDB(dir));
  EXPECT_EQ(gDB().DBVer(gDB().LastIdTable()), 6);
  EXPECT_TRUE(gDB().ReIndexFile(Products()));
}

// Each refusal is one box that says why: a re-index another copy's use refuses, and
// an open while another copy re-indexes.
TEST_F(MaintTest, ARefusalForAnotherCopyIsOneBoxSayingWhy) {
  const QString dir = OpenNewDatabase();
  FailLocksFast();
  {
    OtherProcess other(gDB().LastIdTable());
    ASSERT_TRUE(other.holding());
    QList<clsDBFile> files = gDB().DataFilePaths();
    prompts->Answer(ui::vbYes);
    prompts->ExpectContaining(QStringLiteral("The database is in use by another user. Re-indexing requires"));
    runner->Then(QStringLiteral("frmDBMaint"), [](QDialog& dlg) {
      static_cast<frmDBMaint&>(dlg).lstDataFiles->setCurrentRow(0);
      ui::test::Click(dlg, QStringLiteral("IndexButton"));
      dlg.reject();
    });
    clsDBUtil::DlgDBMaintenance(nullptr, files);
    EXPECT_EQ(prompts->Shown().size(), 2u);  // the question and the refusal
  }
  const QString lockPath = gDB().LastIdTable();
  gDB().CloseDB();
  OtherProcess reindexing(lockPath, true);
  ASSERT_TRUE(reindexing.holding());
  prompts->Expect(QStringLiteral("Unable to open: ") + dir +
                  QStringLiteral("\n\nThe database is in use for maintenance (re-indexing or upgrading) by another "
                                 "user. Please try again when it is finished."));
  EXPECT_FALSE(gDB().OpenDB(dir));
  reindexing.Release();
  EXPECT_TRUE(gDB().OpenDB(dir));
}

}  // namespace

namespace {

// A folder made on another system spells its files in capitals; the record given to
// the rebuild may name them in lower case. The rebuild works on the files on disk and
// writes no second, lower-case set beside them.
TEST_F(MaintTest, ARebuildFindsFilesNamedInCapitals) {
  const QString dir = OpenNewDatabase();
  AddProducts();
  gDB().CloseDB();
  for (const QString& name : QDir(dir).entryList(QDir::Files)) {
    ASSERT_TRUE(QFile::rename(dir + QLatin1Char('/') + name, dir + QLatin1Char('/') + name.toUpper()));
  }
  ASSERT_TRUE(gDB().OpenDB(dir));
  struct Case {
    const char* table;
    const char* index;
  } cases[] = {{"svlprod.dbf", "svlprod.cdx"}, {"SVLPROD.DBF", "svlprod.cdx"}, {"svlprod.dbf", "SVLPROD.CDX"}};
  for (const Case& c : cases) {
    SCOPED_TRACE(c.table);
    clsDBFile file = Products();
    file.dataFilePath = dir + QLatin1Char('/') + QLatin1String(c.table);
    file.indexFilePath = dir + QLatin1Char('/') + QLatin1String(c.index);
    QFile::remove(dir + QStringLiteral("/SVLPROD.CDX"));
    ASSERT_TRUE(QFile::copy(file.cleanIndexPath, dir + QStringLiteral("/SVLPROD.CDX")));
    EXPECT_TRUE(gDB().ReIndexFile(file));
    EXPECT_TRUE(Finds("partno", "P-7"));
    const QStringList lower = QDir(dir).entryList({QStringLiteral("svl*")}, QDir::Files | QDir::CaseSensitive);
    EXPECT_TRUE(lower.isEmpty()) << lower.join(QLatin1Char(' ')).toStdString();
    EXPECT_TRUE(WorkFiles(dir).isEmpty());
  }
}

// Damaged transaction files (45 rows): the box says what is wrong and what to do; a save
// writes nothing over rows the header does not count, and counts the one whole row with
// its keys that an append stopped before its count leaves; a note that cannot be read is an error, not an empty
// note; and the re-index repairs the record count.
TEST_F(MaintTest, DamagedFilesSayWhatIsWrongAndTheReindexRepairsTheCount) {
  const QString reindex = QStringLiteral("\n\nRe-index the table (Help, Database Maintenance) to repair it.");
  const QString cutShort = QStringLiteral(
      "The table file ends before the last record its header counts: the file was cut short or its record count "
      "is wrong.");
  const auto count = [](uint32_t n) {
    return [n](QByteArray& b) { for (int i = 0; i < 4; ++i) b[4 + i] = static_cast<char>(n >> (8 * i)); };
  };
  // Extension; text after the path (empty: opens); live rows after the save or re-index;
  // whether the table opens and the save reports the damage.
  struct Case { const char* what; const char* file; std::function<void(QByteArray&)> damage; QString text; int rowsAfter; bool atSave = false; };
  // Random bytes over every tag's page (each tag of 45 rows has one, after its header).
  const auto randomPages = [](QByteArray& b) {
    std::mt19937 rng(47);
    for (int page = 0x600 + 0x400; page + 512 <= b.size(); page += 0x600) {
      for (int i = 0; i < 512; ++i) b[page + i] = static_cast<char>(rng());
    }
  };
  const Case cases[] = {
      {"count understated by 1", "dbf", count(44), {}, 46},
      {"count understated by 5", "dbf", count(40),
       QStringLiteral("The table file holds records beyond the record count in its header.") + reindex, 45},
      {"count raised past the file", "dbf", count(50), cutShort + reindex, 45},
      {"truncated", "dbf", [](QByteArray& b) { b.chop(10); }, cutShort + reindex, 44},
      {"scribbled index page", "cdx", [](QByteArray& b) { b.replace(0x400, 512, QByteArray(512, '\x5A')); },
       QStringLiteral("The table's index file (.cdx) is damaged.") + reindex, 45},
      {"random blocks over the index pages", "cdx", randomPages,
       QStringLiteral("The table's index file (.cdx) is damaged.") + reindex, 45, true},
      {"a tag's key expression scribbled", "cdx", [](QByteArray& b) { b.replace(0x600 + 512, 8, "@#@#@#@#"); },
       QStringLiteral("The table's index file (.cdx) is damaged.") + reindex, 45},
      {"memo blocks out of range", "fpt", [](QByteArray& b) { b.truncate(512); }, {}, 46},
  };
  for (const Case& c : cases) {
    SCOPED_TRACE(c.what);
    OpenNewDatabase();
    const clsDBFile tran = gDB().DataFilePaths()[4];
    for (int i = 1; i <= 45; ++i) {
      dbtest::AppendRow(tran.dataFilePath, {"rowid", QString::number(1000 + i), "prodid", "7", "trantype", "2",
                                            "units", "1", "notes", QStringLiteral("note %1").arg(i)});
    }
    QString damaged = tran.dataFilePath;
    damaged.replace(QStringLiteral(".dbf"), QLatin1Char('.') + QLatin1String(c.file));
    QByteArray bytes = Bytes(damaged);
    c.damage(bytes);
    {
      QFile f(damaged);
      ASSERT_TRUE(f.open(QIODevice::WriteOnly | QIODevice::Truncate) && f.write(bytes) == bytes.size());
    }
    const QByteArray before = Bytes(tran.dataFilePath);
    clsTran added;
    added.nProdId = 7;
    added.udTranType = 2;
    added.curUnits = rt::Currency(3);
    if (c.atSave) {
      prompts->ExpectContaining(c.text);
    } else if (!c.text.isEmpty()) {
      prompts->Expect(QStringLiteral("Unable to open: ") + tran.dataFilePath + QStringLiteral("\n\n") + c.text);
    }
    EXPECT_EQ(gDB().SaveTran(0, added, nullptr), c.text.isEmpty());
    if (!c.text.isEmpty()) {
      EXPECT_EQ(Bytes(damaged), bytes) << "nothing was written";
      if (!c.atSave) { EXPECT_EQ(Bytes(tran.dataFilePath), before) << "nothing was written"; }
      EXPECT_TRUE(gDB().ReIndexFile(tran));
    }
    EXPECT_EQ(dbtest::LiveRows(tran.dataFilePath), c.rowsAfter);
    clsTran first;
    if (QLatin1String(c.file) == QLatin1String("fpt")) {
      prompts->ExpectContaining(QStringLiteral("The note of this row cannot be read."));
      EXPECT_FALSE(gDB().GetTran(1001, first));
    } else {
      EXPECT_TRUE(gDB().GetTran(1001, first));
      EXPECT_EQ(first.sNote, QStringLiteral("note 1"));
    }
    gDB().CloseDB();
  }
}

}  // namespace
