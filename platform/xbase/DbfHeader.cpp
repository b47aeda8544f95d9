#include "platform/xbase/DbfHeader.h"

#include <cstring>
#include <string>

#include "platform/xbase/Bytes.h"

namespace xb {

namespace {

constexpr uint8_t kTerminator = 0x0D;
constexpr size_t kMaxFieldName = 10;

bool KnownType(char t) { return t == 'C' || t == 'N' || t == 'F' || t == 'L' || t == 'D' || t == 'M'; }

Status CheckField(const FieldDef& f) {
  if (f.name.empty() || f.name.size() > kMaxFieldName) {
    return {Code::kInvalid, "field name '" + f.name + "' must have 1 to 10 characters"};
  }
  if (!KnownType(f.type)) return {Code::kInvalid, "field " + f.name + " has an unsupported type"};
  if (f.len == 0) return {Code::kInvalid, "field " + f.name + " has length 0"};
  if ((f.type == 'D' && f.len != 8) || (f.type == 'L' && f.len != 1) || (f.type == 'M' && f.len != 10)) {
    return {Code::kInvalid, "field " + f.name + " has a length its type does not allow"};
  }
  if ((f.type == 'N' || f.type == 'F') && f.dec > 0 && f.dec + 2 > f.len) {
    return {Code::kInvalid, "field " + f.name + " has too many decimals for its length"};
  }
  return Status::Ok();
}

}  // namespace

bool DbfHeader::HasMemoFields() const {
  for (const auto& f : fields) {
    if (f.type == 'M') return true;
  }
  return false;
}

int FindField(const std::vector<FieldDef>& fields, std::string_view name) {
  for (size_t i = 0; i < fields.size(); ++i) {
    if (EqualsNoCase(fields[i].name, name)) return static_cast<int>(i);
  }
  return -1;
}

Status ParseDbfPrefix(const uint8_t* b, size_t n, DbfHeader* out) {
  if (n < DbfHeader::kPrefixLen) return Status::Corrupt(Damage::kHeader, "table header is truncated");
  out->type = b[0];
  out->year = b[1];
  out->month = b[2];
  out->day = b[3];
  out->recordCount = GetLE32(b + 4);
  out->headerLen = GetLE16(b + 8);
  out->recordLen = GetLE16(b + 10);
  out->flags = b[28];
  out->codePage = b[29];
  return Status::Ok();
}

Status ParseDbfHeader(const uint8_t* b, size_t n, DbfHeader* out) {
  Status s = ParseDbfPrefix(b, n, out);
  if (!s.ok()) return s;
  if (out->headerLen < DbfHeader::kPrefixLen + 1 || out->headerLen > n) {
    return Status::Corrupt(Damage::kHeader, "table header length is impossible");
  }
  out->fields.clear();
  uint32_t offset = 1;
  size_t pos = DbfHeader::kPrefixLen;
  for (;;) {
    if (pos >= out->headerLen) return Status::Corrupt(Damage::kHeader, "field descriptors are not terminated");
    if (b[pos] == kTerminator) break;
    if (pos + DbfHeader::kDescriptorLen > out->headerLen) {
      return Status::Corrupt(Damage::kHeader, "field descriptor runs past the header");
    }
    const uint8_t* d = b + pos;
    FieldDef f;
    size_t len = 0;
    while (len <= kMaxFieldName && d[len] != 0) ++len;
    f.name.assign(reinterpret_cast<const char*>(d), len > kMaxFieldName ? kMaxFieldName : len);
    for (char& c : f.name) c = AsciiUpper(c);
    f.type = static_cast<char>(d[11]);
    f.len = d[16];
    f.dec = d[17];
    f.offset = offset;
    s = CheckField(f);
    if (!s.ok()) return Status::Corrupt(Damage::kHeader, s.message());
    offset += f.len;
    out->fields.push_back(std::move(f));
    pos += DbfHeader::kDescriptorLen;
  }
  if (out->fields.empty()) return Status::Corrupt(Damage::kHeader, "table has no fields");
  if (offset != out->recordLen) return Status::Corrupt(Damage::kHeader, "record length does not match the fields");
  return Status::Ok();
}

Status CheckRecordCount(const DbfHeader& h, uint64_t fileSize) {
  const uint64_t end = h.headerLen + static_cast<uint64_t>(h.recordCount) * h.recordLen;
  if (end > fileSize) return Status::Corrupt(Damage::kShortFile, "record count runs past the end of the file");
  const uint64_t beyond = (fileSize - end) / h.recordLen;
  if (beyond > 1) {
    return Status::Corrupt(Damage::kUncounted, "the file holds " + std::to_string(beyond) +
                                                   " records beyond the record count");
  }
  return Status::Ok();
}

Status LayoutFields(std::vector<FieldDef>* fields, uint16_t* recordLen) {
  if (fields->empty()) return {Code::kInvalid, "a table needs at least one field"};
  uint32_t offset = 1;
  for (size_t i = 0; i < fields->size(); ++i) {
    FieldDef& f = (*fields)[i];
    for (char& c : f.name) c = AsciiUpper(c);
    f.type = AsciiUpper(f.type);
    if (f.type == 'D') f.len = 8;
    if (f.type == 'L') f.len = 1;
    if (f.type == 'M') f.len = 10;
    if (f.type != 'N' && f.type != 'F') f.dec = 0;
    Status s = CheckField(f);
    if (!s.ok()) return s;
    for (size_t j = 0; j < i; ++j) {
      if ((*fields)[j].name == f.name) return {Code::kInvalid, "field " + f.name + " is named twice"};
    }
    f.offset = offset;
    offset += f.len;
  }
  if (offset > 0xFFFF) return {Code::kInvalid, "records would be longer than 65535 bytes"};
  *recordLen = static_cast<uint16_t>(offset);
  return Status::Ok();
}

std::string BuildDbfHeader(const DbfHeader& h) {
  const size_t len = DbfHeader::kPrefixLen + h.fields.size() * DbfHeader::kDescriptorLen + 2;
  std::string out(len, '\0');
  auto* b = reinterpret_cast<uint8_t*>(out.data());
  b[0] = h.type;
  b[1] = h.year;
  b[2] = h.month;
  b[3] = h.day;
  PutLE32(b + 4, h.recordCount);
  PutLE16(b + 8, static_cast<uint16_t>(len));
  PutLE16(b + 10, h.recordLen);
  b[28] = h.flags;
  b[29] = h.codePage;
  size_t pos = DbfHeader::kPrefixLen;
  for (const auto& f : h.fields) {
    std::memcpy(b + pos, f.name.data(), f.name.size());
    b[pos + 11] = static_cast<uint8_t>(f.type);
    b[pos + 16] = f.len;
    b[pos + 17] = f.dec;
    pos += DbfHeader::kDescriptorLen;
  }
  b[pos] = kTerminator;
  return out;
}

}  // namespace xb
