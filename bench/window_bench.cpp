// window_bench <quick|detail|history> [refreshes]
// Opens one report window by its key (F9, F4, F6) on the program's main window, in a
// fresh process over the generated database (bench/BenchDatabase.h; STOVREL_BENCH_DB
// keeps it between runs): the key pressed and released through the window system's
// input path, then the clock runs until the program is idle: every queued event
// handled, the window painted, and a round trip to the window system bringing nothing
// more. On the display named by DISPLAY when one is set (a virtual one such as Xvfb will
// do), offscreen otherwise; QT_QPA_PLATFORM chooses another. Prints the time from the
// key to idle, the process's CPU time over it and the machine's load average, and the
// memory then, after the given number of refreshes (each timed the same way) and after
// the window is closed. Settings go to a temporary folder, so every run is a first one.

#include <stdlib.h>
#include <sys/resource.h>

#include <QApplication>
#include <QDir>
#include <QElapsedTimer>
#include <QEventLoop>
#include <QFile>
#include <QMdiArea>
#include <QMdiSubWindow>
#include <QTest>
#include <QTimer>
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

// Counts the events the application delivers (but those of `ignored`), and the paints
// among them.
class EventCounter : public QObject {
 public:
  size_t events = 0, paints = 0;
  const QObject* ignored = nullptr;

 protected:
  bool eventFilter(QObject* watched, QEvent* event) override {
    if (watched != ignored) {
      ++events;
      if (event->type() == QEvent::Paint) ++paints;
    }
    return QObject::eventFilter(watched, event);
  }
};

EventCounter* g_counter = nullptr;

// How long the program must deliver nothing to count as idle from the start of that while.
constexpr int kQuietMs = 100;

// Runs the event loop until the program is idle and returns `now()` taken when it
// became so: after a pass over everything queued (deferred deletes included) and a
// round trip in which the window system showed what was drawn, a quiet while brings
// no event. The quiet while is not part of the wait.
template <class Now>
auto Settle(Now now) {
  QTimer quiet;
  quiet.setSingleShot(true);
  g_counter->ignored = &quiet;
  QEventLoop loop;
  QObject::connect(&quiet, &QTimer::timeout, &loop, &QEventLoop::quit);
  for (;;) {
    QApplication::processEvents();
    QApplication::sendPostedEvents(nullptr, QEvent::DeferredDelete);
    QGuiApplication::sync();
    const auto idle = now();
    const size_t before = g_counter->events;
    quiet.start(kQuietMs);
    loop.exec();
    if (g_counter->events == before) return idle;
  }
}

void Settle() {
  Settle([] { return 0; });
}

// The key of a window's command; 0 for none.
Qt::Key KeyOf(const QString& which) {
  if (which == QLatin1String("quick")) return Qt::Key_F9;
  if (which == QLatin1String("detail")) return Qt::Key_F4;
  if (which == QLatin1String("history")) return Qt::Key_F6;
  return Qt::Key(0);
}

// The process's CPU time (user and system) in seconds.
double CpuSeconds() {
  rusage u {};
  getrusage(RUSAGE_SELF, &u);
  return static_cast<double>(u.ru_utime.tv_sec + u.ru_stime.tv_sec) + (u.ru_utime.tv_usec + u.ru_stime.tv_usec) / 1e6;
}

// The machine's load average over the last minute.
double Load() {
  double load[1] = {0};
  return getloadavg(load, 1) == 1 ? load[0] : 0;
}

// Times `step` up to idle in wall and CPU seconds; a step that leaves nothing painted
// ends the run.
struct Timed {
  double wall = 0, cpu = 0;
};
template <class Step>
Timed Time(Step step) {
  QElapsedTimer t;
  const double cpu = CpuSeconds();
  const size_t paints = g_counter->paints;
  t.start();
  step();
  const Timed timed = Settle([&] { return Timed {t.nsecsElapsed() / 1e9, CpuSeconds() - cpu}; });
  if (g_counter->paints == paints) benchdb::Die(QStringLiteral("nothing painted"));
  return timed;
}

}  // namespace

int main(int argc, char** argv) {
  if (!qEnvironmentVariableIsSet("QT_QPA_PLATFORM"))
    qputenv("QT_QPA_PLATFORM", qEnvironmentVariableIsEmpty("DISPLAY") ? "offscreen" : "xcb");
  const Qt::Key key = argc > 1 ? KeyOf(QString::fromLocal8Bit(argv[1])) : Qt::Key(0);
  if (key == 0) {
    std::fprintf(stderr, "usage: window_bench <quick|detail|history> [refreshes]\n");
    return 2;
  }
  const int refreshes = argc > 2 ? std::atoi(argv[2]) : 0;
  qputenv("HOME", benchdb::TempDir("/window-bench-home-XXXXXX").toLocal8Bit());
  qputenv("STOVREL_REGISTRY_DIR", benchdb::TempDir("/window-bench-reg-XXXXXX").toLocal8Bit());
  QApplication app(argc, argv);
  EventCounter counter;
  g_counter = &counter;
  app.installEventFilter(&counter);
  benchdb::OpenSampleDatabase("/tmp/window-bench-XXXXXX");

  frmMain main;
  main.resize(1366, 768);
  main.show();
  main.activateWindow();
  // A key goes to the active window: wait (bounded) until the window system made it so.
  if (!QTest::qWaitForWindowActive(&main)) benchdb::Die(QStringLiteral("the main window is not active"));
  Settle();
  auto* mdi = main.findChild<QMdiArea*>();
  if (mdi == nullptr) benchdb::Die(QStringLiteral("no window area"));
  const double before = StatusMiB("VmRSS:");

  const Timed open = Time([&] { QTest::keyClick(main.windowHandle(), key); });
  QMdiSubWindow* sub = mdi->activeSubWindow();
  if (sub == nullptr) benchdb::Die(QStringLiteral("no window opened by the key"));
  std::printf("%s on %s, load %.2f: open %.3f s (CPU %.3f s), RSS %.0f MiB (%.0f before; %.0f anonymous, %.0f mapped "
              "files), peak %.0f MiB\n",
              argv[1], qPrintable(QGuiApplication::platformName()), Load(), open.wall, open.cpu, StatusMiB("VmRSS:"),
              before, StatusMiB("RssAnon:"), StatusMiB("RssFile:"), StatusMiB("VmHWM:"));

  // The shown pane's Refresh (the window holds a hidden pane of the other kind).
  QToolButton* refresh = nullptr;
  for (auto* b : sub->findChildren<QToolButton*>(QStringLiteral("cmdRefresh")))
    if (b->isVisibleTo(sub)) refresh = b;
  if (refreshes > 0 && refresh == nullptr) benchdb::Die(QStringLiteral("no Refresh button"));
  double slowest = 0;
  Timed total;
  for (int i = 0; i < refreshes; ++i) {
    const Timed r = Time([&] { refresh->click(); });
    total.wall += r.wall;
    total.cpu += r.cpu;
    if (r.wall > slowest) slowest = r.wall;
  }
  if (refreshes > 0)
    std::printf("%s: %d refreshes, load %.2f, mean %.3f s (CPU %.3f s), slowest %.3f s, RSS %.0f MiB, peak %.0f MiB\n",
                argv[1], refreshes, Load(), total.wall / refreshes, total.cpu / refreshes, slowest, StatusMiB("VmRSS:"),
                StatusMiB("VmHWM:"));

  sub->close();
  Settle();
  std::printf("%s: closed, RSS %.0f MiB\n", argv[1], StatusMiB("VmRSS:"));
  gDB().CloseDB();
  return 0;
}
