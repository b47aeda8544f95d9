#pragma once
// VARIANT: a tagged value passed through automation calls, and `com::Variant`, an owner
// over one. The union member that matches `vt` is the only one ever read. A VARIANT owns
// its BSTR and holds a reference on its object; VariantClear frees them. By-reference
// variants (VT_BYREF) own nothing. Arrays, records and decimals are not supported: they
// answer DISP_E_BADVARTYPE. Not thread-safe (values live on one thread).

#include <QString>

#include "platform/com/Memory.h"
#include "platform/com/Types.h"

struct IUnknown;
struct IDispatch;

enum : VARTYPE {
  VT_EMPTY = 0,
  VT_NULL = 1,
  VT_I2 = 2,
  VT_I4 = 3,
  VT_R4 = 4,
  VT_R8 = 5,
  VT_CY = 6,
  VT_DATE = 7,
  VT_BSTR = 8,
  VT_DISPATCH = 9,
  VT_ERROR = 10,
  VT_BOOL = 11,
  VT_VARIANT = 12,
  VT_UNKNOWN = 13,
  VT_I1 = 16,
  VT_UI1 = 17,
  VT_UI2 = 18,
  VT_UI4 = 19,
  VT_I8 = 20,
  VT_UI8 = 21,
  VT_INT = 22,
  VT_UINT = 23,
  VT_VOID = 24,
  VT_HRESULT = 25,
  VT_PTR = 26,
  VT_USERDEFINED = 29,
  VT_ARRAY = 0x2000,
  VT_BYREF = 0x4000,
  VT_TYPEMASK = 0x0FFF,
};

// Flags of VariantChangeType.
inline constexpr USHORT VARIANT_NOVALUEPROP = 0x01;
inline constexpr USHORT VARIANT_ALPHABOOL = 0x02;

struct VARIANT {
  VARTYPE vt;
  WORD wReserved1;
  WORD wReserved2;
  WORD wReserved3;
  union {
    LONGLONG llVal;
    ULONGLONG ullVal;
    LONG lVal;
    ULONG ulVal;
    INT intVal;
    UINT uintVal;
    SHORT iVal;
    USHORT uiVal;
    CHAR cVal;
    BYTE bVal;
    FLOAT fltVal;
    DOUBLE dblVal;
    VARIANT_BOOL boolVal;
    SCODE scode;
    CY cyVal;
    DATE date;
    BSTR bstrVal;
    IUnknown* punkVal;
    IDispatch* pdispVal;
    void* byref;
    LONG* plVal;
    SHORT* piVal;
    VARIANT_BOOL* pboolVal;
    BSTR* pbstrVal;
    IUnknown** ppunkVal;
    IDispatch** ppdispVal;
    VARIANT* pvarVal;
  };
};
using VARIANTARG = VARIANT;

// Sets VT_EMPTY without freeing anything.
void VariantInit(VARIANT* v);
// Frees what the value owns and leaves VT_EMPTY; DISP_E_BADVARTYPE (value untouched) for
// an unsupported type.
HRESULT VariantClear(VARIANT* v);
// A deep copy (new BSTR, added reference) into dest, which is cleared first.
HRESULT VariantCopy(VARIANT* dest, const VARIANT* src);
// A copy with one level of VT_BYREF followed.
HRESULT VariantCopyInd(VARIANT* dest, const VARIANT* src);
// Converts src to type vt into dest (dest may be src). Numbers convert between each
// other with banker's rounding, DISP_E_OVERFLOW when out of range; VT_BOOL is -1 or 0
// (any non-zero number is true; true is every bit set in an unsigned type); texts are numbers in
// the C locale ("&H" for hex integers) or "True"/"False"; VT_EMPTY gives 0, "" or false; VT_NULL
// converts only to itself; an object gives its value property (DISPID 0) unless
// VARIANT_NOVALUEPROP. On failure dest is left as it was.
HRESULT VariantChangeType(VARIANT* dest, const VARIANT* src, USHORT flags, VARTYPE vt);

namespace com {

// Numbers, booleans and texts: the types VariantChangeType converts between.
bool IsPlainType(VARTYPE vt);

// An owned VARIANT: cleared on destruction, deep-copied on copy.
class Variant {
 public:
  Variant() { VariantInit(&v_); }
  Variant(const Variant& other);
  Variant(Variant&& other) noexcept;
  Variant& operator=(Variant other) noexcept;
  ~Variant() { VariantClear(&v_); }

  static Variant I2(SHORT value);
  static Variant I4(LONG value);
  static Variant UI4(ULONG value);
  static Variant R8(DOUBLE value);
  static Variant Bool(bool value);
  static Variant Text(const QString& text);
  static Variant Text(std::u16string_view text);
  // Takes a reference on the object (null allowed).
  static Variant Dispatch(IDispatch* object);
  static Variant Unknown(IUnknown* object);
  static Variant Error(SCODE code);
  // An omitted optional argument.
  static Variant Missing() { return Error(DISP_E_PARAMNOTFOUND); }

  VARTYPE Type() const { return v_.vt; }
  const VARIANT& Get() const { return v_; }
  VARIANT* Ptr() { return &v_; }
  // Clears the value and returns the empty VARIANT for a call to fill.
  VARIANT* Out();
  // Gives up ownership; this becomes empty.
  VARIANT Detach();
  HRESULT ChangeType(VARTYPE vt, USHORT flags = 0) {
    return VariantChangeType(&v_, &v_, flags, vt);
  }
  // The value as text (VT_BSTR conversion); empty when it has none.
  QString ToString() const;

 private:
  VARIANT v_;
};

}  // namespace com
