#pragma once
// The stored form of every table of a database folder: fields (name, type, width,
// decimals) and index tags (field, key form, direction), the rows the counter and
// parameter templates carry, and the template file names. The template generator
// (database/tools/make_templates.cpp) writes the templates from these definitions;
// the program itself never creates a table from them. Plain data, no Qt; see
// docs/database.md for the reasons behind the widths and keys.

#include <cstdint>
#include <string>
#include <string_view>
#include <vector>

namespace dbschema {

// How a tag's key is made from its one field.
enum class KeyForm {
  kNumber,    // the numeric field: numeric key, seek with a number or its decimal text
  kUpper,     // UPPER(field): texts found and ordered without regard to case
  kAsStored,  // the field's bytes as stored
  kDate,      // DTOS(field): YYYYMMDD text
};

struct Field {
  const char* name;
  char type;  // 'C', 'N', 'L', 'D' or 'M'
  int len;
  int dec;
};

struct Tag {
  const char* name;
  const char* field;
  KeyForm form;
  bool descending;
};

struct Table {
  const char* name;  // file name without extension, e.g. "svlprod"
  std::vector<Field> fields;
  std::vector<Tag> tags;
  // Shipped under the table's own names (.dbf/.cdx) instead of .db_/.cd_/.fp_.
  bool shippedAsIs = false;

  bool HasMemo() const;
  const Field* FindField(std::string_view name) const;  // case-insensitive
};

// Every tag holds only live rows.
inline constexpr char kTagFilter[] = "!DELETED()";

// The database version a new database starts at (the "dbversion" counter row).
inline constexpr int32_t kDbVersion = 6;

// The seven tables, in a fixed order: svlprod, svltran, svlcat, svlid, svlparam,
// svluser, svlrepcols.
const std::vector<Table>& Tables();
const Table* FindTable(std::string_view name);

// The key expression of a tag ("UPPER(partno)", "DTOS(trandate)", "rowid").
std::string KeyExpression(const Tag& tag);

// Template file name of a table file: "svlprod" + "dbf" -> "svlprod.db_";
// a table shipped as it is keeps "svlrepcols.dbf".
std::string TemplateFileName(const Table& table, std::string_view ext);

// Rows of the counters template: key and the next value it gives out.
struct CounterRow {
  const char* key;
  int32_t next;
};
const std::vector<CounterRow>& TemplateCounters();

// Rows of the parameter template: the built-in report definitions.
struct ParamRow {
  const char* sid;
  const char* value;
};
const std::vector<ParamRow>& TemplateParams();

}  // namespace dbschema
