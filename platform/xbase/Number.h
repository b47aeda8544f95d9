#pragma once
// The text of numbers in the engine's files and keys, the same in every locale: written
// as the C locale's printf writes them, read with '.' as the decimal point
// (std::to_chars / std::from_chars; nothing here looks at the process's locale). Also
// the repair of number fields that a writer formatting in a locale with a decimal comma
// left with a comma in their point's place.

#include <cstddef>
#include <vector>

#include "platform/xbase/DbfHeader.h"

namespace xb {

// The "%.*f" text of the value (dec decimals, rounded half to even on its binary value):
// its length, or -1 when it does not fit the `size` bytes at buf. No NUL is written.
int FixedText(double value, int dec, char* buf, size_t size);
// The "%.*g" text of the value likewise.
int GeneralText(double value, int precision, char* buf, size_t size);

// Where a number field of `dec` decimals holds a comma in its decimal point's place
// ("  -12,3400": blanks, an optional minus, digits, the comma, then exactly `dec` digits
// to the field's end); kNoDecimalComma for every other text, grouping commas
// ("1,234.50", "1,234,567") and a field without decimals among them.
inline constexpr size_t kNoDecimalComma = static_cast<size_t>(-1);
size_t DecimalCommaAt(const char* field, size_t len, unsigned dec);

// Puts the point in the place of the decimal comma of every number field of the record
// that holds one; the count of fields changed. Every other byte stays.
size_t RepairDecimalCommas(char* record, const std::vector<FieldDef>& fields);

// Value of a number's text: blanks are 0, the text stops at the first character that
// cannot belong to a number. dec > 0: the text of a number field of that many decimals,
// whose decimal comma (DecimalCommaAt) reads as its point.
double ParseNumber(const char* text, size_t len, unsigned dec = 0);

}  // namespace xb
