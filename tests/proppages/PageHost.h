#pragma once
// A property frame for page tests: a list bar and its automation face, one page made
// by its page-table creator, sited, given the control and activated in a frame widget.
// Controls are found by their ids (objectName).

#include <gtest/gtest.h>

#include <QApplication>
#include <QComboBox>
#include <QKeyEvent>
#include <QLabel>
#include <QLineEdit>
#include <QPushButton>
#include <QWidget>
#include <memory>

#include "platform/automation/ListBarAutomation.h"
#include "platform/com/PageSite.h"
#include "platform/controls/ListBarModel.h"
#include "proppages/CQVPropPageBase.h"
#include "proppages/PropertyList.h"
#include "proppages/PageTable.h"
#include "platform/ui/testing/FakeFileDialogs.h"
#include "platform/ui/testing/TestPrompts.h"
#include "tests/support/TestEnv.h"

namespace qvp::test {

struct PageHost {
  explicit PageHost(int index) {
    control = std::make_unique<ctl::ListBarAutomationHost>(model);
    EXPECT_EQ(PageObjectTable[index].create(nullptr, IID_IPropertyPage2, page.OutVoid()), S_OK);
    site = com::Create<com::FakePageSite, IPropertyPageSite>(IID_IPropertyPageSite);
    page->SetPageSite(site.get());
    frame.resize(kChildPageSize.cx, kChildPageSize.cy);
  }
  ~PageHost() {
    if (!page) return;  // the test released it
    page->Deactivate();
    page->SetObjects(0, nullptr);
    page->SetPageSite(nullptr);
  }
  PageHost(const PageHost&) = delete;
  PageHost& operator=(const PageHost&) = delete;

  // Hands the page the given object (the control when null) and activates it.
  HRESULT Activate(IUnknown* object = nullptr) {
    IUnknown* objects[] = {object ? object : control->Object()};
    const HRESULT set = page->SetObjects(1, objects);
    if (FAILED(set)) return set;
    const RECT rect{0, 0, frame.width(), frame.height()};
    return page->Activate(&frame, &rect, FALSE);
  }
  template <typename T = QWidget>
  T* Find(const char* id) {
    return frame.findChild<T*>(QString::fromLatin1(id));
  }
  com::FakePageSite& Site() { return *static_cast<com::FakePageSite*>(site.get()); }
  bool Dirty() { return page->IsPageDirty() == S_OK; }

  ctl::ListBarModel model;
  std::unique_ptr<ctl::ListBarAutomationHost> control;
  com::Ref<IPropertyPage2> page;
  com::Ref<IPropertyPageSite> site;
  QWidget frame;
};

// A test of one page (class `P`) in the host, its boxes and file dialogs scripted
// (anything unscripted fails), with a folder of its own.
template <class P>
class PageTest : public ::testing::Test {
 protected:
  explicit PageTest(int index) : host_(index) {
    prompts_->SetOnUnexpected([](const QString& s) { ADD_FAILURE() << s.toStdString(); });
  }
  P& Page() { return *static_cast<P*>(static_cast<CQVPropPageBase*>(host_.page.get())); }
  QPushButton* Button(const char* id) { return host_.Find<QPushButton>(id); }
  QString TextOf(const char* id) { return host_.Find<QLabel>(id)->text(); }
  QString Path(const QString& name) const { return dir_ + QLatin1Char('/') + name; }
  static QStringList Entries(const QComboBox* combo) {
    QStringList texts;
    for (int i = 0; i < combo->count(); ++i) texts << combo->itemText(i);
    return texts;
  }
  // Picks an entry as the user does.
  static void Choose(QComboBox* combo, int index) { combo->setCurrentIndex(index); emit combo->activated(index); }

  QString dir_ = testenv::NewTempDir(QStringLiteral("qvp-page"));
  PageHost host_;
  ui::test::ScopedFakeFileDialogs files_;
  ui::test::ScopedFakePrompts prompts_;
};

// The names of a property list's rows, in order.
inline QStringList RowNames(PropertyListView* list) {
  QStringList names;
  for (int line = 0; line < list->Model().rowCount(); ++line) names << list->Model().Row(line)->name;
  return names;
}

// Types a value into a property list's in-place editor and commits it with Enter.
inline void EditRow(PropertyListView* list, const char* name, const QString& value) {
  PropertyListModel& model = list->Model();
  int line = 0;
  while (line < model.rowCount() && model.Row(line)->name != QLatin1String(name)) ++line;
  ASSERT_LT(line, model.rowCount()) << "no row " << name;
  const QModelIndex at = model.index(line, PropertyListModel::kValue);
  list->setCurrentIndex(at);
  list->edit(at);
  auto* editor = list->findChild<QLineEdit*>(QStringLiteral("id125"));
  ASSERT_NE(editor, nullptr) << name;
  editor->setText(value);
  QKeyEvent enter(QEvent::KeyPress, Qt::Key_Return, Qt::NoModifier);
  QApplication::sendEvent(editor, &enter);
  QApplication::processEvents();
  QApplication::sendPostedEvents(nullptr, QEvent::DeferredDelete);
}

}  // namespace qvp::test
