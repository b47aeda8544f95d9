#pragma once
// Locale queries in the classic call form, answered from QLocale() (the default
// locale at the time of the call). Texts are written as UTF-8 bytes, the narrow code
// page of this platform.

#include <cstdint>

namespace ui {

using LCID = uint32_t;

inline constexpr LCID LOCALE_SYSTEM_DEFAULT = 0x0800;
inline constexpr LCID LOCALE_USER_DEFAULT = 0x0400;

// Information types.
inline constexpr int LOCALE_SDECIMAL = 14;
inline constexpr int LOCALE_STHOUSAND = 15;
inline constexpr int LOCALE_SCURRENCY = 20;
inline constexpr int LOCALE_SMONDECIMALSEP = 22;
inline constexpr int LOCALE_SMONTHOUSANDSEP = 23;
inline constexpr int LOCALE_SSHORTDATE = 31;
inline constexpr int LOCALE_SLONGDATE = 32;

// The user's default locale id (LOCALE_USER_DEFAULT: whatever QLocale() is).
LCID GetUserDefaultLCID();

// Copies the value of `type` for `lcid`, NUL-terminated, into `buffer` of `length`
// bytes and returns the bytes written including the NUL. With `length` 0 nothing is
// written and the needed length (NUL included) is returned. Returns 0 for an unknown
// locale id or type, or when `buffer` is too small. An empty value gives 1 (the NUL).
// Locale ids accepted: 0, LOCALE_USER_DEFAULT and LOCALE_SYSTEM_DEFAULT.
int GetLocaleInfoA(LCID lcid, int type, char* buffer, int length);

}  // namespace ui
