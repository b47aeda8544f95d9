// window_bench <quick|detail|history> [refreshes]
// Opens one report window the way its menu command does, in a fresh process over the
// generated database (bench/BenchDatabase.h; STOVREL_BENCH_DB keeps it between runs):
// the main window shown, the command's menu item triggered, the events processed and
// the main window painted. Prints the time from the command to the painted rows and the
// memory then, after the given number of refreshes (each timed the same way) and after
// the window is closed. Settings go to a temporary folder, so every run is a first one.

#include <stdlib.h>

#include <QAction>
#include <QApplication>
#include <QDir>
#include <QElapsedTimer>
#include <QFile>
#include <QMdiArea>
#include <QMdiSubWindow>
#include <QToolButton>
#include <cstdio>
#include <cstring>

#include "bench/BenchDatabase.h"
#include "shell/frmMain.h"

namespace {

// VmRSS or VmHWM of the process in MiB.
double StatusMiB(const char* key) {
  QFile f(QStringLiteral("/proc/self/status"));
  if (!f.open(QIODevice::ReadOnly)) return 0;
  for (const QByteArray& line : f.readAll().split('\n'))
    if (line.startsWith(key)) return line.mid(static_cast<qsizetype>(std::strlen(key))).trimmed().split(' ')[0].toDouble() / 1024;
  return 0;
}

// Runs what the event loop has queued and paints the main window, children included.
void Settle(QWidget& main) {
  QApplication::processEvents();
  QApplication::sendPostedEvents(nullptr, QEvent::DeferredDelete);
  QApplication::processEvents();
  (void)main.grab();
}

const char* MenuItem(const QString& which) {
  if (which == QLatin1String("quick")) return "mnuReportsQuickInventory";
  if (which == QLatin1String("detail")) return "mnuReportsInventory";
  if (which == QLatin1String("history")) return "mnuReportTransactions";
  return nullptr;
}

}  // namespace

int main(int argc, char** argv) {
  if (!qEnvironmentVariableIsSet("QT_QPA_PLATFORM")) qputenv("QT_QPA_PLATFORM", "offscreen");
  const char* item = argc > 1 ? MenuItem(QString::fromLocal8Bit(argv[1])) : nullptr;
  if (item == nullptr) {
    std::fprintf(stderr, "usage: window_bench <quick|detail|history> [refreshes]\n");
    return 2;
  }
  const int refreshes = argc > 2 ? std::atoi(argv[2]) : 0;
  qputenv("HOME", benchdb::TempDir("/window-bench-home-XXXXXX").toLocal8Bit());
  qputenv("STOVREL_REGISTRY_DIR", benchdb::TempDir("/window-bench-reg-XXXXXX").toLocal8Bit());
  QApplication app(argc, argv);
  benchdb::OpenSampleDatabase("/tmp/window-bench-XXXXXX");

  frmMain main;
  main.resize(1366, 768);
  main.show();
  Settle(main);
  auto* action = main.findChild<QAction*>(QLatin1String(item));
  auto* mdi = main.findChild<QMdiArea*>();
  if (action == nullptr || mdi == nullptr) benchdb::Die(QStringLiteral("menu item ") + QLatin1String(item));
  const double before = StatusMiB("VmRSS:");

  QElapsedTimer t;
  t.start();
  action->trigger();
  Settle(main);
  const double open = t.nsecsElapsed() / 1e9;
  QMdiSubWindow* sub = mdi->activeSubWindow();
  if (sub == nullptr) benchdb::Die(QStringLiteral("no window opened"));
  std::printf("%s: open %.3f s, RSS %.0f MiB (%.0f before; %.0f anonymous, %.0f mapped files), peak %.0f MiB\n",
              argv[1], open, StatusMiB("VmRSS:"), before, StatusMiB("RssAnon:"), StatusMiB("RssFile:"),
              StatusMiB("VmHWM:"));

  // The shown pane's Refresh (the window holds a hidden pane of the other kind).
  QToolButton* refresh = nullptr;
  for (auto* b : sub->findChildren<QToolButton*>(QStringLiteral("cmdRefresh")))
    if (b->isVisibleTo(sub)) refresh = b;
  if (refreshes > 0 && refresh == nullptr) benchdb::Die(QStringLiteral("no Refresh button"));
  double slowest = 0;
  double total = 0;
  for (int i = 0; i < refreshes; ++i) {
    t.restart();
    refresh->click();
    Settle(main);
    const double s = t.nsecsElapsed() / 1e9;
    total += s;
    if (s > slowest) slowest = s;
  }
  if (refreshes > 0)
    std::printf("%s: %d refreshes, mean %.3f s, slowest %.3f s, RSS %.0f MiB, peak %.0f MiB\n", argv[1],
                refreshes, total / refreshes, slowest, StatusMiB("VmRSS:"), StatusMiB("VmHWM:"));

  sub->close();
  Settle(main);
  std::printf("%s: closed, RSS %.0f MiB\n", argv[1], StatusMiB("VmRSS:"));
  gDB().CloseDB();
  return 0;
}
