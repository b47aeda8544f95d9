#pragma once
// Typed field sets: the fields of a table looked up once, when the table is open, by
// the names the schema (database/Schema.cpp) gives them; records are then read and
// written through the handles. This is also the code page edge of the store layer:
// the engine holds code page 1252 bytes, the stores give and take QString, and field
// values are converted here (seek keys in Seek.h).
//
// A field set is valid while its table stays open. A missing field throws
// (e4fieldName), as does a whole number outside 32 bits (Overflow).

#include <QString>
#include <array>
#include <cstdint>

#include "platform/runtime/Currency.h"

struct DATA4;
struct FIELD4;

namespace store {

// The field of that name; throws e4fieldName when the table has none.
FIELD4* FieldOf(DATA4* tb, const char* name);

// Contents of the current record. Text is padded to the field width (not trimmed).
QString Text(FIELD4* f);
// Text without the leading and trailing white space (as QString::trimmed), decoded
// from the trimmed bytes alone.
QString TrimmedText(FIELD4* f);
// The memo whole; throws when it cannot be read (MemoReadable false).
QString Memo(FIELD4* f);
// False when the memo the field refers to lies outside its damaged memo file.
bool MemoReadable(FIELD4* f);
// False when the memo field refers to no memo block (blank or zero): nothing to read.
bool HasMemo(FIELD4* f);
int32_t Long32(FIELD4* f);
rt::Currency Amount(FIELD4* f);
// The field's number as f4double reads it, with Amount(f) in `amount`, from one reading
// of a plain text.
double NumberAndAmount(FIELD4* f, rt::Currency* amount);

// Writes; each returns the engine's code (a text beyond 2 GiB: e4overflow).
int AssignText(FIELD4* f, const QString& text);
int AssignMemo(FIELD4* f, const QString& text);

// svlid: one counter per row.
struct CounterFields {
  static constexpr char kTable[] = "svlid";
  static constexpr std::array<const char*, 2> kNames = {"tblname", "lastid"};
  explicit CounterFields(DATA4* tb);
  FIELD4* tblname;
  FIELD4* lastid;
};

// svlparam: named text values.
struct ParamFields {
  static constexpr char kTable[] = "svlparam";
  static constexpr std::array<const char*, 2> kNames = {"sid", "value"};
  explicit ParamFields(DATA4* tb);
  FIELD4* sid;
  FIELD4* value;
};

// svlcat: the entries of the lists.
struct CategoryFields {
  static constexpr char kTable[] = "svlcat";
  static constexpr std::array<const char*, 3> kNames = {"rowid", "desc", "type"};
  explicit CategoryFields(DATA4* tb);
  FIELD4* rowid;
  FIELD4* desc;
  FIELD4* type;
};

// A product is hidden when its flag (svlprod.hide) reads "T" (trimmed, any case).
bool ProductHidden(FIELD4* hide);

// svlprod: the products.
struct ProductFields {
  static constexpr char kTable[] = "svlprod";
  static constexpr std::array<const char*, 18> kNames = {
      "rowid",    "partno", "prodname", "location", "groupid", "hide",    "reordlev", "reordqty", "leadtime",
      "manuf",    "vendor", "stdcost",  "stdprice", "custom1", "custom2", "custom3",  "custom4",  "notes"};
  explicit ProductFields(DATA4* tb);
  bool Hidden() const { return ProductHidden(hide); }
  FIELD4 *rowid, *partno, *prodname, *location, *groupid, *hide, *reordlev, *reordqty, *leadtime, *manuf, *vendor,
      *stdcost, *stdprice;
  std::array<FIELD4*, 4> custom;
  FIELD4* notes;
};

// svltran: the transactions (whseid is not used).
struct TranFields {
  static constexpr char kTable[] = "svltran";
  static constexpr std::array<const char*, 9> kNames = {"rowid",   "prodid", "trandate", "trantype",  "units",
                                                        "unitprc", "notes",  "catid",    "shipmethod"};
  explicit TranFields(DATA4* tb);
  FIELD4* rowid;
  FIELD4* prodid;
  FIELD4* trandate;
  FIELD4* trantype;
  FIELD4* units;
  FIELD4* unitprc;
  FIELD4* notes;
  FIELD4* catid;
  FIELD4* shipmethod;
};

}  // namespace store
