#include "platform/registry/Registry.h"

#include <cstring>
#include <mutex>
#include <unordered_map>
#include <vector>

#include "platform/registry/HiveStore.h"

namespace {

using reg::Hive;
using reg::HiveStore;
using reg::Key;

// What a handle names: a key path (normalized) in one hive.
struct OpenKey {
  HiveStore* store = nullptr;
  std::string path;
};

struct Registry {
  std::mutex mutex;
  HiveStore currentUser{QStringLiteral("HKEY_CURRENT_USER")};
  HiveStore classesRoot{QStringLiteral("HKEY_CLASSES_ROOT")};
  std::unordered_map<std::uint32_t, OpenKey> handles;
  std::uint32_t nextHandle = 1;
};

Registry& Reg() {
  static Registry registry;
  return registry;
}

constexpr std::uint32_t kPredefinedBase = 0x80000000u;

bool Resolve(Registry& r, HKEY hkey, OpenKey& out) {
  if (hkey == HKEY_CURRENT_USER) {
    out = OpenKey{&r.currentUser, {}};
    return true;
  }
  if (hkey == HKEY_CLASSES_ROOT) {
    out = OpenKey{&r.classesRoot, {}};
    return true;
  }
  const auto it = r.handles.find(static_cast<std::uint32_t>(hkey));
  if (it == r.handles.end()) return false;
  out = it->second;
  return true;
}

std::string SubPath(const std::string& base, LPCSTR subKey) {
  if (!subKey || !*subKey) return base;
  return reg::NormalizePath(base + '\\' + subKey);
}

std::string_view NameOf(LPCSTR valueName) { return valueName ? valueName : ""; }

HKEY NewHandle(Registry& r, OpenKey key) {
  std::uint32_t id = r.nextHandle;
  while (id == 0 || id >= kPredefinedBase || r.handles.contains(id))
    id = id + 1 < kPredefinedBase ? id + 1 : 1;
  r.nextHandle = id + 1;
  r.handles.emplace(id, std::move(key));
  return HKEY{id};
}

// The key a handle names, in the hive as read; sets rc when it cannot be had.
template <typename HiveT>
auto KeyOf(HiveT& hive, const OpenKey& key, LONG& rc) {
  auto* k = hive.FindKey(key.path);
  rc = k ? ERROR_SUCCESS : ERROR_KEY_DELETED;
  return k;
}

// Sets one value of the key at `path`, which is the handle's own key or, with `create`,
// a key below it made when missing. Writes only when the value changes.
LONG SetValue(const OpenKey& base, const std::string& path, bool create, std::string_view name,
              DWORD type, std::string data) {
  return base.store->Update([&](Hive& hive, bool& modified) {
    LONG rc = ERROR_SUCCESS;
    Key* k = KeyOf(hive, base, rc);
    if (!k) return rc;
    if (create) k = &hive.CreateKey(path);
    const reg::Value* old = k->FindValue(name);
    modified = !old || old->type != type || old->data != data;
    if (modified) k->SetValue(name, type, std::move(data));
    return ERROR_SUCCESS;
  });
}

// Opens (with `create`: creates when missing) subKey below hkey as a new handle.
LONG OpenKeyBelow(HKEY hkey, LPCSTR subKey, bool create, HKEY* result) {
  if (!result) return ERROR_INVALID_PARAMETER;
  Registry& r = Reg();
  const std::lock_guard guard(r.mutex);
  OpenKey base;
  if (!Resolve(r, hkey, base)) return ERROR_INVALID_HANDLE;
  OpenKey key{base.store, SubPath(base.path, subKey)};

  const Hive* current = key.store->Read();
  if (!current && !create) return ERROR_CANTREAD;
  if (!current || !current->FindKey(key.path)) {
    if (!create) return ERROR_FILE_NOT_FOUND;
    const LONG rc = key.store->Update([&](Hive& hive, bool& modified) {
      LONG found = ERROR_SUCCESS;
      if (!KeyOf(hive, base, found)) return found;
      modified = !hive.FindKey(key.path);
      hive.CreateKey(key.path);
      return ERROR_SUCCESS;
    });
    if (rc != ERROR_SUCCESS) return rc;
  }
  *result = NewHandle(r, std::move(key));
  return ERROR_SUCCESS;
}

}  // namespace

LONG RegCreateKeyA(HKEY hkey, LPCSTR subKey, HKEY* result) {
  return OpenKeyBelow(hkey, subKey, true, result);
}

LONG RegOpenKeyExA(HKEY hkey, LPCSTR subKey, DWORD /*options*/, REGSAM /*samDesired*/,
                   HKEY* result) {
  return OpenKeyBelow(hkey, subKey, false, result);
}

LONG RegSetValueExA(HKEY hkey, LPCSTR valueName, DWORD /*reserved*/, DWORD type,
                    const BYTE* data, DWORD cbData) {
  if (!data && cbData > 0) return ERROR_INVALID_PARAMETER;
  Registry& r = Reg();
  const std::lock_guard guard(r.mutex);
  OpenKey key;
  if (!Resolve(r, hkey, key)) return ERROR_INVALID_HANDLE;
  std::string bytes =
      cbData ? std::string(reinterpret_cast<const char*>(data), cbData) : std::string();
  return SetValue(key, key.path, false, NameOf(valueName), type, std::move(bytes));
}

