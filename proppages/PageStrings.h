#pragma once
// The string table of the property pages library and the messages built from it.

#include <initializer_list>

#include "platform/com/Types.h"
#include "proppages/CPageString.h"

namespace qvp {

inline constexpr UINT kStrLibraryName = 1001;
inline constexpr UINT kStrErrorSettingProperty = 1011;
inline constexpr UINT kStrErrorLoadingFile = 1012;
inline constexpr UINT kMsgVersionKeyMissing = 42504;
inline constexpr UINT kMsgVersionValueMissing = 42506;

// The text of a string id (at most 255 characters); null for an id the table lacks.
const char* PageStringText(UINT id);

// Loads a string into text; without the id the text becomes empty. False then.
bool LoadPageMessage(UINT id, CPageString& text);
// Loads a message and fills in its "|1".."|9" placeholders.
bool LoadPageMessage(UINT id, CPageString& text, std::initializer_list<const char*> args);

// An error box for a file that cannot be loaded: the text under the caption
// "Error Loading File", with the error icon.
void ShowLoadErrorBox(const CPageString& text);

// The default value of the sub key `valueName` of the pages' version key
// (Quorvane.PropertyPages\Version1 under HKEY_CLASSES_ROOT), at most 260 bytes. E_FAIL
// when a key or the value is missing; then `error`, when given, gets message 42504
// (keys) or 42506 (value).
HRESULT ReadVersionKeyString(const char* valueName, CPageString& out, CPageString* error = nullptr);

}  // namespace qvp
