#pragma once
// The page table: the nine property pages of the library, in table order, ended by a
// terminator. A page keeps its table index for life; its dialog, title, doc string and
// help are looked up here.

#include <optional>
#include <span>

#include "platform/com/Types.h"

struct IUnknown;

namespace qvp {

inline constexpr WORD kKindPropertyPage = 3;
inline constexpr WORD kKindEnd = 0xFFFF;

inline constexpr GUID kLibidQVProp = com::MakeGuid("9ECCBE6E-4838-4971-966D-03C4A5A20D9A");
inline constexpr WORD kLibVersionMajor = 1;
inline constexpr WORD kLibVersionMinor = 0;

struct PageEntry {
  WORD kind;
  CLSID clsid;
  const char* objectName;  // the display name is "<objectName> Object"
  const char* label;       // an explicit display name, or null
  bool apartment;          // ThreadingModel "Apartment"
  // Answers the requested interface of a new page (as com::CreateAs does).
  HRESULT (*create)(IUnknown* outer, REFIID iid, void** out);
  WORD dialog;
  WORD title;
  WORD docString;
  const char* helpFile;
  DWORD helpContext;
};

// The nine pages followed by the terminator (kind kKindEnd).
extern const PageEntry PageObjectTable[];
inline constexpr int kPageCount = 9;

// The nine entries, without the terminator.
std::span<const PageEntry> Pages();
// The index of the entry with that class id.
std::optional<int> FindPage(REFCLSID clsid);

}  // namespace qvp
