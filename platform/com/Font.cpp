#include "platform/com/Font.h"

#include "platform/com/Dispatch.h"
#include "platform/com/Picture.h"

namespace com {

namespace {

struct FontData {
  QString name;
  CY size{0};
  SHORT weight = 400;
  SHORT charset = 0;
  bool italic = false, underline = false, strike = false;
  bool operator==(const FontData&) const = default;
};

bool Valid(const FontData& f) {
  return !f.name.isEmpty() && f.size.int64 > 0 && f.weight >= 1 && f.weight <= 1000;
}

class Font final : public ComObject<IFont, IDispatch> {
 public:
  Font(IUnknown* outer, FontData data)
      : ComObject(outer),
        f_(std::move(data)),
        dispatcher_(FindTypeInfo(StandardTypes().get(), QStringLiteral("Font"))) {
    Bind(DISPID_FONT_NAME, VT_BSTR, [this](const VARIANT& v) { return put_Name(v.bstrVal); });
    Bind(DISPID_FONT_SIZE, VT_CY, [this](const VARIANT& v) { return put_Size(v.cyVal); });
    Bind(DISPID_FONT_BOLD, VT_BOOL, [this](const VARIANT& v) { return put_Bold(v.boolVal != 0); });
    Bind(DISPID_FONT_ITALIC, VT_BOOL,
         [this](const VARIANT& v) { return put_Italic(v.boolVal != 0); });
    Bind(DISPID_FONT_UNDER, VT_BOOL,
         [this](const VARIANT& v) { return put_Underline(v.boolVal != 0); });
    Bind(DISPID_FONT_STRIKE, VT_BOOL,
         [this](const VARIANT& v) { return put_Strikethrough(v.boolVal != 0); });
    Bind(DISPID_FONT_WEIGHT, VT_I2, [this](const VARIANT& v) { return put_Weight(v.iVal); });
    Bind(DISPID_FONT_CHARSET, VT_I2, [this](const VARIANT& v) { return put_Charset(v.iVal); });
    dispatcher_.Getter(DISPID_FONT_NAME, [this] { return Variant::Text(f_.name); });
    dispatcher_.Getter(DISPID_FONT_SIZE, [this] {
      Variant v;
      v.Ptr()->vt = VT_CY;
      v.Ptr()->cyVal = f_.size;
      return v;
    });
    dispatcher_.Getter(DISPID_FONT_BOLD, [this] { return Variant::Bool(f_.weight >= 600); });
    dispatcher_.Getter(DISPID_FONT_ITALIC, [this] { return Variant::Bool(f_.italic); });
    dispatcher_.Getter(DISPID_FONT_UNDER, [this] { return Variant::Bool(f_.underline); });
    dispatcher_.Getter(DISPID_FONT_STRIKE, [this] { return Variant::Bool(f_.strike); });
    dispatcher_.Getter(DISPID_FONT_WEIGHT, [this] { return Variant::I2(f_.weight); });
    dispatcher_.Getter(DISPID_FONT_CHARSET, [this] { return Variant::I2(f_.charset); });
  }

