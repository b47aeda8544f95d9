// The production message box and input box: their height on small screens, their
// texts shown as they are and their answers.

#include <gmock/gmock.h>
#include <gtest/gtest.h>

#include <QApplication>
#include <QDialog>
#include <QDialogButtonBox>
#include <QInputDialog>
#include <QKeyEvent>
#include <QLabel>
#include <QPushButton>
#include <QScrollArea>
#include <QScrollBar>
#include <QStyle>
#include <QTimer>

#include "platform/ui/Prompt.h"
#include "platform/ui/Screen.h"
#include "platform/ui/testing/TestPrompts.h"

namespace {

QString Lines(int count) {
  QStringList lines;
  for (int i = 1; i <= count; ++i) lines << QStringLiteral("Line %1 of the report").arg(i);
  return lines.join(QStringLiteral("\r\n"));
}

void Press(QWidget& target, Qt::Key key) {
  QKeyEvent press(QEvent::KeyPress, key, Qt::NoModifier);
  QApplication::sendEvent(&target, &press);
}

QPushButton* ButtonOf(QDialog& box, QDialogButtonBox::StandardButton which) {
  return box.findChild<QDialogButtonBox*>()->button(which);
}

TEST(MessageBox, StaysWithinTheAvailableHeightAndScrollsTheRest) {
  struct Case {
    int availableHeight;
    int lines;
    bool scrolls;
  };
  const Case cases[] = {{560, 80, true}, {740, 80, true}, {560, 3, false}, {400, 1, false}};
  for (const Case& c : cases) {
    ui::ScopedScreen screen({1024, c.availableHeight + 40, 96.0, 96.0, 1024, c.availableHeight});
    const std::unique_ptr<QDialog> box = ui::NewMessageBox(Lines(c.lines), ui::vbOKCancel, QStringLiteral("Stock"), 0);
    box->show();
    QApplication::processEvents();
    const QString where = QStringLiteral("%1 lines on %2 px").arg(c.lines).arg(c.availableHeight);
    EXPECT_LE(box->height(), c.availableHeight) << where.toStdString();
    EXPECT_EQ(box->minimumSize(), box->maximumSize()) << "not resizable";
    auto* scroll = box->findChild<QScrollArea*>(QStringLiteral("scrText"));
    ASSERT_NE(scroll, nullptr);
    EXPECT_EQ(scroll->verticalScrollBar()->maximum() > 0, c.scrolls) << where.toStdString();
    EXPECT_EQ(scroll->horizontalScrollBar()->maximum(), 0) << where.toStdString();
    // The buttons stay inside the box.
    QPushButton* ok = ButtonOf(*box, QDialogButtonBox::Ok);
    EXPECT_LE(ok->mapTo(box.get(), QPoint(0, ok->height())).y(), box->height()) << where.toStdString();
  }
}

TEST(MessageBox, ALongPathIsShownWhole) {
  const QString word = QStringLiteral("'/home/user/StovrelData/WarehouseNorth/backups/2026-03-15/copies-before-reindex/svltran.fpt'!");
  const std::unique_ptr<QDialog> box =
      ui::NewMessageBox(QStringLiteral("Unable to copy ") + word, ui::vbExclamation, {}, 0);
  box->show();
  QApplication::processEvents();
  auto* scroll = box->findChild<QScrollArea*>(QStringLiteral("scrText"));
  auto* label = box->findChild<QLabel*>(QStringLiteral("lblText"));
  EXPECT_EQ(scroll->horizontalScrollBar()->maximum(), 0);
  EXPECT_GE(scroll->viewport()->width(), label->fontMetrics().horizontalAdvance(word));
}

TEST(MessageBox, IsNeverNarrowerThanItsTitle) {
  const QString title = QStringLiteral("Error Loading File");
  const std::unique_ptr<QDialog> box = ui::NewMessageBox(QStringLiteral("/a.wmf"), ui::vbCritical, title, 0);
  box->show();
  QApplication::processEvents();
  QFont bold = box->font();
  bold.setBold(true);
  // Room for the title beside at least the frame's icon and close button.
  const int titleBar = box->style()->pixelMetric(QStyle::PM_TitleBarHeight, nullptr, box.get());
  EXPECT_GE(box->width(), QFontMetrics(bold).horizontalAdvance(title) + 2 * titleBar);
}

TEST(MessageBox, ShowsTagLikeTextsAsTheyAre) {
  const QString texts[] = {QStringLiteral("Delete the product Widget <b>?"), QStringLiteral("<h1>Big</h1>"),
                           QStringLiteral("a < b & c > d\r\nsecond <i>line</i>")};
  for (const QString& text : texts) {
    const std::unique_ptr<QDialog> box = ui::NewMessageBox(text, ui::vbYesNo, QStringLiteral("Delete"), 0);
    auto* label = box->findChild<QLabel*>(QStringLiteral("lblText"));
    ASSERT_NE(label, nullptr);
    EXPECT_EQ(label->textFormat(), Qt::PlainText) << text.toStdString();
    EXPECT_EQ(label->text(), QString(text).replace(QStringLiteral("\r\n"), QStringLiteral("\n")));

    const std::unique_ptr<QDialog> input = ui::NewInputBox(text, QStringLiteral("Name"), {});
    const QList<QLabel*> labels = input->findChildren<QLabel*>();
    ASSERT_FALSE(labels.isEmpty());
    for (const QLabel* l : labels) EXPECT_EQ(l->textFormat(), Qt::PlainText) << text.toStdString();
  }
}

TEST(MessageBox, ButtonsAndEscapeGiveTheAnswersOfTheStyle) {
  struct Case {
    int style;
    QDialogButtonBox::StandardButton clicked;  // NoButton: Escape
    int answer;                                // 0: the box stays open
  };
  const Case cases[] = {
      {ui::vbYesNoCancel, QDialogButtonBox::No, ui::vbNo},
      {ui::vbYesNoCancel, QDialogButtonBox::NoButton, ui::vbCancel},
      {ui::vbOKOnly, QDialogButtonBox::NoButton, ui::vbOK},
      {ui::vbRetryCancel, QDialogButtonBox::Retry, ui::vbRetry},
      {ui::vbYesNo, QDialogButtonBox::NoButton, 0},
      {ui::vbAbortRetryIgnore, QDialogButtonBox::Ignore, ui::vbIgnore},
      {ui::vbOKOnly | ui::vbSystemModal, QDialogButtonBox::Ok, ui::vbOK},
  };
  for (const Case& c : cases) {
    const std::unique_ptr<QDialog> box = ui::NewMessageBox(QStringLiteral("Go on?"), c.style, QStringLiteral("Stock"), 0);
    box->show();
    if (c.clicked == QDialogButtonBox::NoButton) {
      Press(*box, Qt::Key_Escape);
    } else {
      ButtonOf(*box, c.clicked)->click();
    }
    EXPECT_EQ(box->result(), c.answer) << c.style;
    EXPECT_EQ(box->isVisible(), c.answer == 0) << c.style;
    EXPECT_EQ(box->windowFlags().testFlag(Qt::WindowStaysOnTopHint), (c.style & ui::vbSystemModal) != 0);
  }
}

// Counts the times a window is raised.
class RaiseCounter : public QObject {
 public:
  int raised = 0;
  bool eventFilter(QObject*, QEvent* event) override {
    if (event->type() == QEvent::ZOrderChange) ++raised;
    return false;
  }
};

TEST(MessageBox, ASystemModalBoxRaisesItselfAgainWhileShown) {
  // Where no window manager keeps it on top, the box comes back over windows raised later.
  for (const int style : {ui::vbExclamation, ui::vbExclamation | ui::vbSystemModal}) {
    const std::unique_ptr<QDialog> box = ui::NewMessageBox(QStringLiteral("Stock is already running!"), style, {}, 0);
    box->show();
    RaiseCounter counter;
    box->installEventFilter(&counter);
    for (QTimer* timer : box->findChildren<QTimer*>()) {
      if (timer->isActive()) QMetaObject::invokeMethod(timer, "timeout");
    }
    EXPECT_EQ(counter.raised > 0, (style & ui::vbSystemModal) != 0) << style;
  }
}

}  // namespace
