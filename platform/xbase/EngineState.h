#pragma once
// What the engine surface's opaque handles hold: the settings of a CODE4, the open
// files, record buffer, position and tag cursors of a DATA4, and the per-field memo
// cache. Internal to the surface (Engine*.cpp); callers see Engine.h only.
//
// Cached: the record buffer (read on every positioning, re-read by d4lock), the
// record count (re-read when a record beyond it is asked for, on append and by
// d4recCountDo), memo contents of the current record (dropped when the position
// changes), and each tag's cursor position (re-found after any change).

#include <chrono>
#include <cstdint>
#include <memory>
#include <set>
#include <string>
#include <utility>
#include <vector>

#include "platform/xbase/Cdx.h"
#include "platform/xbase/Engine.h"
#include "platform/xbase/Expression.h"
#include "platform/xbase/File.h"
#include "platform/xbase/LockManager.h"
#include "platform/xbase/LockPolicy.h"
#include "platform/xbase/Memo.h"
#include "platform/xbase/Status.h"
#include "platform/xbase/Table.h"

namespace xb::engine {

// A closed table's memo file, kept open for the next open of the table.
struct ParkedMemo {
  std::string path;
  bool readOnly = false;
  xb::FileStamp stamp;
  std::unique_ptr<MemoFile> memo;
};

}  // namespace xb::engine

struct CODE4 {
  int accessMode = 0;
  int lockEnforce = 0;
  int lockDelay = 100;
  int lockAttempts = 10;
  int readLock = 0;
  int readOnly = 0;
  int optimizeWrite = 0;
  int errorCode = 0;
  int systemError = 0;  // errno behind errorCode; 0 when none
  int reason = reason4none;  // what an e4data error found damaged
  int errTagName = 1;
  std::set<DATA4*> tables;
  std::unique_ptr<xb::File> session;
  std::string sessionPath;
  bool sessionExclusive = false;
  // (device, inode) of the .dbf files whose whole-file range a hold (code4holdTable)
  // keeps locked, and of their .cdx files: a hold has both to itself by flock, so the
  // engine's handles open them without a flock of their own.
  std::multiset<std::pair<uint64_t, uint64_t>> heldFiles;
  // The indexes of closed tables, for opening them again without reading them again.
  std::unique_ptr<xb::CdxShelf> indexShelf = std::make_unique<xb::CdxShelf>();
  std::vector<xb::engine::ParkedMemo> memoShelf;  // the same for memo files

  xb::LockPolicy policy() const { return {lockAttempts, lockDelay}; }
  int Fail(int code) {
    errorCode = code;
    systemError = 0;
    reason = reason4none;
    return code;
  }
  // Records the failure `s` as `code`, with the system's error number and the damage
  // behind it.
  int Fail(const xb::Status& s, int code) {
    Fail(code);
    systemError = s.systemError();
    reason = static_cast<int>(s.damage());
    return code;
  }
};

struct TAG4 {
  DATA4* data = nullptr;
  size_t index = 0;  // in the CdxIndex
  std::string name;
  std::unique_ptr<xb::Expression> key;
  std::unique_ptr<xb::Expression> filter;  // null when the tag has no FOR clause
  xb::KeyType type = xb::KeyType::kChar;
  uint16_t keyLen = 0;
  bool descending = false;
  std::unique_ptr<xb::CdxCursor> cursor;

  // The key of a record, exactly keyLen bytes; false when the FOR clause leaves it out.
  bool KeyOf(const char* record, std::string* out) const;
};

struct FIELD4 {
  DATA4* data = nullptr;
  const xb::FieldDef* def = nullptr;
  // Memo fields: the current record's memo, read on first use or assigned.
  bool memoLoaded = false;
  bool memoChanged = false;
  int memoError = 0;  // the error the memo's read gave; 0 when it was read
  std::string memo;
};

static_assert(static_cast<int>(xb::Damage::kHeader) == reason4header &&
              static_cast<int>(xb::Damage::kShortFile) == reason4shortFile &&
              static_cast<int>(xb::Damage::kUncounted) == reason4uncounted &&
              static_cast<int>(xb::Damage::kMemo) == reason4memo);

struct DATA4 {
  CODE4* code = nullptr;
  std::unique_ptr<xb::Table> table;
  std::unique_ptr<xb::MemoFile> memo;
  xb::FileStamp memoStamp;  // the memo file as it was opened
  std::unique_ptr<xb::CdxIndex> index;
  std::unique_ptr<xb::LockManager> locks;
  bool readOnly = false;
  bool denyWrite = false;  // no other handle can write: every record counts as locked
  xb::Status countDamage;  // a deny-write handle's count that does not match the file, until d4reindex
  std::vector<std::unique_ptr<FIELD4>> fields;
  std::vector<FIELD4*> memoFields;
  std::vector<std::unique_ptr<TAG4>> tags;
  TAG4* selected = nullptr;

