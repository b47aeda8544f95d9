#pragma once
// Tags and seeks of the stores. Text look-ups on character tags seek the whole value:
// the text trimmed, upper-cased as the engine's UPPER() makes it where the tag is, and
// blank-padded beyond any key length, so the engine's prefix match becomes a match of
// the whole key. An empty text finds nothing. Codes are recorded on the session;
// errors throw.

#include <QString>
#include <cstdint>
#include <string>

#include "database/store/Session.h"

struct DATA4;

namespace store {

// Upper case as UPPER() makes it (code page 1252, letter by letter).
QString Upper(const QString& text);
// The seek text that matches a character key only as a whole; empty for an empty key.
std::string WholeKey(const QString& key, bool upper);

// Selects the named tag; throws e4tagName when the table has none of that name.
void SelectTag(const Session& s, DATA4* tb, const char* name);
// d4seek of a whole key (r4eof for an empty key); d4seekDouble.
int SeekWhole(const Session& s, DATA4* tb, const std::string& wholeKey);
int SeekNumber(const Session& s, DATA4* tb, double value);

}  // namespace store
