#pragma once
// Shared fixture of the database tests: scripted prompts and dialogs (anything
// unscripted fails the test), a new database in a temporary folder made from the
// templates beside the test program, and helpers to reach tables directly.

#include <fcntl.h>
#include <gmock/gmock.h>
#include <unistd.h>
#include <gtest/gtest.h>

#include <QDialog>
#include <QDir>
#include <QFileInfo>
#include <QFile>
#include <QString>
#include <QStringList>
#include <cstdint>
#include <functional>
#include <map>
#include <string>
#include <vector>

#include "database/Module1.h"
#include "database/Schema.h"
#include "database/clsDB.h"
#include "platform/runtime/App.h"
#include "platform/runtime/Codepage.h"
#include "platform/runtime/Error.h"
#include "platform/ui/testing/TestPrompts.h"
#include "platform/xbase/Engine.h"
#include "tests/support/TestEnv.h"

namespace dbtest {

class DbTest : public ::testing::Test {
 protected:
  void SetUp() override {
    auto fail = [](const QString& s) { ADD_FAILURE() << "unexpected: " << s.toStdString(); };
    prompts->SetOnUnexpected(fail);
    runner->SetOnUnexpected(fail);
  }
  void TearDown() override {
    gDB().CloseDB();
    rt::App::SetPath(QString());
    rt::Err().Clear();
    EXPECT_EQ(prompts->Pending(), 0) << "scripted prompts not shown";
    EXPECT_EQ(runner->Pending(), 0) << "scripted dialogs not run";
  }

  // A new, open database in a fresh folder.
  QString OpenNewDatabase() {
    const QString dir = testenv::NewTempDir(QStringLiteral("db"));
    EXPECT_TRUE(gDB().NewDB(dir));
    return dir;
  }

  // Expects the next message window and captures its text.
  void ExpectMsg(QString* text) {
    runner->Then(QStringLiteral("frmMessage"), [text](QDialog& dlg) {
      *text = ui::test::TextOf(dlg, QStringLiteral("txtMsg"));
      dlg.accept();
    });
  }

  // Lock attempts once, so that a refused lock answers at once.
  static void FailLocksFast() {
    code4lockAttempts(gDB().CBEngine(), 1);
    code4lockDelay(gDB().CBEngine(), 0);
  }

  ui::test::ScopedFakePrompts prompts;
  ui::test::ScopedFakeModalRunner runner;
};

// A second engine (another user) with its own table handle.
class OtherUser {
 public:
  explicit OtherUser(const QString& path) : engine_(d4init_v()), table_(d4open(engine_, QFile::encodeName(path).constData())) {}
  ~OtherUser() { d4initUndo(engine_); }
  OtherUser(const OtherUser&) = delete;
  OtherUser& operator=(const OtherUser&) = delete;
  DATA4* table() const { return table_; }
  // Positions on the row whose field holds `text` (whole, through the tag) and locks it.
  bool LockRow(const char* tag, const QString& text) {
    d4tagSelect(table_, d4tag(table_, tag));
    std::string key = rt::ToCp1252(text);
    key.resize(200, ' ');
    return d4seek(table_, key.c_str()) == 0 && d4lock(table_, d4recNo(table_)) == 0;
  }
  // Takes the table's append lock, trying once, and gives it up: false while another
  // user holds it.
  bool CanHoldAppends() {
    code4lockAttempts(engine_, 1);
    code4lockDelay(engine_, 0);
    return d4lockAppend(table_) == 0 && d4unlock(table_) == 0;
  }
  // Rewrites one number of the row with that id (tag rowid) as another program would:
  // lock, write, flush, unlock.
  bool SetNumber(int32_t id, const char* field, double value) {
    d4tagSelect(table_, d4tag(table_, "rowid"));
    return d4seekDouble(table_, id) == 0 && d4lock(table_, d4recNo(table_)) == 0 &&
           f4assignDouble(d4field(table_, field), value) == 0 && d4flush(table_) == 0 && d4unlock(table_) == 0;
  }
  // Changes the row LockRow finds as another program would: lock, `change` (0 when
  // made), flush, unlock.
  bool ChangeRow(const char* tag, const QString& text, const std::function<int(DATA4*)>& change) {
    return LockRow(tag, text) && change(table_) == 0 && d4flush(table_) == 0 && d4unlock(table_) == 0;
  }

