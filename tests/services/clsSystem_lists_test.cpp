#include <gmock/gmock.h>
#include <gtest/gtest.h>

#include <QCloseEvent>
#include <QComboBox>
#include <QLineEdit>
#include <QListWidget>
#include <QMdiArea>
#include <QMdiSubWindow>
#include <QPointer>
#include <QPushButton>
#include <QSpinBox>
#include <QTextEdit>

#include "platform/controls/ListViewControl.h"
#include "platform/ui/testing/TestPrompts.h"
#include "platform/ui/WindowRegistry.h"
#include "services/clsSystem.h"
#include "tests/services/ScriptedTest.h"

namespace {

using ::testing::ElementsAre;

class ListsTest : public uitest::ScriptedTest {
 protected:
  clsSystem& sys = gSystem();
};

// A report-layout list view with items "Alpha" (key K1), "beta" (K2), "Gamma" (K3).
class ListViewTest : public ListsTest {
 protected:
  void SetUp() override {
    lv.SetView(ctl::lvwReport);
    lv.SetMultiSelect(true);
    lv.ColumnHeaders().Add(0, {}, QStringLiteral("Name"));
    lv.ColumnHeaders().Add(0, {}, QStringLiteral("Size"));
    const char* texts[] = {"Alpha", "beta", "Gamma"};
    const char* sizes[] = {"3", "1", "2"};
    for (int i = 0; i < 3; ++i) {
      ctl::ListItem& item =
          lv.ListItems().Add(0, QStringLiteral("K%1").arg(i + 1), QString::fromLatin1(texts[i]));
      item.SetSubItems(1, QString::fromLatin1(sizes[i]));
    }
  }
  QStringList Selected() const {
    QStringList out;
    for (int i = 1; i <= lv.ListItems().Count(); ++i) {
      if (lv.ListItems().Item(i).Selected()) out << lv.ListItems().Item(i).Text();
    }
    return out;
  }
  QStringList Order() const {
    QStringList out;
    for (int i = 1; i <= lv.ListItems().Count(); ++i) out << lv.ListItems().Item(i).Text();
    return out;
  }
  ctl::ListViewControl lv;
};

TEST_F(ListViewTest, SelectionQueriesFindTheFirstSelectedItem) {
  ctl::ListItem* item = nullptr;
  EXPECT_FALSE(sys.LvGetSelectedItem(item, lv));
  EXPECT_FALSE(sys.LvIsItemSelected(lv));
  EXPECT_EQ(sys.LvGetSelectedItemText(lv), QString());
  EXPECT_EQ(sys.LvGetSelectedItemKey(lv), QString());
  EXPECT_EQ(sys.LvNumItemsSelected(lv), 0);

  lv.ListItems().Item(3).SetSelected(true);
  lv.ListItems().Item(2).SetSelected(true);
  ASSERT_TRUE(sys.LvGetSelectedItem(item, lv));
  EXPECT_EQ(item, &lv.ListItems().Item(2));
  EXPECT_EQ(sys.LvGetSelectedItemText(lv), QStringLiteral("beta"));
  EXPECT_EQ(sys.LvGetSelectedItemKey(lv), QStringLiteral("K2"));
  EXPECT_EQ(sys.LvNumItemsSelected(lv), 2);
}

TEST_F(ListViewTest, SelectByKeyIsExactAndByTextIgnoresCase) {
  EXPECT_FALSE(sys.LvSelectItem(lv, QStringLiteral("k2")));
  EXPECT_FALSE(sys.LvSelectItem(lv, QString()));
  EXPECT_TRUE(sys.LvSelectItem(lv, QStringLiteral("K2")));
  EXPECT_EQ(Selected(), QStringList{QStringLiteral("beta")});
  EXPECT_TRUE(sys.LvSelectItemByText(lv, QStringLiteral("GAMMA")));
  EXPECT_FALSE(sys.LvSelectItemByText(lv, QStringLiteral("Gam")));
  EXPECT_FALSE(sys.LvSelectItemByText(lv, QString()));
  EXPECT_EQ(Selected(), (QStringList{QStringLiteral("beta"), QStringLiteral("Gamma")}));
}

TEST_F(ListViewTest, SelectAllInvertAndFirst) {
  lv.ListItems().Item(2).SetSelected(true);
  EXPECT_TRUE(sys.LvInvertSelection(lv));
  EXPECT_EQ(Selected(), (QStringList{QStringLiteral("Alpha"), QStringLiteral("Gamma")}));
  EXPECT_TRUE(sys.LvSelectAllItems(lv));
  EXPECT_EQ(sys.LvNumItemsSelected(lv), 3);
  lv.ListItems().Item(1).SetSelected(false);
  EXPECT_TRUE(sys.LvSelectFirstItem(lv));
  EXPECT_EQ(sys.LvNumItemsSelected(lv), 3);  // the others stay selected

  lv.ListItems().Clear();
  EXPECT_FALSE(sys.LvSelectAllItems(lv));
  EXPECT_FALSE(sys.LvInvertSelection(lv));
  EXPECT_FALSE(sys.LvSelectFirstItem(lv));
}

TEST_F(ListViewTest, SortFlipsTheOrderOnEveryColumnClick) {
  sys.LVSort(lv, lv.ColumnHeaders().Item(1));
  EXPECT_TRUE(lv.Sorted());
  EXPECT_EQ(lv.SortKey(), 0);
  EXPECT_EQ(lv.SortOrder(), ctl::lvwDescending);
  EXPECT_EQ(Order(), (QStringList{QStringLiteral("Gamma"), QStringLiteral("beta"),
                                  QStringLiteral("Alpha")}));
  sys.LVSort(lv, lv.ColumnHeaders().Item(1));
  EXPECT_EQ(lv.SortOrder(), ctl::lvwAscending);
  EXPECT_EQ(Order(), (QStringList{QStringLiteral("Alpha"), QStringLiteral("beta"),
                                  QStringLiteral("Gamma")}));
  sys.LVSort(lv, lv.ColumnHeaders().Item(2));  // another column flips too
  EXPECT_EQ(lv.SortKey(), 1);
  EXPECT_EQ(lv.SortOrder(), ctl::lvwDescending);
  EXPECT_EQ(Order(), (QStringList{QStringLiteral("Alpha"), QStringLiteral("Gamma"),
                                  QStringLiteral("beta")}));
}

void Fill(QComboBox& cbo) {
  cbo.addItem(QString(), 0);
  cbo.addItem(QStringLiteral("Shelf A"), 17);
  cbo.addItem(QStringLiteral("Shelf B"), 42);
  cbo.addItem(QStringLiteral("Shelf B again"), 42);
}

void Fill(QListWidget& lb, const QList<int>& ids) {
  for (int id : ids) {
    auto* item = new QListWidgetItem(QStringLiteral("item %1").arg(id), &lb);
    item->setData(Qt::UserRole, id);
  }
}

QList<int> Ids(const QListWidget& lb) {
  QList<int> ids;
  for (int i = 0; i < lb.count(); ++i) ids << lb.item(i)->data(Qt::UserRole).toInt();
  return ids;
}

TEST_F(ListsTest, ComboSelectionByIdRaisesTheClickHandlerWhenTheRowChanges) {
  QComboBox cbo;
  Fill(cbo);
  cbo.setCurrentIndex(-1);
  QList<int> clicks;
  QObject::connect(&cbo, &QComboBox::currentIndexChanged, [&](int i) { clicks << i; });

  EXPECT_EQ(sys.cboGetItemID(cbo), -1);
  sys.cboSelectAtID(cbo, 42);
  EXPECT_EQ(cbo.currentIndex(), 2);  // the first row with the id
  EXPECT_EQ(sys.cboGetItemID(cbo), 42);
  sys.cboSelectAtID(cbo, 99);  // no match: unchanged, no click
  EXPECT_EQ(cbo.currentIndex(), 2);
  sys.cboSelectAtID(cbo, 0);
  EXPECT_EQ(sys.cboGetItemID(cbo), 0);
  EXPECT_THAT(clicks, ElementsAre(2, 0));

  sys.cboSelectAtIndex(cbo, 4);
  sys.cboSelectAtIndex(cbo, -1);
  EXPECT_EQ(cbo.currentIndex(), 0);
  sys.cboSelectAtIndex(cbo, 3);
  EXPECT_EQ(cbo.currentIndex(), 3);
}

TEST_F(ListsTest, ListBoxSelectionById) {
  QListWidget lb;
  Fill(lb, {5, 7, 9});
  EXPECT_EQ(sys.lbGetItemID(lb), -1);
  EXPECT_EQ(sys.lbGetPosForID(lb, 9), 2);
  EXPECT_EQ(sys.lbGetPosForID(lb, 5), 0);
  EXPECT_EQ(sys.lbGetPosForID(lb, 99), 0);  // same as the first row
  sys.lbSelectAtID(lb, 7);
  EXPECT_EQ(lb.currentRow(), 1);
  EXPECT_EQ(sys.lbGetItemID(lb), 7);
  sys.lbSelectAtID(lb, 99);
  EXPECT_EQ(sys.lbGetItemID(lb), 7);
  lb.clearSelection();
  EXPECT_EQ(sys.lbGetItemID(lb), -1);

  // In a multi-row list the row selected by id becomes the only selected row.
  lb.setSelectionMode(QAbstractItemView::ExtendedSelection);
  lb.item(0)->setSelected(true);
  lb.item(2)->setSelected(true);
  sys.lbSelectAtID(lb, 7);
  EXPECT_EQ(lb.selectedItems(), QList<QListWidgetItem*>{lb.item(1)});
  EXPECT_EQ(sys.lbGetItemID(lb), 7);
}

TEST_F(ListsTest, ListBoxRemovalAndSwapping) {
  QListWidget available;
  QListWidget chosen;
  Fill(available, {1, 2, 3, 4, 5});
  Fill(chosen, {4, 2});
  sys.LB2LBRemoveItems(chosen, available);
  EXPECT_THAT(Ids(available), ElementsAre(1, 3, 5));
  sys.LBRemoveItemWithID(available, 99);
  EXPECT_THAT(Ids(available), ElementsAre(1, 3, 5));

  sys.LBSwapItems(available, 0, 2);
  EXPECT_THAT(Ids(available), ElementsAre(5, 3, 1));
  EXPECT_EQ(available.item(0)->text(), QStringLiteral("item 5"));
  EXPECT_EQ(available.currentRow(), 2);
  sys.LBSwapItems(available, 1, 3);  // index equal to the count: nothing
  sys.LBSwapItems(available, -1, 0);
  EXPECT_THAT(Ids(available), ElementsAre(5, 3, 1));

  available.setCurrentRow(1);
  sys.LBRemoveCurSelected(available);
  EXPECT_THAT(Ids(available), ElementsAre(5, 1));
  available.clearSelection();
  available.setCurrentRow(-1);
  prompts->Expect(QStringLiteral("Please select a listbox item first!"));
  sys.LBRemoveCurSelected(available);
  EXPECT_EQ(prompts->Last().icon, ui::vbExclamation);
  EXPECT_EQ(prompts->Last().title, QStringLiteral("Stovrel"));
  EXPECT_THAT(Ids(available), ElementsAre(5, 1));
}

class Window : public QWidget {
 public:
  explicit Window(const QString& tag, bool refuseClose = false) : refuse_(refuseClose) {
    ui::SetTag(this, tag);
  }

