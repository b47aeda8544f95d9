#include "platform/com/Variant.h"

#include <algorithm>
#include <cfenv>
#include <charconv>
#include <cmath>
#include <cstring>
#include <limits>
#include <string>

#include "platform/com/Interfaces.h"

namespace {

constexpr VARTYPE kNumericTypes[] = {VT_I2,  VT_I4,  VT_R4,  VT_R8, VT_CY,  VT_BOOL, VT_I1,
                                     VT_UI1, VT_UI2, VT_UI4, VT_I8, VT_UI8, VT_INT,  VT_UINT};

bool IsNumeric(VARTYPE vt) {
  return std::ranges::find(kNumericTypes, vt) != std::end(kNumericTypes);
}

bool IsSupported(VARTYPE vt) {
  const VARTYPE base = vt & ~VT_BYREF;
  const bool byRef = vt & VT_BYREF;
  if (base == VT_VARIANT) return byRef;  // a variant only ever points at another
  const bool known = IsNumeric(base) || base == VT_DATE || base == VT_BSTR || base == VT_DISPATCH ||
                     base == VT_ERROR || base == VT_UNKNOWN || base == VT_EMPTY || base == VT_NULL;
  return known && !(byRef && base <= VT_NULL);
}

// One level of VT_BYREF followed, as a shallow (non-owning) view.
HRESULT Deref(const VARIANT& in, VARIANT& out) {
  out = in;
  if (!(in.vt & VT_BYREF)) return S_OK;
  if (!in.byref) return E_INVALIDARG;
  const VARTYPE base = in.vt & ~VT_BYREF;
  out.vt = base;
  switch (base) {
    case VT_VARIANT: return Deref(*in.pvarVal, out);
    case VT_I2: out.iVal = *in.piVal; break;
    case VT_I4: out.lVal = *in.plVal; break;
    case VT_BOOL: out.boolVal = *in.pboolVal; break;
    case VT_BSTR: out.bstrVal = *in.pbstrVal; break;
    case VT_UNKNOWN: out.punkVal = *in.ppunkVal; break;
    case VT_DISPATCH: out.pdispVal = *in.ppdispVal; break;
    case VT_I1: out.cVal = *static_cast<CHAR*>(in.byref); break;
    case VT_UI1: out.bVal = *static_cast<BYTE*>(in.byref); break;
    case VT_UI2: out.uiVal = *static_cast<USHORT*>(in.byref); break;
    case VT_UI4: out.ulVal = *static_cast<ULONG*>(in.byref); break;
    case VT_INT: out.intVal = *static_cast<INT*>(in.byref); break;
    case VT_UINT: out.uintVal = *static_cast<UINT*>(in.byref); break;
    case VT_ERROR: out.scode = *static_cast<SCODE*>(in.byref); break;
    case VT_R4: out.fltVal = *static_cast<FLOAT*>(in.byref); break;
    case VT_R8: out.dblVal = *static_cast<DOUBLE*>(in.byref); break;
    case VT_DATE: out.date = *static_cast<DATE*>(in.byref); break;
    case VT_CY: out.cyVal = *static_cast<CY*>(in.byref); break;
    case VT_I8: out.llVal = *static_cast<LONGLONG*>(in.byref); break;
    case VT_UI8: out.ullVal = *static_cast<ULONGLONG*>(in.byref); break;
    default: return DISP_E_BADVARTYPE;
  }
  return S_OK;
}

// A number read from a VARIANT: an exact integer, or a real.
struct Number {
  bool isReal = false;
  bool isUnsigned = false;  // the integer is above the LONGLONG range
  LONGLONG i = 0;
  ULONGLONG u = 0;
  double r = 0;
};

double RoundEven(double r) {
  const int old = std::fegetround();
  std::fesetround(FE_TONEAREST);
  const double v = std::nearbyint(r);
  std::fesetround(old);
  return v;
}

bool IsUnsigned(VARTYPE vt) {
  return vt == VT_UI1 || vt == VT_UI2 || vt == VT_UI4 || vt == VT_UI8 || vt == VT_UINT;
}

Number ReadNumber(const VARIANT& v) {
  Number n;
  switch (v.vt) {
    case VT_I2: n.i = v.iVal; break;
    case VT_I4: n.i = v.lVal; break;
    case VT_INT: n.i = v.intVal; break;
    case VT_I1: n.i = v.cVal; break;
    case VT_UI1: n.i = v.bVal; break;
    case VT_UI2: n.i = v.uiVal; break;
    case VT_UI4: n.i = v.ulVal; break;
    case VT_UINT: n.i = v.uintVal; break;
    case VT_I8: n.i = v.llVal; break;
    case VT_BOOL: n.i = v.boolVal ? -1 : 0; break;
    case VT_UI8:
      if (v.ullVal > static_cast<ULONGLONG>(std::numeric_limits<LONGLONG>::max())) {
        n.isUnsigned = true;
        n.u = v.ullVal;
      } else {
        n.i = static_cast<LONGLONG>(v.ullVal);
      }
      break;
    case VT_R4:
      n.isReal = true;
      n.r = v.fltVal;
      break;
    case VT_R8:
      n.isReal = true;
      n.r = v.dblVal;
      break;
    case VT_CY:
      if (v.cyVal.int64 % 10000 == 0) {
        n.i = v.cyVal.int64 / 10000;
      } else {
        n.isReal = true;
        n.r = static_cast<double>(v.cyVal.int64) / 10000.0;
      }
      break;
    default: break;
  }
  return n;
}

// The number as an integer in [lo, hi], rounding reals to even.
bool ToInteger(const Number& n, long double lo, long double hi, LONGLONG& out,
               ULONGLONG* outUnsigned = nullptr) {
  if (n.isUnsigned) {
    if (!outUnsigned || static_cast<long double>(n.u) > hi) return false;
    *outUnsigned = n.u;
    return true;
  }
  if (n.isReal) {
    if (!std::isfinite(n.r)) return false;
    const long double r = RoundEven(n.r);
    if (r < lo || r > hi) return false;
    if (outUnsigned && r > static_cast<long double>(std::numeric_limits<LONGLONG>::max())) {
      *outUnsigned = static_cast<ULONGLONG>(r);
      return true;
    }
    out = static_cast<LONGLONG>(r);
  } else {
    if (n.i < lo || n.i > hi) return false;
    out = n.i;
  }
  if (outUnsigned) *outUnsigned = static_cast<ULONGLONG>(out);
  return true;
}

double ToReal(const Number& n) {
  if (n.isReal) return n.r;
  return n.isUnsigned ? static_cast<double>(n.u) : static_cast<double>(n.i);
}

HRESULT WriteNumber(const Number& n, VARTYPE vt, VARIANT& out) {
  using L = std::numeric_limits<LONGLONG>;
  LONGLONG i = 0;
  ULONGLONG u = 0;
  auto fits = [&](long double lo, long double hi) { return ToInteger(n, lo, hi, i); };
  out.vt = vt;
  switch (vt) {
    case VT_I1:
      if (!fits(-128, 127)) return DISP_E_OVERFLOW;
      out.cVal = static_cast<CHAR>(i);
      break;
    case VT_UI1:
      if (!fits(0, 255)) return DISP_E_OVERFLOW;
      out.bVal = static_cast<BYTE>(i);
      break;
    case VT_I2:
      if (!fits(-32768, 32767)) return DISP_E_OVERFLOW;
      out.iVal = static_cast<SHORT>(i);
      break;
    case VT_UI2:
      if (!fits(0, 65535)) return DISP_E_OVERFLOW;
      out.uiVal = static_cast<USHORT>(i);
      break;
    case VT_I4:
    case VT_INT:
      if (!fits(-2147483648.0L, 2147483647.0L)) return DISP_E_OVERFLOW;
      out.lVal = static_cast<LONG>(i);
      break;
    case VT_UI4:
    case VT_UINT:
      if (!fits(0, 4294967295.0L)) return DISP_E_OVERFLOW;
      out.ulVal = static_cast<ULONG>(i);
      break;
    case VT_I8:
      if (!ToInteger(n, static_cast<long double>(L::min()), static_cast<long double>(L::max()), i))
        return DISP_E_OVERFLOW;
      out.llVal = i;
      break;
    case VT_UI8:
      if (!ToInteger(n, 0, 18446744073709551615.0L, i, &u)) return DISP_E_OVERFLOW;
      out.ullVal = u;
      break;
    case VT_R4: {
      const double r = ToReal(n);
      if (std::fabs(r) > std::numeric_limits<float>::max()) return DISP_E_OVERFLOW;
      out.fltVal = static_cast<float>(r);
      break;
    }
    case VT_R8: out.dblVal = ToReal(n); break;
    case VT_BOOL:
      out.boolVal = (n.isReal ? n.r != 0 : n.isUnsigned || n.i != 0) ? VARIANT_TRUE : VARIANT_FALSE;
      break;
    case VT_CY: {
      const long double scaled = n.isReal ? RoundEven(n.r * 10000.0)
                                          : static_cast<long double>(n.isUnsigned ? n.u : 0) +
                                                static_cast<long double>(n.i) * 10000.0L;
      if (n.isUnsigned || !(scaled >= static_cast<long double>(L::min()) &&
                            scaled <= static_cast<long double>(L::max())))
        return DISP_E_OVERFLOW;
      out.cyVal.int64 = static_cast<LONGLONG>(scaled);
      break;
    }
    default: return DISP_E_TYPEMISMATCH;
  }
  return S_OK;
}

std::string FormatReal(double r, int digits) {
  // printf's %G, but with "." whatever the C library's locale.
  char text[64];
  const auto end = std::to_chars(text, text + sizeof text, r, std::chars_format::general, digits).ptr;
  std::string s(text, end);
  for (char& c : s)
    if (c >= 'a' && c <= 'z') c = static_cast<char>(c - 'a' + 'A');
  // Drop the exponent's leading zeros: 1E+020 style is not wanted, 1E+20 is.
  const auto e = s.find('E');
  if (e != std::string::npos) {
    std::size_t d = e + 2;
    while (d + 1 < s.size() && s[d] == '0') s.erase(d, 1);
  }
  return s;
}

std::string FormatNumber(const VARIANT& v) {
  switch (v.vt) {
    case VT_R4: return FormatReal(v.fltVal, 7);
    case VT_R8: return FormatReal(v.dblVal, 15);
    case VT_CY: {
      const LONGLONG c = v.cyVal.int64;
      const ULONGLONG mag = c < 0 ? 0ULL - static_cast<ULONGLONG>(c) : static_cast<ULONGLONG>(c);
      std::string s = (c < 0 ? "-" : "") + std::to_string(mag / 10000);
      std::string frac = std::to_string(10000 + mag % 10000).substr(1);
      while (!frac.empty() && frac.back() == '0') frac.pop_back();
      if (!frac.empty()) s += '.' + frac;
      return s;
    }
    case VT_UI8: return std::to_string(v.ullVal);
    default: return std::to_string(ReadNumber(v).i);
  }
}

bool EqualsNoCase(std::u16string_view a, std::u16string_view b) {
  if (a.size() != b.size()) return false;
  for (std::size_t i = 0; i < a.size(); ++i) {
    auto lower = [](char16_t c) { return c >= u'A' && c <= u'Z' ? char16_t(c + 32) : c; };
    if (lower(a[i]) != lower(b[i])) return false;
  }
  return true;
}

// A text read as a number: blanks around it, a decimal number in the C locale, or
// &H / &O integers.
bool ParseNumber(std::u16string_view text, Number& n) {
  std::string s;
  for (char16_t c : text) {
    if (c > 0x7F) return false;
    s += static_cast<char>(c);
  }
  const auto first = s.find_first_not_of(" \t");
  if (first == std::string::npos) return false;
  s = s.substr(first, s.find_last_not_of(" \t") - first + 1);
  if (s.size() > 2 && s[0] == '&' && (s[1] == 'H' || s[1] == 'h' || s[1] == 'O' || s[1] == 'o')) {
    const int base = (s[1] == 'H' || s[1] == 'h') ? 16 : 8;
    ULONGLONG u = 0;
    const auto r = std::from_chars(s.data() + 2, s.data() + s.size(), u, base);
    if (r.ec != std::errc() || r.ptr != s.data() + s.size()) return false;
    // Hex and octal literals of up to 32 bits are signed 32-bit patterns.
    if (u <= 0xFFFFFFFFull)
      n.i = static_cast<LONG>(static_cast<ULONG>(u));
    else if (u <= static_cast<ULONGLONG>(std::numeric_limits<LONGLONG>::max()))
      n.i = static_cast<LONGLONG>(u);
    else
      n.isUnsigned = true, n.u = u;
    return true;
  }
  const char* begin = s.data() + (s[0] == '+' ? 1 : 0);
  const char* end = s.data() + s.size();
  LONGLONG i = 0;
  auto r = std::from_chars(begin, end, i);
  if (r.ec == std::errc() && r.ptr == end) {
    n.i = i;
    return true;
  }
  double d = 0;
  r = std::from_chars(begin, end, d);
  if (r.ec != std::errc() || r.ptr != end) return false;
  n.isReal = true;
  n.r = d;
  return true;
}

HRESULT FromText(BSTR text, VARTYPE vt, VARIANT& out) {
  const auto t = com::View(text);
  if (vt == VT_BOOL) {
    if (EqualsNoCase(t, u"True") || EqualsNoCase(t, u"False")) {
      out.vt = VT_BOOL;
      out.boolVal = EqualsNoCase(t, u"True") ? VARIANT_TRUE : VARIANT_FALSE;
      return S_OK;
    }
  }
  Number n;
  if (!ParseNumber(t, n)) return DISP_E_TYPEMISMATCH;
  return WriteNumber(n, vt, out);
}

HRESULT ToText(const VARIANT& v, USHORT /*flags*/, VARIANT& out) {
  std::u16string text;
  if (v.vt == VT_BOOL) {
    text = v.boolVal ? u"True" : u"False";
  } else if (v.vt != VT_EMPTY) {
    for (char c : FormatNumber(v)) text += static_cast<char16_t>(c);
  }
  BSTR b = com::AllocBstr(text);
  if (!b) return E_OUTOFMEMORY;
  out.vt = VT_BSTR;
  out.bstrVal = b;
  return S_OK;
}

// The value property of an object, for conversions of objects to plain types.
HRESULT ValueOf(IDispatch* object, VARIANT& out) {
  if (!object) return DISP_E_TYPEMISMATCH;
  DISPPARAMS none;
  VariantInit(&out);
  const HRESULT hr = object->Invoke(DISPID_VALUE, GUID_NULL, 0, DISPATCH_PROPERTYGET, &none, &out,
                                    nullptr, nullptr);
  return FAILED(hr) ? DISP_E_TYPEMISMATCH : S_OK;
}

HRESULT Convert(const VARIANT& src, USHORT flags, VARTYPE vt, VARIANT& out, int depth);

HRESULT ConvertObject(const VARIANT& src, USHORT flags, VARTYPE vt, VARIANT& out, int depth) {
  IUnknown* object = src.vt == VT_DISPATCH ? static_cast<IUnknown*>(src.pdispVal) : src.punkVal;
  if (vt == VT_UNKNOWN || vt == VT_DISPATCH) {
    out.vt = vt;
    out.punkVal = nullptr;
    if (!object) return vt == src.vt ? S_OK : DISP_E_TYPEMISMATCH;
    const HRESULT hr = object->QueryInterface(vt == VT_UNKNOWN ? IID_IUnknown : IID_IDispatch,
                                              reinterpret_cast<void**>(&out.punkVal));
    return FAILED(hr) ? DISP_E_TYPEMISMATCH : S_OK;
  }
  if (src.vt != VT_DISPATCH || (flags & VARIANT_NOVALUEPROP) || depth > 4)
    return DISP_E_TYPEMISMATCH;
  VARIANT value;
  HRESULT hr = ValueOf(src.pdispVal, value);
  if (SUCCEEDED(hr)) hr = Convert(value, flags, vt, out, depth + 1);
  VariantClear(&value);
  return hr;
}

HRESULT Convert(const VARIANT& in, USHORT flags, VARTYPE vt, VARIANT& out, int depth) {
  VARIANT src;
  HRESULT hr = Deref(in, src);
  if (FAILED(hr)) return hr;
  if (src.vt == vt) return VariantCopy(&out, &src);
  if (vt == VT_EMPTY) return S_OK;
  if (src.vt == VT_NULL || vt == VT_NULL || src.vt == VT_ERROR || vt == VT_ERROR ||
      src.vt == VT_DATE || vt == VT_DATE)
    return DISP_E_TYPEMISMATCH;
  if (src.vt == VT_DISPATCH || src.vt == VT_UNKNOWN)
    return ConvertObject(src, flags, vt, out, depth);
  if (vt == VT_DISPATCH || vt == VT_UNKNOWN) return DISP_E_TYPEMISMATCH;
  if (vt == VT_BSTR) return ToText(src, flags, out);
  if (src.vt == VT_BSTR) return FromText(src.bstrVal, vt, out);
  if (src.vt == VT_EMPTY) return WriteNumber(Number{}, vt, out);
  if (src.vt == VT_BOOL && IsUnsigned(vt)) {
    // True is every bit set in any width, not an overflow.
    out.vt = vt;
    out.ullVal = src.boolVal ? ~0ULL : 0;
    if (vt != VT_UI8) out.ullVal &= vt == VT_UI1 ? 0xFFu : vt == VT_UI2 ? 0xFFFFu : 0xFFFFFFFFu;
    return S_OK;
  }
  if (IsNumeric(src.vt)) return WriteNumber(ReadNumber(src), vt, out);
  return DISP_E_TYPEMISMATCH;
}

}  // namespace

