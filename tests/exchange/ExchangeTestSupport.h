#pragma once
// Fixture of the import and export tests: a new database (dbtest::DbTest, so anything
// unscripted fails), the recording main window, scripted file dialogs and shell, and
// helpers that write a CSV file and read back products and transactions.

#include <QDialog>
#include <QFile>
#include <QLineEdit>
#include <QPushButton>
#include <vector>

#include "database/clsDB.h"
#include "database/clsProd.h"
#include "database/clsTran.h"
#include "database/store/Lists.h"
#include "platform/ui/FileDialogs.h"
#include "platform/ui/testing/FakeFileDialogs.h"
#include "platform/ui/testing/TestPrompts.h"
#include "services/CsvFile.h"
#include "platform/ui/WindowRegistry.h"
#include "services/testing/FakeMainWindowHub.h"
#include "tests/database/DbTestSupport.h"
#include "tests/database/StockTestSupport.h"
#include "tests/services/ProgressTestSupport.h"

namespace exchangetest {

using stocktest::Cur;

class ExchangeTest : public dbtest::DbTest {
 protected:
  void SetUp() override {
    DbTest::SetUp();
    dir = OpenNewDatabase();
  }
  void TearDown() override {
    EXPECT_TRUE(files->Unexpected().isEmpty());
    DbTest::TearDown();
  }

  // Writes the file (CR LF between the lines given) in the test's folder.
  QString Write(const QString& name, const QByteArray& lines) {
    const QString path = dir + QStringLiteral("/") + name;
    QFile f(path);
    EXPECT_TRUE(f.open(QIODevice::WriteOnly));
    QByteArray bytes = lines;
    bytes.replace("\n", "\r\n");
    f.write(bytes);
    return path;
  }

  // The visible products in name order, each read whole.
  static std::vector<clsProd> Products() {
    std::vector<store::ProductListRow> rows;
    EXPECT_TRUE(store::ReadProducts(gDB().Session(), nullptr, store::SearchType::kName, rows).ok());
    std::vector<clsProd> out;
    for (const store::ProductListRow& r : rows) out.push_back(Product(r.id));
    return out;
  }

  static clsProd Product(int32_t id) { return stocktest::LoadProduct(id); }

  // Every transaction, in id order (ids are handed out from 1000 on).
  static std::vector<clsTran> Transactions() {
    std::vector<clsTran> out;
    for (int32_t id = 1000;; ++id) {
      clsTran t;
      if (!gDB().GetTran(id, t)) break;
      out.push_back(t);
    }
    return out;
  }

  // Scripts the next import dialog: the transaction type when given, the file named,
  // then OK.
  void ChooseInDialog(const QString& dialog, const QString& path, const QString& type = {}) {
    runner->Then(dialog, [path, type](QDialog& d) {
      if (!type.isEmpty()) ui::test::SetText(d, QStringLiteral("cboType"), type);
      ui::test::SetText(d, QStringLiteral("txtImportFile"), path);
      ui::test::Click(d, QStringLiteral("cmdOK"));
    });
  }
  // Runs the import `command`, its dialog scripted before, pressing Cancel in the
  // progress window that reads `message`: the dialog must come back with the file name
  // `path` (it is then closed from the frame), with nothing else run.
  void CancelAt(const QString& dialog, const char* message, const QString& path, void (*command)()) {
    QString shownAgain;
    runner->Then(dialog, [&](QDialog& d) {
      shownAgain = ui::test::TextOf(d, QStringLiteral("txtImportFile"));
      d.close();
    });
    progresstest::ScopedCancel cancel(QString::fromLatin1(message));
    command();
    EXPECT_TRUE(cancel.Pressed()) << message;
    EXPECT_EQ(shownAgain, path) << message;
    EXPECT_EQ(runner->Pending(), 0) << message;
  }
  // Scripts the preview: Continue or Cancel.
  void Preview(bool cont) {
    runner->Then(QStringLiteral("frmImportPreview"), [cont](QDialog& d) {
      ui::test::Click(d, cont ? QStringLiteral("cmdContinue") : QStringLiteral("cmdCancel"));
    });
  }

  QString dir;
  ScopedFakeMainWindowHub hub;
  ui::test::ScopedFakeFileDialogs files;
  ui::test::ScopedFakeShell shell;
};

}  // namespace exchangetest
