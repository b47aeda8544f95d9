// The four entry points of the library: class objects for the page table's classes,
// the unload test, and self-registration of the classes and the "QVProp" type library.

#include <QString>

#include "platform/com/Loader.h"
#include "platform/com/Registration.h"
#include "proppages/CQVPropPageBase.h"
#include "proppages/PageHelp.h"
#include "proppages/PageTable.h"

namespace qvp {
namespace {

// Pages are made on the user-interface thread only.
HRESULT CreateFromEntry(IUnknown* outer, REFIID iid, void** out, const void* context) {
  if (!OnUiThread()) return RPC_E_WRONG_THREAD;
  return static_cast<const PageEntry*>(context)->create(outer, iid, out);
}

HRESULT BuildTypeLibrary(ITypeLib** out) {
  com::TypeLibBuilder b(kLibidQVProp, QStringLiteral("QVProp"), kLibVersionMajor,
                        kLibVersionMinor);
  b.Doc({QStringLiteral("QVProp"), 0, {}});
  return b.Build(out);
}

QString ModulePath() {
  static const int anchor = 0;
  return com::ModulePathOf(&anchor);
}

QString DisplayName(const PageEntry& e) {
  return e.label ? QString::fromLatin1(e.label)
                 : QString::asprintf("%s Object", e.objectName);
}

}  // namespace
}  // namespace qvp

using qvp::PageEntry;

// Nothing of the library may live on: no object, no lock, no help window.
extern "C" HRESULT DllCanUnloadNow() {
  if (qvp::LibraryHelpWindow()) return S_FALSE;
  return com::ObjectTable::CanUnloadNow();
}

// Takes the ids by address, as a host passes them, so that null ones can be refused.
extern "C" HRESULT DllGetClassObject(const CLSID* clsid, const IID* iid, void** out) {
  if (!out) return E_INVALIDARG;
  *out = nullptr;
  if (!clsid) return E_INVALIDARG;
  if (!iid) return E_POINTER;
  const std::optional<int> index = qvp::FindPage(*clsid);
  if (!index) return CLASS_E_CLASSNOTAVAILABLE;
  return com::GetClassFactory(qvp::CreateFromEntry, &qvp::PageObjectTable[*index], *iid, out);
}

// Writes every class and the type library; the first failure ends it and is returned.
extern "C" HRESULT DllRegisterServer() {
  return com::Guarded([] {
    com::Ref<ITypeLib> library;
    HRESULT hr = qvp::BuildTypeLibrary(library.Out());
    if (FAILED(hr)) return hr;
    const QString path = qvp::ModulePath();
    if (path.isEmpty()) return E_FAIL;
    for (const PageEntry& e : qvp::Pages()) {
      hr = com::RegisterClass(e.clsid, qvp::DisplayName(e), path, e.apartment);
      if (FAILED(hr)) return hr;
    }
    // No page names a help file of the type library: it has no help folder.
    return RegisterTypeLib(library.get(), reinterpret_cast<LPCOLESTR>(path.utf16()), nullptr);
  });
}

// Removes what registration wrote; a library that is not registered is no failure,
// every other failure is returned (the first one) after the rest was tried.
extern "C" HRESULT DllUnregisterServer() {
  return com::Guarded([] {
    HRESULT first = S_OK;
    for (const PageEntry& e : qvp::Pages()) {
      const HRESULT hr = com::UnregisterClass(e.clsid);
      if (FAILED(hr) && SUCCEEDED(first)) first = hr;
    }
    const HRESULT lib = UnRegisterTypeLib(qvp::kLibidQVProp, qvp::kLibVersionMajor,
                                          qvp::kLibVersionMinor, 0, SYS_WIN32);
    if (FAILED(lib) && lib != TYPE_E_LIBNOTREGISTERED && SUCCEEDED(first)) first = lib;
    return first;
  });
}
