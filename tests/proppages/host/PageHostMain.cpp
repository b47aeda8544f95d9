// A small host of the property pages library, written as a host uses it: the library
// loaded by path, each page created by class id through the class factory, sited,
// given a list bar and activated in a window of the host.
//
//   qvpages_host show <library> <page index>   shows one page in a window until closed
//   qvpages_host unload <library> [ignore]     opens a page's help (the library's window,
//       showing the page's topic beside the library), releases the page,
//       unloads the library once DllCanUnloadNow allows it (closing the help window
//       first), or at once with "ignore"; then quits, running the toolkit's shutdown.
//       Exit 0, or 2 when an entry point answered wrongly.

#include <QApplication>
#include <QFileInfo>
#include <QTextBrowser>
#include <QTimer>
#include <QWidget>
#include <cstdio>
#include <iterator>
#include <string>

#include "platform/automation/ListBarAutomation.h"
#include "platform/com/Loader.h"
#include "platform/com/PageSite.h"
#include "platform/controls/ListBarModel.h"

namespace {

// The class ids of the nine pages, in the library's table order.
constexpr const char* kPageClasses[] = {
    "0DD0BF1B-2263-4E58-9C1D-A354A259D3FB", "0762A943-8032-4D3E-9245-01E970C81C5B",
    "A801BF04-05AF-4B0C-8057-DE3FACD45D85", "05F0C330-900F-412C-AD9D-CF81DC7C8FE1",
    "F5DB32AA-1D1F-44E8-8FC1-951B42182465", "5836132E-46CC-41AA-9587-89A7C281CBFE",
    "0EED4AC1-F32F-456A-BC99-3CA52615BEB6", "9F038329-3782-4EC6-85EF-28E1A8E2CC56",
    "FD542DFE-759E-4AA9-BF69-2CD1319CF6B4"};

int Fail(const char* what) {
  std::fprintf(stderr, "%s\n", what);
  return 2;
}

com::Ref<IPropertyPage> CreatePage(const com::Module& module, int index) {
  if (index < 0 || index >= static_cast<int>(std::size(kPageClasses))) return {};
  auto getClass = module.Function<com::DllGetClassObjectFn>("DllGetClassObject");
  if (!getClass) return {};
  com::Ref<IClassFactory> factory;
  const std::string braced = std::string("{") + kPageClasses[index] + "}";
  const CLSID clsid = com::ParseGuid(braced).value_or(GUID_NULL);
  if (FAILED(getClass(clsid, IID_IClassFactory, factory.OutVoid()))) return {};
  com::Ref<IPropertyPage> page;
  factory->CreateInstance(nullptr, IID_IPropertyPage, page.OutVoid());
  return page;
}

void FillModel(ctl::ListBarModel& model) {
  model.Groups().Add(0, QStringLiteral("products"), QStringLiteral("Products"));
  model.Groups().Add(1, QStringLiteral("reports"), QStringLiteral("Reports"));
  model.Tabs().Add(0, QStringLiteral("stock"), QStringLiteral("Stock"));
  model.Tabs().Add(0, QStringLiteral("orders"), QStringLiteral("Orders"));
}

int Show(const QString& library, int index) {
  com::Module module = com::Module::Load(library);
  if (!module.IsLoaded()) return Fail("library not loadable");
  ctl::ListBarModel model;
  FillModel(model);
  int result = 0;
  {
    ctl::ListBarAutomationHost control(model);
    com::Ref<IPropertyPage> page = CreatePage(module, index);
    if (!page) return Fail("no page");
    auto site = com::Create<com::FakePageSite, IPropertyPageSite>(IID_IPropertyPageSite);
    page->SetPageSite(site.get());
    IUnknown* objects[] = {control.Object()};
    page->SetObjects(1, objects);
    PROPPAGEINFO info;
    if (FAILED(page->GetPageInfo(&info))) return Fail("no page info");
    QWidget frame;
    frame.setWindowTitle(QStringLiteral("Property Pages - ") + QString::fromUtf16(info.pszTitle));
    CoTaskMemFree(info.pszTitle);
    CoTaskMemFree(info.pszDocString);
    CoTaskMemFree(info.pszHelpFile);
    frame.resize(info.size.cx + 24, info.size.cy + 24);
    const RECT rect{12, 12, 12 + info.size.cx, 12 + info.size.cy};
    if (FAILED(page->Activate(&frame, &rect, FALSE))) return Fail("not activated");
    page->Show(SW_SHOW);
    frame.show();
    result = QApplication::exec();
    page->Deactivate();
    page->SetObjects(0, nullptr);
    page->SetPageSite(nullptr);
  }
  return result;
}

int Unload(const QString& library, bool ignoreAnswer) {
  com::Module module = com::Module::Load(library);
  if (!module.IsLoaded()) return Fail("library not loadable");
  auto canUnload = module.Function<com::DllCanUnloadNowFn>("DllCanUnloadNow");
  {
    ctl::ListBarModel model;
    FillModel(model);
    ctl::ListBarAutomationHost control(model);
    com::Ref<IPropertyPage> page = CreatePage(module, 7);
    if (!page) return Fail("no page");
    IUnknown* objects[] = {control.Object()};
    page->SetObjects(1, objects);
    if (page->Help(nullptr) != S_OK) return Fail("help not shown");
    page->SetObjects(0, nullptr);
  }
  QApplication::processEvents();
  // The library's own help window, on the Tabs page's topic beside the library.
  QWidget* help = nullptr;
  for (QWidget* window : QApplication::topLevelWidgets())
    if (window->objectName() == QLatin1String("HelpViewer") && window->isVisible()) help = window;
  if (!help) return Fail("no help window");
  if (help->windowTitle() != QLatin1String("QVProp Help")) return Fail("help window not the library's");
  auto* text = help->findChild<QTextBrowser*>(QStringLiteral("txtHelp"));
  const QString beside = QFileInfo(library).absolutePath() + QStringLiteral("/help/800.html");
  if (!text || QFileInfo(text->source().toLocalFile()).absoluteFilePath() != beside)
    return Fail("help not found beside the library");
  if (!ignoreAnswer) {
    if (canUnload() != S_FALSE) return Fail("unloadable while its help window is open");
    for (QWidget* window : QApplication::topLevelWidgets())
      if (window->isVisible()) window->close();
    QApplication::sendPostedEvents(nullptr, QEvent::DeferredDelete);
    if (canUnload() != S_OK) return Fail("not unloadable after its help window closed");
  }
  module = com::Module();
  // The host goes on: events are processed and the application ends.
  QApplication::processEvents();
  return 0;
}

}  // namespace

int main(int argc, char** argv) {
  QApplication app(argc, argv);
  const QStringList args = QApplication::arguments();
  if (args.size() >= 4 && args[1] == QLatin1String("show")) return Show(args[2], args[3].toInt());
  if (args.size() >= 3 && args[1] == QLatin1String("unload"))
    return Unload(args[2], args.size() > 3 && args[3] == QLatin1String("ignore"));
  return Fail("usage: qvpages_host show <library> <index> | unload <library> [ignore]");
}