  HRESULT get_Name(BSTR* name) override {
    if (!name) return E_POINTER;
    *name = AllocBstr(f_.name);
    return *name ? S_OK : E_OUTOFMEMORY;
  }
  HRESULT put_Name(BSTR name) override {
    if (!SysStringLen(name)) return E_INVALIDARG;
    return Guarded([&] {
      f_.name = ToQString(name);
      return S_OK;
    });
  }
  HRESULT get_Size(CY* size) override { return PutOut(size, f_.size); }
  HRESULT put_Size(CY size) override {
    if (size.int64 <= 0) return E_INVALIDARG;
    f_.size = size;
    return S_OK;
  }
  HRESULT get_Bold(BOOL* bold) override { return PutOut(bold, f_.weight >= 600 ? TRUE : FALSE); }
  HRESULT put_Bold(BOOL bold) override {
    f_.weight = bold ? 700 : 400;
    return S_OK;
  }
  HRESULT get_Italic(BOOL* v) override { return PutOut(v, f_.italic ? TRUE : FALSE); }
  HRESULT put_Italic(BOOL v) override { return Set(f_.italic, v); }
  HRESULT get_Underline(BOOL* v) override { return PutOut(v, f_.underline ? TRUE : FALSE); }
  HRESULT put_Underline(BOOL v) override { return Set(f_.underline, v); }
  HRESULT get_Strikethrough(BOOL* v) override { return PutOut(v, f_.strike ? TRUE : FALSE); }
  HRESULT put_Strikethrough(BOOL v) override { return Set(f_.strike, v); }
  HRESULT get_Weight(SHORT* weight) override { return PutOut(weight, f_.weight); }
  HRESULT put_Weight(SHORT weight) override {
    if (weight < 1 || weight > 1000) return E_INVALIDARG;
    f_.weight = weight;
    return S_OK;
  }
  HRESULT get_Charset(SHORT* charset) override { return PutOut(charset, f_.charset); }
  HRESULT put_Charset(SHORT charset) override {
    f_.charset = charset;
    return S_OK;
  }
  HRESULT GetFont(QFont* font) override {
    if (!font) return E_POINTER;
    return Guarded([&] { return MakeFont(*font); });
  }
  HRESULT MakeFont(QFont& font) const {
    QFont f(f_.name);
    f.setPointSizeF(static_cast<double>(f_.size.int64) / 10000.0);
    f.setWeight(static_cast<QFont::Weight>(f_.weight));
    f.setItalic(f_.italic);
    f.setUnderline(f_.underline);
    f.setStrikeOut(f_.strike);
    font = f;
    return S_OK;
  }
  HRESULT Clone(IFont** out) override {
    return CreateAs<Font>(nullptr, IID_IFont, reinterpret_cast<void**>(out), f_);
  }
  HRESULT IsEqual(IFont* other) override;
  STOVREL_COM_FORWARD_DISPATCH

  const FontData& Data() const { return f_; }

 protected:
  void* FindInterface(REFIID iid) override {
    if (iid == IID_IFont) return Face<IFont>();
    if (iid == IID_IFontDisp || iid == IID_IDispatch) return Face<IDispatch>();
    return nullptr;
  }

 private:
  static HRESULT Set(bool& field, BOOL value) {
    field = value != FALSE;
    return S_OK;
  }
  // A put handler that takes the value converted to the property's type.
  void Bind(DISPID id, VARTYPE vt, std::function<HRESULT(const VARIANT&)> put) {
    dispatcher_.Putter(id, [vt, put = std::move(put)](const VARIANT& value) {
      Variant v;
      const HRESULT hr = VariantChangeType(v.Ptr(), &value, 0, vt);
      return FAILED(hr) ? hr : put(v.Get());
    });
  }

  FontData f_;
  Dispatcher dispatcher_;
};

HRESULT Font::IsEqual(IFont* other) {
  return Guarded([&]() -> HRESULT {
    if (!other) return E_POINTER;
    FontData o;
    BSTR name = nullptr;
    BOOL italic = FALSE, underline = FALSE, strike = FALSE;
    if (FAILED(other->get_Name(&name)) || FAILED(other->get_Size(&o.size)) ||
        FAILED(other->get_Weight(&o.weight)) || FAILED(other->get_Charset(&o.charset)) ||
        FAILED(other->get_Italic(&italic)) || FAILED(other->get_Underline(&underline)) ||
        FAILED(other->get_Strikethrough(&strike))) {
      SysFreeString(name);
      return E_FAIL;
    }
    o.name = ToQString(name);
    SysFreeString(name);
    o.italic = italic;
    o.underline = underline;
    o.strike = strike;
    return o == f_ ? S_OK : S_FALSE;
  });
}

}  // namespace

}  // namespace com

HRESULT OleCreateFontIndirect(const FONTDESC* desc, REFIID iid, void** out) {
  if (!out) return E_POINTER;
  *out = nullptr;
  if (!desc || desc->cbSizeofstruct != sizeof(FONTDESC)) return E_INVALIDARG;
  com::FontData f;
  f.name = desc->lpstrName ? QString::fromUtf16(desc->lpstrName) : QString();
  f.size = desc->cySize;
  f.weight = desc->sWeight;
  f.charset = desc->sCharset;
  f.italic = desc->fItalic;
  f.underline = desc->fUnderline;
  f.strike = desc->fStrikethrough;
  if (!Valid(f)) return E_INVALIDARG;
  return com::Guarded([&] { return com::CreateAs<com::Font>(nullptr, iid, out, std::move(f)); });
}