  uint32_t recno = 0;  // 0: not on a record
  bool eof = false;
  bool appending = false;
  bool changed = false;
  bool cursorSynced = false;  // the selected tag's cursor sits on the current record
  bool readAhead = false;     // d4readAhead
  bool cachedRead = false;    // positioning from cached index pages, without the index lock
  bool appendHeld = false;    // d4lockAppend: append, memo and index locks held until d4unlock
  bool countCurrent = false;  // under appendHeld: the table's count is the stored one
  std::chrono::steady_clock::time_point heldSince;  // when the first held append was made
  std::unique_ptr<xb::File> note;  // the recovery note (<table>.pnd), once opened
  bool noteWritten = false;   // the note holds an operation of this handle's
  bool noteDue = false;       // a note was found at open and not yet repaired
  bool noteSpent = false;     // the note file holds one done with, to be emptied at close
  std::vector<char> rec;      // recordLen bytes and a NUL
  std::vector<char> orig;     // the record as stored, for the old keys
  std::vector<char> scratch;
  std::string key;            // scratch for keys

  int Fail(int error) { return code->Fail(error); }
  int Fail(const xb::Status& s, int error) { return code->Fail(s, error); }
};

namespace xb::engine {

// A record an operation is about to change, as the recovery note names it: its
// number, its stored bytes (empty for a new record) and the bytes it is to have.
struct NoteRecord {
  uint32_t recno = 0;
  std::string old, now;
};
// Writes the recovery note of the operation about to begin (under the exclusive index
// lock): the table's count before it and the records it changes. 0 or an error code.
int WriteNote(DATA4* d, uint32_t count, const std::vector<NoteRecord>& records);
// Marks the note done with once the operation is done.
void ClearNote(DATA4* d);
// At close: empties a note file left done with, when the index lock can be had at once.
void CloseNote(DATA4* d);
// Under the exclusive index lock: when `look` (the index's counter moved, or a note
// was seen at open), finishes or undoes what a note left by an operation cut short
// names, and marks it done with. 0 or an error code.
int RepairFromNote(DATA4* d, bool look);
// At open of a writable table: repairs from a pending note when the append and index
// locks can be had at once, else leaves it for the next write.
void RepairAtOpen(DATA4* d);
// Builds every tag that is not whole anew from the counted records.
int RebuildUnsoundTags(DATA4* d);
// Maps a core Status to the surface's negative error code (0 when ok).
int ErrorOf(const Status& s, int fallback);
// Writes a changed record (memo, keys, record, header date); 0 or an error code.
// The appends held before it are written first.
int FlushRecord(DATA4* d);
// Writes the appends made under d4lockAppend since it was last called; 0 or an error
// code (the appends are then not stored).
int WriteHeldAppends(DATA4* d);
// Gives up the memo and index locks of d4lockAppend (the memos not stored with a batch
// are dropped: no record points to them); the append lock goes with the others.
void ReleaseAppendHold(DATA4* d);
// Reads record n into the buffer and makes it current; 0 or an error code. `ahead`:
// through the table's read-ahead block (Table::ReadAhead).
int LoadRecord(DATA4* d, uint32_t n, bool ahead = false);
// Positions at end of file: blank buffer, recno = count + 1.
void GoEof(DATA4* d);
// Drops the memo caches of the current record.
void DropMemoCache(DATA4* d);
// May this handle change the current record's fields now? 0 or an error code. A
// buffer that is no stored record (appending, end of file, before the first
// positioning) may always change: it can only become a new record.
int CheckWritable(DATA4* d);
// Does this handle hold (or need no) lock on stored record n for changing it?
bool MayChange(const DATA4* d, uint32_t n);
// Is `file` (under any name) a .dbf whose whole-file range a hold of c keeps locked?
bool HeldByEngine(const CODE4* c, const File& file);
// Finishes what a rebuild of the table at dbfPath cut short left (code4holdTable):
// under a hold had at once, a copy of the new index begun over the old one is
// finished and the work files are removed. 0 also when the hold is busy and the index
// is whole; e4index when the index is half copied and cannot be finished now.
int FinishCutRebuild(CODE4* c, const std::string& dbfPath);
// The size of the pieces a rebuilt index is copied over the held one in (1 MiB).
extern size_t indexCopyPiece;
// (device, inode) of an open file; zeros when fstat fails.
std::pair<uint64_t, uint64_t> IdOf(const File& file);

}  // namespace xb::engine
