#include <gtest/gtest.h>

#include <functional>

#include <QHeaderView>
#include <QLineEdit>
#include <QListView>
#include <QPixmap>
#include <QScrollBar>
#include <QTreeView>

#include "platform/controls/ListViewControl.h"
#include "platform/controls/ListViewErrors.h"
#include "platform/runtime/Error.h"
#include "platform/ui/Screen.h"
#include "tests/platform/controls/ListViewTestSupport.h"

namespace ctl {
namespace {

using lvtest::ErrorOf;

QStringList Texts(const ListViewControl& lv, int column = 0) {
  QStringList out;
  for (int i = 1; i <= lv.ListItems().Count(); ++i)
    out << lv.ListItems().Item(i).CellText(column);
  return out;
}

QIcon Square(Qt::GlobalColor color) {
  QPixmap p(16, 16);
  p.fill(color);
  return QIcon(p);
}

class ListViewTest : public ::testing::Test {
 protected:
  void SetUp() override {
    ui::SetScreen(std::make_unique<ui::FixedScreen>(ui::ScreenMetrics{1024, 768, 96.0, 96.0}));
    lv.SetView(lvwReport);
    lv.ColumnHeaders().Add(0, {}, QStringLiteral("Title"), 2880);
    lv.ColumnHeaders().Add(0, {}, QStringLiteral("Type"), 1440);
  }
  void TearDown() override { ui::SetScreen(nullptr); }

  ListItem& AddRow(const QString& key, const QString& text, const QString& type = {}) {
    ListItem& item = lv.ListItems().Add(0, key, text);
    item.SetSubItems(1, type);
    return item;
  }
  QTreeView* Report() { return lv.findChild<QTreeView*>(QStringLiteral("ReportView")); }
  QPoint CellCentre(int row, int column) {
    return Report()->visualRect(Report()->model()->index(row, column)).center();
  }
  void Show() {
    lv.resize(400, 300);
    lv.show();
    QApplication::processEvents();
  }

