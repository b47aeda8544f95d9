#include "platform/com/Registration.h"

#include <cstdio>
#include <string>
#include <vector>

namespace com {

namespace {

constexpr GUID kAutomationMarshaller = MakeGuid("00020420-0000-0000-C000-000000000046");

std::string Bytes(const QString& text) { return text.toLocal8Bit().toStdString(); }

// Sets the default value (or a named one) of a key below parent, creating the key.
LONG SetText(HKEY parent, const std::string& subKey, const char* valueName,
             const std::string& text) {
  HKEY key{};
  LONG rc = RegCreateKeyA(parent, subKey.c_str(), &key);
  if (rc != ERROR_SUCCESS) return rc;
  rc = RegSetValueExA(key, valueName, 0, REG_SZ, reinterpret_cast<const BYTE*>(text.c_str()),
                      static_cast<DWORD>(text.size() + 1));
  RegCloseKey(key);
  return rc;
}

// The default value of a key as text; empty when it cannot be read.
std::string ReadText(HKEY parent, const std::string& subKey, const char* valueName = nullptr) {
  HKEY key{};
  if (RegOpenKeyExA(parent, subKey.c_str(), 0, KEY_READ, &key) != ERROR_SUCCESS) return {};
  char buffer[1024];
  DWORD size = sizeof buffer;
  DWORD type = 0;
  std::string text;
  if (RegQueryValueExA(key, valueName, nullptr, &type, reinterpret_cast<BYTE*>(buffer), &size) ==
          ERROR_SUCCESS &&
      type == REG_SZ)
    text.assign(buffer, size && buffer[size - 1] == '\0' ? size - 1 : size);
  RegCloseKey(key);
  return text;
}

bool KeyExists(HKEY parent, const std::string& subKey) {
  HKEY key{};
  if (RegOpenKeyExA(parent, subKey.c_str(), 0, KEY_READ, &key) != ERROR_SUCCESS) return false;
  RegCloseKey(key);
  return true;
}

std::vector<std::string> SubKeys(HKEY key) {
  std::vector<std::string> names;
  for (DWORD i = 0;; ++i) {
    char name[256];
    DWORD size = sizeof name;
    if (RegEnumKeyExA(key, i, name, &size, nullptr, nullptr, nullptr, nullptr) != ERROR_SUCCESS)
      break;
    names.emplace_back(name, size);
  }
  return names;
}

std::string VersionText(WORD major, WORD minor) {
  char text[16];
  std::snprintf(text, sizeof text, "%x.%x", major, minor);
  return text;
}

std::string ClassKey(REFCLSID clsid) { return "CLSID\\" + FormatGuid(clsid); }

}  // namespace

LONG DeleteKeyTree(HKEY parent, const char* subKey) {
  HKEY key{};
  LONG rc = RegOpenKeyExA(parent, subKey, 0, KEY_ALL_ACCESS, &key);
  if (rc != ERROR_SUCCESS) return rc;
  // From the last sub key down, so deleting does not shift the ones still to visit.
  std::vector<std::string> children = SubKeys(key);
  for (auto it = children.rbegin(); it != children.rend() && rc == ERROR_SUCCESS; ++it)
    rc = DeleteKeyTree(key, it->c_str());
  RegCloseKey(key);
  return rc == ERROR_SUCCESS ? RegDeleteKeyA(parent, subKey) : rc;
}

HRESULT RegisterClass(REFCLSID clsid, const QString& displayName, const QString& modulePath,
                      bool apartment) {
  return Guarded([&]() -> HRESULT {
    const std::string key = ClassKey(clsid);
    if (!KeyExists(HKEY_CLASSES_ROOT, key + "\\Implemented Categories")) {
      const HRESULT hr = UnregisterClass(clsid);
      if (FAILED(hr)) return hr;
    }
    LONG rc = SetText(HKEY_CLASSES_ROOT, key, nullptr, Bytes(displayName));
    if (rc == ERROR_SUCCESS)
      rc = SetText(HKEY_CLASSES_ROOT, key + "\\InprocServer32", nullptr, Bytes(modulePath));
    if (rc == ERROR_SUCCESS && apartment)
      rc = SetText(HKEY_CLASSES_ROOT, key + "\\InprocServer32", "ThreadingModel", "Apartment");
    if (rc == ERROR_SUCCESS && !apartment) {
      HKEY server{};
      rc = RegOpenKeyExA(HKEY_CLASSES_ROOT, (key + "\\InprocServer32").c_str(), 0, KEY_ALL_ACCESS,
                         &server);
      if (rc == ERROR_SUCCESS) {
        rc = RegDeleteValueA(server, "ThreadingModel");
        if (rc == ERROR_FILE_NOT_FOUND) rc = ERROR_SUCCESS;
        RegCloseKey(server);
      }
    }
    return HresultFromWin32(rc);
  });
}

HRESULT UnregisterClass(REFCLSID clsid) {
  return Guarded([&]() -> HRESULT {
    const std::string key = ClassKey(clsid);
    const bool shared = KeyExists(HKEY_CLASSES_ROOT, key + "\\InprocServer");
    const LONG rc =
        DeleteKeyTree(HKEY_CLASSES_ROOT, (shared ? key + "\\InprocServer32" : key).c_str());
    return rc == ERROR_FILE_NOT_FOUND ? S_OK : HresultFromWin32(rc);
  });
}

}  // namespace com

