#pragma once
// The scalar types, result codes and GUIDs of the component frame that the property-page
// library is built on. Only the names, codes and identifiers that the pages use are here.
// Text at interfaces is UTF-16 (OLECHAR = char16_t). Plain data: thread-safe to read.

#include <cstdint>
#include <optional>
#include <string>
#include <string_view>

using BYTE = std::uint8_t;
using WORD = std::uint16_t;
using DWORD = std::uint32_t;
using CHAR = char;
using SHORT = std::int16_t;
using USHORT = std::uint16_t;
using INT = std::int32_t;
using UINT = std::uint32_t;
using LONG = std::int32_t;
using ULONG = std::uint32_t;
using LONGLONG = std::int64_t;
using ULONGLONG = std::uint64_t;
using FLOAT = float;
using DOUBLE = double;
using BOOL = std::int32_t;
using HRESULT = std::int32_t;
using SCODE = std::int32_t;
using LCID = std::uint32_t;
using DISPID = std::int32_t;
using MEMBERID = DISPID;
using VARTYPE = std::uint16_t;
using VARIANT_BOOL = std::int16_t;
using DATE = double;
using OLE_COLOR = std::uint32_t;
using OLECHAR = char16_t;
using LPOLESTR = OLECHAR*;
using LPCOLESTR = const OLECHAR*;
// A length-prefixed UTF-16 string owned by the frame's allocator (see Memory.h).
using BSTR = OLECHAR*;

#ifndef TRUE
inline constexpr BOOL TRUE = 1;
#endif
#ifndef FALSE
inline constexpr BOOL FALSE = 0;
#endif
inline constexpr VARIANT_BOOL VARIANT_TRUE = -1;
inline constexpr VARIANT_BOOL VARIANT_FALSE = 0;

// Currency: a 64-bit integer scaled by 10000.
struct CY {
  LONGLONG int64;
  bool operator==(const CY&) const = default;
};

constexpr bool SUCCEEDED(HRESULT hr) { return hr >= 0; }
constexpr bool FAILED(HRESULT hr) { return hr < 0; }

constexpr HRESULT MakeHresult(std::uint32_t bits) { return static_cast<HRESULT>(bits); }