  ListViewControl lv;
};

TEST_F(ListViewTest, ItemsByIndexAndKey) {
  AddRow("N1", "First");
  AddRow("N2", "Second");
  lv.ListItems().Add(1, "N0", "Zeroth");  // before the first
  lv.ListItems().Add(4, {}, "Last");      // Count + 1: at the end
  lv.ListItems().Add(0, {}, "No key");    // empty keys may repeat
  EXPECT_EQ(Texts(lv), QStringList({"Zeroth", "First", "Second", "Last", "No key"}));
  EXPECT_EQ(lv.ListItems().Item("N2").Index(), 3);
  EXPECT_EQ(lv.ListItems().Item(2).Key(), "N1");

  lv.ListItems().Remove("N1");
  EXPECT_EQ(lv.ListItems().Item("N2").Index(), 2);
  lv.ListItems().Remove(1);
  EXPECT_EQ(Texts(lv), QStringList({"Second", "Last", "No key"}));
  AddRow("N1", "Key free again");  // a removed item's key can be used again
  EXPECT_EQ(lv.ListItems().Count(), 4);
  lv.ListItems().Clear();
  EXPECT_EQ(lv.ListItems().Count(), 0);
  EXPECT_EQ(Report()->model()->rowCount(), 0);
}

TEST_F(ListViewTest, BadIndexesAndKeysRaiseTheirErrors) {
  AddRow("N1", "One");
  auto& items = lv.ListItems();
  const struct {
    const char* what;
    std::function<void()> call;
    int error;
  } cases[] = {
      {"duplicate key", [&] { items.Add(0, "N1", "Again"); }, kErrKeyNotUnique},
      {"keys are case-sensitive", [&] { items.Add(0, "n1", "other"); }, 0},
      {"add beyond Count + 1", [&] { items.Add(4, {}, "x"); }, kErrIndexOutOfBounds},
      {"add at a negative index", [&] { items.Add(-1, {}, "x"); }, kErrIndexOutOfBounds},
      {"item 0", [&] { items.Item(0); }, kErrIndexOutOfBounds},
      {"item past the end", [&] { items.Item(items.Count() + 1); }, kErrIndexOutOfBounds},
      {"unknown key", [&] { items.Item(QStringLiteral("N9")); }, kErrElementNotFound},
      {"empty key", [&] { items.Item(QString()); }, kErrElementNotFound},
      {"remove unknown key", [&] { items.Remove(QStringLiteral("N9")); }, kErrElementNotFound},
      {"sub-item 0", [&] { items.Item(1).SetSubItems(0, "x"); }, kErrInvalidPropertyValue},
      {"sub-item past the columns", [&] { items.Item(1).SubItems(2); }, kErrInvalidPropertyValue},
      {"view 4", [&] { lv.SetView(4); }, kErrInvalidPropertyValue},
      {"sort order 2", [&] { lv.SetSortOrder(2); }, kErrInvalidPropertyValue},
      {"negative sort key", [&] { lv.SetSortKey(-1); }, kErrInvalidPropertyValue},
      {"negative width", [&] { lv.ColumnHeaders().Item(1).SetWidth(-1); }, kErrInvalidPropertyValue},
      {"column 3", [&] { lv.ColumnHeaders().Item(3); }, kErrIndexOutOfBounds},
  };
  for (const auto& c : cases) EXPECT_EQ(ErrorOf(c.call), c.error) << c.what;
  EXPECT_EQ(items.Count(), 2);  // only the case-differing key was added
}

TEST_F(ListViewTest, SubItemsAreOneBasedAndShowInTheFollowingColumns) {
  ListItem& item = lv.ListItems().Add(0, "N1", "Stock");
  EXPECT_EQ(item.SubItems(1), "");  // never set
  item.SetSubItems(1, "Inventory");
  EXPECT_EQ(item.SubItems(1), "Inventory");
  const QAbstractItemModel* model = Report()->model();
  EXPECT_EQ(model->data(model->index(0, 0)).toString(), "Stock");
  EXPECT_EQ(model->data(model->index(0, 1)).toString(), "Inventory");
  EXPECT_EQ(model->headerData(1, Qt::Horizontal).toString(), "Type");
  item.SetText("Stock 2");
  EXPECT_EQ(model->data(model->index(0, 0)).toString(), "Stock 2");
}

TEST_F(ListViewTest, SingleSelectKeepsOneItemSelected) {
  AddRow("N1", "A");
  AddRow("N2", "B");
  EXPECT_EQ(lv.SelectedItem(), nullptr);
  lv.ListItems().Item(1).SetSelected(true);
  lv.ListItems().Item(2).SetSelected(true);
  EXPECT_FALSE(lv.ListItems().Item(1).Selected());
  EXPECT_EQ(lv.SelectedItem(), &lv.ListItems().Item(2));
  EXPECT_FALSE(Report()->selectionModel()->isRowSelected(0, {}));
  EXPECT_TRUE(Report()->selectionModel()->isRowSelected(1, {}));
  lv.ListItems().Item(2).SetSelected(false);
  EXPECT_EQ(lv.SelectedItem(), nullptr);
}

TEST_F(ListViewTest, SelectionFollowsItemsThroughInsertSortAndRemove) {
  lv.SetMultiSelect(true);
  AddRow("N1", "b");
  AddRow("N2", "c");
  AddRow("N3", "a");
  lv.ListItems().Item("N1").SetSelected(true);
  lv.ListItems().Item("N2").SetSelected(true);
  lv.ListItems().Add(1, "N4", "d");  // shifts the selected rows down
  lv.SetSorted(true);                // a b c d
  lv.ListItems().Remove("N3");       // removes the row above the selection
  QStringList selected;
  for (int i = 1; i <= lv.ListItems().Count(); ++i) {
    const ListItem& item = lv.ListItems().Item(i);
    EXPECT_EQ(item.Selected(), Report()->selectionModel()->isRowSelected(i - 1, {})) << i;
    if (item.Selected()) selected << item.Key();
  }
  EXPECT_EQ(selected, QStringList({"N1", "N2"}));
  // Turning multi-select off keeps just the selected item that has the focus.
  lv.SetMultiSelect(false);
  EXPECT_EQ(lv.SelectedItem()->Key(), "N2");
  EXPECT_FALSE(lv.ListItems().Item("N1").Selected());
}

TEST_F(ListViewTest, UserClicksSelectAndRaiseItemClickThenClick) {
  AddRow("N1", "A");
  AddRow("N2", "B");
  Show();
  QStringList events;
  QObject::connect(&lv, &ListViewControl::ItemClick, [&](ListItem* item) { events << "item " + item->Key(); });
  QObject::connect(&lv, &ListViewControl::Click, [&] { events << "click"; });
  QObject::connect(&lv, &ListViewControl::DblClick, [&] { events << "dblclick"; });

  lvtest::Click(Report()->viewport(), CellCentre(1, 0));
  EXPECT_EQ(events, QStringList({"item N2", "click"}));
  EXPECT_TRUE(lv.ListItems().Item(2).Selected());
  EXPECT_EQ(lv.SelectedItem()->Key(), "N2");

  events.clear();
  lvtest::Click(Report()->viewport(), QPoint(10, Report()->viewport()->height() - 5));
  EXPECT_EQ(events, QStringList({"click"}));  // below the items: no ItemClick

  events.clear();
  lvtest::DoubleClick(Report()->viewport(), CellCentre(0, 0));
  EXPECT_TRUE(events.contains("dblclick"));
  EXPECT_TRUE(events.contains("item N1"));
}

TEST_F(ListViewTest, HeaderClickRaisesColumnClickWithTheColumn) {
  Show();
  ColumnHeader* clicked = nullptr;
  QObject::connect(&lv, &ListViewControl::ColumnClick, [&](ColumnHeader* c) { clicked = c; });
  QHeaderView* header = Report()->header();
  const int x = header->sectionViewportPosition(1) + header->sectionSize(1) / 2;
  lvtest::Click(header->viewport(), QPoint(x, header->height() / 2));
  ASSERT_NE(clicked, nullptr);
  EXPECT_EQ(clicked->Index(), 2);
  EXPECT_EQ(clicked->Text(), "Type");
}

TEST_F(ListViewTest, SortOrdersTextCaseInsensitivelyAndKeepsTies) {
  const QStringList texts = {"beta", "Alpha", "10", "9", "alpha", "Gamma"};
  const QStringList types = {"x", "z", "y", "x", "y", "z"};
  for (int i = 0; i < texts.size(); ++i) AddRow("N" + QString::number(i), texts[i], types[i]);
  const struct {
    int key;
    int order;
    QStringList expected;  // item texts after sorting
  } cases[] = {
      {0, lvwAscending, {"10", "9", "Alpha", "alpha", "beta", "Gamma"}},
      {0, lvwDescending, {"Gamma", "beta", "Alpha", "alpha", "9", "10"}},
      {1, lvwAscending, {"beta", "9", "alpha", "10", "Gamma", "Alpha"}},
      {1, lvwDescending, {"Gamma", "Alpha", "alpha", "10", "beta", "9"}},
      {5, lvwAscending, {"Gamma", "Alpha", "alpha", "10", "beta", "9"}},  // no such column
  };
  lv.SetSorted(true);
  for (const auto& c : cases) {
    lv.SetSortKey(c.key);
    lv.SetSortOrder(c.order);
    EXPECT_EQ(Texts(lv), c.expected) << "key " << c.key << " order " << c.order;
  }
}

TEST_F(ListViewTest, SortedListPlacesNewItemsUnsortedListAppends) {
  for (const char* t : {"b", "d"}) lv.ListItems().Add(0, {}, t);
  lv.SetSorted(true);
  lv.ListItems().Add(0, {}, "c");
  lv.ListItems().Add(0, {}, "A");
  lv.ListItems().Add(0, {}, "B");  // equal to "b": after it
  EXPECT_EQ(Texts(lv), QStringList({"A", "b", "B", "c", "d"}));
  lv.SetSorted(false);
  lv.ListItems().Add(0, {}, "a");
  EXPECT_EQ(Texts(lv).last(), "a");
  EXPECT_EQ(Report()->model()->data(Report()->model()->index(1, 0)).toString(), "b");
}

TEST_F(ListViewTest, ColumnWidthsAreTwipsOnTheScreen) {
  QHeaderView* header = Report()->header();
  EXPECT_EQ(header->sectionSize(0), 192);  // 2880 twips at 96 dpi
  EXPECT_EQ(header->sectionSize(1), 96);
  EXPECT_DOUBLE_EQ(lv.ColumnHeaders().Item(1).Width(), 2880);

  ui::SetScreen(std::make_unique<ui::FixedScreen>(ui::ScreenMetrics{1024, 768, 120.0, 120.0}));
  lv.ColumnHeaders().Item(2).SetWidth(1000);
  EXPECT_EQ(header->sectionSize(1), 83);                      // 1000 / 12, rounded
  EXPECT_DOUBLE_EQ(lv.ColumnHeaders().Item(2).Width(), 1000);  // as set, not as rounded
  ColumnHeader& added = lv.ColumnHeaders().Add(0, {}, QStringLiteral("Third"));
  EXPECT_DOUBLE_EQ(added.Width(), kDefaultColumnWidth);
  EXPECT_EQ(header->sectionSize(2), 120);
  EXPECT_EQ(header->sectionSize(1), 83);  // adding a column keeps the others' widths

  header->resizeSection(0, 300);  // the user drags a column edge
  EXPECT_DOUBLE_EQ(lv.ColumnHeaders().Item(1).Width(), 3600);
  lv.ColumnHeaders().Item(1).SetWidth(0);
  EXPECT_EQ(header->sectionSize(0), 0);
}

TEST_F(ListViewTest, ColumnAlignmentReachesHeaderAndCells) {
  lv.ColumnHeaders().Item(2).SetAlignment(lvwColumnRight);
  AddRow("N1", "x", "y");
  const QAbstractItemModel* model = Report()->model();
  const auto align = [](const QVariant& v) { return v.value<Qt::Alignment>() & Qt::AlignHorizontal_Mask; };
  EXPECT_EQ(align(model->headerData(1, Qt::Horizontal, Qt::TextAlignmentRole)), Qt::AlignRight);
  EXPECT_EQ(align(model->data(model->index(0, 1), Qt::TextAlignmentRole)), Qt::AlignRight);
  EXPECT_EQ(align(model->data(model->index(0, 0), Qt::TextAlignmentRole)), Qt::AlignLeft);
}

TEST_F(ListViewTest, IconsComeFromTheImageListOfTheLayout) {
  ImageList large;
  ImageList small;
  EXPECT_EQ(large.Add("inv", Square(Qt::red)), 1);
  EXPECT_EQ(large.Add({}, Square(Qt::blue)), 2);
  EXPECT_EQ(small.Add("inv", Square(Qt::green)), 1);
  EXPECT_EQ(ErrorOf([&] { large.Add("inv", Square(Qt::red)); }), kErrKeyNotUnique);
  EXPECT_EQ(ErrorOf([&] { large.Image(3); }), kErrIndexOutOfBounds);
  EXPECT_EQ(ErrorOf([&] { large.Image(QStringLiteral("none")); }), kErrElementNotFound);
  EXPECT_EQ(large.Image("inv").cacheKey(), large.Image(1).cacheKey());

  lv.SetIcons(&large);
  lv.SetSmallIcons(&small);
  lv.ListItems().Add(0, "N1", "Report", 2, 1);
  lv.ListItems().Add(0, "N2", "No image", 0, 7);  // 7 is not in the list
  const QAbstractItemModel* model = Report()->model();
  const auto icon = [&](int row) { return model->data(model->index(row, 0), Qt::DecorationRole).value<QIcon>(); };
  EXPECT_EQ(icon(0).cacheKey(), small.Image(1).cacheKey());
  EXPECT_TRUE(icon(1).isNull());
  lv.SetView(lvwIcon);
  EXPECT_EQ(icon(0).cacheKey(), large.Image(2).cacheKey());
  EXPECT_TRUE(icon(1).isNull());

  {
    ImageList gone;
    gone.Add({}, Square(Qt::black));
    lv.SetIcons(&gone);
  }
  EXPECT_EQ(lv.Icons(), nullptr);  // a destroyed list counts as none
  EXPECT_TRUE(icon(0).isNull());
}

TEST_F(ListViewTest, LabelEditCommitsThroughAfterLabelEdit) {
  AddRow("N1", "Untitled 1");
  AddRow("N2", "Other");
  Show();
  bool cancelNext = false;
  QString seen;
  lv.SetAfterLabelEdit([&](const QString& text) -> std::optional<QString> {
    seen = text;
    if (cancelNext) return std::nullopt;
    return text.trimmed().left(5);
  });

  lv.StartLabelEdit();  // nothing selected: no editor
  EXPECT_EQ(Report()->findChild<QLineEdit*>(), nullptr);

  lv.ListItems().Item(1).SetSelected(true);
  lv.StartLabelEdit();
  auto* editor = Report()->findChild<QLineEdit*>();
  ASSERT_NE(editor, nullptr);
  editor->setText("  Hardware  ");
  lvtest::Key(editor, Qt::Key_Return);
  QApplication::processEvents();
  EXPECT_EQ(seen, "  Hardware  ");
  EXPECT_EQ(lv.ListItems().Item(1).Text(), "Hardw");  // the handler's text

  cancelNext = true;
  QAbstractItemModel* model = Report()->model();
  model->setData(model->index(1, 0), "Renamed", Qt::EditRole);
  EXPECT_EQ(lv.ListItems().Item(2).Text(), "Other");
  lv.SetAfterLabelEdit(nullptr);  // no hook: what was typed
  model->setData(model->index(1, 0), "Renamed", Qt::EditRole);
  EXPECT_EQ(lv.ListItems().Item(2).Text(), "Renamed");
}

TEST_F(ListViewTest, HandlersMayClearTheList) {
  AddRow("N1", "A");
  AddRow("N2", "B");
  Show();
  int clicks = 0;
  QObject::connect(&lv, &ListViewControl::ItemClick, [&](ListItem*) { lv.ListItems().Remove(1); });
  QObject::connect(&lv, &ListViewControl::Click, [&] { ++clicks; });
  lvtest::Click(Report()->viewport(), CellCentre(0, 0));
  EXPECT_EQ(clicks, 1);
  EXPECT_EQ(Texts(lv), QStringList({"B"}));

  lv.SetAfterLabelEdit([&](const QString& text) -> std::optional<QString> {
    lv.ListItems().Clear();
    return text;
  });
  QAbstractItemModel* model = Report()->model();
  EXPECT_TRUE(model->setData(model->index(0, 0), "C", Qt::EditRole));
  EXPECT_EQ(lv.ListItems().Count(), 0);
}

TEST_F(ListViewTest, EnsureVisibleScrollsToTheItem) {
  for (int i = 1; i <= 200; ++i) lv.ListItems().Add(0, {}, QString::number(i));
  lv.resize(200, 100);
  lv.show();
  QApplication::processEvents();
  EXPECT_EQ(Report()->verticalScrollBar()->value(), 0);
  lv.ListItems().Item(200).EnsureVisible();
  EXPECT_EQ(Report()->verticalScrollBar()->value(), Report()->verticalScrollBar()->maximum());
  EXPECT_GT(Report()->verticalScrollBar()->maximum(), 0);
}

TEST_F(ListViewTest, IconLayoutsShareItemsAndSelection) {
  AddRow("N1", "A");
  lv.ListItems().Item(1).SetSelected(true);
  auto* icons = lv.findChild<QListView*>(QStringLiteral("IconView"));
  for (int view : {lvwIcon, lvwSmallIcon, lvwList}) {
    lv.SetView(view);
    EXPECT_EQ(icons->model()->rowCount(), 1) << view;
    EXPECT_TRUE(icons->selectionModel()->isRowSelected(0, {})) << view;
  }
  EXPECT_EQ(icons->viewMode(), QListView::ListMode);
  EXPECT_EQ(icons->flow(), QListView::TopToBottom);
}

}  // namespace
}  // namespace ctl
