#pragma once
// Fonts: IFont and its automation face IFontDisp, over a QFont. Size is currency
// (points x 10000); weight is 100..900 (bold is 700 and above when set, a weight of 600
// or more when read). Invalid values (an empty name, a size not above 0, a weight
// outside 1..1000) are refused with E_INVALIDARG. Changes are not broadcast to property
// sinks. UI thread only.

#include <QFont>

#include "platform/com/Object.h"

// Automation ids of the font's properties.
inline constexpr DISPID DISPID_FONT_NAME = 0;
inline constexpr DISPID DISPID_FONT_SIZE = 2;
inline constexpr DISPID DISPID_FONT_BOLD = 3;
inline constexpr DISPID DISPID_FONT_ITALIC = 4;
inline constexpr DISPID DISPID_FONT_UNDER = 5;
inline constexpr DISPID DISPID_FONT_STRIKE = 6;
inline constexpr DISPID DISPID_FONT_WEIGHT = 7;
inline constexpr DISPID DISPID_FONT_CHARSET = 8;

struct IFont : IUnknown {
  virtual HRESULT get_Name(BSTR* name) = 0;
  virtual HRESULT put_Name(BSTR name) = 0;
  virtual HRESULT get_Size(CY* size) = 0;
  virtual HRESULT put_Size(CY size) = 0;
  virtual HRESULT get_Bold(BOOL* bold) = 0;
  virtual HRESULT put_Bold(BOOL bold) = 0;
  virtual HRESULT get_Italic(BOOL* italic) = 0;
  virtual HRESULT put_Italic(BOOL italic) = 0;
  virtual HRESULT get_Underline(BOOL* underline) = 0;
  virtual HRESULT put_Underline(BOOL underline) = 0;
  virtual HRESULT get_Strikethrough(BOOL* strike) = 0;
  virtual HRESULT put_Strikethrough(BOOL strike) = 0;
  virtual HRESULT get_Weight(SHORT* weight) = 0;
  virtual HRESULT put_Weight(SHORT weight) = 0;
  virtual HRESULT get_Charset(SHORT* charset) = 0;
  virtual HRESULT put_Charset(SHORT charset) = 0;
  // In place of a font handle: the font itself.
  virtual HRESULT GetFont(QFont* font) = 0;
  virtual HRESULT Clone(IFont** out) = 0;
  // S_OK when the other font has the same attributes, else S_FALSE.
  virtual HRESULT IsEqual(IFont* other) = 0;

 protected:
  ~IFont() = default;
};

using IFontDisp = IDispatch;

struct FONTDESC {
  UINT cbSizeofstruct = sizeof(FONTDESC);
  LPCOLESTR lpstrName = nullptr;
  CY cySize{0};
  SHORT sWeight = 400;
  SHORT sCharset = 0;
  BOOL fItalic = FALSE;
  BOOL fUnderline = FALSE;
  BOOL fStrikethrough = FALSE;
};

// A new font; E_INVALIDARG for a wrong cbSizeofstruct or an invalid value.
HRESULT OleCreateFontIndirect(const FONTDESC* desc, REFIID iid, void** out);
