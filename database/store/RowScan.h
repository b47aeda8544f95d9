#pragma once
// The one walk over the rows of a table in the store: every loop over a table's rows
// (in a tag's order, in record order, along a run of keys) and the typed scans
// (Scans.h) go through a RowScan. It works on the caller's open table and leaves it
// on the current record, which the caller reads through a field set or a view.
//
// Each step's code is recorded on the session; a negative one throws (rt::VbError,
// number = the code). Any other code but 0 ends the walk: the end of the table or of
// the run, or a move the engine refused for a lock (nothing more is read).

#include <string>

#include "database/store/Session.h"

struct DATA4;

namespace store {

class RowScan {
 public:
  RowScan(Session session, DATA4* tb);
  ~RowScan();  // the table's read-ahead back as it was
  RowScan(const RowScan&) = delete;
  RowScan& operator=(const RowScan&) = delete;

  DATA4* table() const { return tb_; }

  // Every row in the order of the tag, from its top (a tag holds no deleted row).
  bool First(const char* tag);
  // From the first row whose key on the tag is `key` or follows it to the end of the tag.
  bool FirstFrom(const char* tag, const std::string& key);
  // The rows whose key on the tag begins with `key` (d4seek, then d4seekNext); an empty
  // key finds nothing (the tag is selected all the same).
  bool FirstWithKey(const char* tag, const std::string& key);
  // From the row of the number on the tag on, in tag order; false when no row holds it.
  bool FirstFromNumber(const char* tag, double value);
  // How a walk in record order reads: record by record, or in blocks (d4readAhead)
  // until the scan ends or starts another walk, each row as stored when its block was
  // read.
  enum class Read { kEach, kBlocks };
  // Every undeleted row in record order, from the record of the number `from` on (none
  // when the table has no such record).
  bool FirstInRecordOrder(Read read = Read::kEach, long from = 1);
  // The next row of the walk; false after the last (and after Find).
  bool Next();

  // Selects the tag and makes the row of the number on it the current record; false
  // when there is none.
  bool Find(const char* tag, double value);
  // The records of the table, deleted ones included, as its header says now.
  long RecordCount() const;

 private:
  enum class Step { kNone, kSkip, kSkipDeleted, kSeekNext };
  void Start(const char* tag, Step step);
  // Turns the table's read-ahead on for a walk in blocks, or back as it was.
  void ReadAhead(bool on);
  // Passes over deleted rows after a move that answered rc.
  bool Undeleted(int rc);

  Session session_;
  DATA4* tb_;
  Step step_ = Step::kNone;
  std::string key_;           // kSeekNext: the run's key
  int readAhead_ = -1;        // the read-ahead before a walk in blocks set it; -1: not set
};

}  // namespace store
