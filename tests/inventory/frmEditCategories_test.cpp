// The list editor.

#include "inventory/frmEditCategories.h"
#include "inventory/ListMgmt.h"

#include <QApplication>
#include <QKeyEvent>
#include <QPushButton>

#include "platform/controls/ListViewControl.h"
#include "platform/ui/WindowRegistry.h"
#include "tests/inventory/ProdTestSupport.h"

namespace {

using prodtest::ProdTest;

class frmEditCategoriesTest : public ProdTest {
 protected:
  // The product groups list, checked against the products.
  void InitGroups(frmEditCategories& dlg) {
    dlg.Init(QStringLiteral("Edit Product Groups"), QStringLiteral("Product Groups"), store::ListType::kProductGroup,
             1060);
  }
  static QStringList Texts(const frmEditCategories& dlg) {
    QStringList texts;
    for (int i = 1; i <= dlg.lv->ListItems().Count(); ++i) texts << dlg.lv->ListItems().Item(i).Text();
    return texts;
  }
  static void Select(frmEditCategories& dlg, const QString& text) {
    for (int i = 1; i <= dlg.lv->ListItems().Count(); ++i) {
      ctl::ListItem& item = dlg.lv->ListItems().Item(i);
      item.SetSelected(item.Text() == text);
    }
    dlg.SetUI();
  }
  static QString StoredText(int32_t id) {
    DATA4* tb = nullptr;
    return gDB().GetCategoryDesc(id, tb);
  }
};

TEST_F(frmEditCategoriesTest, LoadsItsListWithTheTimeInTheCaption) {
  AddCategory(QStringLiteral("Tools"), 1);
  AddCategory(QStringLiteral("Bins"), 3);
  AddCategory(QStringLiteral("Fasteners"), 1);
  frmEditCategories dlg;
  InitGroups(dlg);
  EXPECT_EQ(Texts(dlg), (QStringList{QStringLiteral("Fasteners"), QStringLiteral("Tools")}));
  EXPECT_EQ(dlg.windowTitle(),
            QStringLiteral("Edit Product Groups - ") + gSystem().CurrDateTimeShort());
  EXPECT_EQ(dlg.lv->ColumnHeaders().Item(1).Text(), QStringLiteral("Product Groups"));
  EXPECT_FALSE(dlg.cmdDelete->isEnabled());
  for (QPushButton* b : {dlg.cmdNew, dlg.cmdDeleteAll, dlg.cmdPrint, dlg.cmdRefresh}) EXPECT_TRUE(b->isEnabled());
  // Choosing an entry with the keyboard enables it.
  dlg.show();
  dlg.lv->setFocus();
  QApplication::processEvents();
  ASSERT_NE(dlg.focusWidget(), nullptr);
  QKeyEvent down(QEvent::KeyPress, Qt::Key_Down, Qt::NoModifier);
  QApplication::sendEvent(dlg.focusWidget(), &down);
  EXPECT_NE(dlg.lv->SelectedItem(), nullptr);
  EXPECT_TRUE(dlg.cmdDelete->isEnabled());
}

TEST_F(frmEditCategoriesTest, NewEntriesAreNumberedOnForTheWholeRun) {
  frmEditCategories first;
  InitGroups(first);
  first.cmdNew_Click();
  ASSERT_EQ(first.lv->ListItems().Count(), 1);
  const ctl::ListItem& made = first.lv->ListItems().Item(1);
  EXPECT_EQ(made.Key(), QStringLiteral("N1000"));  // the counter did not exist yet
  EXPECT_TRUE(made.Selected());
  EXPECT_TRUE(first.cmdDelete->isEnabled());
  const int n = made.Text().mid(QStringLiteral("Untitled ").size()).toInt();
  ASSERT_GT(n, 0);
  EXPECT_EQ(made.Text(), QStringLiteral("Untitled %1").arg(n));
  EXPECT_EQ(StoredText(1000), made.Text());

  frmEditCategories other;  // another list, another opening
  other.Init(QStringLiteral("Edit Product Vendors"), QStringLiteral("Product Vendors"), store::ListType::kVendor);
  other.cmdNew_Click();
  EXPECT_EQ(other.lv->ListItems().Item(1).Text(), QStringLiteral("Untitled %1").arg(n + 1));
}

TEST_F(frmEditCategoriesTest, RenameStoresTheTrimmedTextCutTo40) {
  const int32_t tools = AddCategory(QStringLiteral("Tools"), 1);
  AddCategory(QStringLiteral("Parts"), 1);
  const QString fortyFive = QStringLiteral("A") + QString(44, QLatin1Char('b'));
  struct Case {
    QString typed;
    bool cancelled;
    QString stored;
    QString refusal = {};  // the box shown, if any
  };
  const Case cases[] = {
      {QStringLiteral("   "), true, QStringLiteral("Tools")},
      {QStringLiteral("  Hand tools "), false, QStringLiteral("Hand tools")},
      {fortyFive, false, fortyFive.left(40)},
      {QStringLiteral("Parts"), false, QStringLiteral("Parts")},  // two entries may share a text
      // A character the table cannot hold: refused, the entry keeps its text.
      {QStringLiteral("\u0141\u00f3d\u017a"), true, QStringLiteral("Parts"),
       QStringLiteral("The character \"\u0141\" in Product Groups cannot be stored. Please remove or replace it.")},
  };
  frmEditCategories dlg;
  InitGroups(dlg);
  for (const Case& c : cases) {
    SCOPED_TRACE(c.typed.toStdString());
    for (int i = 1; i <= dlg.lv->ListItems().Count(); ++i) {
      ctl::ListItem& item = dlg.lv->ListItems().Item(i);
      item.SetSelected(item.Key() == QStringLiteral("N%1").arg(tools));
    }
    if (!c.refusal.isEmpty()) prompts->Expect(c.refusal);
    const std::optional<QString> taken = dlg.lv_AfterLabelEdit(c.typed);
    EXPECT_EQ(!taken, c.cancelled);
    if (taken) {
      EXPECT_EQ(*taken, c.stored);
    }
    EXPECT_EQ(StoredText(tools), c.stored);
  }
}

TEST_F(frmEditCategoriesTest, DeleteRefusesEntriesInUseAndAsksForTheOthers) {
  const int32_t tools = AddCategory(QStringLiteral("Tools"), 1);
  const int32_t parts = AddCategory(QStringLiteral("Parts"), 1);
  AddProduct(QStringLiteral("Hammer"), QStringLiteral("H"), false, -1, tools);
  frmEditCategories dlg;
  InitGroups(dlg);

  Select(dlg, QStringLiteral("Tools"));
  prompts->Expect(QStringLiteral("'Tools' is under use and cannot be deleted!"));
  dlg.cmdDelete_Click();
  EXPECT_EQ(prompts->Last().icon, ui::vbExclamation);
  EXPECT_EQ(StoredText(tools), QStringLiteral("Tools"));

  for (int answer : {ui::vbNo, ui::vbCancel, ui::vbYes}) {
    SCOPED_TRACE(answer);
    Select(dlg, QStringLiteral("Parts"));
    prompts->Expect(QStringLiteral("Are you sure you want to delete 'Parts'?"), answer);
    dlg.cmdDelete_Click();
    EXPECT_EQ(prompts->Last().title, QStringLiteral("Delete Confirmation"));
    EXPECT_EQ(prompts->Last().defaultButton, 2);
    EXPECT_EQ(StoredText(parts).isEmpty(), answer == ui::vbYes);
    EXPECT_EQ(Texts(dlg).contains(QStringLiteral("Parts")), answer != ui::vbYes);
  }
  EXPECT_FALSE(dlg.cmdDelete->isEnabled());
}

// Delete ALL keeps the entries in use without a word; a deleted transaction that named
// an entry does not keep it.
TEST_F(frmEditCategoriesTest, DeleteAllRemovesWhatNothingRefersTo) {
  const int32_t used = AddCategory(QStringLiteral("Used"), 2);
  const int32_t gone = AddCategory(QStringLiteral("Was used"), 2);
  AddCategory(QStringLiteral("Free"), 2);
  AddCategory(QStringLiteral("Group"), 1);
  const int32_t prod = AddProduct(QStringLiteral("P"), QStringLiteral("P"));
  AddReceive(prod, 1, used);
  const int32_t other = AddProduct(QStringLiteral("Q"), QStringLiteral("Q"));
  AddReceive(other, 1, gone);
  ASSERT_TRUE(gDB().DeleteProductTransactions(other));

  frmEditCategories dlg;
  dlg.Init(QStringLiteral("Edit Transaction Categories"), QStringLiteral("Transaction Categories"),
           store::ListType::kTranCategory);
  for (int answer : {ui::vbNo, ui::vbCancel}) {
    prompts->Expect(QStringLiteral("Are you sure you want to delete ALL items in this list?"), answer);
    dlg.cmdDeleteAll_Click();
    EXPECT_EQ(Texts(dlg).size(), 3);
  }
  prompts->Expect(QStringLiteral("Are you sure you want to delete ALL items in this list?"), ui::vbYes);
  dlg.cmdDeleteAll_Click();
  EXPECT_EQ(prompts->Last().title, QStringLiteral("Delete ALL Confirmation"));
  EXPECT_EQ(Texts(dlg), QStringList{QStringLiteral("Used")});
  const store::Table table = gDB().OpenTable(gDB().CategoryTable());
  DATA4* tb = table.get();
  EXPECT_EQ(gDB().CategoryIDGet(QStringLiteral("Group"), 1, tb) > 0, true);  // another list untouched
}

// The list's caption is the database's own name for it where there is one; the editor
// carries the list's tag and closes the other windows when asked.
TEST_F(frmEditCategoriesTest, ListMgmtShowsTheEditorTaggedAndCaptioned) {
  gDB().SetParamValue(gDB().MakeCustomFieldParamName(QStringLiteral("svltran.dbf"), QStringLiteral("catid")),
                      QStringLiteral("Reasons for the move"));
  struct Case {
    const inventory::ListDef& list;
    bool unload;
    QString title;
  };
  const Case cases[] = {
      {inventory::kProductVendors, true, QStringLiteral("Edit Product Vendors")},
      {inventory::kProductLocations, false, QStringLiteral("Edit Product Locations")},
      {inventory::kTransactionCategories, false, QStringLiteral("Edit Transaction Reasons for t")},
  };
  for (const Case& c : cases) {
    SCOPED_TRACE(c.list.tag);
    auto* stray = new QWidget;
    ui::SetTag(stray, QStringLiteral("STRAY"));
    QString tag, title;
    runner->Then(QStringLiteral("frmEditCategories"), [&](QDialog& d) {
      tag = ui::Tag(&d);
      title = d.windowTitle();
      ui::test::Click(d, QStringLiteral("cmdClose"));
    });
    inventory::ListMgmt(c.list, c.unload);
    EXPECT_EQ(tag, QLatin1String(c.list.tag));
    EXPECT_TRUE(title.startsWith(c.title)) << title.toStdString();
    EXPECT_EQ(gSystem().IsFormLoaded(QStringLiteral("STRAY")), !c.unload);
    if (!c.unload) ui::Unload(stray);
  }
}

}  // namespace
