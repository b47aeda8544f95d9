#pragma once
// CQVPropPageBase: the common base of the nine property pages. It answers
// IPropertyPage2 and IPropertyNotifySink on a QWidget dialog that it creates on
// Activate and destroys on Deactivate, and looks up its strings in the page table by
// its index.
//
// The page messages reach the virtual operations: kMsgNewObjects (after Activate and
// after SetObjects while the dialog exists) calls OnNewObjects, kMsgApply (Apply) calls
// OnApply, kMsgEditProperty (EditProperty) and kMsgFreeObjects (before the dialog goes)
// go to DialogProc. F1 answers with the page's Help: the dialog carries a key watcher
// (an application event filter it owns), so F1 on any widget of the dialog, or of a
// window it owns, reaches OnKey without the host forwarding keys. The last Release of
// a page still active deactivates it first. A host may call any entry point from inside
// a box or dialog of the page: code that waited in one goes on only with what outlived
// it (ModalFor, Lifetime.h). Every entry point answers
// RPC_E_WRONG_THREAD when called from another thread than the user-interface thread.

#include <QPointer>
#include <QWidget>
#include <optional>
#include <span>
#include <type_traits>
#include <vector>

#include "platform/com/Object.h"
#include "platform/com/PropertyPage.h"
#include "proppages/Lifetime.h"
#include "proppages/PageTable.h"

namespace qvp {

inline constexpr UINT kMsgNewObjects = WM_USER + 100;
inline constexpr UINT kMsgApply = WM_USER + 101;
inline constexpr UINT kMsgEditProperty = WM_USER + 102;
inline constexpr UINT kMsgFreeObjects = WM_USER + 103;

// The most edited objects one SetObjects takes.
inline constexpr ULONG kMaxObjects = 0x10000;

// The size GetPageInfo gives before a page has contents of its own.
inline constexpr SIZE kDefaultPageSize{320, 240};
// The size of a child page of 300 x 151 dialog units in the pages' 8-point font.
inline constexpr SIZE kChildPageSize{450, 246};

// Whether the caller runs on the thread of the application's widgets (true while
// there is no application).
bool OnUiThread();

class CQVPropPageBase : public com::ComObject<IPropertyPage2, IPropertyNotifySink> {
 public:
  // IPropertyPage2
  HRESULT SetPageSite(IPropertyPageSite* site) final;
  HRESULT Activate(HWND parent, const RECT* rect, BOOL modal) final;
  HRESULT Deactivate() final;
  HRESULT GetPageInfo(PROPPAGEINFO* info) final;
  HRESULT SetObjects(ULONG count, IUnknown** objects) final;
  HRESULT Show(UINT cmdShow) final;
  HRESULT Move(const RECT* rect) final;
  HRESULT IsPageDirty() final;
  HRESULT Apply() final;
  HRESULT Help(LPCOLESTR helpDir) final;
  HRESULT TranslateAccelerator(MSG* msg) final;
  HRESULT EditProperty(DISPID id) final;
  // IPropertyNotifySink
  HRESULT OnChanged(DISPID id) final;
  HRESULT OnRequestEdit(DISPID id) final;

  int PageIndex() const { return index_; }
  const PageEntry& Entry() const { return PageObjectTable[index_]; }
  // The page's dialog while active, else null.
  QWidget* Dialog() const { return dialog_; }
  bool IsDirty() const { return dirty_; }

 protected:
  CQVPropPageBase(IUnknown* outer, int index);
  ~CQVPropPageBase() override;
  void* FindInterface(REFIID iid) override;
  // A page released while active ends as Deactivate would.
  void FinalRelease() override { Deactivate(); }

  // Page messages other than kMsgNewObjects and kMsgApply; true when handled.
  virtual bool DialogProc(UINT message, WPARAM wParam, LPARAM lParam);
  // A key pressed in the page; true when consumed. F1 shows the page's help.
  virtual bool OnKey(WPARAM key, LPARAM data);
  // What Help, OnChanged and OnRequestEdit do for the page; help shows the page's topic.
  virtual HRESULT OnHelp(LPCOLESTR) { return ShowTopic(0); }
  virtual HRESULT OnPropertyChanged(DISPID) { return S_OK; }
  virtual HRESULT OnPropertyRequestEdit(DISPID) { return S_OK; }
  // The held objects changed or the dialog was created.
  virtual HRESULT OnNewObjects() { return S_OK; }
  // Writes the page's changes to the objects.
  virtual HRESULT OnApply() { return S_OK; }
  // Whether changes are still waiting after OnApply failed (the page stays dirty).
  virtual bool ChangesLeftAfterFailedApply() const { return true; }
  // Fills the new dialog; the base leaves it empty.
  virtual void BuildDialog(QWidget* dialog);
  // The size GetPageInfo gives.
  virtual SIZE PageSize() const { return kDefaultPageSize; }

