#pragma once
// Task memory and BSTRs. A BSTR points at UTF-16 characters preceded by a 32-bit byte
// count and followed by a NUL character; a null BSTR is the empty string. Whoever
// receives a BSTR from a call owns it and frees it with SysFreeString; task memory is
// freed with CoTaskMemFree. All functions are thread-safe.

#include <QString>
#include <string_view>

#include "platform/com/Types.h"

void* CoTaskMemAlloc(std::size_t size);
void* CoTaskMemRealloc(void* block, std::size_t size);
void CoTaskMemFree(void* block);

// A copy of the NUL-terminated text; null for a null text or when memory runs out.
BSTR SysAllocString(LPCOLESTR text);
// length characters copied from text (zeros when text is null); null when the length
// cannot be represented or memory runs out.
BSTR SysAllocStringLen(LPCOLESTR text, UINT length);
// Replaces *target by a copy of text; FALSE (and *target unchanged) on failure.
BOOL SysReAllocString(BSTR* target, LPCOLESTR text);
void SysFreeString(BSTR text);
// Characters, not counting the terminator; 0 for null.
UINT SysStringLen(BSTR text);
UINT SysStringByteLen(BSTR text);

namespace com {

BSTR AllocBstr(std::u16string_view text);
BSTR AllocBstr(const QString& text);
// The text of a BSTR (embedded NULs kept); empty for null.
QString ToQString(BSTR text);
std::u16string_view View(BSTR text);

}  // namespace com
