// The Groups/Lists page through the test host.

#include <gtest/gtest.h>

#include <QApplication>
#include <QComboBox>
#include <QLabel>
#include <QPushButton>

#include "platform/com/Memory.h"
#include "platform/ui/TestPrompts.h"
#include "proppages/Pages.h"
#include "tests/proppages/PageHost.h"

namespace qvp {
namespace {

using test::PageHost;

constexpr int kGroupsPage = 3;

class GroupsPageTest : public ::testing::Test {
 protected:
  void Activate() {
    ASSERT_EQ(host_.Activate(), S_OK);
    groups_ = host_.Find<QComboBox>("1002");
    items_ = host_.Find<QComboBox>("1028");
    ASSERT_TRUE(groups_ && items_);
  }
  CQVGroupsAndListsPropPage& Page() {
    return *static_cast<CQVGroupsAndListsPropPage*>(static_cast<CQVPropPageBase*>(host_.page.get()));
  }
  static QStringList Entries(QComboBox* combo) {
    QStringList texts;
    for (int i = 0; i < combo->count(); ++i) texts << combo->itemText(i);
    return texts;
  }
  static void Choose(QComboBox* combo, int index) {
    combo->setCurrentIndex(index);
    emit combo->activated(index);
  }
  QPushButton* Button(const char* id) { return host_.Find<QPushButton>(id); }
  static void Edit(MemberList* list, const char* name, const QString& value) {
    for (int line = 0; line < list->rowCount(); ++line)
      if (list->item(line, 0)->text() == QLatin1String(name)) {
        list->item(line, 1)->setText(value);
        return;
      }
    ADD_FAILURE() << "no row " << name;
  }
  static QStringList Names(MemberList* list) {
    QStringList names;
    for (int line = 0; line < list->rowCount(); ++line) names << list->item(line, 0)->text();
    return names;
  }

