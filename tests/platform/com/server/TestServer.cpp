// A small in-process server for the loader and registration tests: one creatable class
// (a page site object) and a type library with one dispinterface.

#include "platform/com/Loader.h"
#include "platform/com/Object.h"
#include "platform/com/PageSite.h"
#include "platform/com/Registration.h"

namespace {

constexpr CLSID kClass = com::MakeGuid("3A1D9C52-7E4B-4C1F-8D2A-6B5E0F9C3D71");
constexpr GUID kLibrary = com::MakeGuid("5C2E8B14-9A3D-4F67-B1C0-2E7D4A6F8B93");
constexpr IID kInterface = com::MakeGuid("6D3F9C25-AB4E-4078-C2D1-3F8E5B7A9CA4");

HRESULT CreateSite(IUnknown* outer, REFIID iid, void** out, const void*) {
  return com::CreateAs<com::FakePageSite>(outer, iid, out);
}

HRESULT BuildLibrary(ITypeLib** out) {
  com::TypeLibBuilder b(kLibrary, QStringLiteral("TestServer"), 1, 0);
  b.Doc({QStringLiteral("Test server types"), 0, {}});
  b.AddType(TKIND_DISPATCH, kInterface, QStringLiteral("_TestObject"))
      .Property(1, QStringLiteral("Caption"), VT_BSTR);
  return b.Build(out);
}

QString OwnPath() {
  static const int anchor = 0;
  return com::ModulePathOf(&anchor);
}

}  // namespace

extern "C" HRESULT DllCanUnloadNow() { return com::ObjectTable::CanUnloadNow(); }

extern "C" HRESULT DllGetClassObject(REFCLSID clsid, REFIID iid, void** out) {
  if (!out) return E_INVALIDARG;
  *out = nullptr;
  if (clsid != kClass) return CLASS_E_CLASSNOTAVAILABLE;
  return com::GetClassFactory(CreateSite, nullptr, iid, out);
}

extern "C" HRESULT DllRegisterServer() {
  com::Ref<ITypeLib> library;
  HRESULT hr = BuildLibrary(library.Out());
  if (FAILED(hr)) return hr;
  const QString path = OwnPath();
  hr = com::RegisterClass(kClass, QStringLiteral("Test Server Object"), path, true);
  if (FAILED(hr)) return hr;
  return RegisterTypeLib(library.get(), reinterpret_cast<LPCOLESTR>(path.utf16()), nullptr);
}

extern "C" HRESULT DllUnregisterServer() {
  const HRESULT hr = com::UnregisterClass(kClass);
  const HRESULT lib = UnRegisterTypeLib(kLibrary, 1, 0, 0, SYS_WIN32);
  return FAILED(hr) ? hr : lib;
}