 protected:
  void closeEvent(QCloseEvent* e) override {
    if (refuse_) {
      e->ignore();
    } else {
      e->accept();
    }
  }

 private:
  bool refuse_;
};

class WindowsTest : public ListsTest {
 protected:
  void TearDown() override {
    for (QWidget* w : ui::LoadedWindows()) delete w;
    ListsTest::TearDown();
  }
};

TEST_F(WindowsTest, UnloadAllKeepsTheExceptedWindowAndOnesThatRefuse) {
  QPointer<Window> main(new Window(QStringLiteral("MAINFORM")));
  QPointer<Window> report(new Window(QStringLiteral("RPT1")));
  QPointer<Window> stubborn(new Window(QStringLiteral("PRODUCTS"), /*refuseClose=*/true));
  QPointer<Window> untagged(new Window(QString()));
  QPointer<Window> last(new Window(QStringLiteral("RPT2")));
  sys.UnloadAll(QStringLiteral("MAINFORM"));
  EXPECT_FALSE(main.isNull());
  EXPECT_TRUE(report.isNull());
  EXPECT_FALSE(stubborn.isNull());
  EXPECT_TRUE(untagged.isNull());
  EXPECT_TRUE(last.isNull());  // the walk went on past the refusal
  EXPECT_THAT(ui::LoadedWindows(), ElementsAre(main.data(), stubborn.data()));
}

TEST_F(WindowsTest, FindRaiseAndUnloadByTag) {
  QMdiArea area;
  auto* child = new Window(QStringLiteral("RPT7"));
  QMdiSubWindow* sub = area.addSubWindow(child);
  area.show();
  sub->show();
  auto* twin = new Window(QStringLiteral("RPT7"));
  auto* other = new Window(QStringLiteral("RPT8"));

  EXPECT_TRUE(sys.IsFormLoaded(QStringLiteral("RPT7")));
  EXPECT_FALSE(sys.IsFormLoaded(QStringLiteral("rpt7")));
  QWidget* found = nullptr;
  ASSERT_TRUE(sys.GetFormWithTag(QStringLiteral("RPT7"), found));
  EXPECT_EQ(found, child);
  EXPECT_FALSE(sys.GetFormWithTag(QStringLiteral("NONE"), found));

  sys.BringFormToTop(QStringLiteral("RPT7"), 2);
  EXPECT_TRUE(sub->windowState() & Qt::WindowMaximized);
  EXPECT_EQ(area.activeSubWindow(), sub);
  sys.BringFormToTop(QStringLiteral("RPT7"), 0);
  EXPECT_FALSE(sub->windowState() & Qt::WindowMaximized);

  QPointer<QMdiSubWindow> frame(sub);
  sys.UnloadForm(QStringLiteral("RPT7"));
  EXPECT_TRUE(frame.isNull());
  EXPECT_THAT(ui::LoadedWindows(), ElementsAre(other));
  (void)twin;
}

TEST_F(ListsTest, LockControlsTouchesOnlyTaggedControls) {
  QWidget form;
  auto* txt = new QLineEdit(&form);
  auto* cbo = new QComboBox(&form);
  auto* lst = new QListWidget(&form);
  auto* num = new QSpinBox(&form);
  auto* cmd = new QPushButton(&form);
  auto* untouched = new QLineEdit(&form);
  for (QWidget* w :
       {static_cast<QWidget*>(txt), static_cast<QWidget*>(cbo), static_cast<QWidget*>(lst),
        static_cast<QWidget*>(num), static_cast<QWidget*>(cmd)}) {
    ui::SetTag(w, QStringLiteral("L"));
  }
  sys.LockControls(form, true, QStringLiteral("L"));
  const QColor yellow(0xFF, 0xFF, 0xC0);
  EXPECT_TRUE(txt->isReadOnly());
  EXPECT_TRUE(txt->isEnabled());
  EXPECT_EQ(txt->palette().color(QPalette::Base), yellow);
  EXPECT_TRUE(cbo->isEnabled());
  EXPECT_EQ(cbo->palette().color(QPalette::Base), yellow);
  EXPECT_FALSE(lst->isEnabled());
  EXPECT_EQ(lst->palette().color(QPalette::Base), yellow);
  EXPECT_FALSE(num->isEnabled());
  EXPECT_FALSE(cmd->isEnabled());
  EXPECT_FALSE(untouched->isReadOnly());

  sys.LockControls(form, false, QStringLiteral("L"));
  EXPECT_FALSE(txt->isReadOnly());
  EXPECT_EQ(txt->palette().color(QPalette::Base), QColor(Qt::white));
  EXPECT_TRUE(lst->isEnabled());
  EXPECT_TRUE(cmd->isEnabled());
}

TEST_F(ListsTest, TextInsertionAndFocus) {
  QWidget form;
  auto* txt = new QLineEdit(QStringLiteral("Hello world"), &form);
  txt->setSelection(6, 5);
  sys.TxtCtlInsertStr(*txt, QStringLiteral("there"));
  EXPECT_EQ(txt->text(), QStringLiteral("Hello there"));
  txt->setCursorPosition(0);
  sys.TxtCtlInsertStr(*txt, QStringLiteral(">"));
  EXPECT_EQ(txt->text(), QStringLiteral(">Hello there"));

  auto* hidden = new QLineEdit(&form);
  hidden->hide();
  form.show();
  sys.CtlSetFocus(hidden);
  EXPECT_NE(form.focusWidget(), hidden);
  sys.CtlSetFocus(txt);
  EXPECT_EQ(form.focusWidget(), txt);
  EXPECT_EQ(txt->selectedText(), txt->text());  // typing replaces the text
  sys.CtlSetFocus(nullptr);
}

TEST_F(ListsTest, PromptInputStringRepeatsUntilANumberWhenAsked) {
  prompts->Type(QStringLiteral("  twelve "))
      .Expect(QStringLiteral("Please enter a numeric value!"))
      .Type(QStringLiteral(" 12 "));
  EXPECT_EQ(sys.PromptInputString(QStringLiteral("Copies"), QStringLiteral("How many?"),
                                  QStringLiteral("1"), true),
            QStringLiteral("12"));
  ASSERT_EQ(prompts->Shown().size(), 3);
  EXPECT_EQ(prompts->Shown()[2].defaultText, QStringLiteral("1"));  // same default again
  EXPECT_EQ(prompts->Shown()[0].title, QStringLiteral("Copies"));

  prompts->Clear();
  prompts->CancelInput();
  EXPECT_EQ(sys.PromptInputString(QStringLiteral("t"), QStringLiteral("p"), {}, true), QString());
  prompts->Type(QStringLiteral(" letters "));
  EXPECT_EQ(sys.PromptInputString(QStringLiteral("t"), QStringLiteral("p"), {}),
            QStringLiteral("letters"));
}

}  // namespace