HRESULT RegisterTypeLib(ITypeLib* library, LPCOLESTR fullPath, LPCOLESTR helpDir) {
  return com::Guarded([&]() -> HRESULT {
    using namespace com;
    if (!library || !fullPath) return E_INVALIDARG;
    TLIBATTR* attr = nullptr;
    HRESULT hr = library->GetLibAttr(&attr);
    if (FAILED(hr)) return hr;
    const TLIBATTR a = *attr;
    library->ReleaseTLibAttr(attr);

    BSTR name = nullptr, doc = nullptr;
    library->GetDocumentation(-1, &name, &doc, nullptr, nullptr);
    const QString title = SysStringLen(doc) ? ToQString(doc) : ToQString(name);
    SysFreeString(name);
    SysFreeString(doc);

    const std::string libid = FormatGuid(a.guid);
    const std::string version = VersionText(a.wMajorVerNum, a.wMinorVerNum);
    const std::string base = "TypeLib\\" + libid + "\\" + version;
    char lcid[16];
    std::snprintf(lcid, sizeof lcid, "%x", static_cast<unsigned>(a.lcid));
    LONG rc = SetText(HKEY_CLASSES_ROOT, base, nullptr, Bytes(title));
    if (rc == ERROR_SUCCESS)
      rc = SetText(HKEY_CLASSES_ROOT, base + "\\" + lcid + "\\win32", nullptr,
                   Bytes(QString::fromUtf16(fullPath)));
    if (rc == ERROR_SUCCESS) rc = SetText(HKEY_CLASSES_ROOT, base + "\\FLAGS", nullptr, "0");
    if (rc == ERROR_SUCCESS && helpDir)
      rc = SetText(HKEY_CLASSES_ROOT, base + "\\HELPDIR", nullptr,
                   Bytes(QString::fromUtf16(helpDir)));

    for (UINT i = 0; rc == ERROR_SUCCESS && i < library->GetTypeInfoCount(); ++i) {
      TYPEKIND kind{};
      if (FAILED(library->GetTypeInfoType(i, &kind)) || kind != TKIND_DISPATCH) continue;
      Ref<ITypeInfo> info;
      if (FAILED(library->GetTypeInfo(i, info.Out()))) continue;
      TYPEATTR* ta = nullptr;
      if (FAILED(info->GetTypeAttr(&ta))) continue;
      const GUID iid = ta->guid;
      info->ReleaseTypeAttr(ta);
      if (iid == GUID_NULL) continue;
      BSTR typeName = nullptr;
      info->GetDocumentation(MEMBERID_NIL, &typeName, nullptr, nullptr, nullptr);
      const std::string key = "Interface\\" + FormatGuid(iid);
      rc = SetText(HKEY_CLASSES_ROOT, key, nullptr, Bytes(ToQString(typeName)));
      SysFreeString(typeName);
      if (rc == ERROR_SUCCESS)
        rc = SetText(HKEY_CLASSES_ROOT, key + "\\ProxyStubClsid32", nullptr,
                     FormatGuid(kAutomationMarshaller));
      if (rc == ERROR_SUCCESS) rc = SetText(HKEY_CLASSES_ROOT, key + "\\TypeLib", nullptr, libid);
      if (rc == ERROR_SUCCESS)
        rc = SetText(HKEY_CLASSES_ROOT, key + "\\TypeLib", "Version", version);
    }
    return HresultFromWin32(rc);
  });
}

HRESULT UnRegisterTypeLib(REFGUID libid, WORD major, WORD minor, LCID, SYSKIND) {
  return com::Guarded([&]() -> HRESULT {
    using namespace com;
    const std::string id = FormatGuid(libid);
    const std::string version = VersionText(major, minor);
    const std::string libKey = "TypeLib\\" + id;
    LONG rc = DeleteKeyTree(HKEY_CLASSES_ROOT, (libKey + "\\" + version).c_str());
    if (rc == ERROR_FILE_NOT_FOUND) return TYPE_E_LIBNOTREGISTERED;
    if (rc != ERROR_SUCCESS) return HresultFromWin32(rc);

    HKEY lib{};
    if (RegOpenKeyExA(HKEY_CLASSES_ROOT, libKey.c_str(), 0, KEY_ALL_ACCESS, &lib) ==
        ERROR_SUCCESS) {
      const bool empty = SubKeys(lib).empty();
      RegCloseKey(lib);
      if (empty) rc = RegDeleteKeyA(HKEY_CLASSES_ROOT, libKey.c_str());
    }
    HKEY interfaces{};
    if (rc == ERROR_SUCCESS && RegOpenKeyExA(HKEY_CLASSES_ROOT, "Interface", 0, KEY_ALL_ACCESS,
                                             &interfaces) == ERROR_SUCCESS) {
      const std::vector<std::string> names = SubKeys(interfaces);
      for (auto it = names.rbegin(); it != names.rend() && rc == ERROR_SUCCESS; ++it) {
        const std::string typeLib = *it + "\\TypeLib";
        if (ReadText(interfaces, typeLib) == id &&
            ReadText(interfaces, typeLib, "Version") == version)
          rc = DeleteKeyTree(interfaces, it->c_str());
      }
      RegCloseKey(interfaces);
    }
    return HresultFromWin32(rc);
  });
}
