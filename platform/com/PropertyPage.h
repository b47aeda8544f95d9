#pragma once
// The property-page interfaces: a host's property frame gives each page a site, the
// objects to edit, and a parent window; the page reports its state to the site. Windows
// are QWidgets; accelerator messages carry a key code. Page info strings are task
// memory the caller frees with CoTaskMemFree. UI thread only.

#include <cstdint>

#include "platform/com/Interfaces.h"

class QWidget;

using HWND = QWidget*;
using WPARAM = std::uintptr_t;
using LPARAM = std::intptr_t;

struct RECT {
  LONG left = 0, top = 0, right = 0, bottom = 0;
};

struct SIZE {
  LONG cx = 0, cy = 0;
};

// A keyboard message offered to TranslateAccelerator: wParam is the virtual key code.
struct MSG {
  HWND hwnd = nullptr;
  UINT message = 0;
  WPARAM wParam = 0;
  LPARAM lParam = 0;
};

inline constexpr UINT WM_KEYDOWN = 0x0100;
inline constexpr UINT WM_USER = 0x0400;
inline constexpr WPARAM VK_F1 = 0x70;

inline constexpr UINT SW_HIDE = 0;
inline constexpr UINT SW_SHOWNORMAL = 1;
inline constexpr UINT SW_SHOW = 5;

// OnStatusChange flags.
inline constexpr DWORD PROPPAGESTATUS_DIRTY = 0x1;
inline constexpr DWORD PROPPAGESTATUS_VALIDATE = 0x2;
inline constexpr DWORD PROPPAGESTATUS_CLEAN = 0x4;

struct PROPPAGEINFO {
  ULONG cb = sizeof(PROPPAGEINFO);
  LPOLESTR pszTitle = nullptr;
  SIZE size;
  LPOLESTR pszDocString = nullptr;
  LPOLESTR pszHelpFile = nullptr;
  DWORD dwHelpContext = 0;
};

struct IPropertyPageSite : IUnknown {
  // PROPPAGESTATUS_* flags: the page became dirty, wants validation, or is clean.
  virtual HRESULT OnStatusChange(DWORD flags) = 0;
  virtual HRESULT GetLocaleID(LCID* lcid) = 0;
  virtual HRESULT GetPageContainer(IUnknown** out) = 0;
  // S_OK when the frame used the key, S_FALSE when not.
  virtual HRESULT TranslateAccelerator(MSG* msg) = 0;

 protected:
  ~IPropertyPageSite() = default;
};

struct IPropertyPage : IUnknown {
  // A null site releases the held one (the frame does so before releasing the page).
  virtual HRESULT SetPageSite(IPropertyPageSite* site) = 0;
  virtual HRESULT Activate(HWND parent, const RECT* rect, BOOL modal) = 0;
  virtual HRESULT Deactivate() = 0;
  virtual HRESULT GetPageInfo(PROPPAGEINFO* info) = 0;
  // Replaces the edited objects; count 0 releases them.
  virtual HRESULT SetObjects(ULONG count, IUnknown** objects) = 0;
  virtual HRESULT Show(UINT cmdShow) = 0;
  virtual HRESULT Move(const RECT* rect) = 0;
  // S_OK when dirty, S_FALSE when not.
  virtual HRESULT IsPageDirty() = 0;
  virtual HRESULT Apply() = 0;
  virtual HRESULT Help(LPCOLESTR helpDir) = 0;
  virtual HRESULT TranslateAccelerator(MSG* msg) = 0;

 protected:
  ~IPropertyPage() = default;
};

struct IPropertyPage2 : IPropertyPage {
  // Puts the focus on the control that edits one property.
  virtual HRESULT EditProperty(DISPID id) = 0;

 protected:
  ~IPropertyPage2() = default;
};

// The container side of an embedded object; no call of it is made here.
struct IOleClientSite : IUnknown {
 protected:
  ~IOleClientSite() = default;
};

// The site of an embedded control, as far as the pages ask it for the control's extender
// (the object the container wraps around it); the other calls are left out.
struct IOleControlSite : IUnknown {
  virtual HRESULT GetExtendedControl(IDispatch** extender) = 0;

 protected:
  ~IOleControlSite() = default;
};

struct IOleInPlaceUIWindow : IUnknown {
 protected:
  ~IOleInPlaceUIWindow() = default;
};

// The host's frame window around in-place objects.
struct IOleInPlaceFrame : IOleInPlaceUIWindow {
  // FALSE while a modal dialog of an object runs, TRUE after it.
  virtual HRESULT EnableModeless(BOOL enable) = 0;

 protected:
  ~IOleInPlaceFrame() = default;
};

struct OLEINPLACEFRAMEINFO {
  UINT cb = sizeof(OLEINPLACEFRAMEINFO);
  BOOL fMDIApp = FALSE;
  HWND hwndFrame = nullptr;
  void* haccel = nullptr;
  UINT cAccelEntries = 0;
};

// The site of an in-place object, as far as the pages ask it for the host's windows.
struct IOleInPlaceSiteWindowless : IUnknown {
  // The frame and document window (each with a reference), the object's position and
  // clipping rectangles, and the frame's facts.
  virtual HRESULT GetWindowContext(IOleInPlaceFrame** frame, IOleInPlaceUIWindow** document,
                                   RECT* position, RECT* clip, OLEINPLACEFRAMEINFO* info) = 0;

 protected:
  ~IOleInPlaceSiteWindowless() = default;
};

// An embedded object, as far as a property frame drives it: its site and its verbs.
// The other calls of the published interface are left out.
struct IOleObject : IUnknown {
  virtual HRESULT GetClientSite(IOleClientSite** site) = 0;
  // verb: the object's own verb number; site, index, parent and rect as the caller has them.
  virtual HRESULT DoVerb(LONG verb, MSG* msg, IUnknown* site, LONG index, HWND parent,
                         const RECT* rect) = 0;

 protected:
  ~IOleObject() = default;
};

struct IPersist : IUnknown {
  virtual HRESULT GetClassID(CLSID* clsid) = 0;

 protected:
  ~IPersist() = default;
};

// Persistence of an object's state; only whether it changed is offered here.
struct IPersistStreamInit : IPersist {
  // S_OK when changed since last saved, S_FALSE when not.
  virtual HRESULT IsDirty() = 0;

 protected:
  ~IPersistStreamInit() = default;
};

namespace com {

// A copy of the text in task memory (for PROPPAGEINFO); null when memory runs out.
LPOLESTR AllocTaskString(const QString& text);

}  // namespace com
