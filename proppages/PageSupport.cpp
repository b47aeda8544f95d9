#include "proppages/PageSupport.h"

#include <QEvent>
#include <QWidget>

#include "platform/com/ListBarInterfaces.h"
#include "platform/com/TypeInfo.h"
#include "platform/ui/Prompt.h"
#include "proppages/PageStrings.h"

namespace qvp {

namespace {

class PaintWatcher final : public QObject {
 public:
  PaintWatcher(QObject* parent, std::function<void()> onPaint) : QObject(parent), onPaint_(std::move(onPaint)) {}
  bool eventFilter(QObject*, QEvent* event) override {
    if (event->type() == QEvent::Paint || event->type() == QEvent::Show) onPaint_();
    return false;
  }

 private:
  std::function<void()> onPaint_;
};

}  // namespace

void WatchPaint(QWidget* widget, std::function<void()> onPaint) {
  widget->installEventFilter(new PaintWatcher(widget, std::move(onPaint)));
}

QString PageText(UINT id) {
  const char* text = PageStringText(id);
  return QString::fromLatin1(text ? text : "");
}

com::Ref<IDispatch> ControlDispatch(IUnknown* object) {
  return com::QueryAs<IDispatch>(object, ctl::IID_DListBar);
}

bool ReadControlHelpFile(IUnknown* object, CPageString& helpFile) {
  com::Ref<IDispatch> control = ControlDispatch(object);
  if (!control) return false;
  com::Ref<ITypeInfo> info;
  if (FAILED(control->GetTypeInfo(0, 0x400, info.Out())) || !info) return false;
  BSTR file = nullptr;
  if (FAILED(info->GetDocumentation(MEMBERID_NIL, nullptr, nullptr, nullptr, &file))) return false;
  // At most 260 characters, as the page keeps it.
  helpFile = file ? std::u16string_view(file)
                        .substr(0, 260)
                  : std::u16string_view();
  SysFreeString(file);
  return true;
}

namespace {

ui::FileDialogRequest PageFileRequest(bool save, UINT title, UINT filter, const char* defaultExt,
                                      QWidget* owner) {
  ui::FileDialogRequest request;
  request.save = save;
  request.title = PageText(title);
  request.filter = PageText(filter);
  request.defaultExt = QString::fromLatin1(defaultExt);
  request.flags = ui::OFN_HIDEREADONLY | ui::OFN_LONGNAMES | ui::OFN_EXPLORER |
                  (save ? ui::OFN_OVERWRITEPROMPT : ui::OFN_PATHMUSTEXIST | ui::OFN_FILEMUSTEXIST);
  request.owner = owner;
  return request;
}

}  // namespace

std::optional<QString> AskPageFile(bool save, UINT title, UINT filter, const char* defaultExt,
                                   QWidget* owner) {
  auto path = ui::GetFileName(PageFileRequest(save, title, filter, defaultExt, owner));
  if (path && path->isEmpty()) return std::nullopt;
  return path;
}

std::optional<QStringList> AskPageFiles(UINT title, UINT filter, const char* defaultExt,
                                        QWidget* owner) {
  auto paths = ui::GetFileNames(PageFileRequest(false, title, filter, defaultExt, owner));
  if (paths) paths->removeAll(QString());
  if (!paths || paths->isEmpty()) return std::nullopt;
  return paths;
}

void ShowSaveErrorBox(const QString& path) {
  ui::MsgBox(path, ui::vbOKOnly | ui::vbCritical, QStringLiteral("Error Saving File"));
}

HRESULT SinkConnection::Advise(IUnknown* control, IPropertyNotifySink* page) {
  Unadvise();
  auto container = com::QueryAs<IConnectionPointContainer>(control, IID_IConnectionPointContainer);
  if (!container) return E_FAIL;
  com::Ref<IConnectionPoint> point;
  if (FAILED(container->FindConnectionPoint(IID_IPropertyNotifySink, point.Out())) || !point)
    return E_FAIL;
  auto forwarder = NotifyForwarder::Make(page);
  DWORD cookie = 0;
  if (FAILED(point->Advise(forwarder.get(), &cookie))) return E_FAIL;
  point_ = std::move(point);
  forwarder_ = std::move(forwarder);
  cookie_ = cookie;
  return S_OK;
}

void SinkConnection::Unadvise() {
  if (!point_) return;
  com::Ref<IConnectionPoint> point = std::move(point_);
  point_ = {};
  point->Unadvise(cookie_);
  forwarder_->Detach();
  forwarder_ = {};
  cookie_ = 0;
}

}  // namespace qvp
