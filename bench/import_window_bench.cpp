// import_window_bench <products|updates|transactions|export|large|cancel> [rows] [preview]
// Runs an import or the export the way a user does, in a fresh process: the main window
// shown, the command's menu item triggered, the dialogs worked through their named
// controls (the modal-runner, prompt and file-dialog seams stand in for the user), and
// prints each step's time from the click with the load average and the process's CPU
// time.
//   products      100,000 new products into a new database: "Validate and Preview"
//                 clicked -> preview shown, Continue clicked -> closing message.
//   updates       as products, then the same file imported again and timed: every row
//                 updates the product it added.
//   transactions  100,000 Receives of the products of a copy of the generated database
//                 (bench/BenchDatabase.h; STOVREL_BENCH_DB keeps it between runs), timed
//                 as products.
//   export        the 100,000 products of a generated database -> file written.
//   large         400,000 transactions: "Validate and Preview" clicked -> first window
//                 shown, -> preview shown, which is then cancelled.
//   cancel        as large, but the first window's Cancel is pressed once it is shown:
//                 -> back at the import dialog.
// "preview" stops any import at its preview (Cancel there).
// On the display when DISPLAY is set, else offscreen. Settings and files go to temporary
// folders, removed at the end.

#include <stdlib.h>
#include <sys/resource.h>

#include <QAction>
#include <QApplication>
#include <QComboBox>
#include <QDialog>
#include <QDir>
#include <QElapsedTimer>
#include <QFile>
#include <QLineEdit>
#include <QPushButton>
#include <QTemporaryDir>
#include <QTimer>
#include <cstdio>
#include <cstdlib>
#include <memory>

#include "bench/BenchDatabase.h"
#include "bench/ProductFile.h"
#include "database/SampleDatabase.h"
#include "database/clsDB.h"
#include "database/store/Codes.h"
#include "database/store/Products.h"
#include "exchange/ExchangeSupport.h"
#include "exchange/ProductCsv.h"
#include "platform/runtime/App.h"
#include "platform/ui/ModalRunner.h"
#include "platform/ui/Prompt.h"
#include "platform/ui/testing/FakeFileDialogs.h"
#include "shell/frmMain.h"

namespace {

enum class Mode { kProducts, kUpdates, kTransactions, kExport, kLarge, kCancel };

QTemporaryDir& WorkDir() {
  static QTemporaryDir dir(QDir::tempPath() + QStringLiteral("/import-window-bench-XXXXXX"));
  if (!dir.isValid()) benchdb::Die(QStringLiteral("temporary folder"));
  return dir;
}

double CpuSeconds() {
  rusage u{};
  getrusage(RUSAGE_SELF, &u);
  return static_cast<double>(u.ru_utime.tv_sec + u.ru_stime.tv_sec) +
         static_cast<double>(u.ru_utime.tv_usec + u.ru_stime.tv_usec) / 1e6;
}

QString LoadAverage() {
  QFile f(QStringLiteral("/proc/loadavg"));
  if (!f.open(QIODevice::ReadOnly)) return QStringLiteral("?");
  return QString::fromLatin1(f.readAll()).section(u' ', 0, 2);
}

// The clock of one step: wall and CPU time since Start.
class Clock {
 public:
  void Start() {
    wall_.start();
    cpu_ = CpuSeconds();
  }
  bool Started() const { return wall_.isValid(); }
  void Print(const char* what) const {
    std::printf("%-34s %7.3f s  (CPU %.3f s, load %s)\n", what, wall_.nsecsElapsed() / 1e9, CpuSeconds() - cpu_,
                LoadAverage().toLatin1().constData());
    std::fflush(stdout);
  }

