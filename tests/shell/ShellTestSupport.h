#pragma once
// Shared fixture of the shell tests: scripted prompts, dialogs and folder pickers
// (anything unscripted fails the test), a registry and a home folder of the test's own,
// a fixed 1024 x 768 screen, and a main window.

#include <gtest/gtest.h>

#include <QCoreApplication>
#include <QDialog>
#include <QDir>
#include <QEventLoop>
#include <QTimer>
#include <memory>

#include "database/clsDB.h"
#include "platform/runtime/Error.h"
#include "platform/ui/FileDialogs.h"
#include "platform/ui/testing/FakeFileDialogs.h"
#include "platform/ui/Screen.h"
#include "platform/ui/testing/TestPrompts.h"
#include "services/clsSystem.h"
#include "shell/frmMain.h"
#include "tests/support/TestEnv.h"

namespace shelltest {

// Runs the event loop until `sender` emits `signal` (true) or, failing that, for at
// most `limitMs` (false): a bound against hanging, not a measurement.
template <class Sender, class Signal>
bool WaitFor(Sender* sender, Signal signal, int limitMs = 10000) {
  QEventLoop loop;
  bool emitted = false;
  const QMetaObject::Connection c = QObject::connect(sender, signal, &loop, [&] {
    emitted = true;
    loop.quit();
  });
  QTimer::singleShot(limitMs, &loop, &QEventLoop::quit);
  loop.exec();
  QObject::disconnect(c);
  return emitted;
}

// Turns the event loop until `done` holds, a bounded number of times.
template <class Done>
bool SettlesTo(Done done) {
  for (int i = 0; i < 200 && !done(); ++i) QCoreApplication::processEvents(QEventLoop::AllEvents, 10);
  return done();
}

class ShellTest : public ::testing::Test {
 protected:
  void SetUp() override {
    auto fail = [](const QString& s) { ADD_FAILURE() << "unexpected: " << s.toStdString(); };
    prompts->SetOnUnexpected(fail);
    runner->SetOnUnexpected(fail);
    savedHome_ = qgetenv("HOME");
    savedRegistry_ = qgetenv("STOVREL_REGISTRY_DIR");
    qputenv("HOME", testenv::NewTempDir(QStringLiteral("home")).toUtf8());
    qputenv("STOVREL_REGISTRY_DIR", testenv::NewTempDir(QStringLiteral("reg")).toUtf8());
  }
  void TearDown() override {
    main_.reset();
    gSystem().UnloadAll();
    gDB().CloseDB();
    rt::Err().Clear();
    qputenv("HOME", savedHome_);
    qputenv("STOVREL_REGISTRY_DIR", savedRegistry_);
    EXPECT_EQ(prompts->Pending(), 0) << "scripted prompts not shown";
    EXPECT_EQ(runner->Pending(), 0) << "scripted dialogs not run";
    EXPECT_EQ(folders->Pending(), 0) << "scripted folders not chosen";
    EXPECT_TRUE(folders->Unexpected().isEmpty()) << folders->Unexpected().join(", ").toStdString();
  }

  frmMain& Main() {
    if (main_ == nullptr) main_ = std::make_unique<frmMain>();
    return *main_;
  }

  // The main window over a new, open database, shown at `size`.
  frmMain& ShownMainOnNewDatabase(QSize size = {1000, 700}) {
    OpenNewDatabase();
    frmMain& m = Main();
    m.resize(size);
    m.show();
    return m;
  }

  // A new, open database in a fresh folder.
  static QString OpenNewDatabase() {
    const QString dir = testenv::NewTempDir(QStringLiteral("db"));
    EXPECT_TRUE(gDB().NewDB(dir));
    return dir;
  }

  // Expects the next message window and captures its text.
  void ExpectMsg(QString* text = nullptr) {
    runner->Then(QStringLiteral("frmMessage"), [text](QDialog& dlg) {
      if (text != nullptr) *text = ui::test::TextOf(dlg, QStringLiteral("txtMsg"));
      dlg.accept();
    });
  }

  ui::ScopedScreen screen_{ui::ScreenMetrics{1024, 768, 96.0, 96.0}};
  ui::test::ScopedFakePrompts prompts;
  ui::test::ScopedFakeModalRunner runner;
  ui::test::ScopedFakeFileDialogs folders;
  std::unique_ptr<frmMain> main_;

 private:
  QByteArray savedHome_;
  QByteArray savedRegistry_;
};

}  // namespace shelltest
