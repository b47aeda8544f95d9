#pragma once
// Self-registration of an in-process server under HKEY_CLASSES_ROOT: class keys,
// type libraries and key trees. Every registry failure is returned as an HRESULT
// (HresultFromWin32), never dropped. UI thread only (the registry itself is thread-safe).
//
// What is written:
//   CLSID\{clsid}                     default: the display name
//   CLSID\{clsid}\InprocServer32      default: the module path; ThreadingModel "Apartment"
//   TypeLib\{libid}\M.m               default: the library's doc string, else its name
//   TypeLib\{libid}\M.m\0\win32       default: the library path
//   TypeLib\{libid}\M.m\FLAGS         default: "0"
//   TypeLib\{libid}\M.m\HELPDIR       default: the help folder (only when one is given)
//   Interface\{iid}                   default: the dispinterface's name, for each one
//   Interface\{iid}\ProxyStubClsid32  default: the automation marshaller's class id
//   Interface\{iid}\TypeLib           default: {libid}; Version "M.m"
// (M.m: the version in hexadecimal digits.)

#include <QString>

#include "platform/com/TypeInfo.h"
#include "platform/registry/Registry.h"

namespace com {

constexpr HRESULT HresultFromWin32(LONG error) {
  return error <= 0 ? static_cast<HRESULT>(error)
                    : MakeHresult((static_cast<std::uint32_t>(error) & 0xFFFFu) | 0x80070000u);
}

// Deletes subKey below parent with everything under it, sub keys first.
// ERROR_FILE_NOT_FOUND when it does not exist.
LONG DeleteKeyTree(HKEY parent, const char* subKey);

// Registers a creatable class. A class key without "Implemented Categories" is removed
// first (as UnregisterClass does), so it is rewritten from scratch; one with it keeps
// its other contents. Without `apartment`, ThreadingModel is removed.
HRESULT RegisterClass(REFCLSID clsid, const QString& displayName, const QString& modulePath,
                      bool apartment);
// Removes a class: when the class key also has an "InprocServer" sub key (a server of
// another kind shares it) only "InprocServer32" goes, else the whole class key. A class
// that is not registered is no failure.
HRESULT UnregisterClass(REFCLSID clsid);

}  // namespace com

// Registers a library found at fullPath (helpDir may be null: no HELPDIR key).
HRESULT RegisterTypeLib(ITypeLib* library, LPCOLESTR fullPath, LPCOLESTR helpDir);
// Removes a registered version of a library and the interface keys that name it.
// TYPE_E_LIBNOTREGISTERED when that version is not registered.
HRESULT UnRegisterTypeLib(REFGUID libid, WORD major, WORD minor, LCID lcid, SYSKIND syskind);