 private:
  QElapsedTimer wall_;
  double cpu_ = 0;
};

void WriteFile(const QString& path, const QByteArray& heading, int rows, const std::function<QString(int)>& row) {
  QFile f(path);
  if (!f.open(QIODevice::WriteOnly)) benchdb::Die(QStringLiteral("write ") + path);
  f.write(heading + "\r\n");
  for (int i = 0; i < rows; ++i) f.write(row(i).toUtf8());
}

QString ProductFile(int rows) {
  const QString file = WorkDir().filePath(QStringLiteral("products.csv"));
  benchfiles::WriteProductFile(file, rows);
  return file;
}

// Transactions of the visible products of the open database, a third without amount.
QString TranFile(int rows) {
  QStringList partNos;
  ExchangeTables tables;
  if (!exchange::HoldProductRun(tables)) benchdb::Die(QStringLiteral("products table"));
  const store::Status status =
      tables.ForEachVisibleProduct(store::SearchType::kPartNo, [&](int32_t, const store::ProductRecord& r) {
        if (!r.partNo.isEmpty()) partNos << r.partNo;
        return true;
      });
  if (!status.ok() || partNos.isEmpty()) benchdb::Die(QStringLiteral("no part numbers"));
  const QString file = WorkDir().filePath(QStringLiteral("transactions.csv"));
  WriteFile(file, "PARTNUMBER,UNITS,AMOUNTPERUNIT", rows, [&](int i) {
    const QString amount = i % 3 == 0 ? QString() : QStringLiteral("%1.5").arg(i % 70);
    return QStringLiteral("%1,%2,%3\r\n").arg(partNos[(i * 7) % partNos.size()]).arg(1 + i % 9).arg(amount);
  });
  return file;
}

// A copy of the generated database (made when STOVREL_BENCH_DB names none), opened.
void OpenDatabaseCopy() {
  QString source = qEnvironmentVariable("STOVREL_BENCH_DB");
  if (source.isEmpty()) source = WorkDir().filePath(QStringLiteral("source"));
  if (!QFile::exists(QDir(source).filePath(QStringLiteral("svltran.dbf")))) {
    std::fprintf(stderr, "writing the sample database into %s ...\n", source.toLocal8Bit().constData());
    QDir().mkpath(source);
    const QString error = dbsample::WriteSampleDatabase(
        source, rt::App::Path(), {benchdb::kProducts, benchdb::kTransactions, 1});
    if (!error.isEmpty()) benchdb::Die(error);
  }
  const QString copy = WorkDir().filePath(QStringLiteral("db"));
  QDir().mkpath(copy);
  for (const QString& name : QDir(source).entryList(QDir::Files)) {
    if (!QFile::copy(QDir(source).filePath(name), QDir(copy).filePath(name))) benchdb::Die(QStringLiteral("copy ") + name);
  }
  if (!gDB().OpenDB(copy)) benchdb::Die(QStringLiteral("OpenDB ") + copy);
}

// The user: works each dialog and answers each prompt, timing what appears.
class User : public ui::ModalRunner, public ui::Prompts, public QObject {
 public:
  User(Mode mode, QString file, bool previewOnly)
      : mode_(mode), file_(std::move(file)), previewOnly_(previewOnly || mode == Mode::kLarge || mode == Mode::kCancel) {}

  Clock click;  // started by the click that leads to what is timed next
  bool done = false;

  // For the command run once more.
  void Again() {
    done = false;
    importDialogs_ = 0;
  }

  int Run(QDialog& dialog) override {
    const QString name = dialog.objectName();
    dialog.show();
    (void)dialog.grab();
    if (name == QLatin1String("frmImportTran") || name == QLatin1String("frmImportProducts")) {
      if (++importDialogs_ > 1) {
        click.Print("back at the import dialog");
        done = true;
        return Close(dialog, QStringLiteral("cmdCancel"));
      }
      if (auto* type = dialog.findChild<QComboBox*>(QStringLiteral("cboType")))
        type->setCurrentIndex(type->findData(store::Code(store::TranType::kReceive)));
      dialog.findChild<QLineEdit*>(QStringLiteral("txtImportFile"))->setText(file_);
      watching_ = true;
      click.Start();
      return Close(dialog, QStringLiteral("cmdOK"));
    }
    if (name == QLatin1String("frmImportPreview")) {
      click.Print("\"Validate and Preview\" -> preview");
      if (previewOnly_) return Close(dialog, QStringLiteral("cmdCancel"));
      click.Start();
      return Close(dialog, QStringLiteral("cmdContinue"));
    }
    // A closing message of the program's own form.
    const QString text = ui::test::TextOf(dialog, QStringLiteral("txtMsg"));
    Message(text.isEmpty() ? dialog.windowTitle() : text);
    dialog.hide();
    return QDialog::Accepted;
  }

  int MsgBox(const QString& text, int style, const QString&, const QString&, int) override {
    Message(text);
    return ui::ButtonsOf(style) == ui::vbYesNoCancel ? ui::vbNo : ui::vbOK;
  }
  ui::InputAnswer InputBox(const QString&, const QString&, const QString&) override { return {{}, true}; }

  // The first window other than the dialogs above shown after the click.
  bool eventFilter(QObject* watched, QEvent* event) override {
    if (!watching_ || event->type() != QEvent::Show) return false;
    auto* w = qobject_cast<QWidget*>(watched);
    if (w == nullptr || !w->isWindow() || w->objectName().startsWith(QLatin1String("frmImport"))) return false;
    watching_ = false;
    const auto* cancel = w->findChild<QPushButton*>(QStringLiteral("cmdCancel"));
    const bool canCancel = cancel != nullptr && !cancel->isHidden();
    click.Print(qPrintable(QStringLiteral("first window (%1%2)")
                               .arg(w->objectName(), canCancel ? QStringLiteral(", Cancel") : QString())));
    if (mode_ == Mode::kCancel && canCancel) {
      QTimer::singleShot(0, cancel, [this, cancel] {
        click.Start();
        const_cast<QPushButton*>(cancel)->click();
      });
    }
    return false;
  }

