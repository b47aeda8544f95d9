#include "proppages/CQVPropPageBase.h"

#include <QApplication>
#include <QKeyEvent>
#include <QThread>
#include <functional>

#include "platform/com/Memory.h"
#include "proppages/PageHelp.h"
#include "proppages/PageStrings.h"

namespace qvp {

namespace {

// A rectangle from a caller: a negative width or height is refused.
bool ValidRect(const RECT& r) { return r.right >= r.left && r.bottom >= r.top; }

QRect ToQRect(const RECT& r) { return QRect(r.left, r.top, r.right - r.left, r.bottom - r.top); }

QString StringOf(UINT id) { return QString::fromLatin1(PageStringText(id)); }

// The window that was active when a page's modal dialog started; one for all pages.
QPointer<QWidget> g_activeBeforeDialog;

// F1 pressed on any widget of a page's dialog, or of a window the dialog owns, goes to
// the page, whether or not the host forwards its keys. Lives as a child of the dialog.
class HelpKeyWatcher final : public QObject {
 public:
  HelpKeyWatcher(QWidget* dialog, std::function<bool()> onF1)
      : QObject(dialog), dialog_(dialog), onF1_(std::move(onF1)) {
    qApp->installEventFilter(this);
  }
  bool eventFilter(QObject* watched, QEvent* event) override {
    if (event->type() != QEvent::KeyPress || static_cast<QKeyEvent*>(event)->key() != Qt::Key_F1 ||
        !watched->isWidgetType())
      return false;
    for (QObject* o = watched; o; o = o->parent())
      if (o == dialog_) return onF1_();
    return false;
  }