void VariantInit(VARIANT* v) {
  if (!v) return;
  std::memset(v, 0, sizeof *v);
  v->vt = VT_EMPTY;
}

HRESULT VariantClear(VARIANT* v) {
  if (!v) return E_INVALIDARG;
  if (!IsSupported(v->vt)) return DISP_E_BADVARTYPE;
  if (v->vt == VT_BSTR) SysFreeString(v->bstrVal);
  if ((v->vt == VT_DISPATCH || v->vt == VT_UNKNOWN) && v->punkVal) v->punkVal->Release();
  VariantInit(v);
  return S_OK;
}

HRESULT VariantCopy(VARIANT* dest, const VARIANT* src) {
  if (!dest || !src) return E_INVALIDARG;
  if (!IsSupported(src->vt)) return DISP_E_BADVARTYPE;
  if (dest == src) return S_OK;
  VARIANT copy = *src;
  if (src->vt == VT_BSTR && src->bstrVal) {
    copy.bstrVal = SysAllocStringLen(src->bstrVal, SysStringLen(src->bstrVal));
    if (!copy.bstrVal) return E_OUTOFMEMORY;
  }
  if ((src->vt == VT_DISPATCH || src->vt == VT_UNKNOWN) && src->punkVal) src->punkVal->AddRef();
  const HRESULT hr = VariantClear(dest);
  if (FAILED(hr)) {
    VariantClear(&copy);
    return hr;
  }
  *dest = copy;
  return S_OK;
}