 private:
  int Close(QDialog& dialog, const QString& button) {
    dialog.findChild<QPushButton*>(button)->click();
    return dialog.result();
  }
  void Message(const QString& text) {
    if (click.Started()) click.Print("-> message");
    std::printf("  \"%s\"\n", text.left(160).simplified().toLocal8Bit().constData());
    done = true;
  }

  Mode mode_;
  QString file_;
  bool previewOnly_;
  bool watching_ = false;
  int importDialogs_ = 0;
};

}  // namespace

int main(int argc, char** argv) {
  if (!qEnvironmentVariableIsSet("QT_QPA_PLATFORM") && qEnvironmentVariableIsEmpty("DISPLAY"))
    qputenv("QT_QPA_PLATFORM", "offscreen");
  const QString which = argc > 1 ? QString::fromLocal8Bit(argv[1]) : QString();
  const QStringList names{"products", "updates", "transactions", "export", "large", "cancel"};
  if (!names.contains(which)) {
    std::fprintf(stderr,
                 "usage: import_window_bench <products|updates|transactions|export|large|cancel> [rows] [preview]\n");
    return 2;
  }
  const auto mode = static_cast<Mode>(names.indexOf(which));
  const bool large = mode == Mode::kLarge || mode == Mode::kCancel;
  const int rows = argc > 2 ? std::atoi(argv[2]) : large ? 400'000 : 100'000;
  qputenv("HOME", benchdb::TempDir("/import-window-bench-home-XXXXXX").toLocal8Bit());
  qputenv("STOVREL_REGISTRY_DIR", benchdb::TempDir("/import-window-bench-reg-XXXXXX").toLocal8Bit());
  QApplication app(argc, argv);

  QString file;
  const char* item = nullptr;
  if (mode == Mode::kProducts || mode == Mode::kUpdates) {
    const QString folder = WorkDir().filePath(QStringLiteral("new"));
    QDir().mkpath(folder);
    if (!gDB().NewDB(folder)) benchdb::Die(QStringLiteral("new database"));
    file = ProductFile(rows);
    item = "mnuProductsImportProducts";
  } else if (mode == Mode::kExport) {
    const QString folder = WorkDir().filePath(QStringLiteral("export-db"));
    QDir().mkpath(folder);
    const QString error = dbsample::WriteSampleDatabase(folder, rt::App::Path(), {rows, rows, 1});
    if (!error.isEmpty()) benchdb::Die(error);
    if (!gDB().OpenDB(folder)) benchdb::Die(QStringLiteral("OpenDB ") + folder);
    file = WorkDir().filePath(QStringLiteral("export.csv"));
    item = "mnuReportsExportCurrentProductInventory";
  } else {
    OpenDatabaseCopy();
    file = TranFile(rows);
    item = "mnuTransactionsImportTransactions";
  }
  std::printf("%s: %d rows\n", qPrintable(which), rows);

  User user(mode, file, argc > 3 && QLatin1String(argv[3]) == QLatin1String("preview"));
  ui::SetModalRunner(&user);
  ui::SetPrompts(&user);
  ui::test::ScopedFakeFileDialogs files;
  files->Choose(file);
  app.installEventFilter(&user);

  frmMain main;
  main.resize(1366, 768);
  main.show();
  QApplication::processEvents();
  (void)main.grab();
  auto* action = main.findChild<QAction*>(QLatin1String(item));
  if (action == nullptr) benchdb::Die(QStringLiteral("menu item ") + QLatin1String(item));

  if (mode == Mode::kUpdates) {
    action->trigger();
    QApplication::processEvents();
    if (!user.done) benchdb::Die(QStringLiteral("the first import ended without its closing message"));
    user.Again();
    std::printf("updates: the same file again\n");
  }
  if (mode == Mode::kExport) user.click.Start();
  action->trigger();
  QApplication::processEvents();
  if (mode == Mode::kExport) {
    std::printf("  file of %lld bytes\n", static_cast<long long>(QFile(file).size()));
  }
  if (!user.done) benchdb::Die(QStringLiteral("the command ended without its closing message"));

  app.removeEventFilter(&user);
  ui::SetPrompts(nullptr);
  ui::SetModalRunner(nullptr);
  gDB().CloseDB();
  QDir(qEnvironmentVariable("HOME")).removeRecursively();
  QDir(qEnvironmentVariable("STOVREL_REGISTRY_DIR")).removeRecursively();
  return 0;
}