inline constexpr HRESULT S_OK = 0;
inline constexpr HRESULT S_FALSE = 1;
inline constexpr HRESULT E_NOTIMPL = MakeHresult(0x80004001u);
inline constexpr HRESULT E_NOINTERFACE = MakeHresult(0x80004002u);
inline constexpr HRESULT E_POINTER = MakeHresult(0x80004003u);
inline constexpr HRESULT E_ABORT = MakeHresult(0x80004004u);
inline constexpr HRESULT E_FAIL = MakeHresult(0x80004005u);
inline constexpr HRESULT E_UNEXPECTED = MakeHresult(0x8000FFFFu);
inline constexpr HRESULT E_ACCESSDENIED = MakeHresult(0x80070005u);
inline constexpr HRESULT E_HANDLE = MakeHresult(0x80070006u);
inline constexpr HRESULT E_OUTOFMEMORY = MakeHresult(0x8007000Eu);
inline constexpr HRESULT E_INVALIDARG = MakeHresult(0x80070057u);
inline constexpr HRESULT CLASS_E_NOAGGREGATION = MakeHresult(0x80040110u);
inline constexpr HRESULT CLASS_E_CLASSNOTAVAILABLE = MakeHresult(0x80040111u);
inline constexpr HRESULT CONNECT_E_NOCONNECTION = MakeHresult(0x80040200u);
inline constexpr HRESULT CONNECT_E_CANNOTCONNECT = MakeHresult(0x80040202u);
inline constexpr HRESULT SELFREG_E_TYPELIB = MakeHresult(0x80040200u);
inline constexpr HRESULT SELFREG_E_CLASS = MakeHresult(0x80040201u);
inline constexpr HRESULT DISP_E_UNKNOWNINTERFACE = MakeHresult(0x80020001u);
inline constexpr HRESULT DISP_E_MEMBERNOTFOUND = MakeHresult(0x80020003u);
inline constexpr HRESULT DISP_E_PARAMNOTFOUND = MakeHresult(0x80020004u);
inline constexpr HRESULT DISP_E_TYPEMISMATCH = MakeHresult(0x80020005u);
inline constexpr HRESULT DISP_E_UNKNOWNNAME = MakeHresult(0x80020006u);
inline constexpr HRESULT DISP_E_NONAMEDARGS = MakeHresult(0x80020007u);
inline constexpr HRESULT DISP_E_BADVARTYPE = MakeHresult(0x80020008u);
inline constexpr HRESULT DISP_E_EXCEPTION = MakeHresult(0x80020009u);
inline constexpr HRESULT DISP_E_OVERFLOW = MakeHresult(0x8002000Au);
inline constexpr HRESULT DISP_E_BADINDEX = MakeHresult(0x8002000Bu);
inline constexpr HRESULT DISP_E_BADPARAMCOUNT = MakeHresult(0x8002000Eu);
inline constexpr HRESULT DISP_E_PARAMNOTOPTIONAL = MakeHresult(0x8002000Fu);
inline constexpr HRESULT TYPE_E_ELEMENTNOTFOUND = MakeHresult(0x8002802Bu);
inline constexpr HRESULT TYPE_E_LIBNOTREGISTERED = MakeHresult(0x8002801Du);
inline constexpr HRESULT TYPE_E_CANTLOADLIBRARY = MakeHresult(0x80029C4Au);
inline constexpr HRESULT STG_E_INVALIDFUNCTION = MakeHresult(0x80030001u);
inline constexpr HRESULT STG_E_INVALIDPOINTER = MakeHresult(0x80030009u);
inline constexpr HRESULT STG_E_MEDIUMFULL = MakeHresult(0x80030070u);
inline constexpr HRESULT CTL_E_INVALIDPICTURE = MakeHresult(0x800A01E1u);
inline constexpr HRESULT RPC_E_WRONG_THREAD = MakeHresult(0x8001010Eu);

struct GUID {
  std::uint32_t Data1 = 0;
  std::uint16_t Data2 = 0;
  std::uint16_t Data3 = 0;
  std::uint8_t Data4[8] = {};
  bool operator==(const GUID&) const = default;
  auto operator<=>(const GUID&) const = default;
};
using IID = GUID;
using CLSID = GUID;
using REFIID = const IID&;
using REFCLSID = const CLSID&;
using REFGUID = const GUID&;

inline bool IsEqualGUID(REFGUID a, REFGUID b) { return a == b; }
inline constexpr GUID GUID_NULL{};

namespace com {

// Reads "{XXXXXXXX-XXXX-XXXX-XXXX-XXXXXXXXXXXX}" (hex digits of either case, braces
// required); nothing on any other text.
std::optional<GUID> ParseGuid(std::string_view text);
// The braced form in capitals, as registration writes it.
std::string FormatGuid(REFGUID guid);

// Reads the unbraced form "XXXXXXXX-XXXX-XXXX-XXXX-XXXXXXXXXXXX"; false when malformed.
constexpr bool GuidFromText(std::string_view t, GUID& g) {
  if (t.size() != 36) return false;
  for (std::size_t i = 0; i < t.size(); ++i) {
    const bool dash = i == 8 || i == 13 || i == 18 || i == 23;
    const char c = t[i];
    const bool hex = (c >= '0' && c <= '9') || (c >= 'a' && c <= 'f') || (c >= 'A' && c <= 'F');
    if (dash ? c != '-' : !hex) return false;
  }
  auto hex = [&](std::size_t from, std::size_t digits) {
    std::uint32_t v = 0;
    for (std::size_t i = from; i < from + digits; ++i) {
      const char c = t[i];
      v = v * 16 + static_cast<std::uint32_t>(c <= '9' ? c - '0' : (c | 0x20) - 'a' + 10);
    }
    return v;
  };
  g.Data1 = hex(0, 8);
  g.Data2 = static_cast<std::uint16_t>(hex(9, 4));
  g.Data3 = static_cast<std::uint16_t>(hex(14, 4));
  g.Data4[0] = static_cast<std::uint8_t>(hex(19, 2));
  g.Data4[1] = static_cast<std::uint8_t>(hex(21, 2));
  for (std::size_t i = 0; i < 6; ++i)
    g.Data4[2 + i] = static_cast<std::uint8_t>(hex(24 + 2 * i, 2));
  return true;
}

// Compile-time GUID from the unbraced text form; a malformed literal does not compile.
consteval GUID MakeGuid(const char (&t)[37]) {
  GUID g;
  if (!GuidFromText(std::string_view(t, 36), g)) throw "malformed GUID literal";
  return g;
}

}  // namespace com

