#include "shell/mdlSystem.h"

#include <QAction>
#include <QApplication>
#include <QCoreApplication>
#include <QDialog>
#include <QDockWidget>
#include <QFile>
#include <QThread>
#include <QTimer>
#include <array>
#include <barrier>

#include "platform/ui/WindowRegistry.h"
#include "services/mdlRegistry.h"
#include "tests/support/TestEnv.h"
#include "tests/shell/ShellTestSupport.h"

namespace {

using shelltest::ShellTest;
using Claimed = mdlSystem::SingleInstance::Claimed;

class StartupTest : public ShellTest {
 protected:
  static QString UniqueServerName() {
    static int n = 0;
    return QStringLiteral("stovrel-test-%1-%2").arg(QCoreApplication::applicationPid()).arg(++n);
  }
  // The splash windows that exist.
  static QList<frmSplash*> Splashes() {
    QList<frmSplash*> found;
    for (QWidget* w : QApplication::topLevelWidgets()) {
      if (auto* s = qobject_cast<frmSplash*>(w)) found << s;
    }
    return found;
  }
};

TEST_F(StartupTest, SecondCopyIsRefusedAndRaisesTheFirst) {
  const QString name = UniqueServerName();
  mdlSystem::SingleInstance first(name);
  ASSERT_EQ(first.Listen(), Claimed::kThisCopy);
  frmMain& m = Main();
  m.showMinimized();
  QObject::connect(&first, &mdlSystem::SingleInstance::ComeForwardRequested, &m,
                   [&m] { mdlSystem::ComeForward(m); });
  int raised = 0;
  QObject::connect(&first, &mdlSystem::SingleInstance::ComeForwardRequested, [&raised] { ++raised; });

  mdlSystem::SingleInstance second(name);
  prompts->Expect(QStringLiteral("Stovrel is already running!"));
  EXPECT_EQ(mdlSystem::Main(second, 1), nullptr);
  EXPECT_EQ(prompts->Last().icon, ui::vbExclamation);
  EXPECT_EQ(prompts->Last().buttons, ui::vbOKOnly);
  EXPECT_EQ(prompts->Last().title, QStringLiteral("Stovrel"));
  EXPECT_NE(prompts->Last().style & ui::vbSystemModal, 0) << "in front of the first copy's windows";
  EXPECT_TRUE(Splashes().isEmpty());

  EXPECT_EQ(raised, 0);  // the message comes first
  ASSERT_TRUE(shelltest::WaitFor(&first, &mdlSystem::SingleInstance::ComeForwardRequested));
  EXPECT_EQ(raised, 1);
  EXPECT_FALSE(m.isMinimized());
  EXPECT_TRUE(m.isVisible());
}

TEST_F(StartupTest, ComingForwardGivesBackTheStateBeforeMinimizing) {
  struct Case {
    Qt::WindowState before;
    bool byWindowManager;  // which reports "minimized" alone
  };
  for (const Case c : {Case{Qt::WindowNoState, false}, Case{Qt::WindowMaximized, false},
                       Case{Qt::WindowMaximized, true}, Case{Qt::WindowFullScreen, true}}) {
    SCOPED_TRACE(testing::Message() << c.before << " " << c.byWindowManager);
    main_.reset();
    frmMain& m = Main();
    m.setWindowState(c.before);
    m.show();
    if (c.byWindowManager) {
      m.setWindowState(Qt::WindowMinimized);
    } else {
      m.showMinimized();
    }
    ASSERT_TRUE(m.isMinimized());
    mdlSystem::ComeForward(m);
    EXPECT_EQ(m.windowState() & ~Qt::WindowActive, Qt::WindowStates(c.before));
    EXPECT_TRUE(m.isVisible());
  }
}

// Raised last and given the keyboard: the open modal dialog, which alone takes input;
// a window opened after the main window (help) comes back over it too.
TEST_F(StartupTest, ComingForwardKeepsTheOpenDialogOnTop) {
  const auto activates = [](QWidget& w) {
    w.show();
    w.activateWindow();
    return shelltest::SettlesTo([&] { return QApplication::activeWindow() == &w; });
  };
  frmMain& m = Main();
  ASSERT_TRUE(activates(m));
  QWidget help;
  ASSERT_TRUE(activates(help));
  QDialog dialog(&m);
  dialog.setModal(true);
  ASSERT_TRUE(activates(dialog));
  activates(m);  // what the first copy's old answer did

  struct Raises : QObject {
    QList<QObject*> order;
    bool eventFilter(QObject* watched, QEvent* event) override {
      if (event->type() == QEvent::ZOrderChange) order << watched;
      return false;
    }
  } raises;
  for (QWidget* w : {static_cast<QWidget*>(&m), &help, static_cast<QWidget*>(&dialog)}) w->installEventFilter(&raises);
  mdlSystem::ComeForward(m);
  ASSERT_FALSE(raises.order.isEmpty());
  EXPECT_EQ(raises.order.first(), &m);
  EXPECT_TRUE(raises.order.contains(&help));
  EXPECT_EQ(raises.order.last(), &dialog);
  EXPECT_TRUE(shelltest::SettlesTo([&] { return QApplication::activeWindow() == &dialog; }));
}

TEST_F(StartupTest, ServerLeftByADeadCopyIsReplaced) {
  const QString name = UniqueServerName();
  // What a copy that was killed leaves: the socket's name taken, nobody listening.
  QFile stale(QDir::tempPath() + QLatin1Char('/') + name);
  ASSERT_TRUE(stale.open(QIODevice::WriteOnly));
  stale.close();
  mdlSystem::SingleInstance copy(name);
  EXPECT_EQ(copy.Listen(), Claimed::kThisCopy);
  mdlSystem::SingleInstance later(name);
  EXPECT_EQ(later.Listen(), Claimed::kOtherCopy);
  EXPECT_TRUE(later.AskOtherToComeForward());
}

// Folders the lock cannot go in: a file, a folder that does not exist, one that even the
// superuser cannot write in.
QString Unusable(int kind) {
  switch (kind) {
    case 0: {
      const QString file = testenv::NewTempDir(QStringLiteral("file")) + QStringLiteral("/plain");
      QFile f(file);
      EXPECT_TRUE(f.open(QIODevice::WriteOnly));
      return file;
    }
    case 1: return testenv::NewTempDir(QStringLiteral("gone")) + QStringLiteral("/missing");
    default: return QStringLiteral("/sys");
  }
}

// A lock that cannot be made is no other copy: the lock goes into the next folder of the
// user's (the runtime folder, then the settings folder), where a later copy finds it and
// reaches the first through the socket beside it; where no folder takes it, each copy
// runs and another cannot be detected.
TEST_F(StartupTest, ALockThatCannotBeMadeIsNoOtherCopy) {
  enum Where { kTemp, kRuntime, kSettings, kNowhere };
  struct Case {
    bool temp, runtime, settings;  // usable
    Where lock;
  };
  const Case cases[] = {
      {true, true, true, kTemp},
      {false, true, true, kRuntime},
      {false, false, true, kSettings},
      {false, false, false, kNowhere},
  };
  for (int kind = 0; kind < 3; ++kind) {
    for (const Case& c : cases) {
      SCOPED_TRACE(testing::Message() << "unusable kind " << kind << ", lock in " << c.lock);
      const QString folders[] = {c.temp ? testenv::NewTempDir(QStringLiteral("tmp")) : Unusable(kind),
                                 c.runtime ? testenv::NewTempDir(QStringLiteral("run")) : Unusable(kind),
                                 // a missing settings folder is made
                                 c.settings ? testenv::NewTempDir(QStringLiteral("cfg")) : Unusable(kind == 1 ? 0 : kind)};
      const testenv::ScopedEnv temp("TMPDIR", folders[0]);
      const testenv::ScopedEnv runtime("XDG_RUNTIME_DIR", folders[1]);
      const testenv::ScopedEnv settings("STOVREL_REGISTRY_DIR", folders[2]);
      const QString name = UniqueServerName();
      mdlSystem::SingleInstance first(name);
      mdlSystem::SingleInstance second(name);
      if (c.lock == kNowhere) {
        EXPECT_EQ(first.Listen(), Claimed::kUndetectable);
        EXPECT_EQ(second.Listen(), Claimed::kUndetectable);
        continue;
      }
      EXPECT_EQ(first.Listen(), Claimed::kThisCopy);
      EXPECT_TRUE(QFile::exists(folders[c.lock] + QLatin1Char('/') + name + QStringLiteral(".lock")));
      EXPECT_EQ(second.Listen(), Claimed::kOtherCopy);
      EXPECT_TRUE(second.AskOtherToComeForward());
      EXPECT_TRUE(shelltest::WaitFor(&first, &mdlSystem::SingleInstance::ComeForwardRequested));
    }
  }
}

// Where no lock can be made the program starts and says once that a second copy cannot be
// detected.
TEST_F(StartupTest, WithoutALockTheProgramRunsAndSaysSo) {
  const testenv::ScopedEnv temp("TMPDIR", Unusable(0));
  const testenv::ScopedEnv runtime("XDG_RUNTIME_DIR", Unusable(1));
  const testenv::ScopedEnv settings("STOVREL_REGISTRY_DIR", Unusable(0));
  mdlSystem::SingleInstance instance(UniqueServerName());
  prompts->ExpectContaining(QStringLiteral("cannot detect a second copy"));
  main_ = mdlSystem::Main(instance, 1);
  ASSERT_NE(main_, nullptr);
  EXPECT_TRUE(main_->isVisible());
  ASSERT_EQ(prompts->Shown().size(), 1);
  EXPECT_EQ(prompts->Last().title, QStringLiteral("Stovrel"));
  EXPECT_EQ(prompts->Last().icon, ui::vbExclamation);
}

// Copies started at the same moment: exactly one runs, however the starts interleave,
// also where the temporary folder takes no lock.
TEST_F(StartupTest, CopiesStartedTogetherLeaveOneRunning) {
  constexpr int kCopies = 6;
  for (int round = 0; round < 10; ++round) {
    SCOPED_TRACE(round);
    const testenv::ScopedEnv temp("TMPDIR", round % 2 == 0 ? QDir::tempPath() : Unusable(round / 2 % 3));
    const QString name = UniqueServerName();
    std::barrier together(kCopies);
    std::array<bool, kCopies> won{};
    std::vector<std::unique_ptr<QThread>> copies;
    for (int i = 0; i < kCopies; ++i) {
      copies.emplace_back(QThread::create([&, i] {
        mdlSystem::SingleInstance copy(name);
        together.arrive_and_wait();
        won[i] = copy.Listen() == Claimed::kThisCopy;
        together.arrive_and_wait();  // every copy has tried while the others still run
      }));
      copies.back()->start();
    }
    for (auto& t : copies) t->wait();
    EXPECT_EQ(std::count(won.begin(), won.end(), true), 1);
  }
}

// The splash stays up, topmost, with the main window disabled behind it, until its
// timer has ticked in splash mode; then it is gone and the main window is enabled.
TEST_F(StartupTest, SplashWaitsForItsTimerWithTheMainWindowDisabled) {
  mdlSystem::SingleInstance instance(UniqueServerName());
  struct Seen {
    bool splashShown = false;
    bool topmost = false;
    bool splashMode = false;
    int interval = 0;
    bool mainDisabled = false;
  } seen;
  // Looks at every turn of the event loop until both windows are up.
  QTimer look;
  look.setInterval(0);
  QObject::connect(&look, &QTimer::timeout, [&] {
    const QList<frmSplash*> s = Splashes();
    auto* main = qobject_cast<frmMain*>(ui::FindByTag(QStringLiteral("MAINFORM")));
    if (s.size() != 1 || main == nullptr || !main->isVisible()) return;
    look.stop();
    seen.splashShown = s[0]->isVisible();
    seen.topmost = s[0]->windowFlags().testFlag(Qt::WindowStaysOnTopHint);
    seen.splashMode = s[0]->m_bSplashMode;
    seen.interval = s[0]->Timer1->interval();
    seen.mainDisabled = !main->isEnabled();
  });
  look.start();
  // Long enough for a loaded machine to turn the event loop while both windows are up.
  main_ = mdlSystem::Main(instance, 1000);
  ASSERT_NE(main_, nullptr);
  EXPECT_TRUE(seen.splashShown);
  EXPECT_TRUE(seen.topmost);
  EXPECT_TRUE(seen.splashMode);
  EXPECT_EQ(seen.interval, 1000);
  EXPECT_TRUE(seen.mainDisabled);
  EXPECT_TRUE(Splashes().isEmpty());
  EXPECT_TRUE(main_->isEnabled());
  EXPECT_TRUE(main_->isVisible());
  EXPECT_FALSE(QApplication::windowIcon().isNull());  // the program's, not the toolkit's
  EXPECT_FALSE(gDB().IsOpen());
  EXPECT_TRUE(main_->SBContainer->isHidden());
  EXPECT_EQ(frmSplash().Timer1->interval(), 3000);
}

TEST_F(StartupTest, TheLastDatabaseIsOpenedAfterTheSplash) {
  const QString dir = OpenNewDatabase();
  gDB().SetParamValue(gDB().MakeCustomFieldParamName(QStringLiteral("svltran.dbf"), QStringLiteral("catid")),
                      QStringLiteral("Reasons"));
  gDB().CloseDB();
  struct Case {
    bool deleteFolder;
    bool open;
  };
  for (const Case c : {Case{false, true}, Case{true, false}}) {
    SCOPED_TRACE(c.deleteFolder);
    main_.reset();
    gDB().CloseDB();
    if (c.deleteFolder) {
      ASSERT_TRUE(QDir(dir).removeRecursively());
      QString text;
      ExpectMsg(&text);
      mdlSystem::SingleInstance instance(UniqueServerName());
      main_ = mdlSystem::Main(instance, 1);
      EXPECT_TRUE(text.startsWith(QStringLiteral("OPEN FAILED!")));
    } else {
      mdlSystem::SingleInstance instance(UniqueServerName());
      main_ = mdlSystem::Main(instance, 1);
    }
    EXPECT_EQ(gDB().IsOpen(), c.open);
    EXPECT_EQ(main_->SBContainer->isHidden(), !c.open);
    EXPECT_EQ(main_->MenuItem(QStringLiteral("mnuConfigureTransactionCategories"))->text(),
              c.open ? QStringLiteral("Transaction Reasons") : QStringLiteral("Transaction Categories"));
  }
}

TEST_F(StartupTest, RememberedPositionAndTheNarrowScreenRule) {
  struct Case {
    int screenWidth;
    bool remembered;
    bool maximized;
  };
  const Case cases[] = {
      {799, true, true},    // narrow: maximised whatever is remembered
      {800, true, false},   // the remembered placement
      {1024, false, true},  // the first run: nothing remembered
      {1024, true, false},
  };
  for (const Case& c : cases) {
    SCOPED_TRACE(testing::Message() << c.screenWidth << " remembered " << c.remembered);
    // A panel takes the top 30 pixels.
    ui::SetScreen(std::make_unique<ui::FixedScreen>(
        ui::ScreenMetrics{c.screenWidth, 600, 96.0, 96.0, c.screenWidth, 570, 0, 30}));
    // 15 twips a pixel: 50, 40, 600 x 450 pixels.
    for (const char* v : {"left", "top", "width", "height", "windowstate"}) {
      mdlRegistry::PrefSaveLong(QLatin1String(v), 0);
    }
    if (c.remembered) {
      mdlRegistry::PrefSaveLong(QStringLiteral("left"), 750);
      mdlRegistry::PrefSaveLong(QStringLiteral("top"), 600);
      mdlRegistry::PrefSaveLong(QStringLiteral("width"), 9000);
      mdlRegistry::PrefSaveLong(QStringLiteral("height"), 6750);
    }
    std::unique_ptr<frmMain> m = mdlSystem::LoadMainWindow();
    EXPECT_EQ(m->isMaximized(), c.maximized);
    if (c.maximized) {
      // The available area also where no window manager maximizes it.
      EXPECT_EQ(m->geometry(), QRect(0, 30, c.screenWidth, 570));
    } else {
      EXPECT_EQ(m->pos(), QPoint(50, 40));
      EXPECT_EQ(m->size(), QSize(600, 450));
    }
  }
}

}  // namespace
