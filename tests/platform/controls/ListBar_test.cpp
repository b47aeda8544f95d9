#include <gtest/gtest.h>

#include <QListWidget>
#include <QToolButton>
#include <functional>

#include "platform/controls/ListBarControl.h"
#include "platform/controls/ListBarModel.h"
#include "platform/runtime/Error.h"
#include "tests/platform/controls/ListViewTestSupport.h"

namespace ctl {
namespace {

using lvtest::ErrorOf;

QImage Square(Qt::GlobalColor color, int size) {
  QImage image(size, size, QImage::Format_ARGB32);
  image.fill(color);
  return image;
}

// Keys of a collection in order, checking that every entry knows its position.
template <class C>
QStringList Keys(const C& collection) {
  QStringList out;
  for (int i = 1; i <= collection.Count(); ++i) {
    EXPECT_EQ(collection.Item(i).Index(), i);
    out << collection.Item(i).Key();
  }
  return out;
}

// The main window's two groups, shortened.
void AddMainGroups(ListBarModel& bar) {
  ListBarGroup& main = bar.Groups().Add(0, QStringLiteral("MAIN"), QStringLiteral("Main"));
  main.ListItems().Add(0, QStringLiteral("LOOKUPPRODUCT"), QStringLiteral("Product"), 1);
  main.ListItems().Add(0, QStringLiteral("INVENTORY"), QStringLiteral("Inventory Detail"), 2);
  main.ListItems().Add(0, QStringLiteral("REPORTS"), QStringLiteral("All Reports"), 2);
  ListBarGroup& conf =
      bar.Groups().Add(0, QStringLiteral("CONFIGURE"), QStringLiteral("Configure"));
  conf.ListItems().Add(0, QStringLiteral("PRODUCTCATEGORIES"), QStringLiteral("Product Groups"));
  conf.ListItems().Add(0, QStringLiteral("CUSTOMIZATIONS"), QStringLiteral("Preferences"));
}

TEST(ListBarModel, InsertionPutsEntriesAtOneBasedPositions) {
  struct Case {
    const char* name;
    std::vector<std::pair<int, QString>> adds;  // position, key
    QStringList expected;
  };
  const std::vector<Case> cases = {
      {"appending", {{0, "a"}, {0, "b"}, {0, "c"}}, {"a", "b", "c"}},
      {"at the front", {{0, "a"}, {1, "b"}, {1, "c"}}, {"c", "b", "a"}},
      {"in the middle", {{0, "a"}, {0, "c"}, {2, "b"}}, {"a", "b", "c"}},
      {"just past the end", {{1, "a"}, {2, "b"}, {3, "c"}}, {"a", "b", "c"}},
  };
  for (const Case& c : cases) {
    SCOPED_TRACE(c.name);
    ListBarModel bar;
    for (const auto& [at, key] : c.adds) bar.Groups().Add(at, key, key.toUpper());
    EXPECT_EQ(Keys(bar.Groups()), c.expected);
    ListBarModel tabs;
    for (const auto& [at, key] : c.adds) tabs.Tabs().Add(at, key);
    EXPECT_EQ(Keys(tabs.Tabs()), c.expected);
    ListBarGroup& group = bar.Groups().Item(1);
    for (const auto& [at, key] : c.adds) group.ListItems().Add(at, key + "_item");
    QStringList itemKeys;
    for (const QString& k : c.expected) itemKeys << k + "_item";
    EXPECT_EQ(Keys(group.ListItems()), itemKeys);
  }
}

TEST(ListBarModel, RemovalRenumbersAndFreesKeys) {
  ListBarModel bar;
  AddMainGroups(bar);
  ListBarItems& items = bar.Groups().Item(1).ListItems();
  items.Remove(1);
  EXPECT_EQ(Keys(items), (QStringList{"INVENTORY", "REPORTS"}));
  items.Remove(QStringLiteral("REPORTS"));
  EXPECT_EQ(Keys(items), QStringList{"INVENTORY"});
  // A removed key may be used again, also in another group.
  bar.Groups().Item(2).ListItems().Add(1, QStringLiteral("LOOKUPPRODUCT"));
  EXPECT_EQ(bar.FindItem(QStringLiteral("LOOKUPPRODUCT"))->Index(), 1);
  EXPECT_EQ(bar.Groups().Item(2).ListItems().Item(3).Key(), QStringLiteral("CUSTOMIZATIONS"));
  // Removing a group takes its items and their keys with it.
  bar.Groups().Remove(1);
  EXPECT_EQ(Keys(bar.Groups()), QStringList{"CONFIGURE"});
  EXPECT_EQ(bar.FindItem(QStringLiteral("INVENTORY")), nullptr);
  EXPECT_EQ(ErrorOf([&] { bar.Groups().Item(1).ListItems().Add(0, "INVENTORY"); }), 0);
}

TEST(ListBarModel, ErrorsOfPositionsKeysAndValues) {
  struct Case {
    const char* name;
    std::function<void(ListBarModel&)> op;
    int error;
  };
  const std::vector<Case> cases = {
      {"add past the end", [](ListBarModel& b) { b.Groups().Add(4); }, 35600},
      {"add at a negative position", [](ListBarModel& b) { b.Tabs().Add(-1); }, 35600},
      {"item 0", [](ListBarModel& b) { b.Groups().Item(0); }, 35600},
      {"item past the end", [](ListBarModel& b) { b.Groups().Item(1).ListItems().Item(4); }, 35600},
      {"remove past the end", [](ListBarModel& b) { b.Groups().Remove(3); }, 35600},
      {"unknown key", [](ListBarModel& b) { b.Groups().Item("NOPE"); }, 35601},
      {"empty key", [](ListBarModel& b) { b.Groups().Item(QString()); }, 35601},
      {"remove unknown key", [](ListBarModel& b) { b.Tabs().Remove("NOPE"); }, 35601},
      {"group key twice", [](ListBarModel& b) { b.Groups().Add(0, "MAIN"); }, 35602},
      {"item key of another group",
       [](ListBarModel& b) { b.Groups().Item(2).ListItems().Add(0, "REPORTS"); }, 35602},
      {"tab key twice",
       [](ListBarModel& b) {
         b.Tabs().Add(0, "T");
         b.Tabs().Add(0, "T");
       },
       35602},
      {"image key twice",
       [](ListBarModel& b) {
         b.LargeIcons().Add("box", {});
         b.LargeIcons().Add("box", {});
       },
       35602},
      {"image past the end", [](ListBarModel& b) { b.SmallIcons().Picture(1); }, 35600},
      {"empty keys may repeat",
       [](ListBarModel& b) {
         b.Groups().Add();
         b.Groups().Add();
         b.Tabs().Add();
         b.Tabs().Add();
         b.LargeIcons().Add({}, {});
         b.LargeIcons().Add({}, {});
       },
       0},
      {"keys are case-sensitive", [](ListBarModel& b) { b.Groups().Add(0, "main"); }, 0},
      {"same key for a group and an item", [](ListBarModel& b) { b.Groups().Add(0, "REPORTS"); },
       0},
      {"current group 0", [](ListBarModel& b) { b.SetCurrentGroup(0); }, 380},
      {"current group past the end", [](ListBarModel& b) { b.SetCurrentGroup(3); }, 380},
      {"current tab without tabs", [](ListBarModel& b) { b.SetCurrentTab(1); }, 380},
      {"image size 0", [](ListBarModel& b) { b.LargeIcons().SetImageSize(0, 32); }, 380},
      {"negative icon", [](ListBarModel& b) { b.FindItem("REPORTS")->SetIcon(-1); }, 380},
  };
  for (const Case& c : cases) {
    SCOPED_TRACE(c.name);
    ListBarModel bar;
    AddMainGroups(bar);
    EXPECT_EQ(ErrorOf([&] { c.op(bar); }), c.error);
  }
}

TEST(ListBarModel, CurrentGroupAndTabStayOnTheirEntry) {
  struct Case {
    const char* name;
    std::function<void(ListBarCollection<ListBarEntry>&, ListBarModel&)> op;
    int expected;  // current position afterwards
  };
  // Before each case: entries a, b, c with b current.
  const std::vector<Case> cases = {
      {"insert before", [](auto&, ListBarModel& b) { b.Tabs().Add(1, "x"); }, 3},
      {"insert at its place", [](auto&, ListBarModel& b) { b.Tabs().Add(2, "x"); }, 3},
      {"insert after", [](auto&, ListBarModel& b) { b.Tabs().Add(3, "x"); }, 2},
      {"remove before", [](auto& c, ListBarModel&) { c.Remove(1); }, 1},
      {"remove after", [](auto& c, ListBarModel&) { c.Remove(3); }, 2},
      {"remove it: the next takes its place", [](auto& c, ListBarModel&) { c.Remove(2); }, 2},
      {"remove it and the last",
       [](auto& c, ListBarModel&) {
         c.Remove(3);
         c.Remove(2);
       },
       1},
      {"clear", [](auto& c, ListBarModel&) { c.Clear(); }, 0},
      {"move it", [](auto& c, ListBarModel&) { c.Move(2, 3); }, 3},
      {"move one from before to after it", [](auto& c, ListBarModel&) { c.Move(1, 3); }, 1},
      {"move one from after to before it", [](auto& c, ListBarModel&) { c.Move(3, 1); }, 3},
      {"move past the end: refused", [](auto& c, ListBarModel&) {
         EXPECT_THROW(c.Move(1, 4), rt::VbError);
         EXPECT_EQ(c.Item(1).Key(), "a");
       }, 2},
  };
  for (const Case& c : cases) {
    SCOPED_TRACE(c.name);
    ListBarModel bar;
    for (const char* key : {"a", "b", "c"}) bar.Tabs().Add(0, key);
    EXPECT_EQ(bar.CurrentTab(), 1);  // the first one added
    bar.SetCurrentTab(2);
    c.op(bar.Tabs(), bar);
    EXPECT_EQ(bar.CurrentTab(), c.expected);
  }
  // Groups follow the same rule.
  ListBarModel bar;
  AddMainGroups(bar);
  bar.SetCurrentGroup(2);
  bar.Groups().Add(1, "NEW");
  EXPECT_EQ(bar.Groups().Item(bar.CurrentGroup()).Key(), QStringLiteral("CONFIGURE"));
  bar.Groups().Remove("CONFIGURE");
  EXPECT_EQ(bar.CurrentGroup(), 2);
  bar.Groups().Clear();
  EXPECT_EQ(bar.CurrentGroup(), 0);
}

TEST(ListBarModel, EveryChangeIsReportedAndMarksTheBarDirty) {
  using P = ListBarProperty;
  struct Case {
    const char* name;
    std::function<void(ListBarModel&)> op;
    std::vector<P> expected;
    bool empty = false;  // start without the main window's groups
  };
  const std::vector<Case> cases = {
      {"first group also becomes current", [](ListBarModel& b) { b.Groups().Add(); },
       {P::Groups, P::CurrentGroup}, true},
      {"group added after the current one", [](ListBarModel& b) { b.Groups().Add(); },
       {P::Groups}},
      {"group caption", [](ListBarModel& b) { b.Groups().Item(1).SetCaption("Stock"); },
       {P::Groups}},
      {"group view", [](ListBarModel& b) { b.Groups().Item(1).SetView(ListBarView::SmallIcons); },
       {P::Groups}},
      {"item caption", [](ListBarModel& b) { b.FindItem("REPORTS")->SetCaption("Reports"); },
       {P::ListItems}},
      {"item text and icon",
       [](ListBarModel& b) {
         b.FindItem("REPORTS")->SetText("Every report");
         b.FindItem("REPORTS")->SetIcon(1);
       },
       {P::ListItems, P::ListItems}},
      {"item removed", [](ListBarModel& b) { b.Groups().Item(2).ListItems().Remove(1); },
       {P::ListItems}},
      {"current group", [](ListBarModel& b) { b.SetCurrentGroup(2); }, {P::CurrentGroup}},
      {"current tab", [](ListBarModel& b) { b.Tabs().Add(); b.Tabs().Add(); b.SetCurrentTab(2); },
       {P::Tabs, P::CurrentTab, P::Tabs, P::CurrentTab}},
      {"images", [](ListBarModel& b) { b.LargeIcons().Add({}, {}); b.SmallIcons().Clear(); },
       {P::LargeIcons, P::SmallIcons}},
      {"image-list attributes",
       [](ListBarModel& b) {
         b.SmallIcons().SetFixedSize(false);
         b.SmallIcons().SetImageSize(24, 24);
         b.SmallIcons().SetBackColor(0xFFFFFF);
       },
       {P::SmallIcons, P::SmallIcons, P::SmallIcons}},
      {"unchanged values report nothing",
       [](ListBarModel& b) {
         b.Groups().Item(1).SetCaption("Main");
         b.SetCurrentGroup(1);
         b.FindItem("REPORTS")->SetIcon(2);
         b.LargeIcons().SetImageSize(32, 32);
       },
       {}},
      {"removing the current group renumbers it",
       [](ListBarModel& b) { b.SetCurrentGroup(2); b.Groups().Remove(1); },
       {P::CurrentGroup, P::Groups, P::CurrentGroup}},
  };
  for (const Case& c : cases) {
    SCOPED_TRACE(c.name);
    ListBarModel bar;
    if (!c.empty) AddMainGroups(bar);
    bar.SetDirty(false);
    std::vector<P> seen;
    bar.Subscribe([&](P p) { seen.push_back(p); });
    c.op(bar);
    EXPECT_EQ(seen, c.expected);
    EXPECT_EQ(bar.IsDirty(), !c.expected.empty());
  }
}

TEST(ListBarModel, ListenersMayUnsubscribeWhileCalled) {
  ListBarModel bar;
  int first = 0;
  int second = 0;
  int secondCookie = 0;
  const int firstCookie = bar.Subscribe([&](ListBarProperty) {
    ++first;
    bar.Unsubscribe(secondCookie);
  });
  secondCookie = bar.Subscribe([&](ListBarProperty) { ++second; });
  bar.Tabs().Add(0, "T");  // Tabs, then CurrentTab
  EXPECT_EQ(first, 2);
  EXPECT_EQ(second, 0);
  bar.Unsubscribe(firstCookie);
  bar.Tabs().Add();
  EXPECT_EQ(first, 2);
}

class ListBarControlTest : public ::testing::Test {
 protected:
  void SetUp() override {
    bar.resize(160, 400);
    bar.Model().LargeIcons().Add("box", Square(Qt::darkGreen, 32));
    bar.Model().LargeIcons().Add("sheet", Square(Qt::darkBlue, 32));
    AddMainGroups(bar.Model());
    connect();
  }
  void connect() {
    QObject::connect(&bar, &ListBarControl::ItemClick,
                     [this](const QString& key) { clicks << "item:" + key; });
    QObject::connect(&bar, &ListBarControl::GroupClick,
                     [this](const QString& key) { clicks << "group:" + key; });
  }
  QListWidget* List() { return bar.findChild<QListWidget*>(QStringLiteral("itemList")); }
  QToolButton* Header(int n) {
    return bar.findChild<QToolButton*>(QStringLiteral("groupHeader%1").arg(n));
  }
  QStringList Shown() {
    QStringList out;
    for (int i = 0; i < List()->count(); ++i) out << List()->item(i)->text();
    return out;
  }
  void ClickItem(int row) {
    lvtest::Click(List()->viewport(), List()->visualItemRect(List()->item(row)).center());
  }

