#pragma once
// The property browser: every readable property of the edited list-bar controls as a
// name|value row, alphabetically or under collapsible category headers. Changes stay
// pending in the rows until Apply writes each changed value to every edited control
// (DISPATCH_PROPERTYPUT); the controls' change notifications update the rows. With
// several controls only the properties all of them have are listed, and a member row
// of a collection writes to the same member of each control. Values are read through
// properties and property gets only: methods are never called to read one. The rows
// are read again whenever the set of objects changes, and go with the dialog.
// UI thread only.

#include <QPointer>
#include <array>
#include <memory>
#include <optional>
#include <set>
#include <vector>

#include "proppages/CQVPropPageBase.h"
#include "proppages/PropertyList.h"
#include "proppages/PropertyRows.h"

namespace qvp {

class NotifyForwarder;

inline constexpr IID IID_ICategorizeProperties =
    com::MakeGuid("4D07FC10-F931-11CE-B001-00AA006884E5");

struct ICategorizeProperties : IUnknown {
  virtual HRESULT MapPropertyToCategory(DISPID id, LONG* category) = 0;
  virtual HRESULT GetCategoryName(LONG category, LCID lcid, BSTR* name) = 0;

 protected:
  ~ICategorizeProperties() = default;
};

// The categories of the categorized view: the eleven standard ones, then up to twenty
// that objects name, kept sorted by name with the unused slots last.
class CategoryTable {
 public:
  static constexpr int kSize = 31;
  struct Entry {
    LONG id = 0;
    QString name;
  };
  CategoryTable();
  bool Contains(LONG id) const;
  // Adds a category unless known or the table is full; false when it was dropped.
  bool Add(LONG id, const QString& name);
  const std::array<Entry, kSize>& Entries() const { return entries_; }

 private:
  std::array<Entry, kSize> entries_;
  int used_ = 0;
};

// The deepest nesting of collections read into rows.
inline constexpr int kMaxCollectionDepth = 4;

// A member's rows; none without a member.
const RowList& RowsOf(const CExpandableCollectionItem* member);
// The first row of that name, or null.
CListBoxItem* FindRow(const RowList& rows, const QString& name);
// The combo entry of a collection member: its "Index" text, " - ", then the text of the
// row named `textRow`, or `empty` when that text is empty. Nothing without an "Index" row.
std::optional<QString> MemberEntry(const RowList& rows, const char* textRow, const char* empty);

class CQVPropertyPage : public CQVPropPageBase, public PropertyListHost {
 public:
  HRESULT OnHelp(LPCOLESTR helpDir) override;
  HRESULT OnPropertyChanged(DISPID id) override;
  HRESULT OnPropertyRequestEdit(DISPID id) override;

  // The list while the page is shown, else null.
  PropertyListView* List() const { return list_; }
  // The top-level rows, sorted by name.
  const RowList& Rows() const { return rows_; }
  bool Categorized() const { return categorized_; }

  // PropertyListHost
  void RowChanged(CListBoxItem& row) override;
  void ListActivated() override { Activated(); }
  void ExpansionChanged(CListBoxItem& row) override;
  void MarkDirty() override { MakeDirty(); }
  void RunValueDialog(const std::function<void()>& run) override { Modal(run, true); }
  QWidget* DialogOwner() override { return Dialog(); }

 protected:
  CQVPropertyPage(IUnknown* outer, int index, bool categorized);
  ~CQVPropertyPage() override;

  void BuildDialog(QWidget* dialog) override;
  bool DialogProc(UINT message, WPARAM wParam, LPARAM lParam) override;
  HRESULT OnNewObjects() override;
  HRESULT OnApply() override;
  // Apply writes or reverts every pending row, failed or not.
  bool ChangesLeftAfterFailedApply() const override { return false; }