 private:
  QWidget* dialog_;
  std::function<bool()> onF1_;
};

}  // namespace

bool OnUiThread() {
  const QCoreApplication* app = QCoreApplication::instance();
  return !app || QThread::currentThread() == app->thread();
}

CQVPropPageBase::CQVPropPageBase(IUnknown* outer, int index) : ComObject(outer), index_(index) {}

CQVPropPageBase::~CQVPropPageBase() {
  delete dialog_.data();
  ReleaseObjects();
  ClearExceptionInfo();
}

void* CQVPropPageBase::FindInterface(REFIID iid) {
  if (iid == IID_IPropertyPage || iid == IID_IPropertyPage2) return Face<IPropertyPage2>();
  if (iid == IID_IPropertyNotifySink) return Face<IPropertyNotifySink>();
  return nullptr;
}

HRESULT CQVPropPageBase::SetPageSite(IPropertyPageSite* site) {
  if (!OnUiThread()) return RPC_E_WRONG_THREAD;
  site_ = com::Ref<IPropertyPageSite>(site);
  return S_OK;
}

HRESULT CQVPropPageBase::Activate(HWND parent, const RECT* rect, BOOL) {
  if (!OnUiThread()) return RPC_E_WRONG_THREAD;
  return com::Guarded([&]() -> HRESULT {
    if (!rect) return E_POINTER;
    if (!ValidRect(*rect)) return E_INVALIDARG;
    if (teardownPending_ && modalDepth_ == 0) Deactivate();
    if (dialog_) return E_UNEXPECTED;
    auto* dialog = new QWidget(parent);
    dialog->setWindowTitle(StringOf(Entry().title));
    dialog->setGeometry(ToQRect(*rect));
    dialog_ = dialog;
    new HelpKeyWatcher(dialog, [this] { return OnKey(VK_F1, 0); });
    BuildDialog(dialog);
    // The page's answer about its objects matters to SetObjects, not to Activate.
    const HRESULT hr = OnNewObjects();
    if (FAILED(hr)) return hr;
    // Deactivated from inside a box that reading the objects showed: not active.
    return teardownPending_ ? E_UNEXPECTED : S_OK;
  });
}

HRESULT CQVPropPageBase::Deactivate() {
  if (!OnUiThread()) return RPC_E_WRONG_THREAD;
  if (!dialog_) return S_OK;
  if (modalDepth_ > 0) {
    // The page's code waits for a modal call and goes on with its widgets afterwards;
    // they go later, and survive the host's frame meanwhile.
    dialog_->hide();
    dialog_->setParent(nullptr);
    teardownPending_ = true;
    ContentGone();
    return S_OK;
  }
  teardownPending_ = false;
  ContentGone();
  DialogProc(kMsgFreeObjects, 0, 0);
  delete dialog_.data();
  loaded_ = false;
  return S_OK;
}

HRESULT CQVPropPageBase::GetPageInfo(PROPPAGEINFO* info) {
  if (!OnUiThread()) return RPC_E_WRONG_THREAD;
  if (!info) return E_POINTER;
  const PageEntry& e = Entry();
  PROPPAGEINFO filled;
  filled.pszTitle = com::AllocTaskString(StringOf(e.title));
  filled.pszDocString = com::AllocTaskString(StringOf(e.docString));
  filled.pszHelpFile = com::AllocTaskString(QString::fromLatin1(e.helpFile));
  if (!filled.pszTitle || !filled.pszDocString || !filled.pszHelpFile) {
    CoTaskMemFree(filled.pszTitle);
    CoTaskMemFree(filled.pszDocString);
    CoTaskMemFree(filled.pszHelpFile);
    return E_OUTOFMEMORY;
  }
  filled.size = PageSize();
  filled.dwHelpContext = e.helpContext;
  *info = filled;
  return S_OK;
}

HRESULT CQVPropPageBase::SetObjects(ULONG count, IUnknown** objects) {
  if (!OnUiThread()) return RPC_E_WRONG_THREAD;
  if (count > kMaxObjects) return E_INVALIDARG;
  if (count && !objects) return E_POINTER;
  for (ULONG i = 0; i < count; ++i)
    if (!objects[i]) return E_POINTER;
  return com::Guarded([&]() -> HRESULT {
    std::vector<IUnknown*> held(objects, objects + count);
    ReleaseObjects();
    for (IUnknown* o : held) o->AddRef();
    objects_ = std::move(held);
    return Active() ? OnNewObjects() : S_OK;
  });
}

HRESULT CQVPropPageBase::Show(UINT cmdShow) {
  if (!OnUiThread()) return RPC_E_WRONG_THREAD;
  if (!Active()) return E_UNEXPECTED;
  dialog_->setVisible(cmdShow != SW_HIDE);
  return S_OK;
}

HRESULT CQVPropPageBase::Move(const RECT* rect) {
  if (!OnUiThread()) return RPC_E_WRONG_THREAD;
  if (!rect) return E_POINTER;
  if (!ValidRect(*rect)) return E_INVALIDARG;
  if (!Active()) return E_UNEXPECTED;
  dialog_->setGeometry(ToQRect(*rect));
  return S_OK;
}

HRESULT CQVPropPageBase::IsPageDirty() {
  if (!OnUiThread()) return RPC_E_WRONG_THREAD;
  return dirty_ ? S_OK : S_FALSE;
}

HRESULT CQVPropPageBase::Apply() {
  if (!OnUiThread()) return RPC_E_WRONG_THREAD;
  const HRESULT hr = com::Guarded([&] { return OnApply(); });
  if (SUCCEEDED(hr))
    dirty_ = false;
  else if (!ChangesLeftAfterFailedApply())
    ClearDirty();
  return hr;
}

HRESULT CQVPropPageBase::Help(LPCOLESTR helpDir) {
  if (!OnUiThread()) return RPC_E_WRONG_THREAD;
  return OnHelp(helpDir);
}

HRESULT CQVPropPageBase::TranslateAccelerator(MSG* msg) {
  if (!OnUiThread()) return RPC_E_WRONG_THREAD;
  if (!msg) return E_POINTER;
  if (msg->message == WM_KEYDOWN && OnKey(msg->wParam, msg->lParam)) return S_OK;
  return S_FALSE;
}

HRESULT CQVPropPageBase::EditProperty(DISPID id) {
  if (!OnUiThread()) return RPC_E_WRONG_THREAD;
  return DialogProc(kMsgEditProperty, static_cast<WPARAM>(id), 0) ? S_OK : E_NOTIMPL;
}

HRESULT CQVPropPageBase::OnChanged(DISPID id) {
  if (!OnUiThread()) return RPC_E_WRONG_THREAD;
  return OnPropertyChanged(id);
}

HRESULT CQVPropPageBase::OnRequestEdit(DISPID id) {
  if (!OnUiThread()) return RPC_E_WRONG_THREAD;
  return OnPropertyRequestEdit(id);
}

bool CQVPropPageBase::DialogProc(UINT, WPARAM, LPARAM) { return false; }

HRESULT CQVPropPageBase::ShowTopic(DWORD context) {
  return Modal([&] { return ShowPageHelp(context ? context : Entry().helpContext); });
}

bool CQVPropPageBase::OnKey(WPARAM key, LPARAM) {
  if (key != VK_F1) return false;
  Help(nullptr);
  return true;
}

void CQVPropPageBase::BuildDialog(QWidget*) {}

void CQVPropPageBase::MakeDirty() {
  dirty_ = true;
  if (site_) site_->OnStatusChange(PROPPAGESTATUS_DIRTY | PROPPAGESTATUS_VALIDATE);
}

void CQVPropPageBase::ClearDirty() {
  if (!dirty_) return;
  dirty_ = false;
  if (site_) site_->OnStatusChange(PROPPAGESTATUS_DIRTY);
}

EXCEPINFO* CQVPropPageBase::FreshExceptionInfo() {
  ClearExceptionInfo();
  return &excepInfo_;
}

QString CQVPropPageBase::WriteFailureText(const QString& name) const {
  const QString description = com::ToQString(excepInfo_.bstrDescription);
  if (!description.isEmpty()) return QStringLiteral("%1 : %2.").arg(name, description);
  return QString::fromLatin1(PageStringText(2100)).replace(QLatin1String("%s"), name);
}

void CQVPropPageBase::GetInPlaceFrame() {
  auto object = com::QueryAs<IOleObject>(firstObject_.get(), IID_IOleObject);
  if (!object) return;
  com::Ref<IOleClientSite> site;
  if (FAILED(object->GetClientSite(site.Out())) || !site) return;
  auto windowless = com::QueryAs<IOleInPlaceSiteWindowless>(site.get(),
                                                             IID_IOleInPlaceSiteWindowless);
  if (!windowless) return;
  com::Ref<IOleInPlaceFrame> frame;
  com::Ref<IOleInPlaceUIWindow> document;
  RECT position;
  RECT clip;
  OLEINPLACEFRAMEINFO info;
  if (FAILED(windowless->GetWindowContext(frame.Out(), document.Out(), &position, &clip, &info)) ||
      !frame)
    return;
  inPlaceFrame_ = std::move(frame);
}

void CQVPropPageBase::EnableModeless(bool dialogStarting) {
  if (!inPlaceFrame_) return;
  if (dialogStarting) {
    g_activeBeforeDialog = QApplication::activeWindow();
    inPlaceFrame_->EnableModeless(FALSE);
    return;
  }
  inPlaceFrame_->EnableModeless(TRUE);
  if (QWidget* window = g_activeBeforeDialog.data()) {
    window->activateWindow();
    window->raise();
  }
}

CQVPropPageBase::ModalScope::ModalScope(CQVPropPageBase& page, bool frameModeless)
    : page_(page), frameModeless_(frameModeless) {
  page_.AddRef();
  ++page_.modalDepth_;
  if (frameModeless_) page_.EnableModeless(true);
}

CQVPropPageBase::ModalScope::~ModalScope() {
  if (frameModeless_) page_.EnableModeless(false);
  // The page's code goes on after the call: a reference that is the last one, or a
  // deactivation asked for meanwhile, waits for the event loop.
  const bool last = page_.IsAggregated() || page_.RefCount() == 1;
  if (--page_.modalDepth_ == 0 && (last || page_.teardownPending_) && qApp) {
    CQVPropPageBase* page = &page_;
    QMetaObject::invokeMethod(qApp, [page] { page->FinishModal(); }, Qt::QueuedConnection);
    return;
  }
  page_.Release();
}

void CQVPropPageBase::FinishModal() {
  // Another modal call that started meanwhile finishes again when it ends.
  if (modalDepth_ == 0 && teardownPending_) Deactivate();
  Release();
}

void CQVPropPageBase::ReleaseObjects() {
  std::vector<IUnknown*> old;
  old.swap(objects_);
  for (IUnknown* o : old) o->Release();
}

void CQVPropPageBase::ClearExceptionInfo() {
  SysFreeString(excepInfo_.bstrSource);
  SysFreeString(excepInfo_.bstrDescription);
  SysFreeString(excepInfo_.bstrHelpFile);
  excepInfo_ = EXCEPINFO{};
}

}  // namespace qvp
