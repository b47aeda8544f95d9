// The Groups/Lists page through the test host.

#include <gtest/gtest.h>

#include <QApplication>
#include <QComboBox>
#include <QLabel>
#include <QPushButton>

#include "platform/com/Memory.h"
#include "platform/ui/testing/TestPrompts.h"
#include "proppages/Pages.h"
#include "tests/proppages/PageHost.h"

namespace qvp {
namespace {

using test::PageHost;

constexpr int kGroupsPage = 3;

class GroupsPageTest : public test::PageTest<CQVGroupsAndListsPropPage> {
 protected:
  GroupsPageTest() : PageTest(kGroupsPage) {}
  void Activate() {
    ASSERT_EQ(host_.Activate(), S_OK);
    groups_ = host_.Find<QComboBox>("1002");
    items_ = host_.Find<QComboBox>("1028");
    ASSERT_TRUE(groups_ && items_);
  }
  static void Edit(PropertyListView* list, const char* name, const QString& value) {
    test::EditRow(list, name, value);
  }
  static QStringList Names(PropertyListView* list) { return test::RowNames(list); }

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
  auto* groupList = host_.Find<PropertyListView>("1029");
  auto* itemList = host_.Find<PropertyListView>("1030");
  EXPECT_EQ(Names(groupList), QStringList({"Caption", "Index"}));
  EXPECT_EQ(FindRow(Page().GroupRows(), QStringLiteral("ListItems"))->valueText, "Count: 1");
  EXPECT_STREQ(FindRow(Page().GroupRows(), QStringLiteral("ListItems"))->ClassName(), "CCollectionProperty");
  EXPECT_STREQ(FindRow(Page().ItemRows(), QStringLiteral("Text"))->ClassName(), "CProperty");

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
  // A member removed behind the page's back refuses the write of its row.
  struct Case {
    const char* what;
    const char* list;
    const char* row;
    bool removeItem;
    bool removeGroup;
    const char* message;
  };
  const Case cases[] = {
      {"a group's caption", "1029", "Caption", false, false, nullptr},
      {"a gone group's caption", "1029", "Caption", false, true, "Caption : Illegal value."},
      {"a gone item's text", "1030", "Text", true, false, "Text : Illegal value."},
  };
  for (const Case& c : cases) {
    SCOPED_TRACE(c.what);
    const qsizetype shown = prompts_->Shown().size();
    PageHost host(kGroupsPage);
    auto& a = host.model.Groups().Add(0, {}, QStringLiteral("A"));
    a.ListItems().Add(0, {}, QStringLiteral("x"));
    host.model.Groups().Add(0, {}, QStringLiteral("B"));
    ASSERT_EQ(host.Activate(), S_OK);
    auto* list = host.Find<PropertyListView>(c.list);
    Edit(list, c.row, QStringLiteral("Fine"));
    auto& page = *static_cast<CQVGroupsAndListsPropPage*>(static_cast<CQVPropPageBase*>(host.page.get()));
    const bool groupList = c.list == QLatin1String("1029");
    ASSERT_TRUE(list->SelectRow(FindRow(groupList ? page.GroupRows() : page.ItemRows(), QStringLiteral("Index"))));
    if (c.removeItem) a.ListItems().Remove(1);
    if (c.removeGroup) host.model.Groups().Remove(1);
    if (c.message) prompts_->Expect(QLatin1String(c.message));
    EXPECT_EQ(host.page->Apply(), c.message ? E_FAIL : S_OK);
    if (c.message) {
      ASSERT_EQ(prompts_->Shown().size(), shown + 1);
      EXPECT_EQ(prompts_->Last().title, "Error Setting Property");
      // The refused row is selected in its own list, showing its value again.
      ASSERT_NE(list->CurrentRow(), nullptr);
      EXPECT_EQ(list->CurrentRow()->name, QLatin1String(c.row));
      EXPECT_NE(list->CurrentRow()->valueText, "Fine");
    } else {
      EXPECT_EQ(host.model.Groups().Item(1).Caption(), "Fine");
      EXPECT_EQ(prompts_->Shown().size(), shown);
    }
  }
}

TEST_F(GroupsPageTest, ReadOnlyValuesCannotBeEdited) {
  host_.model.Groups().Add(0, {}, QStringLiteral("A"));
  Activate();
  auto* list = host_.Find<PropertyListView>("1029");
  PropertyListModel& model = list->Model();
  const struct {
    const char* name;
    bool editable;
  } cases[] = {{"Index", false}, {"Caption", true}};
  for (const auto& c : cases) {
    SCOPED_TRACE(c.name);
    const int line = static_cast<int>(Names(list).indexOf(QLatin1String(c.name)));
    ASSERT_GE(line, 0);
    EXPECT_EQ(bool(model.flags(model.index(line, PropertyListModel::kValue)) & Qt::ItemIsEditable), c.editable);
  }
}

}  // namespace
}  // namespace qvp
