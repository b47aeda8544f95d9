#pragma once
// The registry call surface the program's code uses, with the Windows names, argument
// order and return codes. Keys live in hive files (see HiveStore.h); key and value
// names are byte strings in code page 1252, compared without regard to case.
//
// Handles are small opaque values. A handle names a key, not a snapshot: every call
// reads the current file, so an open handle sees later writes of this or any other
// process. Each setting call is one locked read-modify-write of the hive file.
// Access masks are accepted and not enforced (the files belong to one user).
// Thread-safe: one mutex guards the handle table and the hive caches.

#include <cstdint>

using BYTE = std::uint8_t;
using DWORD = std::uint32_t;
using LONG = std::int32_t;
using REGSAM = std::uint32_t;
using LPCSTR = const char*;
using LPSTR = char*;

// A time stamp of a key (not kept: always zero).
struct FILETIME {
  DWORD dwLowDateTime = 0;
  DWORD dwHighDateTime = 0;
};

// A key handle: one of the predefined hives or a handle returned by an open call.
enum class HKEY : std::uint32_t {};

inline constexpr HKEY HKEY_CLASSES_ROOT{0x80000000u};
inline constexpr HKEY HKEY_CURRENT_USER{0x80000001u};

// Value types.
inline constexpr DWORD REG_NONE = 0;
inline constexpr DWORD REG_SZ = 1;
inline constexpr DWORD REG_EXPAND_SZ = 2;
inline constexpr DWORD REG_BINARY = 3;
inline constexpr DWORD REG_DWORD = 4;
inline constexpr DWORD REG_MULTI_SZ = 7;

// Access rights (accepted, not enforced).
inline constexpr REGSAM KEY_QUERY_VALUE = 0x0001;
inline constexpr REGSAM KEY_SET_VALUE = 0x0002;
inline constexpr REGSAM KEY_CREATE_SUB_KEY = 0x0004;
inline constexpr REGSAM KEY_ENUMERATE_SUB_KEYS = 0x0008;
inline constexpr REGSAM KEY_NOTIFY = 0x0010;
inline constexpr REGSAM KEY_CREATE_LINK = 0x0020;
inline constexpr REGSAM KEY_READ = 0x20019;
inline constexpr REGSAM KEY_WRITE = 0x20006;
inline constexpr REGSAM KEY_ALL_ACCESS = 0xF003F;

// Return codes.
inline constexpr LONG ERROR_SUCCESS = 0;
inline constexpr LONG ERROR_FILE_NOT_FOUND = 2;
inline constexpr LONG ERROR_ACCESS_DENIED = 5;
inline constexpr LONG ERROR_INVALID_HANDLE = 6;
inline constexpr LONG ERROR_INVALID_PARAMETER = 87;
inline constexpr LONG ERROR_MORE_DATA = 234;
inline constexpr LONG ERROR_NO_MORE_ITEMS = 259;
inline constexpr LONG ERROR_BADKEY = 1010;
inline constexpr LONG ERROR_CANTREAD = 1012;
inline constexpr LONG ERROR_CANTWRITE = 1013;  // the hive file could not be written
inline constexpr LONG ERROR_KEY_DELETED = 1018;

// Opens subKey below hkey, creating every missing key on the way; an empty or null
// subKey opens hkey itself (as a new handle).
LONG RegCreateKeyA(HKEY hkey, LPCSTR subKey, HKEY* result);

// Opens an existing key; ERROR_FILE_NOT_FOUND when it does not exist.
LONG RegOpenKeyExA(HKEY hkey, LPCSTR subKey, DWORD options, REGSAM samDesired, HKEY* result);

// Stores cbData bytes of data as the value (empty or null name: the default value).
// The bytes are kept exactly; a REG_SZ value has a terminating NUL only when given one.
LONG RegSetValueExA(HKEY hkey, LPCSTR valueName, DWORD reserved, DWORD type, const BYTE* data,
                    DWORD cbData);

// Reads a value. type may be null. With data null, *cbData receives the size; with a
// buffer smaller than the value, ERROR_MORE_DATA and *cbData the size needed; otherwise
// the bytes are copied and *cbData is their count.
LONG RegQueryValueExA(HKEY hkey, LPCSTR valueName, DWORD* reserved, DWORD* type, BYTE* data,
                      DWORD* cbData);

// Sets the default value of subKey (created when missing) to the text in data, which
// must be REG_SZ. As on Windows the text is stored with a terminating NUL; it ends at
// the first NUL within cbData bytes (cbData bytes when there is none).
LONG RegSetValueA(HKEY hkey, LPCSTR subKey, DWORD type, LPCSTR data, DWORD cbData);

// Deletes subKey below hkey (an empty subKey: hkey's own key), which must have no sub
// keys: ERROR_ACCESS_DENIED when it has some or is a hive's root, ERROR_FILE_NOT_FOUND
// when it does not exist. Handles still open on it then answer ERROR_KEY_DELETED.
LONG RegDeleteKeyA(HKEY hkey, LPCSTR subKey);

// Deletes one value (empty or null name: the default value); ERROR_FILE_NOT_FOUND when
// the key has none of that name.
LONG RegDeleteValueA(HKEY hkey, LPCSTR valueName);

// The name of the index-th direct sub key (in case-folded order) into name, whose size
// *cchName counts characters with the terminating NUL; on success *cchName is the
// length without it. ERROR_MORE_DATA when the buffer is too small, ERROR_NO_MORE_ITEMS
// past the last sub key. Key classes and times are not kept: *cchClass becomes 0 and
// the time zero. Enumerating while deleting works from the highest index down.
LONG RegEnumKeyExA(HKEY hkey, DWORD index, LPSTR name, DWORD* cchName, DWORD* reserved,
                   LPSTR keyClass, DWORD* cchClass, FILETIME* lastWriteTime);

// Releases a handle; closing a predefined hive is a no-op.
LONG RegCloseKey(HKEY hkey);
