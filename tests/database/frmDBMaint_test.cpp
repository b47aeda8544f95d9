// The maintenance dialog: its list, its warning, and the re-index run from it.

#include <QApplication>
#include <QFile>
#include <QFocusEvent>
#include <QKeyEvent>
#include <QLabel>
#include <QListWidget>
#include <QPushButton>
#include <cstring>

#include "database/frmDBMaint.h"
#include "tests/database/DbTestSupport.h"
#include "tests/platform/xbase/DecimalCommas.h"

namespace {

class DBMaintDlgTest : public dbtest::DbTest {
 protected:
  // Opens the dialog on the open database's files and runs `script` in it.
  void Run(const std::function<void(frmDBMaint&)>& script) {
    runner->Then(QStringLiteral("frmDBMaint"), [script](QDialog& dlg) {
      auto& form = static_cast<frmDBMaint&>(dlg);
      script(form);
      ui::test::Click(form, QStringLiteral("CloseButton"));
    });
    clsDBUtil::DlgDBMaintenance(nullptr, gDB().DataFilePaths());
  }
};

TEST_F(DBMaintDlgTest, WithoutADatabaseOnlyTheNoticeIsShown) {
  prompts->Expect(QStringLiteral("No database is currently open. See File menu."));
  clsDBUtil::DlgDBMaintenance(nullptr, {});
  EXPECT_EQ(prompts->Last().title, QStringLiteral("No Database Open"));
  EXPECT_EQ(prompts->Last().icon, ui::vbInformation);
  EXPECT_TRUE(runner->Ran().isEmpty());
}

TEST_F(DBMaintDlgTest, ListsTheFiveTablesOnceAndWarns) {
  OpenNewDatabase();
  Run([](frmDBMaint& form) {
    form.Filenames(gDB().DataFilePaths());  // a second fill replaces the rows
    ASSERT_EQ(form.lstDataFiles->count(), 5);
    const char* tables[] = {"svlcat", "svlid", "svlparam", "svlprod", "svltran"};
    for (int i = 0; i < 5; ++i) {
      EXPECT_EQ(form.lstDataFiles->item(i)->text(), gDB().DBPath() + "/" + tables[i] + ".dbf");
    }
    EXPECT_EQ(form.lblWarn->text(),
              QStringLiteral("WARNING: \n1. Backup your Database Files (See File menu for instructions) before "
                             "performing any maintenance\n2. Make sure no one is using the application before "
                             "performing any maintenance\n\nSelect a data file and press [Re-Index]"));
    EXPECT_EQ(form.windowTitle(), QStringLiteral("Database Maintenance - Reindex Data Files"));
    EXPECT_EQ(form.IndexButton->text(), QStringLiteral("Re-&Index"));
  });
}

TEST_F(DBMaintDlgTest, ReIndexAsksFirstAndReportsTheResult) {
  OpenNewDatabase();
  const QString file = gDB().TranTable();
  prompts->Expect(QStringLiteral("Select a data file to re-index!"), ui::vbCancel);
  for (const int answer : {ui::vbNo, ui::vbCancel, ui::vbYes}) {
    prompts->ExpectContaining(QStringLiteral("You are about to Re-Index the following file:\n\n") + file, answer);
  }
  prompts->Expect(file + QStringLiteral(" has been re-indexed."));
  Run([&](frmDBMaint& form) {
    ui::test::Click(form, QStringLiteral("IndexButton"));
    EXPECT_EQ(prompts->Last().title, QStringLiteral("No data file selected"));
    form.lstDataFiles->setCurrentRow(4);
    for (int i = 0; i < 3; ++i) {
      ui::test::Click(form, QStringLiteral("IndexButton"));
      EXPECT_TRUE(form.IndexButton->isEnabled());
      EXPECT_TRUE(form.CloseButton->isEnabled());
      EXPECT_TRUE(form.lblProgress->text().isEmpty());
    }
    EXPECT_EQ(prompts->Last().title, QStringLiteral("File Indexed"));
  });
  const ui::test::ShownPrompt& question = prompts->Shown()[1];
  EXPECT_EQ(question.title, QStringLiteral("Re-Index Data File"));
  EXPECT_EQ(question.buttons, ui::vbYesNoCancel);
  EXPECT_EQ(question.defaultButton, 2);
}

// The result says how many number fields a writer had left with a decimal comma got
// their point, when there were any.
TEST_F(DBMaintDlgTest, TheResultCountsTheNumbersGivenTheirPoint) {
  struct Case {
    QStringList products;  // the fields and values of each new product, one after another
    QString added;         // to the result
  } cases[] = {
      {{}, {}},
      {{QStringLiteral("stdcost"), QStringLiteral("1.5")},
       QStringLiteral(" 1 number field written with a decimal comma was corrected.")},
      {{QStringLiteral("stdcost"), QStringLiteral("1.5"), QStringLiteral("stdprice"), QStringLiteral("2.25"),
        QStringLiteral("reordlev"), QStringLiteral("0.0001")},
       QStringLiteral(" 3 number fields written with a decimal comma were corrected.")},
  };
  for (const Case& c : cases) {
    SCOPED_TRACE(c.added.toStdString());
    OpenNewDatabase();
    dbtest::AppendRow(gDB().ProductsTable(), QStringList{QStringLiteral("rowid"), QStringLiteral("1001")} + c.products);
    ASSERT_EQ(xbtest::WriteDecimalCommas(QFile::encodeName(gDB().ProductsTable()).toStdString()),
              c.products.size() / 2);
    prompts->Answer(ui::vbYes);
    prompts->Expect(gDB().ProductsTable() + QStringLiteral(" has been re-indexed.") + c.added);
    Run([](frmDBMaint& form) {
      form.lstDataFiles->setCurrentRow(3);
      ui::test::Click(form, QStringLiteral("IndexButton"));
    });
    EXPECT_EQ(prompts->Last().title, QStringLiteral("File Indexed"));
    gDB().CloseDB();
  }
}

TEST_F(DBMaintDlgTest, EnterBeforeAPickShowsTheGuard) {
  OpenNewDatabase();
  prompts->Expect(QStringLiteral("Select a data file to re-index!"), ui::vbOK);
  Run([](frmDBMaint& form) {
    // Tabbing into the list makes its first row current without selecting it.
    QFocusEvent focus(QEvent::FocusIn, Qt::TabFocusReason);
    QApplication::sendEvent(form.lstDataFiles, &focus);
    QKeyEvent enter(QEvent::KeyPress, Qt::Key_Return, Qt::NoModifier);
    QApplication::sendEvent(form.lstDataFiles, &enter);
    EXPECT_TRUE(form.IndexButton->isDefault());
  });
  ASSERT_EQ(prompts->Shown().size(), 1);
  EXPECT_EQ(prompts->Last().title, QStringLiteral("No data file selected"));
}

TEST_F(DBMaintDlgTest, AFailedReIndexSaysSo) {
  OpenNewDatabase();
  QList<clsDBFile> files = gDB().DataFilePaths();
  files[3].cleanIndexPath = gDB().DBPath() + QStringLiteral("/none.cd_");
  prompts->Answer(ui::vbYes);
  // One box, with the reason.
  prompts->Expect(QStringLiteral("Unable to index file: ") + files[3].dataFilePath + QStringLiteral("\n\n") +
                  QString::fromLocal8Bit(std::strerror(ENOENT)) +
                  QStringLiteral(". The table and its index have not been changed."));
  runner->Then(QStringLiteral("frmDBMaint"), [](QDialog& dlg) {
    auto& form = static_cast<frmDBMaint&>(dlg);
    form.lstDataFiles->setCurrentRow(3);
    ui::test::Click(form, QStringLiteral("IndexButton"));
    ui::test::Click(form, QStringLiteral("CloseButton"));
  });
  clsDBUtil::DlgDBMaintenance(nullptr, files);
  EXPECT_EQ(prompts->Last().title, QStringLiteral("File Indexing Failed"));
}

}  // namespace
