#include "reports/frmRptContainer.h"

#include <QMdiArea>
#include <QMdiSubWindow>
#include <QPointer>
#include <QPushButton>
#include <QTableView>
#include <QApplication>

#include "platform/ui/Screen.h"
#include "platform/ui/WindowRegistry.h"
#include "reports/PaneButtons.h"
#include "reports/ReportPane.h"
#include "reports/UCCurrInv.h"
#include "reports/ReportCommands.h"
#include "services/testing/FakeMainWindowHub.h"
#include "services/UCGrid.h"
#include "services/mdlRegistry.h"
#include "tests/reports/ReportsTestSupport.h"

namespace {

using reports::ClampPlace;
using reports::SavedPlace;

// Opens custom report `id`; its window, if open.
reports::frmRptContainer* Show(int id) {
  reports::ShowCustomReport(id);
  return qobject_cast<reports::frmRptContainer*>(ui::FindByTag(QStringLiteral("~%1").arg(id)));
}
int PxX(int twips) { return static_cast<int>(std::lround(ui::TwipsToPixelsX(twips))); }

TEST(ClampPlaceTest, ClientAreaThenMinimum) {
  struct Case {
    SavedPlace saved;
    int32_t clientW, clientH;
    SavedPlace want;
  };
  const Case cases[] = {
      {{100, 200, 100000, 100000}, 9000, 7000, {0, 0, 9000, 7000}},
      {{0, 0, 1000, 1000}, 9000, 7000, {0, 0, 4320, 4320}},
      {{-50, -1, 5000, 6000}, 9000, 7000, {0, 0, 5000, 6000}},
      {{10, 10, 8000, 8000}, 3000, 2000, {0, 0, 4320, 4320}},  // the minimum wins
      {{100, 200, 5000, 4500}, 9000, 7000, {100, 200, 5000, 4500}},
      // Saved on a larger screen: moved in to end inside the area.
      {{6000, 4500, 5000, 4500}, 9000, 7000, {4000, 2500, 5000, 4500}},
  };
  for (const Case& c : cases) {
    const SavedPlace p = ClampPlace(c.saved, c.clientW, c.clientH);
    EXPECT_EQ((std::array{p.left, p.top, p.width, p.height}),
              (std::array{c.want.left, c.want.top, c.want.width, c.want.height}))
        << c.saved.width << " in " << c.clientW;
  }
}

class frmRptContainerTest : public rpttest::ReportWindowTest {
 protected:
  static int32_t Pref(const QString& name) { return mdlRegistry::PrefGetLong(name); }
};

TEST_F(frmRptContainerTest, PlaceIsSavedPerReportAndRestored) {
  const int px = static_cast<int>(ui::TwipsToPixelsX(6000));
  reports::frmRptContainer* w = Show(102);
  ASSERT_NE(w, nullptr);
  EXPECT_EQ(w->windowTitle(), QStringLiteral("Inventory of All Products"));
  EXPECT_TRUE(w->ctlCurrentInv->isVisibleTo(w));
  EXPECT_FALSE(w->ctlTrans->isVisibleTo(w));
  w->move(40, 30);
  w->resize(px, px);
  ASSERT_TRUE(ui::Unload(w));
  EXPECT_EQ(Pref(QStringLiteral("^102_clientarea")), 1);
  EXPECT_EQ(Pref(QStringLiteral("^102_width")), 6000);
  EXPECT_EQ(Pref(QStringLiteral("^101_clientarea")), 0) << "another report keeps its own place";

  w = Show(102);
  ASSERT_NE(w, nullptr);
  EXPECT_EQ(w->pos(), QPoint(40, 30));
  EXPECT_EQ(w->size(), QSize(px, px));
  ASSERT_TRUE(ui::Unload(w));

  // A saved size beyond the client area is cut to it; a negative place moves to 0.
  mdlRegistry::PrefSaveLong(QStringLiteral("^102_width"), 100000);
  mdlRegistry::PrefSaveLong(QStringLiteral("^102_left"), -300);
  hub->clientWidth = 9000;
  w = Show(102);
  ASSERT_NE(w, nullptr);
  EXPECT_EQ(w->width(), PxX(9000));
  EXPECT_EQ(w->x(), 0);
}

TEST_F(frmRptContainerTest, TransactionsReportUsesItsPaneAndGrid) {
  reports::ShowTransactions();
  reports::frmRptContainer* w = Window("~101");
  ASSERT_NE(w, nullptr);
  EXPECT_TRUE(w->ctlTrans->isVisibleTo(w));
  auto* grid = w->ctlTrans->findChild<UCGrid*>(QStringLiteral("ctlGrid"));
  ASSERT_NE(grid, nullptr);
  EXPECT_EQ(grid->grid().Cols(), 11);
  EXPECT_EQ(grid->grid().TextMatrix(0, 1), QStringLiteral("Date"));
}

TEST_F(frmRptContainerTest, UnknownTypeGivesAnEmptyWindow) {
  clsRptDef def;
  ASSERT_TRUE(def.InitFromBuf(QStringLiteral("3^Odd^^^True~1~True~2~0"), 77));
  prompts->Expect(QStringLiteral("Unspecified report type!"));
  reports::frmRptContainer w;
  w.Init(QStringLiteral("~77"), def);
  EXPECT_EQ(prompts->Last().icon, ui::vbCritical);
  EXPECT_FALSE(w.ctlCurrentInv->isVisibleTo(&w));
  EXPECT_FALSE(w.ctlTrans->isVisibleTo(&w));
}

TEST_F(frmRptContainerTest, ChangedDefinitionRetitlesAndMayClose) {
  reports::ShowQuickInventory();
  QPointer<reports::frmRptContainer> w = Window("~106");
  ASSERT_NE(w, nullptr);
  const_cast<clsRptDef*>(w->RptDef())->SetRptName(QStringLiteral("Renamed"));
  emit w->ctlCurrentInv->ReportDefChanged();
  EXPECT_EQ(w->windowTitle(), QStringLiteral("Renamed"));
  w->m_bCloseOnPropertiesChange = true;
  emit w->ctlCurrentInv->ReportDefChanged();
  QCoreApplication::sendPostedEvents(nullptr, QEvent::DeferredDelete);
  EXPECT_TRUE(w.isNull());
}

// Report windows as children of an MDI area, shown the way the main window shows them.
class MdiHub : public FakeMainWindowHub {
 public:
  QMdiArea mdi;
  void ShowChild(QWidget& child) override {
    QMdiSubWindow* sub = mdi.addSubWindow(&child);
    sub->setAttribute(Qt::WA_DeleteOnClose);
    sub->show();
    // The main window is active again once the loading dialog has gone.
    QApplication::setActiveWindow(&mdi);
    mdi.setActiveSubWindow(sub);
  }
};
using ScopedMdiHub = ui::test::ScopedFake<MdiHub, MainWindowHubInterface, &SetMainWindowHub>;

class ReportMdiTest : public rpttest::ReportWindowTestOf<ScopedMdiHub> {
 protected:
  void SetUp() override {
    ReportWindowTestOf::SetUp();
    hub->mdi.resize(1000, 700);
    hub->mdi.show();
    QApplication::setActiveWindow(&hub->mdi);
    ASSERT_EQ(QApplication::activeWindow(), &hub->mdi);
  }
  static QMdiSubWindow* Frame(QWidget* w) { return qobject_cast<QMdiSubWindow*>(w->parentWidget()); }
  static void SavePlace(int id, int left, int top, int width, int height, int state) {
    const std::pair<const char*, int> values[] = {{"maximized", state}, {"left", left},     {"top", top},
                                                  {"width", width},     {"height", height}, {"clientarea", 1}};
    for (const auto& [key, value] : values) mdlRegistry::PrefSaveLong(QStringLiteral("^%1_%2").arg(id).arg(key), value);
  }
};

TEST_F(ReportMdiTest, ASecondReportOpenedOverAMaximizedOneIsMaximizedWhole) {
  QMdiSubWindow* first = Frame(Show(102));
  ASSERT_NE(first, nullptr);
  first->showMaximized();
  SavePlace(101, 600, 450, 6000, 5000, 0);
  QMdiSubWindow* second = Frame(Show(101));
  ASSERT_NE(second, nullptr);
  QCoreApplication::processEvents();
  EXPECT_EQ(hub->mdi.activeSubWindow(), second);
  EXPECT_TRUE(second->isMaximized());
  EXPECT_EQ(second->geometry(), hub->mdi.viewport()->rect()) << "drawn over the whole area";
  // Shown normal again, it takes its saved place.
  second->showNormal();
  EXPECT_EQ(second->size(), QSize(PxX(6000), static_cast<int>(std::lround(ui::TwipsToPixelsY(5000)))));
}

TEST_F(ReportMdiTest, AReportClosedMinimizedOrMaximizedKeepsItsNormalPlace) {
  const int px = PxX(6000);
  for (const Qt::WindowState state : {Qt::WindowMinimized, Qt::WindowMaximized}) {
    SCOPED_TRACE(state);
    QMdiSubWindow* sub = Frame(Show(102));
    ASSERT_NE(sub, nullptr);
    sub->setGeometry(30, 20, px, px);
    sub->setWindowState(state);
    QCoreApplication::processEvents();
    ASSERT_TRUE(ui::Unload(Window("~102")));
    EXPECT_EQ(mdlRegistry::PrefGetLong(QStringLiteral("^102_width")), 6000);
    EXPECT_EQ(mdlRegistry::PrefGetLong(QStringLiteral("^102_left")),
              static_cast<int32_t>(std::lround(ui::PixelsToTwipsX(30))));
    mdlRegistry::PrefSaveLong(QStringLiteral("^102_maximized"), 0);
    sub = Frame(Show(102));
    EXPECT_EQ(sub->geometry(), QRect(30, 20, px, px)) << "reopens at its normal place";
    ASSERT_TRUE(ui::Unload(Window("~102")));
  }
}

TEST_F(ReportMdiTest, TheTransactionsButtonLeavesItsWindowInFront) {
  const int32_t id = rpttest::AddProd(QStringLiteral("Widget"), QStringLiteral("W-1"));
  rpttest::AddTran(id, 2, "5", "1");
  reports::frmRptContainer* inventory = Show(102);
  ASSERT_NE(inventory, nullptr);
  auto* pane = qobject_cast<reports::UCCurrInv*>(inventory->ctlCurrentInv);
  ASSERT_NE(pane, nullptr);
  pane->ctlGrid->grid().setRow(1);
  pane->ctlInvButtons->cmdProdTran->click();
  QCoreApplication::processEvents();
  ASSERT_NE(hub->mdi.activeSubWindow(), nullptr);
  auto* front = qobject_cast<reports::frmRptContainer*>(hub->mdi.activeSubWindow()->widget());
  ASSERT_NE(front, nullptr);
  EXPECT_EQ(front->windowTitle(), QStringLiteral("Transactions for a Product"));
  // A button that opens no window gives the focus back to the grid.
  hub->mdi.setActiveSubWindow(Frame(inventory));
  pane->ctlInvButtons->cmdProdEdit->setFocus();
  runner->Then(QStringLiteral("frmProduct"), {});
  pane->ctlInvButtons->cmdProdEdit->click();
  EXPECT_TRUE(pane->ctlGrid->grid().view()->hasFocus());
}

}  // namespace