HRESULT VariantCopyInd(VARIANT* dest, const VARIANT* src) {
  if (!dest || !src) return E_INVALIDARG;
  if (!IsSupported(src->vt)) return DISP_E_BADVARTYPE;
  VARIANT view;
  const HRESULT hr = Deref(*src, view);
  if (FAILED(hr)) return hr;
  VARIANT copy;
  VariantInit(&copy);
  const HRESULT cr = VariantCopy(&copy, &view);
  if (FAILED(cr)) return cr;
  VariantClear(dest);
  *dest = copy;
  return S_OK;
}

HRESULT VariantChangeType(VARIANT* dest, const VARIANT* src, USHORT flags, VARTYPE vt) {
  if (!dest || !src) return E_INVALIDARG;
  if (!IsSupported(src->vt) || !IsSupported(vt) || (vt & VT_BYREF)) return DISP_E_BADVARTYPE;
  VARIANT out;
  VariantInit(&out);
  const HRESULT hr = com::Guarded([&] { return Convert(*src, flags, vt, out, 0); });
  if (FAILED(hr)) {
    VariantClear(&out);
    return hr;
  }
  VariantClear(dest);
  *dest = out;
  return S_OK;
}

namespace com {

bool IsPlainType(VARTYPE vt) { return vt == VT_BSTR || IsNumeric(vt); }

Variant::Variant(const Variant& other) {
  VariantInit(&v_);
  VariantCopy(&v_, &other.v_);
}

Variant::Variant(Variant&& other) noexcept : v_(other.v_) { VariantInit(&other.v_); }

Variant& Variant::operator=(Variant other) noexcept {
  std::swap(v_, other.v_);
  return *this;
}

namespace {

// A variant of one plain type: the member that matches vt set.
template <typename T>
Variant Plain(VARTYPE vt, T VARIANT::*member, T value) {
  Variant v;
  v.Ptr()->vt = vt;
  v.Ptr()->*member = value;
  return v;
}

}  // namespace

Variant Variant::I2(SHORT value) { return Plain(VT_I2, &VARIANT::iVal, value); }
Variant Variant::I4(LONG value) { return Plain(VT_I4, &VARIANT::lVal, value); }
Variant Variant::UI4(ULONG value) { return Plain(VT_UI4, &VARIANT::ulVal, value); }
Variant Variant::R8(DOUBLE value) { return Plain(VT_R8, &VARIANT::dblVal, value); }
Variant Variant::Bool(bool value) {
  return Plain(VT_BOOL, &VARIANT::boolVal, value ? VARIANT_TRUE : VARIANT_FALSE);
}
Variant Variant::Error(SCODE code) { return Plain(VT_ERROR, &VARIANT::scode, code); }

Variant Variant::Text(std::u16string_view text) {
  return Plain(VT_BSTR, &VARIANT::bstrVal, AllocBstr(text));
}
Variant Variant::Text(const QString& text) {
  return Plain(VT_BSTR, &VARIANT::bstrVal, AllocBstr(text));
}

Variant Variant::Dispatch(IDispatch* object) {
  if (object) object->AddRef();
  return Plain(VT_DISPATCH, &VARIANT::pdispVal, object);
}

Variant Variant::Unknown(IUnknown* object) {
  if (object) object->AddRef();
  return Plain(VT_UNKNOWN, &VARIANT::punkVal, object);
}

VARIANT* Variant::Out() {
  VariantClear(&v_);
  return &v_;
}

VARIANT Variant::Detach() {
  VARIANT out = v_;
  VariantInit(&v_);
  return out;
}

QString Variant::ToString() const {
  VARIANT text;
  VariantInit(&text);
  if (FAILED(VariantChangeType(&text, &v_, 0, VT_BSTR))) return {};
  QString s = ToQString(text.bstrVal);
  VariantClear(&text);
  return s;
}

}  // namespace com
