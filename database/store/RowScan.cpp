#include "database/store/RowScan.h"

#include <utility>

#include "database/store/Seek.h"
#include "platform/xbase/Engine.h"

namespace store {

RowScan::RowScan(Session session, DATA4* tb) : session_(std::move(session)), tb_(tb) {}

RowScan::~RowScan() { ReadAhead(false); }

void RowScan::ReadAhead(bool on) {
  if (on && readAhead_ < 0) readAhead_ = d4readAhead(tb_, 1);
  if (!on && readAhead_ >= 0) d4readAhead(tb_, std::exchange(readAhead_, -1));
}

void RowScan::Start(const char* tag, Step step) {
  ReadAhead(false);
  step_ = step;
  SelectTag(session_, tb_, tag);
}

bool RowScan::First(const char* tag) {
  Start(tag, Step::kSkip);
  return session_.Check(d4top(tb_), "d4top") == 0;
}

bool RowScan::FirstFrom(const char* tag, const std::string& key) {
  Start(tag, Step::kSkip);
  const int rc = session_.Check(d4seek(tb_, key.c_str()), "d4seek");
  return rc == r4success || rc == r4after;
}

bool RowScan::FirstWithKey(const char* tag, const std::string& key) {
  Start(tag, Step::kSeekNext);
  key_ = key;
  return !key_.empty() && session_.Check(d4seek(tb_, key_.c_str()), "d4seek") == 0;
}

bool RowScan::FirstFromNumber(const char* tag, double value) {
  Start(tag, Step::kSkip);
  return SeekNumber(session_, tb_, value) == 0;
}

bool RowScan::FirstInRecordOrder(Read read, long from) {
  ReadAhead(read == Read::kBlocks);
  step_ = Step::kSkipDeleted;
  session_.Check(d4tagSelect(tb_, nullptr), "d4tagSelect");
  if (from <= 1) return Undeleted(session_.Check(d4top(tb_), "d4top"));
  return Undeleted(session_.Check(d4go(tb_, from), "d4go"));  // r4entry beyond the last record
}

bool RowScan::Undeleted(int rc) {
  while (rc == 0 && d4deleted(tb_)) rc = session_.Check(d4skip(tb_, 1), "d4skip");
  return rc == 0;
}

bool RowScan::Next() {
  switch (step_) {
    case Step::kNone:
      return false;
    case Step::kSkip:
      return session_.Check(d4skip(tb_, 1), "d4skip") == 0;
    case Step::kSkipDeleted:
      return Undeleted(session_.Check(d4skip(tb_, 1), "d4skip"));
    case Step::kSeekNext:
      return session_.Check(d4seekNext(tb_, key_.c_str()), "d4seekNext") == 0;
  }
  return false;
}

bool RowScan::Find(const char* tag, double value) {
  ReadAhead(false);
  step_ = Step::kNone;
  SelectTag(session_, tb_, tag);
  return SeekNumber(session_, tb_, value) == 0;
}

long RowScan::RecordCount() const { return d4recCountDo(tb_); }

}  // namespace store
