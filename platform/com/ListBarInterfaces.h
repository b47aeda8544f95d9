#pragma once
// The list bar's automation interfaces: what a property frame and its pages call on the
// control. The objects answering them are made by ListBarAutomationHost
// (platform/automation/ListBarAutomation.h) over a ListBarModel.
//
// The control object answers the list-bar dispinterface (IID_DListBar) with the
// properties "Groups", "Tabs", "LargeIcons", "SmallIcons", "CurrentGroup" and the
// face's own "BackColor" (OLE_COLOR), "Enabled", "Appearance" (ListBarAppearance) and
// "Tag", which the face keeps beside the model, and the animated "Picture" (a bitmap
// picture) with its frame count "PictureFrames"; an
// IPropertyNotifySink connection point that reports each change by DISPID (a change of
// the current tab as kDispidCurrentTabChanged); the private interfaces below; verb
// kVerbConfigureToolBars of IOleObject::DoVerb; and IPersistStreamInit::IsDirty.
// Collections ("Groups", each group's "ListItems", "Tabs") answer "Count", "Item",
// "_NewEnum", "InternalAdd" and "Remove"; their members "Index", "Caption" and, for
// list items, "Text". Image lists answer "Count", "Item", "_NewEnum", "Clear" and "Add";
// their members "Index", "Key" and "Picture".

#include "platform/com/Dispatch.h"
#include "platform/com/PropertyPage.h"

namespace ctl {

inline constexpr IID IID_DListBar = com::MakeGuid("85268BE6-F11A-41FF-A979-DF23B8475751");
inline constexpr IID IID_IListBarPropertyStrings =
    com::MakeGuid("09362B05-84CF-4282-9DB3-C3AC5AA043DE");
inline constexpr IID IID_IListBarCustomEnum = com::MakeGuid("8AA7B36A-0654-4B9B-9DBD-2FDF16A8CD0C");
inline constexpr IID IID_IListBarCurrentTab = com::MakeGuid("B38DA262-5CD8-405D-94AF-A8033207107A");
inline constexpr IID IID_IListBarImageLists = com::MakeGuid("8FE9145D-90A0-40B2-9B62-A90CD685294E");
inline constexpr IID IID_IListBarImageBatch = com::MakeGuid("EEEB82B7-1723-4418-9967-EFC77977F732");

// Member ids of the control's dispinterface.
inline constexpr DISPID kDispidGroups = 1;
inline constexpr DISPID kDispidTabs = 2;
inline constexpr DISPID kDispidLargeIcons = 3;
inline constexpr DISPID kDispidSmallIcons = 4;
inline constexpr DISPID kDispidCurrentGroup = 5;
inline constexpr DISPID kDispidTag = 6;
inline constexpr DISPID kDispidBackColor = -501;
inline constexpr DISPID kDispidEnabled = -514;
inline constexpr DISPID kDispidAppearance = -520;
// Values of "Appearance".
inline constexpr LONG kAppearanceFlat = 0;
inline constexpr LONG kAppearance3D = 1;
inline constexpr DISPID kDispidAnimatedPicture = 7;
inline constexpr DISPID kDispidAnimatedPictureFrames = 8;
// Reported through OnChanged when the current tab changes.
inline constexpr DISPID kDispidCurrentTabChanged = 1126;
// Member ids of collections, members and image lists.
inline constexpr DISPID kDispidCount = 1;
inline constexpr DISPID kDispidInternalAdd = 2;
inline constexpr DISPID kDispidRemove = 3;
inline constexpr DISPID kDispidClear = 4;
inline constexpr DISPID kDispidAdd = 5;
inline constexpr DISPID kDispidIndex = 11;
inline constexpr DISPID kDispidCaption = 12;
inline constexpr DISPID kDispidText = 13;
inline constexpr DISPID kDispidListItems = 14;
inline constexpr DISPID kDispidKey = 15;
inline constexpr DISPID kDispidPicture = 16;

// The verb that opens the control's own tool-bar configuration.
inline constexpr LONG kVerbConfigureToolBars = 10;

// The help file the control's type information names.
inline constexpr char16_t kListBarHelpFile[] = u"svl_v6_help.chm";

// Choosing a property's value from texts: the group captions for "CurrentGroup".
struct IListBarPropertyStrings : IUnknown {
  // The texts (task memory: the array and each string); E_INVALIDARG for a property
  // without them.
  virtual HRESULT GetPredefinedStrings(DISPID id, ULONG* count, LPOLESTR** strings) = 0;
  // The current value: the 1-based position among the texts.
  virtual HRESULT GetPredefinedValue(DISPID id, VARIANT* value) = 0;
  virtual HRESULT SetPredefinedValue(DISPID id, const VARIANT* value) = 0;

 protected:
  ~IListBarPropertyStrings() = default;
};

// A property whose value counts from a base: "CurrentGroup" (base 1).
struct IListBarCustomEnum : IUnknown {
  virtual HRESULT GetEnumCount(DISPID id, LONG* count) = 0;
  virtual HRESULT GetEnumValue(DISPID id, LONG* value) = 0;
  virtual HRESULT SetEnumValue(DISPID id, LONG value) = 0;
  virtual HRESULT GetEnumBase(DISPID id, LONG* base) = 0;

 protected:
  ~IListBarCustomEnum() = default;
};

struct IListBarCurrentTab : IUnknown {
  // 1-based; 0 without tabs.
  virtual HRESULT GetCurrentTab(SHORT* tab) = 0;
  // 1 .. number of tabs, else E_INVALIDARG.
  virtual HRESULT SetCurrentTab(SHORT tab) = 0;

 protected:
  ~IListBarCurrentTab() = default;
};

struct IListBarImageLists : IUnknown {
  virtual HRESULT GetImageListCount(ULONG* count) = 0;
  // Writes at most `capacity` ids; *written gets the number written.
  virtual HRESULT GetImageListIds(ULONG capacity, DISPID* ids, ULONG* written) = 0;
  // For an image-list DISPID; E_INVALIDARG for any other.
  virtual HRESULT GetFixedSize(DISPID id, VARIANT_BOOL* fixed) = 0;
  virtual HRESULT GetImageWidth(DISPID id, LONG* width) = 0;
  virtual HRESULT GetImageHeight(DISPID id, LONG* height) = 0;
  virtual HRESULT GetBackColor(DISPID id, OLE_COLOR* color) = 0;

 protected:
  ~IListBarImageLists() = default;
};

// On an image-list object: changes between the two calls are reported once, at the end.
struct IListBarImageBatch : IUnknown {
  virtual HRESULT BeginUpdate() = 0;
  virtual HRESULT EndUpdate() = 0;

 protected:
  ~IListBarImageBatch() = default;
};

}  // namespace ctl