  // For the pages that edit the members of one control's collections; their rows write
  // to the member they were read from.
  // The control's collection property `name` with every member's rows; null when the
  // control has none.
  std::unique_ptr<CCollectionProperty> ReadCollection(IDispatch* control, const QString& name);
  // Reads a member's rows again from its element, sorted by name; a collection row shows
  // "Count: n".
  void ReadMemberRows(CExpandableCollectionItem& member);
  // After an add: a member for the collection's new last element; false without one.
  bool AppendLastMember(CCollectionProperty& collection);
  // Lists a member's rows (those `keep` accepts), read again; nothing without a member.
  void ShowMemberRows(PropertyListView& list, CExpandableCollectionItem* member,
                      bool (*keep)(const CListBoxItem&) = nullptr);
  // Adds the pending rows among `rows` and their members' to `pending`, their marks cleared.
  static void CollectPending(const RowList& rows, std::vector<CProperty*>& pending);
  // Writes the pending rows in DISPID order, marked applying, skipping those that went
  // meanwhile; S_OK or the last failure.
  HRESULT WritePending(std::vector<CProperty*> pending);
  // The list that shows a row, where a failed write selects it.
  virtual PropertyListView* ListOf(const CListBoxItem&) const { return list_; }

 private:
  class Control;

  void Reset();
  // Reads one object's properties into `out`.
  void AddObjectProperties(IDispatch* object, RowList& out, int level, const MemberPath& path,
                           int depth);
  void WalkType(ITypeInfo* type, IDispatch* object, RowList& out, int level,
                const MemberPath& path, int depth, int baseDepth);
  void AddMember(ITypeInfo* type, MEMBERID id, const TYPEDESC& declared, bool writable,
                 IDispatch* object, RowList& out, int level, const MemberPath& path, int depth);
  RowPtr AddObjectRow(IDispatch* object, DISPID id, const com::Variant& value, int level,
                      const MemberPath& path, int depth);
  RowPtr AddCustomEnumRow(IDispatch* object, DISPID id, int level);
  RowPtr AddComboRow(IDispatch* object, DISPID id, int level);
  void AddExtenderProperties(IDispatch* extender, RowList& out);
  // Name, help context and (categorized) category of a member; false without a name.
  bool ReadMemberInfo(ITypeInfo* type, MEMBERID id, IDispatch* object, CProperty& row);
  void SortRows();
  // The object that a row writes to for one control.
  com::Ref<IDispatch> TargetOf(const CProperty& row, const Control& control) const;
  HRESULT ApplyRow(CProperty& row);
  // The failed write's error box; true when the user stops the writes to the other
  // controls. `control` null: the one object's form.
  bool ReportWriteFailure(const CProperty& row, const Control* control);
  void RebuildCollection(DISPID id);
  // Lists the rows as the view shows them, keeping the current row.
  void FillList();
  std::vector<CListBoxItem*> VisibleRows() const;
  void Activated();

  bool categorized_;
  std::vector<std::unique_ptr<Control>> controls_;
  std::vector<IUnknown*> builtFor_;  // the objects the rows were built for (not held)
  RowList rows_;
  RowList headers_;  // categorized view
  CategoryTable categories_;
  QPointer<PropertyListView> list_;  // gone with the dialog, whoever deletes it
  com::Ref<NotifyForwarder> sink_;
  bool applying_ = false;  // while pending rows are written
  std::set<DISPID> changedDuringApply_;
  bool refreshPending_ = false;
  bool helpFileKnown_ = false;
  QString helpFile_;
};

class CQVPropertyPageAlphabetic final : public CQVPropertyPage {
 public:
  explicit CQVPropertyPageAlphabetic(IUnknown* outer) : CQVPropertyPage(outer, 0, false) {}
  static HRESULT Create(IUnknown* outer, REFIID iid, void** out) {
    return CreatePage<CQVPropertyPageAlphabetic>(outer, iid, out);
  }
};

class CQVPropertyPageCategoric final : public CQVPropertyPage {
 public:
  explicit CQVPropertyPageCategoric(IUnknown* outer) : CQVPropertyPage(outer, 1, true) {}
  static HRESULT Create(IUnknown* outer, REFIID iid, void** out) {
    return CreatePage<CQVPropertyPageCategoric>(outer, iid, out);
  }
};

}  // namespace qvp