 private:
  CODE4* engine_;
  DATA4* table_;
};

// Another user's lock on one byte of a file (a table's append lock, a memo file's block
// allocation lock), held until the object ends.
class HeldByteLock {
 public:
  HeldByteLock(const QString& path, uint64_t offset) : fd_(::open(QFile::encodeName(path).constData(), O_RDWR)) {
    struct flock fl {};
    fl.l_type = F_WRLCK;
    fl.l_whence = SEEK_SET;
    fl.l_start = static_cast<off_t>(offset);
    fl.l_len = 1;
    held_ = fd_ >= 0 && ::fcntl(fd_, F_OFD_SETLK, &fl) == 0;
  }
  ~HeldByteLock() {
    if (fd_ >= 0) ::close(fd_);
  }
  HeldByteLock(const HeldByteLock&) = delete;
  HeldByteLock& operator=(const HeldByteLock&) = delete;
  bool held() const { return held_; }

 private:
  int fd_;
  bool held_ = false;
};

// Appends one row of texts by field name to a table of the open database.
inline void AppendRow(const QString& table, const QStringList& fieldsAndValues) {
  const store::Table open = gDB().OpenTable(table);
  DATA4* tb = open.get();
  ASSERT_NE(tb, nullptr);
  ASSERT_EQ(d4appendStartVB(tb, 0), 0);
  ASSERT_EQ(d4blank(tb), 0);
  for (qsizetype i = 0; i + 1 < fieldsAndValues.size(); i += 2) {
    FIELD4* f = d4field(tb, fieldsAndValues[i].toLatin1().constData());
    ASSERT_NE(f, nullptr) << fieldsAndValues[i].toStdString();
    const std::string v = rt::ToCp1252(fieldsAndValues[i + 1]);
    ASSERT_EQ(f4assignNVB(f, v.data(), static_cast<int>(v.size())), 0);
  }
  ASSERT_EQ(d4append(tb), 0);
}

// Live rows of a table, in record order.
inline int LiveRows(const QString& table) {
  const store::Table open = gDB().OpenTable(table);
  DATA4* tb = open.get();
  if (tb == nullptr) return -1;
  int n = 0;
  for (int rc = d4top(tb); rc == 0; rc = d4skip(tb, 1)) n += d4deleted(tb) ? 0 : 1;
  return n;
}

// The stored bytes of every field but the memos of the row with the rowid, by field name.
inline std::map<std::string, QByteArray> StoredFields(const QString& table, int32_t id) {
  std::map<std::string, QByteArray> fields;
  const dbschema::Table* schema = dbschema::FindTable(QFileInfo(table).completeBaseName().toStdString());
  const store::Table open = gDB().OpenTable(table);
  DATA4* tb = open.get();
  if (schema == nullptr || tb == nullptr) {
    ADD_FAILURE() << "cannot read " << table.toStdString();
    return fields;
  }
  for (int rc = d4top(tb); rc == 0; rc = d4skip(tb, 1)) {
    if (f4long(d4field(tb, "rowid")) != id) continue;
    for (const dbschema::Field& f : schema->fields) {
      if (f.type == 'M') continue;
      FIELD4* field = d4field(tb, f.name);
      fields[f.name] = QByteArray(f4ptr(field), f4len_v(field));
    }
  }
  return fields;
}

// Rows reached through each tag of a table, read by an engine of its own (-1: no such tag).
inline std::vector<int> RowsPerTag(const QString& path, std::initializer_list<const char*> tags) {
  CODE4* engine = d4init_v();
  DATA4* tb = d4open(engine, QFile::encodeName(path).constData());
  std::vector<int> counts;
  for (const char* tag : tags) {
    TAG4* t = tb != nullptr ? d4tag(tb, tag) : nullptr;
    int n = t != nullptr && d4tagSelect(tb, t) == 0 ? 0 : -1;
    for (int rc = n == 0 ? d4top(tb) : -1; rc == 0; rc = d4skip(tb, 1)) ++n;
    counts.push_back(n);
  }
  d4initUndo(engine);
  return counts;
}

}  // namespace dbtest