  PageHost host_{kGroupsPage};
  ui::test::ScopedFakePrompts prompts_;
  QComboBox* groups_ = nullptr;
  QComboBox* items_ = nullptr;
};

TEST_F(GroupsPageTest, AddAGroupAndAnItemEditThemAndApply) {
  auto& mail = host_.model.Groups().Add(0, QStringLiteral("mail"), QStringLiteral("Mail"));
  mail.ListItems().Add(0, {}, QStringLiteral("Inbox")).SetText(QStringLiteral("Incoming"));
  Activate();
  EXPECT_EQ(Entries(groups_), QStringList({"1 - Mail"}));
  EXPECT_EQ(Entries(items_), QStringList({"1 - Incoming"}));
  EXPECT_FALSE(Button("1032")->isEnabled());
  // The group's list items are not one of its rows.
  auto* groupList = host_.Find<MemberList>("1029");
  auto* itemList = host_.Find<MemberList>("1030");
  EXPECT_EQ(Names(groupList), QStringList({"Caption", "Index"}));
  EXPECT_EQ(FindRow(Page().GroupRows(), QStringLiteral("ListItems"))->text, "Count: 1");

  Button("1031")->click();
  EXPECT_EQ(host_.model.Groups().Count(), 2);
  EXPECT_EQ(Entries(groups_), QStringList({"1 - Mail", "2 - (No Caption)"}));
  EXPECT_EQ(groups_->currentIndex(), 1);
  EXPECT_TRUE(Button("1032")->isEnabled());
  EXPECT_EQ(host_.Find<QLabel>("1035")->text(), "&ListItems for Group (2):");
  EXPECT_EQ(items_->count(), 0);
  EXPECT_FALSE(items_->isEnabled());

  Button("1033")->click();
  EXPECT_EQ(host_.model.Groups().Item(2).ListItems().Count(), 1);
  EXPECT_EQ(Entries(items_), QStringList({"1 - (No Text)"}));
  EXPECT_TRUE(Button("1034")->isEnabled());
  Edit(groupList, "Caption", QStringLiteral("Tools"));
  Edit(itemList, "Text", QStringLiteral("Calculator"));
  EXPECT_TRUE(host_.Dirty());
  EXPECT_EQ(host_.page->Apply(), S_OK);
  EXPECT_EQ(host_.model.Groups().Item(2).Caption(), "Tools");
  EXPECT_EQ(host_.model.Groups().Item(2).ListItems().Item(1).Text(), "Calculator");
  QApplication::processEvents();
  EXPECT_EQ(Entries(groups_), QStringList({"1 - Mail", "2 - Tools"}));
  EXPECT_EQ(groups_->currentIndex(), 1);
  EXPECT_EQ(Entries(items_), QStringList({"1 - Calculator"}));
  EXPECT_TRUE(prompts_->Shown().isEmpty());
}

TEST_F(GroupsPageTest, RemovingGroupsAndItems) {
  auto& a = host_.model.Groups().Add(0, {}, QStringLiteral("A"));
  a.ListItems().Add(0, {}, QStringLiteral("x"));
  host_.model.Groups().Add(0, {}, QStringLiteral("B"));
  Activate();
  Choose(groups_, 1);
  Button("1032")->click();  // the last: the new last is selected
  EXPECT_EQ(host_.model.Groups().Count(), 1);
  EXPECT_EQ(Entries(groups_), QStringList({"1 - A"}));
  EXPECT_FALSE(Button("1032")->isEnabled());
  Button("1032")->click();  // never the last group
  EXPECT_EQ(host_.model.Groups().Count(), 1);

  EXPECT_TRUE(items_->isEnabled());
  Button("1034")->click();
  EXPECT_EQ(a.ListItems().Count(), 0);
  EXPECT_EQ(items_->count(), 0);
  EXPECT_FALSE(items_->isEnabled());
  EXPECT_FALSE(Button("1034")->isEnabled());
}

TEST_F(GroupsPageTest, ChangesMadeWhileHiddenAreShownAtTheNextPaint) {
  host_.model.Groups().Add(0, {}, QStringLiteral("A"));
  Activate();
  host_.page->Show(SW_HIDE);
  host_.model.Groups().Add(0, {}, QStringLiteral("B"));
  QApplication::processEvents();
  EXPECT_EQ(groups_->count(), 1);
  host_.page->Show(SW_SHOW);
  host_.frame.show();
  QApplication::processEvents();
  EXPECT_EQ(Entries(groups_), QStringList({"1 - A", "2 - B"}));
  // Shown: a change elsewhere is reloaded after its notification.
  host_.model.Groups().Item(1).SetCaption(QStringLiteral("Renamed"));
  QApplication::processEvents();
  EXPECT_EQ(groups_->itemText(0), "1 - Renamed");
}

TEST_F(GroupsPageTest, WritesTheControlCannotTakeAreReported) {
  host_.model.Groups().Add(0, {}, QStringLiteral("A"));
  Activate();
  const MemberRow* caption = FindRow(Page().GroupRows(), QStringLiteral("Caption"));
  ASSERT_TRUE(caption);
  struct Case {
    const char* name;
    VARTYPE vt;
    DISPID id;
    const char* text;
    const char* message;
  };
  const Case cases[] = {
      {"Caption", VT_BSTR, caption->id, "Fine", nullptr},
      {"Size", VT_I2, caption->id, "big", "Size : Invalid value."},
      {"Index", VT_I2, FindRow(Page().GroupRows(), QStringLiteral("Index"))->id, "3",
       "Index : Illegal value."},
  };
  for (const Case& c : cases) {
    SCOPED_TRACE(c.name);
    MemberRow row = *caption;
    row.name = QLatin1String(c.name);
    row.vt = c.vt;
    row.id = c.id;
    row.text = QLatin1String(c.text);
    row.modified = true;
    if (c.message) prompts_->Expect(QLatin1String(c.message));
    EXCEPINFO excep{};
    EXPECT_EQ(SUCCEEDED(WriteRow(row, &excep)), c.message == nullptr);
    EXPECT_EQ(row.modified, c.message != nullptr);
    if (c.message) {
      EXPECT_EQ(prompts_->Last().title, "Error Setting Property");
    }
    SysFreeString(excep.bstrSource);
    SysFreeString(excep.bstrDescription);
    SysFreeString(excep.bstrHelpFile);
  }
  EXPECT_EQ(host_.model.Groups().Item(1).Caption(), "Fine");
  // Read-only values cannot be edited in the list.
  auto* list = host_.Find<MemberList>("1029");
  EXPECT_FALSE(list->item(Names(list).indexOf(QStringLiteral("Index")), 1)->flags() & Qt::ItemIsEditable);
}

}  // namespace
}  // namespace qvp
