#pragma once
// The properties of the members of the control's collections (tabs, groups, list
// items) as name|value rows, for the Tabs and Groups/Lists pages: reading them from a
// member's type information, the collection calls ("_NewEnum", "InternalAdd",
// "Remove"), the combo entry of a member, writing a changed row back, and the list
// that shows and edits the rows.

#include <QString>
#include <QTableWidget>
#include <functional>
#include <optional>
#include <vector>

#include "platform/com/Dispatch.h"

namespace qvp {

struct MemberRow {
  QString name;
  DISPID id = DISPID_UNKNOWN;
  VARTYPE vt = VT_EMPTY;  // the declared type
  bool readOnly = false;
  DWORD helpContext = 0;
  QString text;  // the value as shown
  bool modified = false;
  com::Ref<IDispatch> object;      // the member the row belongs to
  com::Ref<IDispatch> collection;  // a collection-valued property: the collection
  int count = 0;                   // and its number of members
};
using MemberRows = std::vector<MemberRow>;

// The readable, visible properties of the object, sorted by name. A property whose
// value is a collection (its "_NewEnum" has DISPID -4) shows "Count: n".
MemberRows ReadMemberRows(IDispatch* object);
const MemberRow* FindRow(const MemberRows& rows, const QString& name);
// The combo entry of a member: its "Index" text, " - ", then the text of the row named
// `textRow`, or `empty` when that text is empty. Nothing without an "Index" row.
std::optional<QString> ComboEntry(const MemberRows& rows, const char* textRow, const char* empty);

// The members of a collection in enumeration order; empty when its "_NewEnum" is
// missing, not DISPID -4, or gives no enumerator.
std::vector<com::Ref<IDispatch>> CollectionMembers(IDispatch* collection);
// "InternalAdd" with the 16-bit -1, and "Remove" of a 1-based position.
HRESULT CollectionAdd(IDispatch* collection, EXCEPINFO* excep);
HRESULT CollectionRemove(IDispatch* collection, int position, EXCEPINFO* excep);

// Writes a changed row to its object: its text as the declared type, a property put.
// A text that cannot be given as that type says "<name> : Invalid value."; a refused
// write "<name> : <description>." or "<name> : Illegal value."; both under "Error
// Setting Property". The row's mark is cleared on success.
HRESULT WriteRow(MemberRow& row, EXCEPINFO* excep);

// The name|value list of a member's rows: the divider at half the width, writable
// values edited in place. Rows are held by the caller and must outlive their showing.
class MemberList final : public QTableWidget {
 public:
  MemberList(const char* id, QWidget* parent);
  // Shows the rows (those `keep` accepts; all without it).
  void Show(MemberRows* rows, const std::function<bool(const MemberRow&)>& keep = {});
  // The row shown on a line, or null.
  MemberRow* RowAt(int line) const;
  MemberRow* CurrentRow() const { return RowAt(currentRow()); }
  // Selects the line that shows the row.
  void SelectRow(const MemberRow* row);
  // Called after the user changed a row's value.
  std::function<void(MemberRow& row)> onEdited;

 protected:
  void resizeEvent(QResizeEvent* event) override;

 private:
  std::vector<MemberRow*> shown_;
  bool filling_ = false;
};

}  // namespace qvp