  // Shows help topic `context`, the page's own (the page table's context) for 0.
  HRESULT ShowTopic(DWORD context);
  // Marks the page dirty and tells the site.
  void MakeDirty();
  // A dirty page becomes clean; the site is told to look again (status 1).
  void ClearDirty();
  IPropertyPageSite* Site() const { return site_.get(); }
  std::span<IUnknown* const> Objects() const { return objects_; }
  // The record for an Invoke's error details, its strings freed and zeroed.
  EXCEPINFO* FreshExceptionInfo();
  // The message of a refused write of property `name`: "<name> : <description>." with
  // the description the object gave in the record, else "<name> : Illegal value.".
  QString WriteFailureText(const QString& name) const;

  // Keeps the host frame of the first object (its client site's window context); a
  // failing step leaves the kept frame as it was.
  void GetInPlaceFrame();
  // Around a modal dialog of the page: true before it (the frame becomes modeless and
  // the active window is remembered), false after it (the frame back, the remembered
  // window active again). Nothing without a kept frame.
  void EnableModeless(bool dialogStarting);
  IOleInPlaceFrame* InPlaceFrame() const { return inPlaceFrame_.get(); }

  // Runs `call`, which runs an event loop (a message box, a dialog, a file dialog), with
  // the page kept alive: a host may release or deactivate the page from inside that loop.
  // What the host ended meanwhile (its last reference, the dialog) goes once the page's
  // code has returned to the event loop; until then Activate (from inside the loop),
  // Show and Move answer E_UNEXPECTED and DllCanUnloadNow S_FALSE. A deactivation
  // meanwhile hides the dialog and takes it out of the host's frame. With
  // `frameModeless` the host frame is modeless around the call (EnableModeless).
  template <typename F>
  decltype(auto) Modal(F&& call, bool frameModeless = false) {
    const ModalScope scope(*this, frameModeless);
    return std::forward<F>(call)();
  }
  // Modal for code that goes on with `watched` afterwards (a row, or Content()): the
  // call's answer, or none when `watched` went meanwhile. A call without an answer gives
  // whether `watched` is still there; an optional answer (a file name) becomes none.
  template <typename F>
  auto ModalFor(const Watch& watched, F&& call, bool frameModeless = false) {
    using Answer = std::invoke_result_t<F>;
    if constexpr (std::is_void_v<Answer>) {
      Modal(std::forward<F>(call), frameModeless);
      return !watched.Gone();
    } else {
      using Kept = std::conditional_t<IsOptional<Answer>::value, Answer, std::optional<Answer>>;
      Answer answer = Modal(std::forward<F>(call), frameModeless);
      return watched.Gone() ? Kept{} : Kept(std::move(answer));
    }
  }
  // What the page read from its objects; ends when the page lets go of it (other
  // objects, the dialog going), so that code waiting in a modal call stops afterwards.
  Watch Content() const { return content_.Watched(); }
  void ContentGone() { content_.End(); }

  // The edited object the page last built its content for.
  com::Ref<IUnknown> firstObject_;
  bool loaded_ = false;

  // Creator of a page class, for the page table.
  template <typename Page>
  static HRESULT CreatePage(IUnknown* outer, REFIID iid, void** out) {
    return com::CreateAs<Page>(outer, iid, out);
  }

 private:
  template <typename T>
  struct IsOptional : std::false_type {};
  template <typename T>
  struct IsOptional<std::optional<T>> : std::true_type {};

  class ModalScope {
   public:
    ModalScope(CQVPropPageBase& page, bool frameModeless);
    ~ModalScope();
    ModalScope(const ModalScope&) = delete;
    ModalScope& operator=(const ModalScope&) = delete;

   private:
    CQVPropPageBase& page_;
    const bool frameModeless_;
  };

  // Lets go of a modal call's reference, after a deactivation the host asked for
  // meanwhile; from the event loop once the page's code has returned.
  void FinishModal();
  // Whether the dialog is shown for the host (not waiting to go after a modal call).
  bool Active() const { return dialog_ && !teardownPending_; }
  void ReleaseObjects();
  void ClearExceptionInfo();

  int index_;
  com::Ref<IPropertyPageSite> site_;
  std::vector<IUnknown*> objects_;  // each held with a reference
  QPointer<QWidget> dialog_;
  com::Ref<IOleInPlaceFrame> inPlaceFrame_;
  bool dirty_ = false;
  int modalDepth_ = 0;
  bool teardownPending_ = false;  // deactivated while a modal call ran
  Lifetime content_;
  EXCEPINFO excepInfo_;
};

}  // namespace qvp
