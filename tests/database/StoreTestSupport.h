#pragma once
// Fixture of the store tests: a database folder made from the templates beside the
// test program, an engine of its own (no facade, no prompts) that gives up a refused
// lock at once, and a second engine for another user.

#include <gtest/gtest.h>

#include <QDir>
#include <QFile>
#include <string>

#include "database/store/Session.h"
#include "platform/runtime/App.h"
#include "platform/runtime/Codepage.h"
#include "platform/xbase/Engine.h"
#include "tests/support/TestEnv.h"

namespace storetest {

// A fresh database folder: every table of a new database, copied from the templates.
inline QString NewFolder() {
  const QString dir = testenv::NewTempDir(QStringLiteral("store"));
  const QDir program(rt::App::Path());
  for (const QString& name : program.entryList({QStringLiteral("svl*.??_")}, QDir::Files)) {
    QString target = name;
    target.replace(QStringLiteral(".db_"), QStringLiteral(".dbf"));
    target.replace(QStringLiteral(".cd_"), QStringLiteral(".cdx"));
    target.replace(QStringLiteral(".fp_"), QStringLiteral(".fpt"));
    QFile::copy(program.filePath(name), dir + QLatin1Char('/') + target);
  }
  return dir;
}

class StoreTest : public ::testing::Test {
 protected:
  StoreTest() : folder_(NewFolder()), session_(engine_, folder_) {
    engine_.code = d4init_v();
    code4lockAttempts(engine_.code, 1);
    code4lockDelay(engine_.code, 0);
  }
  ~StoreTest() override { d4initUndo(engine_.code); }

  QString PathOf(const char* file) const { return session_.PathOf(QLatin1String(file)); }

  store::Engine engine_;
  QString folder_;
  store::Session session_;
};

// Another user: a second engine holding the lock of the row a tag finds for a text.
class OtherUser {
 public:
  explicit OtherUser(const QString& path) : engine_(d4init_v()), table_(d4open(engine_, QFile::encodeName(path).constData())) {}
  ~OtherUser() { d4initUndo(engine_); }
  OtherUser(const OtherUser&) = delete;
  OtherUser& operator=(const OtherUser&) = delete;
  bool LockRow(const char* tag, const QString& text, bool upper) {
    if (table_ == nullptr) return false;
    d4tagSelect(table_, d4tag(table_, tag));
    std::string key = rt::ToCp1252(upper ? text.toUpper() : text);
    key.resize(200, ' ');
    return d4seek(table_, key.c_str()) == 0 && d4lock(table_, d4recNo(table_)) == 0;
  }

 private:
  CODE4* engine_;
  DATA4* table_;
};

}  // namespace storetest
