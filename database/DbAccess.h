#pragma once
// Small helpers shared by the clsDB topic files: the caller's table or one opened, engine
// results turned into errors, tag and field look-ups that fail loudly, and the
// whole-value seek on a character tag. The helpers that call the engine take the clsDB
// they work for and record its result there. Internal to database/.

#include <QString>
#include <cstdint>
#include <functional>
#include <optional>
#include <string>

#include "database/clsDB.h"
#include "database/store/Session.h"

class QVariant;

struct DATA4;
struct FIELD4;

namespace dbaccess {

// The caller's open table (left open), or the table at `path` opened through `db` (its
// "Unable to open: " box on failure) for this operation.
store::Table UseTable(DATA4* open, const QString& path, clsDB& db);

// Records the code on `db`; throws an error (number = the code) when it is negative,
// returns it otherwise.
int Check(clsDB& db, int rc, const char* call);
// Selects the named tag; throws when the table has none of that name.
void SelectTag(clsDB& db, DATA4* tb, const QString& name);
// The named field; throws when the table has none of that name.
FIELD4* Field(DATA4* tb, const QString& name);
// The field's value as a 32-bit whole number; throws Overflow outside that range.
int32_t Long32(FIELD4* f);

// Inside a catch block: makes the exception the pending error and reports it.
void ReportTrapped(const char* label);
// A store's failure as the user reads it: a table that did not open gives the
// "Unable to open: " box, an error the report `label` (the error made pending), a
// locked record the critical box `lockedMessage` when one is given; a missing row, a
// refused append or a row another user changed shows nothing.
void Report(const store::Status& status, const char* label, const QString& lockedMessage = {});

// Asks whether to write the user's entries over another user's change to the record
// (`noun` and its `name`): true for Yes.
bool OverwriteOtherChange(const QString& noun, const QString& name);
// Saves an edited row through `write` (given the row the record loaded, or null when
// it loaded none). While another user's change since then is found (kChanged), the
// user is asked, naming the record: Yes writes the entries over the stored row, No
// takes the stored row into the record (`take`) and gives kChanged. `loaded` is the
// written row after a save, the stored row after No, and as before on any other
// failure.
template <class Row, class Write, class Reread, class Name, class Take>
store::Status SaveAsking(std::optional<Row>& loaded, const QString& noun, Write write, Reread reread, Name name,
                         Take take) {
  const std::optional<Row> before = loaded;
  store::Status status = write(loaded ? &*loaded : nullptr);
  while (status.is(store::Failure::kChanged)) {
    const store::Result<Row> stored = reread();
    if (!stored.ok()) {
      status = stored.status;
      break;
    }
    loaded = stored.value;
    if (!OverwriteOtherChange(noun, name(stored.value))) {
      take(stored.value);
      return status;
    }
    status = write(&*loaded);
  }
  if (!status.ok()) loaded = before;
  return status;
}

// The locked-record texts of the counters and of the parameter table.
QString NextIdLockedText();
QString ParamLockedText();

// Upper case as the engine's UPPER() makes it (code page 1252, letter by letter), so
// a text upper-cased here equals its key in an UPPER() tag.
QString Upper(const QString& text);

// The seek text that matches a character key only as a whole: the key trimmed (and
// upper-cased when `upper`), padded with blanks beyond any key length, so the engine's
// prefix match becomes a match of the whole blank-padded key. Empty for an empty key.
std::string WholeKey(const QString& key, bool upper);

// The numeric value of a key (a number, or stored text that reads as one: rt::ParseStored);
// none otherwise.
std::optional<double> NumericKey(const QVariant& key);

using store::EngineCodeText;

// A file of the database in `folder`: as spelled on disk when it exists in any letter
// case (a folder made on another system may hold SVLPROD.DBF), else `file` as given.
QString FileIn(const QString& folder, const QString& file);

}  // namespace dbaccess
