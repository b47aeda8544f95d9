#pragma once
// Fixture of the store tests: a database folder made from the templates beside the
// test program, an engine of its own (no facade, no prompts) that gives up a refused
// lock at once. Another user: dbtest::OtherUser.

#include <gtest/gtest.h>

#include <QDir>
#include <QFile>

#include "database/store/Session.h"
#include "platform/runtime/App.h"
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

}  // namespace storetest
