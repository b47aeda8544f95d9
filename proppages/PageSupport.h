#pragma once
// What the utility and picture pages share: page texts, the help file the edited
// control's type information names, help topics, file dialogs of the pages, and the
// property-change connection to the control.

#include <QString>
#include <functional>

#include "platform/com/Dispatch.h"
#include "platform/com/PropertyPage.h"
#include "platform/runtime/Codepage.h"
#include "platform/ui/FileDialogs.h"
#include "proppages/CPageString.h"
#include "proppages/PageHelp.h"

namespace qvp {

// The text of a string id, or the empty text for an id the table lacks.
QString PageText(UINT id);
// A string of the table with printf-style arguments; texts given in code page 1252.
template <typename... Args>
QString PageTextFormat(UINT id, Args... args) {
  CPageString text;
  if (!text.Format(PageText(id).toLatin1().constData(), args...)) return {};
  return rt::FromCp1252(text.Text() ? text.Text() : "");
}

// The list-bar dispinterface of an edited object; null when it has none.
com::Ref<IDispatch> ControlDispatch(IUnknown* object);

// The help file that the object's list-bar type information names (empty when it names
// none); false, with `helpFile` unchanged, when the object has no such information.
bool ReadControlHelpFile(IUnknown* object, CPageString& helpFile);

// An open-file (or save-file) dialog of a page: title and filter are string ids.
std::optional<QString> AskPageFile(bool save, UINT title, UINT filter, const char* defaultExt,
                                   QWidget* owner);

// An open-file dialog of a page in which several files can be chosen.
std::optional<QStringList> AskPageFiles(UINT title, UINT filter, const char* defaultExt,
                                        QWidget* owner);

// A file that could not be written: the path under "Error Saving File", error icon.
void ShowSaveErrorBox(const QString& path);

// Calls `onPaint` whenever the widget is shown or painted (the work a page does at its
// next paint), for the widget's life.
void WatchPaint(QWidget* widget, std::function<void()> onPaint);

// The sink a control is advised with: it forwards to the page until detached, so an
// advise never keeps the page alive.
class NotifyForwarder final : public com::ComObject<IPropertyNotifySink> {
 public:
  static com::Ref<NotifyForwarder> Make(IPropertyNotifySink* page) {
    return com::Ref<NotifyForwarder>(new NotifyForwarder(page));
  }
  HRESULT OnChanged(DISPID id) override { return page_ ? page_->OnChanged(id) : S_OK; }
  HRESULT OnRequestEdit(DISPID id) override { return page_ ? page_->OnRequestEdit(id) : S_OK; }
  void Detach() { page_ = nullptr; }

 private:
  explicit NotifyForwarder(IPropertyNotifySink* page) : ComObject(nullptr), page_(page) {}
  void* FindInterface(REFIID iid) override {
    return iid == IID_IPropertyNotifySink ? Face<IPropertyNotifySink>() : nullptr;
  }

  IPropertyNotifySink* page_;
};

// One IPropertyNotifySink advise on a control's connection point, through a forwarder
// to the page.
class SinkConnection {
 public:
  SinkConnection() = default;
  SinkConnection(const SinkConnection&) = delete;
  SinkConnection& operator=(const SinkConnection&) = delete;
  ~SinkConnection() { Unadvise(); }

  // E_FAIL when the control has no such point or refuses the sink.
  HRESULT Advise(IUnknown* control, IPropertyNotifySink* page);
  void Unadvise();
  bool Connected() const { return static_cast<bool>(point_); }

 private:
  com::Ref<IConnectionPoint> point_;
  com::Ref<NotifyForwarder> forwarder_;
  DWORD cookie_ = 0;
};

}  // namespace qvp
