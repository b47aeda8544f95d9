// The service dialogs as a user sees them: fixed sizes, button rows, field widths.

#include <gtest/gtest.h>

#include <QApplication>
#include <QDialog>
#include <QLineEdit>
#include <QPushButton>
#include <functional>
#include <memory>

#include "platform/ui/ButtonRow.h"
#include "services/frmCalendar.h"
#include "services/frmDateRange.h"
#include "services/frmMessage.h"
#include "services/frmPrinterSelectionDlg.h"
#include "services/frmProgress.h"
#include "services/frmRptOption.h"

namespace {

TEST(DialogLayout, FixedDialogsCannotBeResized) {
  struct Case {
    const char* name;
    std::function<std::unique_ptr<QDialog>()> make;
  };
  const Case cases[] = {
      {"frmMessage", [] { return std::make_unique<frmMessage>(); }},
      {"frmProgress", [] { return std::make_unique<frmProgress>(); }},
      {"frmDateRange", [] { return std::make_unique<frmDateRange>(); }},
      {"frmCalendar", [] { return std::make_unique<frmCalendar>(); }},
      {"frmPrinterSelectionDlg", [] { return std::make_unique<frmPrinterSelectionDlg>(); }},
      {"frmRptOption", [] { return std::make_unique<frmRptOption>(); }},
  };
  for (const Case& c : cases) {
    const std::unique_ptr<QDialog> dialog = c.make();
    dialog->show();
    EXPECT_EQ(dialog->minimumSize(), dialog->maximumSize()) << c.name;
    const QSize shown = dialog->size();
    dialog->resize(shown + QSize(300, 300));
    EXPECT_EQ(dialog->size(), shown) << c.name;
    dialog->hide();
  }
}

TEST(DialogLayout, CalendarButtonsKeepTheirSpacingAndTexts) {
  for (const char* okText : {"Enter Selected Date", "OK"}) {
    frmCalendar cal;
    cal.Init(QString(), QString::fromLatin1(okText));
    cal.show();
    const QPushButton* row[] = {cal.cmdToday, cal.CancelButton, cal.OKButton};
    for (int i = 0; i < 3; ++i) {
      EXPECT_GE(row[i]->width(), row[i]->sizeHint().width()) << okText << " " << i;
      if (i > 0) {
        EXPECT_GE(row[i]->x() - (row[i - 1]->x() + row[i - 1]->width()), ui::kButtonSpacing) << okText;
      }
    }
  }
}

TEST(DialogLayout, TheReportTitleBoxShowsATitleOfItsLength) {
  const QString titles[] = {QStringLiteral("Inventory Valuation by Location - Main Warehouse"),
                            QString(frmRptOption::kTitleChars, QLatin1Char('n'))};
  for (const QString& title : titles) {
    ASSERT_LE(title.size(), frmRptOption::kTitleChars);
    frmRptOption form;
    form.txtTitle->setText(title);
    form.show();
    const QMargins text = form.txtTitle->textMargins();
    const int room = form.txtTitle->contentsRect().width() - text.left() - text.right() - 4;
    EXPECT_LE(form.txtTitle->fontMetrics().horizontalAdvance(title), room) << title.toStdString();
  }
}

}  // namespace
