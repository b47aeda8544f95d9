#pragma once
// Shared fixture of the transaction window tests: a new database with two products,
// the recording hub, and helpers that work the windows like a user.

#include <QApplication>
#include <QComboBox>
#include <QDialog>
#include <QKeyEvent>
#include <QLabel>
#include <QLineEdit>
#include <QPushButton>

#include "database/clsDB.h"
#include "database/clsTran.h"
#include "platform/controls/GridControl.h"
#include "platform/controls/NumericEdit.h"
#include "services/testing/FakeMainWindowHub.h"
#include "services/clsSystem.h"
#include "tests/database/DbTestSupport.h"
#include "tests/database/StockTestSupport.h"

namespace trantest {

using stocktest::Cur;

class TranTest : public dbtest::DbTest {
 protected:
  void SetUp() override {
    dbtest::DbTest::SetUp();
    OpenNewDatabase();
    ASSERT_TRUE(gDB().SetParamValue(QStringLiteral("Decimals_Units"), QStringLiteral("2")));
    ASSERT_TRUE(gDB().SetParamValue(QStringLiteral("Decimals_PerUnit"), QStringLiteral("2")));
    widget = AddProductWithAmounts(QStringLiteral("W-1"), QStringLiteral("Widget"), "2", "5");
    gadget = AddProductWithAmounts(QStringLiteral("G-2"), QStringLiteral("Gadget"), "3", "7");
  }

  static int32_t AddProductWithAmounts(const QString& partNo, const QString& name, const char* cost,
                                       const char* price) {
    clsProd p = stocktest::NewProduct(partNo, name);
    p.curStdCost = Cur(cost);
    p.curStdPrice = Cur(price);
    return stocktest::StoreProduct(p);
  }

  static clsTran Stored(int32_t id) {
    clsTran t;
    EXPECT_TRUE(gDB().GetTran(id, t)) << id;
    return t;
  }

  static clsProductStats Stats(int32_t prodId) { return stocktest::Stats(prodId); }

  int32_t widget = -1;
  int32_t gadget = -1;
  ScopedFakeMainWindowHub hub;
};

template <class T = QWidget>
T* Child(QWidget& root, const QString& name) {
  T* w = root.findChild<T*>(name);
  EXPECT_NE(w, nullptr) << name.toStdString();
  return w;
}

inline void SetNumber(QWidget& root, const QString& name, const char* value) {
  if (auto* edit = Child<ctl::NumericEdit>(root, name)) edit->setValue(Cur(value));
}

// Types into the number field `name` and takes it back: 5 and Backspace, or the text shown
// typed again.
inline bool TypeAndTakeBack(QWidget& root, const QString& name, bool retype) {
  auto* edit = Child<ctl::NumericEdit>(root, name);
  const QString shown = edit ? edit->findChild<QLineEdit*>()->text() : QString();
  return edit && ui::test::TypeKeys(root, name, retype ? shown : QStringLiteral("5\b"), retype);
}

// Presses and releases `key` in the focused control, as the user does (an ignored key goes
// on to the window: Enter presses its default button).
inline void PressKey(int key) {
  QWidget* focus = QApplication::focusWidget();
  ASSERT_NE(focus, nullptr);
  QKeyEvent press(QEvent::KeyPress, key, Qt::NoModifier);
  QApplication::sendEvent(focus, &press);
  QKeyEvent release(QEvent::KeyRelease, key, Qt::NoModifier);
  QApplication::sendEvent(focus, &release);
}

// Shows the dialog as the active window, types 5 into the number field `name` and leaves
// it with Tab; back in the field, types `keys` and presses Enter, which must show
// `message` and leave the user in the field, which keeps 5, with the dialog open.
inline void EnterNamesTheText(QDialog& dlg, const QString& name, const QString& keys, const QString& message,
                              ui::test::FakePrompts& prompts) {
  dlg.show();
  QApplication::setActiveWindow(&dlg);
  auto* edit = Child<ctl::NumericEdit>(dlg, name);
  ASSERT_NE(edit, nullptr);
  edit->setFocus();
  ASSERT_TRUE(ui::test::TypeKeys(dlg, name, QStringLiteral("5")));
  PressKey(Qt::Key_Tab);
  ASSERT_NE(QApplication::focusWidget(), edit);
  edit->setFocus();
  ASSERT_TRUE(ui::test::TypeKeys(dlg, name, keys));
  prompts.Expect(message);
  PressKey(Qt::Key_Return);
  EXPECT_EQ(prompts.Pending(), 0);
  EXPECT_TRUE(dlg.isVisible());
  EXPECT_EQ(QApplication::focusWidget(), edit);
  EXPECT_EQ(edit->Value(), rt::Currency(5));
}

inline void SelectId(QWidget& root, const QString& name, int32_t id) {
  auto* cbo = Child<QComboBox>(root, name);
  if (!cbo) return;
  const int row = cbo->findData(id);
  EXPECT_GE(row, 0) << name.toStdString() << " has no " << id;
  cbo->setCurrentIndex(row);
}

// Selects the picker row showing transaction `tranId` and presses the "Selected" button.
inline void PickRow(QDialog& dlg, int32_t tranId) {
  auto* grd = Child<ctl::GridControl>(dlg, QStringLiteral("grd"));
  for (int r = 1; grd && r < grd->Rows(); ++r) {
    if (grd->RowData(r).toInt() == tranId) grd->Select(r, 1);
  }
  EXPECT_TRUE(ui::test::Click(dlg, QStringLiteral("cmdEditSelTran")));
}

}  // namespace trantest
