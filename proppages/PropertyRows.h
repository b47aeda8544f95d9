#pragma once
// The rows of the property list: each shows, edits and hands back one property value
// of an edited object. A row keeps its label, its value text and the flags the list
// reads (modified, expandable, button, drop-down, fixed text, level). Values are read
// into a row with SetValue and handed back with GetValue as a copy the caller owns;
// a row never writes a property itself except a collection's add and remove and the
// custom enumeration's Apply. Collections own one member row per element and each
// member owns that element's property rows. A host's calls from inside a row's value
// dialog may delete the row: code that waited in one asks the row's Watched() before
// touching it. UI thread only.

#include <QFont>
#include <QString>
#include <QStringList>
#include <functional>
#include <memory>
#include <vector>

#include "platform/com/Dispatch.h"
#include "platform/com/Font.h"
#include "platform/com/ListBarInterfaces.h"
#include "platform/com/Picture.h"
#include "proppages/Lifetime.h"

class QWidget;

namespace qvp {

class CListBoxItem;
class CProperty;
class CCollectionProperty;

// Longest texts: the editor's, a drop-down entry's and a combo row's editor text.
inline constexpr int kEditorTextMax = 512;
inline constexpr int kDropDownTextMax = 128;
inline constexpr int kComboTextMax = 2048;
// The longest row name.
inline constexpr int kRowNameMax = 127;

// The first `max` UTF-16 units of a text, one fewer when the cut would split a pair.
QString CutText(const QString& text, int max);

// A property read with DISPATCH_PROPERTYGET; true only for an answer of exactly S_OK.
bool ReadProperty(IDispatch* object, DISPID id, com::Variant& value);

// Property categories of the standard set.
inline constexpr LONG PROPCAT_Nil = -1;
inline constexpr LONG PROPCAT_Misc = -2;
inline constexpr LONG PROPCAT_Font = -3;
inline constexpr LONG PROPCAT_Position = -4;
inline constexpr LONG PROPCAT_Appearance = -5;
inline constexpr LONG PROPCAT_Behavior = -6;

inline constexpr DISPID DISPID_ABOUTBOX = -552;

// What rows ask of the page that lists them.
class RowHost {
 public:
  virtual ~RowHost() = default;
  // The list is to show (or drop) the rows under an expandable row.
  virtual void ExpansionChanged(CListBoxItem& row) = 0;
  // A collection's members changed through the row (added or removed).
  virtual void MarkDirty() = 0;
  // Runs a value dialog (`run`), the host frame modeless and the page kept alive meanwhile.
  virtual void RunValueDialog(const std::function<void()>& run) = 0;
  // The owner window of value dialogs.
  virtual QWidget* DialogOwner() = 0;
};

// How an element of a collection is reached from an edited control: the collection
// property, then the element's 0-based position.
struct MemberStep {
  DISPID collection;
  int index;
};
using MemberPath = std::vector<MemberStep>;

class CListBoxItem {
 public:
  CListBoxItem() = default;
  CListBoxItem(const CListBoxItem&) = delete;
  CListBoxItem& operator=(const CListBoxItem&) = delete;
  virtual ~CListBoxItem() = default;

  // The class, compared by IsSame and MergeWith.
  virtual const char* ClassName() const = 0;
  virtual bool IsExpanded() const { return false; }
  // The default action: toggle, step, expand, or focus the editor (the list's concern).
  virtual void DoDefault(RowHost&) {}
  // The committed editor or drop-down text; true when the value text changed.
  virtual bool SetText(const QString&) { return false; }
  // The value button; true when the row changed.
  virtual bool PressButton(RowHost&) { return false; }
  // The drop-down entries; empty for rows without a drop-down.
  virtual QStringList Entries() const { return {}; }
  virtual DISPID GetDispid() const { return 0; }
  virtual int GetMemberIndex() const { return -1; }
  virtual IDispatch* GetObject() const { return nullptr; }
  virtual DWORD GetHelpContext() const { return 0; }
  // The same row after a rebuild: same class and identity.
  virtual bool IsSame(const CListBoxItem& other) const;
  // The rows shown under this one while it is expanded, in list order, nested ones
  // included when expanded themselves.
  virtual void AppendVisible(std::vector<CListBoxItem*>&) const {}

