#pragma once
// Module1: the text side of the engine's field access. The engine works in code page
// 1252 bytes; these turn field contents, memos, names and byte strings into program
// text and back. Field handles come from d4field and stay valid until their table is
// closed. A null field or address reads as "".

#include <QString>

struct FIELD4;

namespace Module1 {

// The field's contents in the current record, padded to the field width (not trimmed).
QString FieldText(FIELD4* field);
// The memo's whole text.
QString MemoText(FIELD4* field);
// Stores the text (cut to the field width by the engine); returns the engine's code.
int FieldAssignText(FIELD4* field, const QString& text);
// The field's name as the table stores it.
QString FieldNameText(FIELD4* field);
// A NUL-terminated byte string (at most 255 bytes read).
QString TextFromAddress(const char* address);
// The stored date text (YYYYMMDD) in `picture` (YYYY, YY, MM, MMM, DD; other
// characters as they stand), as many characters as the picture has.
void DateFormatText(const QString& dateText, QString& result, const QString& picture);

}  // namespace Module1
