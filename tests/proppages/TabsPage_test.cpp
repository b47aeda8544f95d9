// The Tabs page through the test host.

#include <gtest/gtest.h>

#include <QApplication>
#include <QComboBox>
#include <QPushButton>
#include <QToolButton>

#include "platform/ui/testing/TestPrompts.h"
#include "proppages/Pages.h"
#include "tests/proppages/PageHost.h"

namespace qvp {
namespace {

using test::PageHost;

constexpr int kTabsPage = 7;

class TabsPageTest : public test::PageTest<CQVTabsPropPage> {
 protected:
  TabsPageTest() : PageTest(kTabsPage) {}
  void Activate(std::initializer_list<const char*> captions) {
    for (const char* c : captions) host_.model.Tabs().Add(0, {}, QString::fromLatin1(c));
    ASSERT_EQ(host_.Activate(), S_OK);
    combo_ = host_.Find<QComboBox>("2200");
    list_ = host_.Find<PropertyListView>("2201");
    ASSERT_TRUE(combo_ && list_);
  }
  QStringList Entries() const { return PageTest::Entries(combo_); }
  void Choose(int index) { PageTest::Choose(combo_, index); }
  // Types a value into the list's in-place editor and commits it with Enter.
  void Edit(const char* name, const QString& value) { test::EditRow(list_, name, value); }
  QToolButton* Arrow(const char* name) { return host_.frame.findChild<QToolButton*>(QLatin1String(name)); }
  static void Settle() { QApplication::processEvents(); }

