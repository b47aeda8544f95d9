#pragma once
// A property frame for page tests: a list bar and its automation face, one page made
// by its page-table creator, sited, given the control and activated in a frame widget.
// Controls are found by their ids (objectName).

#include <gtest/gtest.h>

#include <QApplication>
#include <QKeyEvent>
#include <QLineEdit>
#include <QWidget>
#include <memory>

#include "platform/automation/ListBarAutomation.h"
#include "platform/com/PageSite.h"
#include "platform/controls/ListBarModel.h"
#include "proppages/CQVPropPageBase.h"
#include "proppages/PropertyList.h"
#include "proppages/PageTable.h"

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