  QString name;
  QString valueText;
  bool armed = false;
  bool modified = false;
  bool expandable = false;
  bool hasButton = false;
  bool hasDropDown = false;
  bool fixedText = false;
  int level = 0;

  // The name as written by a creator: at most kRowNameMax characters.
  void SetName(const QString& text) { name = CutText(text, kRowNameMax); }
  // Tells afterwards whether this row still exists.
  Watch Watched() const { return lifetime_.Watched(); }

 protected:
  // Runs a value dialog through the host; false when this row went meanwhile, and then
  // nothing of it may be touched.
  bool RunDialog(RowHost& host, const std::function<void()>& run) const {
    const Watch self = Watched();
    host.RunValueDialog(run);
    return !self.Gone();
  }

 private:
  Lifetime lifetime_;
};

using RowPtr = std::unique_ptr<CListBoxItem>;
using RowList = std::vector<RowPtr>;

class CProperty : public CListBoxItem {
 public:
  CProperty(DISPID id, int level, IDispatch* object, bool refresh);

  const char* ClassName() const override { return "CProperty"; }
  bool SetText(const QString& text) override;
  DISPID GetDispid() const override { return dispid_; }
  IDispatch* GetObject() const override { return object_; }
  DWORD GetHelpContext() const override { return helpContext; }
  bool IsSame(const CListBoxItem& other) const override;

  // Rebuilds the text from the remembered value.
  virtual void Revert();
  // Takes a value read from the object: remembered, shown, not modified.
  virtual void SetValue(const VARIANT& value);
  virtual void SetModified(bool flag) { modified = flag; }
  // The value to write, a copy the caller owns, converted to the row's type.
  virtual HRESULT GetValue(com::Variant& out) const;
  virtual LONG GetCategory() const { return category; }
  // Takes the other object's row for the same property; true when it matches, and the
  // row is then mixed when the texts differ.
  virtual bool MergeWith(const CProperty& other);
  // Appends the modified rows (this one and, for collections, their members') and
  // clears their marks.
  virtual void CollectPending(std::vector<CProperty*>& pending);
  // Re-reads the value from the row's object; false when the read fails.
  virtual bool Refresh();

  bool IsReadOnly() const { return readOnly_; }
  bool Refreshes() const { return refresh_; }
  VARTYPE Type() const { return vt; }
  const com::Variant& Remembered() const { return remembered_; }

  VARTYPE vt = VT_BSTR;
  DWORD helpContext = 0;
  LONG category = PROPCAT_Misc;
  bool mixed = false;
  // From an edited control to the row's object; empty for the control's own rows.
  MemberPath path;

 protected:
  // Base text conversion of a value; false when the value has no text.
  static bool TextOf(const VARIANT& value, QString& text);
  bool IsIndexRow() const { return name == QLatin1String("Index"); }
  // The text of the remembered value, not modified.
  void ShowRemembered();

  DISPID dispid_;
  IDispatch* object_;  // not owned: the page holds the objects
  bool refresh_;
  bool readOnly_ = false;
  com::Variant remembered_;
};

class CPropertyRO final : public CProperty {
 public:
  CPropertyRO(DISPID id, int level, IDispatch* object, bool refresh);
  const char* ClassName() const override { return "CPropertyRO"; }
  bool SetText(const QString&) override { return false; }
  void Revert() override {}
};

class CPropertyWithButton : public CProperty {
 public:
  CPropertyWithButton(DISPID id, int level, IDispatch* object, bool refresh);
  const char* ClassName() const override { return "CPropertyWithButton"; }
};

class CAboutBoxProperty final : public CPropertyWithButton {
 public:
  explicit CAboutBoxProperty(IDispatch* object);
  const char* ClassName() const override { return "CAboutBoxProperty"; }
  void DoDefault(RowHost& host) override;
  bool PressButton(RowHost& host) override;
  bool SetText(const QString&) override { return false; }
  void Revert() override {}
  void SetModified(bool) override { modified = false; }
  bool MergeWith(const CProperty&) override { return false; }
};

class CBoolProperty final : public CPropertyWithButton {
 public:
  CBoolProperty(DISPID id, int level, IDispatch* object, bool refresh);
  const char* ClassName() const override { return "CBoolProperty"; }
  void SetValue(const VARIANT& value) override;
  HRESULT GetValue(com::Variant& out) const override;
  void DoDefault(RowHost& host) override;
  bool SetText(const QString& text) override;
  QStringList Entries() const override;
};

// Entries are "<value> - <name>"; the current one is kept by its position, and its
// value is the number of the entry.
class CEnumProperty : public CPropertyWithButton {
 public:
  struct Entry {
    LONG value;
    QString text;
  };
  CEnumProperty(DISPID id, int level, IDispatch* object, bool refresh, std::vector<Entry> entries);
  const char* ClassName() const override { return "CEnumProperty"; }
  void SetValue(const VARIANT& value) override;
  HRESULT GetValue(com::Variant& out) const override;
  void DoDefault(RowHost& host) override;
  bool SetText(const QString& text) override;
  bool MergeWith(const CProperty& other) override;
  QStringList Entries() const override;
  // The position of the current entry, -1 when the value matches none.
  int Current() const { return current_; }