  QComboBox* combo_ = nullptr;
  PropertyListView* list_ = nullptr;
};

TEST_F(TabsPageTest, AddATabGiveItACaptionAndApply) {
  Activate({"One", ""});
  EXPECT_EQ(Entries(), QStringList({"1 - One", "2 - (No Caption)"}));
  host_.Find<QPushButton>("2202")->click();
  EXPECT_EQ(host_.model.Tabs().Count(), 3);
  EXPECT_EQ(combo_->currentIndex(), 2);
  EXPECT_EQ(host_.model.CurrentTab(), 3);
  EXPECT_EQ(combo_->currentText(), "3 - (No Caption)");
  // The tab's properties are the browser's typed rows, listed by name.
  ASSERT_TRUE(FindRow(Page().TabRows(), QStringLiteral("Caption")));
  EXPECT_STREQ(FindRow(Page().TabRows(), QStringLiteral("Caption"))->ClassName(), "CProperty");
  EXPECT_STREQ(FindRow(Page().TabRows(), QStringLiteral("Index"))->ClassName(), "CProperty");
  EXPECT_EQ(list_->Model().Row(0)->name, "Caption");
  Edit("Caption", QStringLiteral("Three"));
  EXPECT_TRUE(host_.Dirty());
  EXPECT_EQ(host_.page->Apply(), S_OK);
  EXPECT_EQ(host_.model.Tabs().Item(3).Caption(), "Three");
  Settle();
  EXPECT_EQ(Entries(), QStringList({"1 - One", "2 - (No Caption)", "3 - Three"}));
  EXPECT_EQ(combo_->currentIndex(), 2);
  EXPECT_TRUE(prompts_->Shown().isEmpty());
}

// As the page's note says: a new Index moves the tab, and the page follows it.
TEST_F(TabsPageTest, ChangingTheIndexMovesTheTab) {
  Activate({"One", "Two", "Three"});
  Choose(0);
  Edit("Index", QStringLiteral("3"));
  EXPECT_EQ(host_.page->Apply(), S_OK);
  EXPECT_EQ(host_.model.Tabs().Item(1).Caption(), "Two");
  EXPECT_EQ(host_.model.Tabs().Item(3).Caption(), "One");
  Settle();
  EXPECT_EQ(Entries(), QStringList({"1 - Two", "2 - Three", "3 - One"}));
  // An index outside the tabs is refused in the control's words; nothing moves.
  Choose(0);
  Edit("Index", QStringLiteral("9"));
  prompts_->ExpectContaining(QStringLiteral("Index : "));
  EXPECT_EQ(host_.page->Apply(), E_FAIL);
  EXPECT_EQ(host_.model.Tabs().Item(1).Caption(), "Two");
  EXPECT_FALSE(host_.Dirty());
}

TEST_F(TabsPageTest, ArrowsFollowTheSelection) {
  struct Case {
    int tabs;
    int selected;
    int state;
  };
  const Case cases[] = {{0, -1, 3}, {1, 0, 3}, {3, 0, 1}, {3, 1, 0}, {3, 2, 2}};
  for (const Case& c : cases) {
    SCOPED_TRACE(testing::Message() << c.tabs << " tabs, selected " << c.selected);
    PageHost host(kTabsPage);
    for (int i = 0; i < c.tabs; ++i) host.model.Tabs().Add(0, {}, QStringLiteral("T%1").arg(i + 1));
    ASSERT_EQ(host.Activate(), S_OK);
    auto* combo = host.Find<QComboBox>("2200");
    if (c.selected >= 0) {
      combo->setCurrentIndex(c.selected);
      emit combo->activated(c.selected);
    }
    auto& page = *static_cast<CQVTabsPropPage*>(static_cast<CQVPropPageBase*>(host.page.get()));
    EXPECT_EQ(page.ArrowsState(), c.state);
    EXPECT_EQ(host.frame.findChild<QToolButton*>(QStringLiteral("SB_LINELEFT"))->isEnabled(), c.state % 2 == 0);
    EXPECT_EQ(host.frame.findChild<QToolButton*>(QStringLiteral("SB_LINERIGHT"))->isEnabled(), c.state < 2);
  }
}

TEST_F(TabsPageTest, StepsRemoveAndTheControlsCurrentTab) {
  Activate({"A", "B", "C"});
  Choose(0);
  Arrow("SB_LINERIGHT")->click();
  EXPECT_EQ(combo_->currentIndex(), 1);
  EXPECT_EQ(host_.model.CurrentTab(), 2);
  Arrow("SB_LINERIGHT")->click();
  EXPECT_EQ(combo_->currentIndex(), 2);
  EXPECT_FALSE(Arrow("SB_LINERIGHT")->isEnabled());

  // Removing the last tab selects the new last.
  host_.Find<QPushButton>("2203")->click();
  EXPECT_EQ(host_.model.Tabs().Count(), 2);
  EXPECT_EQ(combo_->currentIndex(), 1);
  EXPECT_EQ(combo_->currentText(), "2 - B");

  // The control's own change of the current tab is followed.
  host_.model.SetCurrentTab(1);
  EXPECT_EQ(combo_->currentIndex(), 0);
  EXPECT_EQ(FindRow(Page().TabRows(), QStringLiteral("Caption"))->valueText, "A");
}

TEST_F(TabsPageTest, ChangesMadeElsewhereAreRebuilt) {
  Activate({"A"});
  // While shown: rebuilt after the notification.
  host_.model.Tabs().Add(0, {}, QStringLiteral("B"));
  Settle();
  EXPECT_EQ(Entries(), QStringList({"1 - A", "2 - B"}));
  // While hidden: at the next paint.
  host_.page->Show(SW_HIDE);
  host_.model.Tabs().Add(0, {}, QStringLiteral("C"));
  Settle();
  EXPECT_EQ(combo_->count(), 2);
  host_.page->Show(SW_SHOW);
  host_.frame.show();
  Settle();
  EXPECT_EQ(Entries(), QStringList({"1 - A", "2 - B", "3 - C"}));
}

TEST(TabsPageObjects, SeveralControlsOrNoListBarDisableThePage) {
  PageHost host(kTabsPage);
  ASSERT_EQ(host.Activate(), S_OK);
  ctl::ListBarModel other;
  ctl::ListBarAutomationHost second(other);
  IUnknown* both[] = {host.control->Object(), second.Object()};
  EXPECT_EQ(host.page->SetObjects(2, both), S_FALSE);
  EXPECT_FALSE(host.Find<QComboBox>("2200")->isEnabled());
  EXPECT_FALSE(host.Find<QPushButton>("2202")->isEnabled());

  PageHost plain(kTabsPage);
  auto site = com::Create<com::FakePageSite, IPropertyPageSite>(IID_IPropertyPageSite);
  EXPECT_EQ(plain.Activate(site.get()), E_ACCESSDENIED);
  EXPECT_FALSE(plain.Find<QPushButton>("2202")->isEnabled());
}

}  // namespace
}  // namespace qvp
