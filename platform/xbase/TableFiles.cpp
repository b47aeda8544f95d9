#include "platform/xbase/TableFiles.h"

#include "platform/xbase/Bytes.h"
#include "platform/xbase/Expression.h"
#include "platform/xbase/Memo.h"
#include "platform/xbase/Table.h"

namespace xb {

namespace {
constexpr size_t kMaxTagName = 10;
constexpr size_t kMaxKeyLen = 240;
}  // namespace

std::string CompanionPath(std::string_view dbfPath, std::string_view ext) {
  const size_t slash = dbfPath.find_last_of('/');
  const size_t dot = dbfPath.find_last_of('.');
  std::string out;
  bool upper = false;
  if (dot != std::string_view::npos && (slash == std::string_view::npos || dot > slash)) {
    out = std::string(dbfPath.substr(0, dot + 1));
    const std::string_view old = dbfPath.substr(dot + 1);
    upper = !old.empty() && old[0] >= 'A' && old[0] <= 'Z';
  } else {
    out = std::string(dbfPath) + ".";
  }
  for (char c : ext) out.push_back(upper ? AsciiUpper(c) : c);
  return out;
}

Status MakeTagDef(const TagSpec& spec, const std::vector<FieldDef>& fields, TagDef* out) {
  if (spec.name.empty() || spec.name.size() > kMaxTagName) {
    return {Code::kInvalid, "tag name '" + spec.name + "' must have 1 to 10 characters"};
  }
  Status s;
  std::unique_ptr<Expression> key = Expression::Compile(spec.expression, fields, &s);
  if (!key) return s;
  if (!spec.filter.empty()) {
    std::unique_ptr<Expression> filter = Expression::Compile(spec.filter, fields, &s);
    if (!filter) return s;
    if (filter->type() != Expression::Type::kLogical) {
      return {Code::kInvalid, "FOR expression of tag " + spec.name + " is not logical"};
    }
  }
  out->name.clear();
  for (char c : spec.name) out->name.push_back(AsciiUpper(c));
  out->keyExpr = spec.expression;
  out->forExpr = spec.filter;
  out->descending = spec.descending;
  out->unique = spec.unique;
  if (key->type() == Expression::Type::kNumeric || key->type() == Expression::Type::kDate) {
    out->type = KeyType::kNumeric;
    out->keyLen = 8;
  } else {
    out->type = KeyType::kChar;
    if (key->length() == 0 || key->length() > kMaxKeyLen) {
      return {Code::kInvalid, "key of tag " + spec.name + " must have 1 to 240 bytes"};
    }
    out->keyLen = static_cast<uint16_t>(key->length());
  }
  return Status::Ok();
}

Status CreateTableFiles(const std::string& dbfPath, std::vector<FieldDef> fields, const std::vector<TagSpec>& tags) {
  uint16_t recordLen = 0;
  Status s = LayoutFields(&fields, &recordLen);
  if (!s.ok()) return s;
  std::vector<TagDef> defs;
  for (const TagSpec& spec : tags) {
    TagDef def;
    s = MakeTagDef(spec, fields, &def);
    if (!s.ok()) return s;
    for (const TagDef& other : defs) {
      if (other.name == def.name) return {Code::kInvalid, "tag " + def.name + " is named twice"};
    }
    defs.push_back(std::move(def));
  }
  bool memo = false;
  for (const FieldDef& f : fields) memo = memo || f.type == 'M';
  s = Table::Create(dbfPath, fields, !defs.empty());
  if (s.ok() && memo) s = MemoFile::Create(CompanionPath(dbfPath, "fpt"));
  if (s.ok() && !defs.empty()) s = CdxIndex::Create(CompanionPath(dbfPath, "cdx"), defs);
  return s;
}

}  // namespace xb