 protected:
  void Select(int position);
  std::vector<Entry> entries_;
  int current_ = -1;
};

// Free text with suggestions.
class CComboProperty final : public CEnumProperty {
 public:
  CComboProperty(DISPID id, int level, IDispatch* object, bool refresh, QStringList suggestions);
  const char* ClassName() const override { return "CComboProperty"; }
  void SetValue(const VARIANT& value) override { CProperty::SetValue(value); }
  HRESULT GetValue(com::Variant& out) const override { return CProperty::GetValue(out); }
  bool SetText(const QString& text) override { return CProperty::SetText(text); }
  void DoDefault(RowHost&) override;
  bool MergeWith(const CProperty&) override { return false; }
};

// An enumeration counted from a base through the control's private interfaces.
class CCustomEnumProperty final : public CEnumProperty {
 public:
  CCustomEnumProperty(DISPID id, int level, IDispatch* object, bool refresh,
                      com::Ref<ctl::IListBarPropertyStrings> strings,
                      com::Ref<ctl::IListBarCustomEnum> enumeration, LONG base);
  const char* ClassName() const override { return "CCustomEnumProperty"; }
  bool MergeWith(const CProperty&) override { return false; }
  // Re-reads the entries and the current value; false when the control refuses.
  bool RefreshValues();
  bool Refresh() override { return RefreshValues(); }
  // Writes the chosen value through the private interface of `control`.
  HRESULT Apply(IUnknown* control) const;

 private:
  com::Ref<ctl::IListBarPropertyStrings> strings_;
  com::Ref<ctl::IListBarCustomEnum> enumeration_;
  LONG base_;
};

class CColorProperty final : public CPropertyWithButton {
 public:
  using CPropertyWithButton::CPropertyWithButton;
  const char* ClassName() const override { return "CColorProperty"; }
  void SetValue(const VARIANT& value) override;
  HRESULT GetValue(com::Variant& out) const override;
  bool SetText(const QString& text) override;
  void DoDefault(RowHost& host) override { PressButton(host); }
  bool PressButton(RowHost& host) override;
  OLE_COLOR Color() const { return color_; }

  static QString FormatColor(OLE_COLOR color);
  // A typed colour: "&H<hex>&" or a decimal number; false when it is neither.
  static bool ParseColor(const QString& text, OLE_COLOR& color);

 private:
  OLE_COLOR color_ = 0;
};

class CPictureProperty : public CPropertyWithButton {
 public:
  CPictureProperty(DISPID id, int level, IDispatch* object, bool refresh);
  const char* ClassName() const override { return "CPictureProperty"; }
  void SetValue(const VARIANT& value) override;
  HRESULT GetValue(com::Variant& out) const override;
  // No text clears the picture; any other text is ignored.
  bool SetText(const QString& text) override;
  void DoDefault(RowHost& host) override { PressButton(host); }
  bool PressButton(RowHost& host) override;
  void Revert() override { Refresh(); }
  IPicture* Picture() const { return picture_.get(); }

  static QString TextOfType(SHORT type);

