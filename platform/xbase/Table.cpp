#include "platform/xbase/Table.h"

#include <algorithm>
#include <cstring>
#include <ctime>
#include <string>

#include "platform/xbase/Bytes.h"

namespace xb {

void TodayYmd(uint8_t ymd[3]) {
  const std::time_t now = std::time(nullptr);
  std::tm tm {};
  localtime_r(&now, &tm);
  ymd[0] = static_cast<uint8_t>(tm.tm_year);
  ymd[1] = static_cast<uint8_t>(tm.tm_mon + 1);
  ymd[2] = static_cast<uint8_t>(tm.tm_mday);
}

namespace {
// The size of a read-ahead block: read in one call, it stays in the processor's cache.
constexpr uint64_t kAheadBytes = 64u << 10;
}  // namespace

namespace {

Status InFile(const std::string& path, const Status& s) {
  if (s.ok()) return s;
  if (s.code() == Code::kCorrupt) return Status::Corrupt(s.damage(), path + ": " + s.message());
  return {s.code(), path + ": " + s.message()};
}

// The count as the header holds it now; false when it cannot be read.
bool ReadCount(const File& f, uint32_t* count) {
  uint8_t b[4];
  if (!f.ReadAt(4, b, sizeof b)) return false;
  *count = GetLE32(b);
  return true;
}

// Is every whole record beyond the header's count marked deleted (size: the file's)?
bool BeyondCountAllDeleted(const File& file, const DbfHeader& header, uint64_t size) {
  const uint64_t first = header.RecordOffset(header.recordCount + 1);
  if (size <= first) return true;
  const uint64_t records = (size - first) / header.recordLen;
  std::vector<char> buf(std::min<uint64_t>(records, 4096) * header.recordLen);
  for (uint64_t done = 0; done < records;) {
    const uint64_t n = std::min<uint64_t>(records - done, buf.size() / header.recordLen);
    if (!file.ReadAt(first + done * header.recordLen, buf.data(), n * header.recordLen)) return false;
    for (uint64_t i = 0; i < n; ++i) {
      if (buf[i * header.recordLen] != '*') return false;
    }
    done += n;
  }
  return true;
}

// CheckRecordCount, where records beyond the count all marked deleted are what a batch
// of appends cut short leaves: no damage.
Status CheckCount(const File& file, const DbfHeader& header, uint64_t size) {
  const Status s = CheckRecordCount(header, size);
  return s.damage() == Damage::kUncounted && BeyondCountAllDeleted(file, header, size) ? Status::Ok() : s;
}

}  // namespace

std::unique_ptr<Table> Table::Open(const std::string& path, File::Mode mode, Status* status, Status* countDamage) {
  std::unique_ptr<File> f = File::Open(path, mode, status);
  if (!f) return nullptr;
  // One read covers the header of any usual table; a longer one is read again whole.
  std::string bytes(4096, '\0');
  const long long got = f->ReadSome(0, bytes.data(), bytes.size());
  DbfHeader h;
  *status = got < 0 ? Status::System(Code::kIo, "cannot read " + path)
                    : ParseDbfPrefix(reinterpret_cast<const uint8_t*>(bytes.data()), static_cast<size_t>(got), &h);
  if (!status->ok()) {
    *status = InFile(path, *status);
    return nullptr;
  }
  uint64_t size = f->Size();
  if (h.headerLen > size) {
    *status = Status::Corrupt(Damage::kHeader, path + ": table header length is impossible");
    return nullptr;
  }
  if (h.headerLen > got) {
    bytes.resize(h.headerLen);
    if (!f->ReadAt(0, bytes.data(), bytes.size())) {
      *status = Status::Corrupt(Damage::kHeader, path + ": table header is truncated");
      return nullptr;
    }
  }
  *status = InFile(path, ParseDbfHeader(reinterpret_cast<const uint8_t*>(bytes.data()), h.headerLen, &h));
  if (!status->ok()) return nullptr;
  // A writer appending meanwhile (the record first, then the count) has one record
  // beyond the count, or a batch marked deleted: the check holds only while the count
  // stays.
  Status counted = CheckCount(*f, h, size);
  uint32_t now = h.recordCount;
  for (int i = 0; i < 8 && !counted.ok() && ReadCount(*f, &now) && now != h.recordCount; ++i) {
    h.recordCount = now;
    size = f->Size();
    counted = CheckCount(*f, h, size);
  }
  counted = InFile(path, counted);
  if (countDamage != nullptr) {
    *countDamage = counted;
  } else if (!counted.ok()) {
    *status = counted;
    return nullptr;
  }
  std::unique_ptr<Table> t(new Table(std::move(f), std::move(h)));
  t->knownSize_ = size;
  return t;
}

Status Table::Create(const std::string& path, std::vector<FieldDef> fields, bool structuralIndex) {
  DbfHeader h;
  Status s = LayoutFields(&fields, &h.recordLen);
  if (!s.ok()) return s;
  h.fields = std::move(fields);
  h.type = h.HasMemoFields() ? DbfHeader::kTypeMemo : DbfHeader::kTypeNoMemo;
  h.flags = structuralIndex ? DbfHeader::kFlagStructuralIndex : 0;
  uint8_t ymd[3];
  TodayYmd(ymd);
  h.year = ymd[0];
  h.month = ymd[1];
  h.day = ymd[2];
  std::string bytes = BuildDbfHeader(h);
  bytes.push_back(static_cast<char>(kEofMark));
  std::unique_ptr<File> f = File::Create(path, &s);
  if (!f) return s;
  if (!f->WriteAt(0, bytes.data(), bytes.size())) return Status::System(Code::kIo, "cannot write " + path);
  return Status::Ok();
}

Status Table::RefreshCount() {
  uint8_t b[4];
  const bool mapped = file_->PeekMapped(4, b, sizeof b);
  if (!mapped && !file_->ReadAt(4, b, sizeof b)) return {Code::kIo, "cannot read the header of " + path()};
  const uint32_t count = GetLE32(b);
  // Another program may have shortened the file (a pack, a backup copied over it). The
  // end-of-file mark right after the counted records shows that the file holds them all
  // and that no record follows: read through the mapping, bytes past the file's end are
  // zeros, never the mark. Without it the size is asked for.
  const uint64_t end = header_.RecordOffset(count + 1);
  uint8_t mark = 0;
  if (mapped && file_->PeekMapped(end, &mark, 1) && mark == kEofMark) {
    knownSize_ = end + 1;
  } else {
    knownSize_ = file_->Size();
  }
  if (end > knownSize_) {
    return Status::Corrupt(Damage::kShortFile, path() + ": record count runs past the end of the file");
  }
  header_.recordCount = count;
  return Status::Ok();
}

Status Table::CheckBeyondCount() { return InFile(path(), CheckCount(*file_, header_, knownSize_)); }

uint32_t Table::WholeBeyondCount() const {
  const uint64_t end = header_.RecordOffset(header_.recordCount + 1);
  return knownSize_ > end ? static_cast<uint32_t>((knownSize_ - end) / header_.recordLen) : 0;
}

Status Table::RepairCount() {
  if (!file_->writable()) return {Code::kReadOnly, path() + " is open read-only"};
  knownSize_ = file_->Size();
  const uint64_t whole = (knownSize_ - std::min<uint64_t>(knownSize_, header_.headerLen)) / header_.recordLen;
  const auto count = static_cast<uint32_t>(std::min<uint64_t>(whole, 0xFFFFFFFFu));
  uint32_t stored = 0;
  if (!ReadCount(*file_, &stored)) return Status::System(Code::kIo, "cannot read " + path());
  if (stored != count) {
    uint8_t b[4];
    PutLE32(b, count);
    if (!file_->WriteAt(4, b, sizeof b)) return Status::System(Code::kIo, "cannot write " + path());
  }
  header_.recordCount = count;
  return Status::Ok();
}

Status Table::ReadRecord(uint32_t n, char* buf) {
  if (n == 0) return {Code::kNotFound, "no record 0"};
  if (n > header_.recordCount) {
    Status s = RefreshCount();
    if (!s.ok()) return s;
    if (n > header_.recordCount) return {Code::kNotFound, "no record " + std::to_string(n)};
  }
  const uint64_t off = header_.RecordOffset(n);
  switch (file_->CopyMapped(off, buf, header_.recordLen, knownSize_)) {
    case File::MappedRead::kCopied:
      return Status::Ok();
    case File::MappedRead::kShortened:
      knownSize_ = file_->Size();
      return {Code::kIo, path() + " was shortened by another program"};
    case File::MappedRead::kUseRead:
      break;
  }
  if (!file_->ReadAt(off, buf, header_.recordLen)) {
    return Status::Corrupt(Damage::kShortFile, path() + ": record " + std::to_string(n) + " is cut short");
  }
  return Status::Ok();
}

Status Table::ReadAhead(uint32_t n, char* buf) {
  const size_t len = header_.recordLen;
  if (aheadFirst_ != 0 && n >= aheadFirst_ && (n - aheadFirst_ + uint64_t{1}) * len <= ahead_.size()) {
    std::memcpy(buf, ahead_.data() + (n - aheadFirst_) * len, len);
    return Status::Ok();
  }
  aheadFirst_ = 0;
  if (n == 0 || n > header_.recordCount) return ReadRecord(n, buf);
  const uint64_t records = std::clamp<uint64_t>(kAheadBytes / len, 1, header_.recordCount - n + uint64_t{1});
  ahead_.resize(records * len);
  // A file shortened beneath the count: the record alone, as ReadRecord reports it.
  if (!file_->ReadAt(header_.RecordOffset(n), ahead_.data(), ahead_.size())) return ReadRecord(n, buf);
  aheadFirst_ = n;
  std::memcpy(buf, ahead_.data(), len);
  return Status::Ok();
}

void Table::DropAhead() {
  aheadFirst_ = 0;
  std::vector<char>().swap(ahead_);
}

Status Table::WriteRecord(uint32_t n, const char* buf) {
  if (!file_->writable()) return {Code::kReadOnly, path() + " is open read-only"};
  DropAhead();
  if (n == 0 || n > header_.recordCount) return {Code::kInvalid, "no record " + std::to_string(n)};
  if (!file_->WriteAt(header_.RecordOffset(n), buf, header_.recordLen)) {
    return Status::System(Code::kIo, "cannot write " + path());
  }
  return TouchDate();
}

Status Table::TouchDate() {
  if (dateTouched_) return Status::Ok();
  uint8_t ymd[3];
  TodayYmd(ymd);
  if (!file_->WriteAt(1, ymd, sizeof ymd)) return Status::System(Code::kIo, "cannot write " + path());
  header_.year = ymd[0];
  header_.month = ymd[1];
  header_.day = ymd[2];
  dateTouched_ = true;
  return Status::Ok();
}

Status Table::StageAppend(const char* buf, uint32_t* n) {
  if (!file_->writable()) return {Code::kReadOnly, path() + " is open read-only"};
  const uint32_t next = header_.recordCount + 1;
  if (next == 0) return {Code::kInvalid, path() + " is full"};
  DropAhead();
  std::string bytes(buf, header_.recordLen);
  if (LastInFile(next, 1)) bytes.push_back(static_cast<char>(kEofMark));
  if (!file_->WriteAt(header_.RecordOffset(next), bytes.data(), bytes.size())) {
    return Status::System(Code::kIo, "cannot write " + path());
  }
  knownSize_ = std::max(knownSize_, header_.RecordOffset(next) + bytes.size());
  *n = next;
  return Status::Ok();
}

// The end-of-file mark goes after records written at the end, never over a record
// beyond them (left by an append cut short).
bool Table::LastInFile(uint32_t first, uint32_t records) const {
  return header_.RecordOffset(first) + uint64_t(records) * header_.recordLen + header_.recordLen > knownSize_;
}

uint32_t Table::Hold(const char* buf) {
  if (held_.empty()) heldFirst_ = header_.recordCount + 1;
  held_.insert(held_.end(), buf, buf + header_.recordLen);
  return heldFirst_ + heldCount() - 1;
}

Status Table::WriteHeld(bool asDeleted) {
  if (held_.empty()) return Status::Ok();
  if (!file_->writable()) return {Code::kReadOnly, path() + " is open read-only"};
  DropAhead();
  // Marked and given the end-of-file mark in place, then restored: a batch is large.
  const size_t len = held_.size();
  std::vector<char> marks;
  if (asDeleted) {
    marks.reserve(heldCount());
    for (size_t at = 0; at < len; at += header_.recordLen) {
      marks.push_back(held_[at]);
      held_[at] = '*';
    }
  }
  if (LastInFile(heldFirst_, heldCount())) held_.push_back(static_cast<char>(kEofMark));
  const uint64_t off = header_.RecordOffset(heldFirst_);
  const bool written = file_->WriteAt(off, held_.data(), held_.size());
  if (written) knownSize_ = std::max(knownSize_, off + held_.size());
  held_.resize(len);
  for (size_t k = 0; k < marks.size(); ++k) held_[k * header_.recordLen] = marks[k];
  return written ? Status::Ok() : Status::System(Code::kIo, "cannot write " + path());
}

Status Table::PublishAppend(uint32_t n) {
  uint8_t h[8];
  TodayYmd(h + 1);
  h[0] = header_.type;
  PutLE32(h + 4, n);
  if (!file_->WriteAt(0, h, sizeof h)) return Status::System(Code::kIo, "cannot write " + path());
  header_.recordCount = n;
  dateTouched_ = true;
  return Status::Ok();
}

}  // namespace xb