inline constexpr IID IID_IUnknown = com::MakeGuid("00000000-0000-0000-C000-000000000046");
inline constexpr IID IID_IClassFactory = com::MakeGuid("00000001-0000-0000-C000-000000000046");
inline constexpr IID IID_IStream = com::MakeGuid("0000000C-0000-0000-C000-000000000046");
inline constexpr IID IID_ISequentialStream = com::MakeGuid("0C733A30-2A1C-11CE-ADE5-00AA0044773D");
inline constexpr IID IID_IDispatch = com::MakeGuid("00020400-0000-0000-C000-000000000046");
inline constexpr IID IID_ITypeInfo = com::MakeGuid("00020401-0000-0000-C000-000000000046");
inline constexpr IID IID_ITypeLib = com::MakeGuid("00020402-0000-0000-C000-000000000046");
inline constexpr IID IID_IEnumVARIANT = com::MakeGuid("00020404-0000-0000-C000-000000000046");
inline constexpr IID IID_IConnectionPointContainer =
    com::MakeGuid("B196B284-BAB4-101A-B69C-00AA00341D07");
inline constexpr IID IID_IConnectionPoint = com::MakeGuid("B196B286-BAB4-101A-B69C-00AA00341D07");
inline constexpr IID IID_IPropertyNotifySink =
    com::MakeGuid("9BFBBC02-EFF1-101A-84ED-00AA00341D07");
inline constexpr IID IID_IPicture = com::MakeGuid("7BF80980-BF32-101A-8BBB-00AA00300CAB");
inline constexpr IID IID_IPictureDisp = com::MakeGuid("7BF80981-BF32-101A-8BBB-00AA00300CAB");
inline constexpr IID IID_IFont = com::MakeGuid("BEF6E002-A874-101A-8BBA-00AA00300CAB");
inline constexpr IID IID_IFontDisp = com::MakeGuid("BEF6E003-A874-101A-8BBA-00AA00300CAB");
inline constexpr IID IID_IPropertyPage = com::MakeGuid("B196B28D-BAB4-101A-B69C-00AA00341D07");
inline constexpr IID IID_IPropertyPage2 = com::MakeGuid("01E44665-24AC-101B-84ED-08002B2EC713");
inline constexpr IID IID_IPropertyPageSite = com::MakeGuid("B196B28C-BAB4-101A-B69C-00AA00341D07");
inline constexpr IID IID_IOleObject = com::MakeGuid("00000112-0000-0000-C000-000000000046");
inline constexpr IID IID_IOleClientSite = com::MakeGuid("00000118-0000-0000-C000-000000000046");
inline constexpr IID IID_IOleControlSite = com::MakeGuid("B196B289-BAB4-101A-B69C-00AA00341D07");
inline constexpr IID IID_IOleInPlaceUIWindow =
    com::MakeGuid("00000115-0000-0000-C000-000000000046");
inline constexpr IID IID_IOleInPlaceFrame = com::MakeGuid("00000116-0000-0000-C000-000000000046");
inline constexpr IID IID_IOleInPlaceSiteWindowless =
    com::MakeGuid("922EADA0-3424-11CF-B670-00AA004CD6D8");
inline constexpr IID IID_IPersist = com::MakeGuid("0000010C-0000-0000-C000-000000000046");
inline constexpr IID IID_IPersistStreamInit = com::MakeGuid("7FD52380-4E07-101B-AE2D-08002B2EC713");