LONG RegQueryValueExA(HKEY hkey, LPCSTR valueName, DWORD* reserved, DWORD* type, BYTE* data,
                      DWORD* cbData) {
  if (reserved || (data && !cbData)) return ERROR_INVALID_PARAMETER;
  Registry& r = Reg();
  const std::lock_guard guard(r.mutex);
  OpenKey key;
  if (!Resolve(r, hkey, key)) return ERROR_INVALID_HANDLE;
  const Hive* hive = key.store->Read();
  if (!hive) return ERROR_CANTREAD;
  LONG rc = ERROR_SUCCESS;
  const Key* k = KeyOf(*hive, key, rc);
  if (!k) return rc;
  const reg::Value* v = k->FindValue(NameOf(valueName));
  if (!v) return ERROR_FILE_NOT_FOUND;

  if (type) *type = v->type;
  const auto size = static_cast<DWORD>(v->data.size());
  if (!data) {
    if (cbData) *cbData = size;
    return ERROR_SUCCESS;
  }
  if (*cbData < size) {
    *cbData = size;
    return ERROR_MORE_DATA;
  }
  if (size) std::memcpy(data, v->data.data(), size);
  *cbData = size;
  return ERROR_SUCCESS;
}

LONG RegSetValueA(HKEY hkey, LPCSTR subKey, DWORD type, LPCSTR data, DWORD /*cbData*/) {
  if (type != REG_SZ || !data) return ERROR_INVALID_PARAMETER;
  Registry& r = Reg();
  const std::lock_guard guard(r.mutex);
  OpenKey base;
  if (!Resolve(r, hkey, base)) return ERROR_INVALID_HANDLE;
  std::string text(data, std::strlen(data) + 1);  // with its NUL, as on Windows
  return SetValue(base, SubPath(base.path, subKey), true, "", REG_SZ, std::move(text));
}

LONG RegDeleteKeyA(HKEY hkey, LPCSTR subKey) {
  if (!subKey) return ERROR_INVALID_PARAMETER;
  Registry& r = Reg();
  const std::lock_guard guard(r.mutex);
  OpenKey base;
  if (!Resolve(r, hkey, base)) return ERROR_INVALID_HANDLE;
  const std::string path = SubPath(base.path, subKey);
  return base.store->Update([&](Hive& hive, bool& modified) {
    LONG rc = ERROR_SUCCESS;
    if (!KeyOf(hive, base, rc)) return rc;
    if (!hive.FindKey(path)) return ERROR_FILE_NOT_FOUND;
    if (!hive.DeleteKey(path)) return ERROR_ACCESS_DENIED;
    modified = true;
    return ERROR_SUCCESS;
  });
}

LONG RegDeleteValueA(HKEY hkey, LPCSTR valueName) {
  Registry& r = Reg();
  const std::lock_guard guard(r.mutex);
  OpenKey key;
  if (!Resolve(r, hkey, key)) return ERROR_INVALID_HANDLE;
  return key.store->Update([&](Hive& hive, bool& modified) {
    LONG rc = ERROR_SUCCESS;
    Key* k = KeyOf(hive, key, rc);
    if (!k) return rc;
    if (!k->DeleteValue(NameOf(valueName))) return ERROR_FILE_NOT_FOUND;
    modified = true;
    return ERROR_SUCCESS;
  });
}

LONG RegEnumKeyExA(HKEY hkey, DWORD index, LPSTR name, DWORD* cchName, DWORD* reserved,
                   LPSTR keyClass, DWORD* cchClass, FILETIME* lastWriteTime) {
  if (!name || !cchName || reserved || (keyClass && !cchClass)) return ERROR_INVALID_PARAMETER;
  Registry& r = Reg();
  const std::lock_guard guard(r.mutex);
  OpenKey key;
  if (!Resolve(r, hkey, key)) return ERROR_INVALID_HANDLE;
  const Hive* hive = key.store->Read();
  if (!hive) return ERROR_CANTREAD;
  LONG rc = ERROR_SUCCESS;
  if (!KeyOf(*hive, key, rc)) return rc;
  const std::vector<std::string> names = hive->SubKeyNames(key.path);
  if (index >= names.size()) return ERROR_NO_MORE_ITEMS;
  const std::string& found = names[index];
  if (found.size() >= *cchName) return ERROR_MORE_DATA;
  std::memcpy(name, found.c_str(), found.size() + 1);
  *cchName = static_cast<DWORD>(found.size());
  if (keyClass && *cchClass) *keyClass = '\0';
  if (cchClass) *cchClass = 0;
  if (lastWriteTime) *lastWriteTime = FILETIME{};
  return ERROR_SUCCESS;
}

LONG RegCloseKey(HKEY hkey) {
  if (static_cast<std::uint32_t>(hkey) >= kPredefinedBase) {
    return hkey == HKEY_CURRENT_USER || hkey == HKEY_CLASSES_ROOT ? ERROR_SUCCESS
                                                                  : ERROR_INVALID_HANDLE;
  }
  Registry& r = Reg();
  const std::lock_guard guard(r.mutex);
  return r.handles.erase(static_cast<std::uint32_t>(hkey)) ? ERROR_SUCCESS : ERROR_INVALID_HANDLE;
}
