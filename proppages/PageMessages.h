#pragma once
// Messages of the property pages: placeholders "|1" .. "|9" filled in with texts.

#include <initializer_list>

#include "proppages/CPageString.h"

namespace qvp {

// Replaces the first "|n" of the text with argument n (1-based, at most nine; a null
// argument ends the list). Placeholders are found in the text as given only, so a
// "|2" that argument 1 brings in stays as it is; a placeholder without an argument
// stays unchanged, and an empty text is left alone.
void SubstituteMessageArgs(CPageString& text, std::initializer_list<const char*> args);

}  // namespace qvp
