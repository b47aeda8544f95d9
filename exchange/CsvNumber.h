#pragma once
// The one reading of a number cell of an import, used by the row checks and by the
// import alike, and the one written form of a number in an export.

#include <QString>
#include <optional>

#include "platform/runtime/Currency.h"
#include "platform/runtime/LocaleInfo.h"

// The value of a number cell, rounded to four decimals: a plain number with "." as
// decimal point (what the export writes: an optional "-", digits, at most one ".") reads
// as that under any settings; any other text as the user's number settings read it
// (rt::StrictNumericCText: thousands separators only where they group digits, so
// "1.500,5" in de_DE). Beyond the currency range the value is the nearest end of it.
// nullopt when the text is no number.
std::optional<rt::Currency> ReadCsvNumber(const QString& text, const rt::LocaleInfo& loc);

// The number as an export writes it, whatever the user's settings: no grouping, the
// decimal point ".", only as many decimals as the value needs ("12.5", "-3", "0.0001").
QString WriteCsvNumber(rt::Currency value);
