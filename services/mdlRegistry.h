#pragma once
// mdlRegistry: the program's only access to the registry. Per-user settings are text
// values under HKEY_CURRENT_USER\Software\Dornvale\Stovrel\Pref, written without a
// terminating NUL and read back as text or number; a missing value reads as "" or 0.
// Names and texts cross as code page 1252 (rt::ToCp1252 / FromCp1252). Registry
// failures never raise: writes report false, reads give "" or 0.
// Also two small text procedures. Call from the user-interface thread.

#include <QString>
#include <cstdint>

#include "platform/registry/Registry.h"

namespace mdlRegistry {

// The key every Pref* procedure works on.
inline constexpr char kPrefKey[] = "Software\\Dornvale\\Stovrel\\Pref";

// Writes a text value under HKEY_CURRENT_USER\keyPath (creating missing keys); an empty
// value name sets the key's default value. True when the write succeeded.
bool RegSaveString(const QString& keyPath, const QString& data, const QString& valueName);

// Reads a value of hive\keyPath, whatever its length. Text values end at the first NUL;
// a REG_DWORD reads as "&h" and eight hex digits; any other type leaves `value` as it
// was passed in. False (and `value` empty) when the key or the value cannot be read.
bool RegGetString(HKEY hive, const QString& keyPath, const QString& valueName, QString& value);

void PrefSaveLong(const QString& valueName, int32_t value);
void PrefSaveString(const QString& valueName, const QString& value);
// The numeric value of the stored text rounded half to even; 0 when the value is
// absent, not numeric or outside the 32-bit range (never an error, never clamped).
int32_t PrefGetLong(const QString& valueName);
QString PrefGetString(const QString& valueName);

// The text padded with the first character of `fill` to exactly `length` characters,
// on the right when side is 2, else on the left; a longer text is cut to `length`
// (a negative length counts as 0). With an empty fill text a short text stays as it is.
QString StrPadToLength(const QString& text, int16_t length, const QString& fill, int32_t side);

// Cuts `stopChar` to its first character (the caller sees the cut) and returns the text
// before its first occurrence, or the whole text when it does not occur or is empty.
QString StrUpToChar(const QString& text, QString& stopChar);

}  // namespace mdlRegistry
