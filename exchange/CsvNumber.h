#pragma once
// The one reading of a number cell of an import, used by the row checks and by the
// import alike, and the one written form of a number in an export.

#include <QString>
#include <optional>

#include "platform/runtime/Currency.h"
#include "platform/runtime/LocaleInfo.h"

// The value of a number cell as the user's number settings read it (rt::StrictNumericCText:
// thousands separators only where they group digits), rounded to four decimals. A
// decimal point "." is read as well where the settings give "." no other meaning, so
// a file written by the export reads back under any settings that do not group with
// ".". Beyond the currency range the value is the nearest end of it. nullopt when the
// text is no number.
std::optional<rt::Currency> ReadCsvNumber(const QString& text, const rt::LocaleInfo& loc);

// The number as an export writes it, so that ReadCsvNumber reads it back under the same
// settings: no grouping, only as many decimals as the value needs, the decimal point
// "." ("12.5", "-3", "0.0001") unless the settings group digits with "."; then their
// own decimal separator ("12,5" in de_DE).
QString WriteCsvNumber(rt::Currency value, const rt::LocaleInfo& loc);