  ListBarControl bar;
  QStringList clicks;
};

TEST_F(ListBarControlTest, ClicksRaiseTheKeys) {
  ASSERT_NE(List(), nullptr);
  ASSERT_NE(Header(2), nullptr);
  EXPECT_EQ(Shown(), (QStringList{"Product", "Inventory Detail", "All Reports"}));
  ClickItem(1);
  Header(2)->click();
  EXPECT_EQ(bar.Model().CurrentGroup(), 2);
  EXPECT_EQ(Shown(), (QStringList{"Product Groups", "Preferences"}));
  ClickItem(1);
  Header(2)->click();  // the open header again: stays open
  EXPECT_TRUE(Header(2)->isChecked());
  EXPECT_FALSE(Header(1)->isChecked());
  EXPECT_EQ(clicks, (QStringList{"item:INVENTORY", "group:CONFIGURE", "item:CUSTOMIZATIONS",
                                 "group:CONFIGURE"}));
}

TEST_F(ListBarControlTest, FollowsTheModel) {
  ListBarModel& model = bar.Model();
  // A caption changed from inside a click (the main window relabels so) shows at once.
  QObject::connect(&bar, &ListBarControl::ItemClick, [&](const QString& key) {
    model.FindItem(key)->SetCaption(QStringLiteral("Product Reasons"));
  });
  bar.Model().SetCurrentGroup(2);
  ClickItem(0);
  EXPECT_EQ(Shown(), (QStringList{"Product Reasons", "Preferences"}));
  EXPECT_EQ(List()->item(0)->icon().isNull(), true);

  model.SetCurrentGroup(1);
  EXPECT_FALSE(List()->item(0)->icon().isNull());
  model.Groups().Item(1).ListItems().Add(2, "NEWPRODUCT", "New Product");
  EXPECT_EQ(Shown(), (QStringList{"Product", "New Product", "Inventory Detail", "All Reports"}));
  ClickItem(1);
  EXPECT_EQ(clicks.last(), QStringLiteral("item:NEWPRODUCT"));

  model.Groups().Item(2).SetCaption(QStringLiteral("Setup"));
  EXPECT_EQ(Header(2)->text(), QStringLiteral("Setup"));
  model.Groups().Remove(1);
  EXPECT_EQ(Header(1)->text(), QStringLiteral("Setup"));
  EXPECT_EQ(Shown(), (QStringList{"Product Reasons", "Preferences"}));
  model.Groups().Clear();
  EXPECT_FALSE(List()->isVisibleTo(&bar));
  EXPECT_EQ(List()->count(), 0);
}

TEST_F(ListBarControlTest, SmallIconsUseTheSmallListOrFallBackToTheLargeOne) {
  bar.Model().SmallIcons().Add("box", Square(Qt::red, 16));
  bar.Model().Groups().Item(1).SetView(ListBarView::SmallIcons);
  EXPECT_EQ(List()->viewMode(), QListView::ListMode);
  EXPECT_EQ(List()->iconSize(), QSize(16, 16));
  const QImage small = List()->item(0)->icon().pixmap(16, 16).toImage();
  EXPECT_EQ(small.pixelColor(8, 8), QColor(Qt::red));
  const QImage fallback = List()->item(1)->icon().pixmap(16, 16).toImage();
  EXPECT_EQ(fallback.pixelColor(8, 8), QColor(Qt::darkBlue));
  EXPECT_TRUE(bar.IsDirty());
}

}  // namespace
}  // namespace ctl
