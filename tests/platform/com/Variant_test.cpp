#include "platform/com/Variant.h"

#include <gtest/gtest.h>

#include "platform/com/Interfaces.h"

namespace {

using com::Variant;

Variant Of(VARTYPE vt, LONGLONG i, double r = 0) {
  Variant v;
  VARIANT* p = v.Ptr();
  p->vt = vt;
  switch (vt) {
    case VT_I2: p->iVal = static_cast<SHORT>(i); break;
    case VT_I4: p->lVal = static_cast<LONG>(i); break;
    case VT_UI1: p->bVal = static_cast<BYTE>(i); break;
    case VT_UI4: p->ulVal = static_cast<ULONG>(i); break;
    case VT_I8: p->llVal = i; break;
    case VT_BOOL: p->boolVal = static_cast<VARIANT_BOOL>(i); break;
    case VT_R4: p->fltVal = static_cast<float>(r); break;
    case VT_R8: p->dblVal = r; break;
    case VT_CY: p->cyVal.int64 = i; break;
    default: break;
  }
  return v;
}

// The converted value in one comparable form: the integer, the real or the text.
struct Result {
  HRESULT hr;
  LONGLONG i = 0;
  double r = 0;
  QString text;
};

Result Convert(const Variant& from, VARTYPE to) {
  Variant out;
  Result res{VariantChangeType(out.Ptr(), &from.Get(), 0, to), 0, 0, {}};
  if (FAILED(res.hr)) return res;
  EXPECT_EQ(out.Type(), to);
  const VARIANT& v = out.Get();
  switch (to) {
    case VT_I2: res.i = v.iVal; break;
    case VT_I4: res.i = v.lVal; break;
    case VT_UI1: res.i = v.bVal; break;
    case VT_UI4: res.i = v.ulVal; break;
    case VT_I8: res.i = v.llVal; break;
    case VT_BOOL: res.i = v.boolVal; break;
    case VT_CY: res.i = v.cyVal.int64; break;
    case VT_R4: res.r = v.fltVal; break;
    case VT_R8: res.r = v.dblVal; break;
    case VT_BSTR: res.text = com::ToQString(v.bstrVal); break;
    default: break;
  }
  return res;
}

TEST(VariantChangeType, NumbersBoolsAndTexts) {
  struct Case {
    const char* what;
    Variant from;
    VARTYPE to;
    HRESULT hr;
    LONGLONG i;
    double r;
    const char* text;
  };
  const Case cases[] = {
      {"I4 to I2", Of(VT_I4, -123), VT_I2, S_OK, -123, 0, ""},
      {"I4 too big for I2", Of(VT_I4, 40000), VT_I2, DISP_E_OVERFLOW, 0, 0, ""},
      {"negative to UI1", Of(VT_I2, -1), VT_UI1, DISP_E_OVERFLOW, 0, 0, ""},
      {"system colour stays a UI4", Of(VT_UI4, 0x80000005), VT_UI4, S_OK, 0x80000005, 0, ""},
      {"system colour overflows I4", Of(VT_UI4, 0x80000005), VT_I4, DISP_E_OVERFLOW, 0, 0, ""},
      {"RGB colour fits I4", Of(VT_UI4, 0x00FF00), VT_I4, S_OK, 0x00FF00, 0, ""},
      {"I4 to UI4", Of(VT_I4, 255), VT_UI4, S_OK, 255, 0, ""},
      {"half rounds to even (down)", Of(VT_R8, 0, 2.5), VT_I4, S_OK, 2, 0, ""},
      {"half rounds to even (up)", Of(VT_R8, 0, 3.5), VT_I4, S_OK, 4, 0, ""},
      {"negative half", Of(VT_R8, 0, -2.5), VT_I2, S_OK, -2, 0, ""},
      {"real too big for I4", Of(VT_R8, 0, 3e9), VT_I4, DISP_E_OVERFLOW, 0, 0, ""},
      {"non-zero is true", Of(VT_I4, 7), VT_BOOL, S_OK, VARIANT_TRUE, 0, ""},
      {"zero is false", Of(VT_R8, 0, 0.0), VT_BOOL, S_OK, VARIANT_FALSE, 0, ""},
      {"true is -1", Of(VT_BOOL, VARIANT_TRUE), VT_I4, S_OK, -1, 0, ""},
      {"true in a byte is every bit", Of(VT_BOOL, VARIANT_TRUE), VT_UI1, S_OK, 0xFF, 0, ""},
      {"true in a UI4 is every bit", Of(VT_BOOL, VARIANT_TRUE), VT_UI4, S_OK, 0xFFFFFFFF, 0, ""},
      {"false in a UI4", Of(VT_BOOL, VARIANT_FALSE), VT_UI4, S_OK, 0, 0, ""},
      {"true as text", Of(VT_BOOL, VARIANT_TRUE), VT_BSTR, S_OK, 0, 0, "True"},
      {"false as text", Of(VT_BOOL, 0), VT_BSTR, S_OK, 0, 0, "False"},
      {"text True", Variant::Text(u"true"), VT_BOOL, S_OK, VARIANT_TRUE, 0, ""},
      {"text False", Variant::Text(u"FALSE"), VT_BOOL, S_OK, VARIANT_FALSE, 0, ""},
      {"numeric text to bool", Variant::Text(u"0"), VT_BOOL, S_OK, VARIANT_FALSE, 0, ""},
      {"text with blanks", Variant::Text(u"  42 "), VT_I2, S_OK, 42, 0, ""},
      {"hex text", Variant::Text(u"&HFF"), VT_I4, S_OK, 255, 0, ""},
      {"hex text is signed 32-bit", Variant::Text(u"&H80000005"), VT_I4, S_OK,
       static_cast<LONG>(0x80000005u), 0, ""},
      {"decimal text to I4 rounds", Variant::Text(u"1.5"), VT_I4, S_OK, 2, 0, ""},
      {"real text", Variant::Text(u"-0.25"), VT_R8, S_OK, 0, -0.25, ""},
      {"text not a number", Variant::Text(u"12a"), VT_I4, DISP_E_TYPEMISMATCH, 0, 0, ""},
      {"empty text not a number", Variant::Text(u""), VT_I2, DISP_E_TYPEMISMATCH, 0, 0, ""},
      {"text too big", Variant::Text(u"70000"), VT_I2, DISP_E_OVERFLOW, 0, 0, ""},
      {"I4 as text", Of(VT_I4, -17), VT_BSTR, S_OK, 0, 0, "-17"},
      {"UI4 as text", Of(VT_UI4, 0x80000005), VT_BSTR, S_OK, 0, 0, "2147483653"},
      {"R8 as text", Of(VT_R8, 0, 0.1), VT_BSTR, S_OK, 0, 0, "0.1"},
      {"R8 big as text", Of(VT_R8, 0, 1e20), VT_BSTR, S_OK, 0, 0, "1E+20"},
      {"R8 small as text", Of(VT_R8, 0, -1.5e-7), VT_BSTR, S_OK, 0, 0, "-1.5E-7"},
      {"R4 as text", Of(VT_R4, 0, 1.1), VT_BSTR, S_OK, 0, 0, "1.1"},
      {"currency as text", Of(VT_CY, 123456), VT_BSTR, S_OK, 0, 0, "12.3456"},
      {"negative currency", Of(VT_CY, -85000), VT_BSTR, S_OK, 0, 0, "-8.5"},
      {"currency to I4 rounds", Of(VT_CY, 85000), VT_I4, S_OK, 8, 0, ""},
      {"points to currency", Of(VT_R8, 0, 9.75), VT_CY, S_OK, 97500, 0, ""},
      {"I2 to currency", Of(VT_I2, 12), VT_CY, S_OK, 120000, 0, ""},
      {"empty to I4", Variant(), VT_I4, S_OK, 0, 0, ""},
      {"empty to text", Variant(), VT_BSTR, S_OK, 0, 0, ""},
      {"empty to bool", Variant(), VT_BOOL, S_OK, VARIANT_FALSE, 0, ""},
      {"I8 to I4 overflow", Of(VT_I8, 1LL << 40), VT_I4, DISP_E_OVERFLOW, 0, 0, ""},
      {"error is no number", Variant::Missing(), VT_I4, DISP_E_TYPEMISMATCH, 0, 0, ""},
      {"number is no object", Of(VT_I4, 1), VT_DISPATCH, DISP_E_TYPEMISMATCH, 0, 0, ""},
  };
  for (const Case& c : cases) {
    SCOPED_TRACE(c.what);
    const Result r = Convert(c.from, c.to);
    ASSERT_EQ(r.hr, c.hr);
    if (FAILED(r.hr)) continue;
    EXPECT_EQ(r.i, c.i);
    EXPECT_DOUBLE_EQ(r.r, c.r);
    EXPECT_EQ(r.text, QString::fromUtf8(c.text));
  }
}

TEST(VariantChangeType, NullConvertsOnlyToItselfAndFailureLeavesTheTarget) {
  Variant null;
  null.Ptr()->vt = VT_NULL;
  for (VARTYPE to : {VT_I2, VT_I4, VT_BSTR, VT_BOOL, VT_R8}) {
    Variant out = Variant::I4(5);
    EXPECT_EQ(VariantChangeType(out.Ptr(), &null.Get(), 0, to), DISP_E_TYPEMISMATCH) << to;
    EXPECT_EQ(out.Type(), VT_I4);
    EXPECT_EQ(out.Get().lVal, 5);
  }
  Variant same;
  EXPECT_EQ(VariantChangeType(same.Ptr(), &null.Get(), 0, VT_NULL), S_OK);
  EXPECT_EQ(same.Type(), VT_NULL);
}

TEST(VariantChangeType, ConvertsInPlaceAndFollowsReferences) {
  Variant v = Variant::Text(u"123");
  EXPECT_EQ(v.ChangeType(VT_I2), S_OK);
  EXPECT_EQ(v.Type(), VT_I2);
  EXPECT_EQ(v.Get().iVal, 123);

  SHORT target = -5;
  Variant byRef;
  byRef.Ptr()->vt = VT_I2 | VT_BYREF;
  byRef.Ptr()->piVal = &target;
  Variant text;
  EXPECT_EQ(VariantChangeType(text.Ptr(), &byRef.Get(), 0, VT_BSTR), S_OK);
  EXPECT_EQ(text.ToString(), QStringLiteral("-5"));

  Variant array;
  array.Ptr()->vt = VT_ARRAY | VT_I4;
  EXPECT_EQ(VariantChangeType(text.Ptr(), &array.Get(), 0, VT_BSTR), DISP_E_BADVARTYPE);
  array.Ptr()->vt = VT_EMPTY;
}

TEST(Variant, CopiesOwnTheirTextAndClearFreesIt) {
  Variant a = Variant::Text(QStringLiteral("Caption"));
  Variant b = a;
  ASSERT_NE(a.Get().bstrVal, b.Get().bstrVal);
  EXPECT_EQ(b.ToString(), QStringLiteral("Caption"));
  Variant c = std::move(a);
  EXPECT_EQ(a.Type(), VT_EMPTY);
  EXPECT_EQ(c.ToString(), QStringLiteral("Caption"));
  VARIANT raw = c.Detach();
  EXPECT_EQ(c.Type(), VT_EMPTY);
  EXPECT_EQ(VariantClear(&raw), S_OK);
  EXPECT_EQ(raw.vt, VT_EMPTY);

  VARIANT bad;
  VariantInit(&bad);
  bad.vt = 0x0FFF;
  EXPECT_EQ(VariantClear(&bad), DISP_E_BADVARTYPE);
}

}  // namespace
