#pragma once
// The files of one table: the .dbf and, beside it with the same name, the .fpt memo
// file and the structural .cdx index; and writing a new table's files from a field
// list and a tag list (the template generator's way to make tables).

#include <string>
#include <string_view>
#include <vector>

#include "platform/xbase/Cdx.h"
#include "platform/xbase/DbfHeader.h"
#include "platform/xbase/Status.h"

namespace xb {

struct TagSpec {
  std::string name;        // at most 10 characters
  std::string expression;  // key expression
  std::string filter;      // FOR expression, empty for none
  bool unique = false;
  bool descending = false;
};

// The path with its extension replaced by ext ("cdx", "fpt"), in the case of the
// table's own extension (T.DBF -> T.CDX, t.dbf -> t.cdx).
std::string CompanionPath(std::string_view dbfPath, std::string_view ext);

// The index tag definition for a spec over these fields: key type and length from the
// compiled key expression. kInvalid when an expression is outside the subset.
Status MakeTagDef(const TagSpec& spec, const std::vector<FieldDef>& fields, TagDef* out);

// Writes the .dbf (and .fpt when a field is a memo, .cdx when there are tags),
// replacing files of those names.
Status CreateTableFiles(const std::string& dbfPath, std::vector<FieldDef> fields, const std::vector<TagSpec>& tags);

}  // namespace xb
