#pragma once
// Pictures and picture files for page tests.

#include <gtest/gtest.h>

#include <QApplication>
#include <QImage>
#include <QKeyEvent>
#include <QString>
#include <QWidget>

#include "platform/automation/ListBarAutomation.h"
#include "platform/com/ConnectionPoint.h"
#include "platform/com/Dispatch.h"
#include "platform/com/ListBarInterfaces.h"
#include "platform/com/Picture.h"
#include "platform/com/TypeInfo.h"
#include "proppages/Dib.h"

namespace qvp::test {

// A true-colour bitmap of one colour.
inline QImage Solid(int w, int h, QRgb colour) {
  QImage image(w, h, QImage::Format_RGB32);
  image.fill(colour);
  return image;
}

// Writes the image as a 24-bit .bmp file and returns its path.
inline QString BitmapFile(const QString& path, const QImage& image) {
  EXPECT_EQ(WriteDibFile(BitmapToPackedDib(image, nullptr, 24), path), DibWriteResult::kWritten);
  return path;
}

// A control of the tests' own: the list-bar dispinterface over a type of its library
// (the type named `typeName`) with the getters the test binds, and a property-change
// connection point. `Extra` interfaces are the test's to implement and answer.
template <typename... Extra>
class TestControl : public com::ComObject<IDispatch, IConnectionPointContainer, Extra...> {
 public:
  STOVREL_COM_FORWARD_DISPATCH
  HRESULT EnumConnectionPoints(void** out) override {
    if (out) *out = nullptr;
    return E_NOTIMPL;
  }
  HRESULT FindConnectionPoint(REFIID iid, IConnectionPoint** out) override {
    return points_.FindConnectionPoint(iid, out);
  }

 protected:
  TestControl(IUnknown* outer, const com::TypeLibBuilder& types, const QString& typeName)
      : com::ComObject<IDispatch, IConnectionPointContainer, Extra...>(outer) {
    com::Ref<ITypeLib> lib;
    types.Build(lib.Out());
    dispatcher_.SetTypeInfo(com::FindTypeInfo(lib.get(), typeName));
    points_.Add(IID_IPropertyNotifySink);
  }
  void* FindInterface(REFIID iid) override {
    if (iid == IID_IConnectionPointContainer) return this->template Face<IConnectionPointContainer>();
    if (iid == IID_IDispatch || iid == ctl::IID_DListBar) return this->template Face<IDispatch>();
    return nullptr;
  }

  com::Dispatcher dispatcher_;
  com::ConnectionPoints points_{this};
};

inline com::TypeLibBuilder UrlTypes() {
  com::TypeLibBuilder b(com::MakeGuid("5A1D0C3E-0000-4000-8000-000000000002"), QStringLiteral("Urls"), 1, 0);
  b.AddType(TKIND_DISPATCH, ctl::IID_DListBar, QStringLiteral("Urls")).Property(1, QStringLiteral("ImagesURL"), VT_BSTR);
  return b;
}

// A control whose one image-list property is the address of a PNG strip.
class UrlControl final : public TestControl<ctl::IListBarImageLists> {
 public:
  static constexpr DISPID kUrl = 1;

  UrlControl(IUnknown* outer, QString url) : TestControl(outer, UrlTypes(), QStringLiteral("Urls")), url_(std::move(url)) {
    dispatcher_.Getter(kUrl, [this] { return com::Variant::Text(url_); });
  }
  HRESULT GetImageListCount(ULONG* count) override { return com::PutOut(count, 1); }
  HRESULT GetImageListIds(ULONG capacity, DISPID* ids, ULONG* written) override {
    if (capacity) ids[0] = kUrl;
    return com::PutOut(written, capacity ? 1 : 0);
  }
  HRESULT GetFixedSize(DISPID, VARIANT_BOOL* fixed) override { return com::PutOut(fixed, VARIANT_FALSE); }
  HRESULT GetImageWidth(DISPID, LONG* width) override { return com::PutOut(width, -1); }
  HRESULT GetImageHeight(DISPID, LONG* height) override { return com::PutOut(height, -1); }
  HRESULT GetBackColor(DISPID, OLE_COLOR* color) override { return com::PutOut(color, 0xFFFFFFu); }

 protected:
  void* FindInterface(REFIID iid) override {
    if (iid == ctl::IID_IListBarImageLists) return Face<ctl::IListBarImageLists>();
    return TestControl::FindInterface(iid);
  }

 private:
  QString url_;
};

// A key pressed in a widget, as the keyboard would deliver it.
inline void PressKey(QWidget* widget, int key, const QString& text = {}) {
  QKeyEvent press(QEvent::KeyPress, key, Qt::NoModifier, text);
  QApplication::sendEvent(widget, &press);
  QKeyEvent release(QEvent::KeyRelease, key, Qt::NoModifier, text);
  QApplication::sendEvent(widget, &release);
}

// Types the text into a widget, one key per character.
inline void TypeText(QWidget* widget, const QString& text) {
  for (QChar c : text) PressKey(widget, c.unicode(), QString(c));
}

}  // namespace qvp::test