 private:
  void Take(com::Ref<IPicture> picture);
  com::Ref<IPicture> picture_;
};

class CFontProperty final : public CPropertyWithButton {
 public:
  CFontProperty(DISPID id, int level, IDispatch* object, bool refresh);
  const char* ClassName() const override { return "CFontProperty"; }
  void SetValue(const VARIANT& value) override;
  // A clone of the held font with the edited attributes.
  HRESULT GetValue(com::Variant& out) const override;
  bool SetText(const QString&) override { return false; }
  void DoDefault(RowHost& host) override { PressButton(host); }
  bool PressButton(RowHost& host) override;
  const QFont& Font() const { return font_; }

  static QString FormatFontText(const QFont& font);

 private:
  com::Ref<IFont> held_;
  QFont font_;
};

// A category header of the categorized view.
class CExpandableItem final : public CListBoxItem {
 public:
  explicit CExpandableItem(LONG categoryId);
  const char* ClassName() const override { return "CExpandableItem"; }
  bool IsExpanded() const override { return expanded; }
  void DoDefault(RowHost& host) override;
  bool IsSame(const CListBoxItem& other) const override;

  LONG category;
  bool expanded = false;
};

class CExpandableCollectionItem final : public CListBoxItem {
 public:
  CExpandableCollectionItem(CCollectionProperty& owner, int index);
  const char* ClassName() const override { return "CExpandableCollectionItem"; }
  bool IsExpanded() const override { return expanded; }
  void DoDefault(RowHost& host) override;
  int GetMemberIndex() const override { return index_; }
  bool IsSame(const CListBoxItem& other) const override;
  void AppendVisible(std::vector<CListBoxItem*>& out) const override;

  CCollectionProperty& Owner() const { return owner_; }
  // The element's object (held) and its property rows.
  com::Ref<IDispatch> object;
  RowList rows;
  bool expanded = false;

 private:
  friend class CCollectionProperty;
  CCollectionProperty& owner_;
  int index_;
};

// A collection-valued property: one member row per element, each expanding into the
// element's properties.
class CCollectionProperty final : public CProperty {
 public:
  CCollectionProperty(com::Ref<IDispatch> collection, DISPID id, int level, IDispatch* object,
                      bool refresh);
  const char* ClassName() const override { return "CCollectionProperty"; }
  bool IsExpanded() const override { return expanded; }
  void DoDefault(RowHost& host) override;
  bool SetText(const QString&) override { return false; }
  void Revert() override {}
  void SetValue(const VARIANT&) override { modified = false; }
  bool Refresh() override;
  bool IsSame(const CListBoxItem& other) const override;
  void CollectPending(std::vector<CProperty*>& pending) override;
  void AppendVisible(std::vector<CListBoxItem*>& out) const override;

  // A new member for an element; its rows are the caller's to fill. Members are named
  // "<name>(<n>)", n counting from 1 ("Panes" from 0).
  CExpandableCollectionItem& AddMember();
  int MemberCount() const { return static_cast<int>(members_.size()); }
  CExpandableCollectionItem& Member(int index) const { return *members_[index]; }
  // The expanded members, counted from the tree.
  int ExpandedMembers() const;
  // The rows shown below this one while expanded.
  int CountVisibleRows() const;
  bool ContainsRow(const CListBoxItem& row) const;
  IDispatch* Collection() const { return collection_.get(); }
  // Calls "InternalAdd" (-1); true on success.
  bool AddItem(RowHost& host);
  // Calls "Remove" with a 1-based position and renumbers the later members' "Index"
  // rows; false, with nothing changed, when the call fails.
  bool RemoveItem(RowHost& host, int index);

  // Names the members after the collection: "<name>(<n>)".
  void NameMembers();

  bool expanded = false;

 private:
  com::Ref<IDispatch> collection_;
  std::vector<std::unique_ptr<CExpandableCollectionItem>> members_;
};

// The texts the control offers for a property (the task memory freed); false when it
// offers none.
bool PredefinedStrings(ctl::IListBarPropertyStrings* strings, DISPID id, QStringList& out);

// Calls a one-parameter method of a collection found by name, checked against its type
// information; false when the lookup, the check or the call fails.
bool CallCollectionMethod(IDispatch* collection, const QString& name, SHORT argument);

}  // namespace qvp
