#pragma once
// The engine call surface: the names and return conventions the program's code calls
// (d4open, d4seek, f4long, code4accessMode, ...), over the core classes Table,
// MemoFile, CdxIndex, Expression and LockManager. See docs/xbase.md.
//
// Handles are opaque pointers; a null handle means failure. A CODE4 owns the tables
// opened on it (d4initUndo closes them). FIELD4 and TAG4 handles belong to their table
// and stay valid until it is closed. Not thread-safe: one thread per CODE4.
//
// Return codes: 0 success / positioned on a row with the key; r4bof, r4eof, r4after
// and r4entry as below; r4locked (50) when another user holds a lock after the
// configured attempts; negative e4... codes for errors, which are also recorded as the
// engine's error code (read and cleared with code4errorCode). An error never makes a
// later call fail by itself.

#include <cstdint>
#include <string>

struct CODE4;
struct DATA4;
struct FIELD4;
struct TAG4;
struct HOLD4;

inline constexpr int r4success = 0;
inline constexpr int r4bof = 2;     // moved before the first row; positioned on the first row
inline constexpr int r4eof = 3;     // moved past the last row (or no rows); positioned at end of file
inline constexpr int r4after = 4;   // seek: no row with the key; positioned on the next row
inline constexpr int r4entry = 5;   // no such record (d4lock of a record number not in the table)
inline constexpr int r4locked = 50;

inline constexpr int e4parm = -10;       // a null handle or an argument that makes no sense
inline constexpr int e4open = -60;       // a file is missing or cannot be opened
inline constexpr int e4access = -61;     // the access mode conflicts with another handle's
inline constexpr int e4create = -62;     // a new table's files cannot be written
inline constexpr int e4read = -70;
inline constexpr int e4write = -80;
inline constexpr int e4data = -90;       // a table or memo file is corrupt
inline constexpr int e4index = -100;     // the index is corrupt or cannot be changed
inline constexpr int e4lock = -150;      // a change without the record lock (lock enforcement) or a lock error
inline constexpr int e4readOnly = -160;  // a write on a handle opened read-only
inline constexpr int e4overflow = -170;  // a number does not fit its field
inline constexpr int e4fieldName = -210;
inline constexpr int e4tagName = -220;
inline constexpr int e4expr = -300;      // a key or FOR expression outside the supported subset

// What the last e4data error found damaged (code4errorReason).
inline constexpr int reason4none = 0;
inline constexpr int reason4header = 1;     // the table's header makes no sense
inline constexpr int reason4shortFile = 2;  // the table file ends before the records its header counts
inline constexpr int reason4uncounted = 3;  // whole records lie beyond the header's count
inline constexpr int reason4memo = 4;       // a memo lies outside the memo file, or its header is damaged

// A field of a new table; arrays end with a null name.
struct FIELD4INFO {
  const char* name;
  int type;  // 'C', 'N', 'L', 'D' or 'M'
  int len;   // ignored for L, D and M
  int dec;
};

// A tag of a new table; arrays end with a null name.
struct TAG4INFO {
  const char* name;
  const char* expression;
  const char* filter;  // FOR expression; null or "" for none
  int unique;
  int descending;
};

// Engine and settings. Each setting call returns the previous value.
CODE4* d4init_v();
int d4initUndo(CODE4* c);
int code4accessMode(CODE4* c, int mode);  // 0 shared, 1 deny-write (other users may only read)
int code4lockEnforce(CODE4* c, int on);   // 1: fields of a stored record change only under its lock
int code4lockDelay(CODE4* c, int ms);     // pause between lock attempts, in milliseconds
int code4lockAttempts(CODE4* c, int n);   // attempts per lock; below 1 counts as 1
int code4readLock(CODE4* c, int on);      // kept for the caller; reads never take locks
int code4readOnly(CODE4* c, int on);      // 1: tables open read-only
int code4optimizeWrite(CODE4* c, int on); // kept for the caller; writes are never delayed
int code4errorCode(CODE4* c, int code);   // sets the error code, returns the previous one
int code4errorSystem(CODE4* c);           // the system's error number (errno) behind the last error; 0: none
int code4errTagName(CODE4* c, int on);    // 1: d4tag of a missing tag records e4tagName
int code4errorReason(CODE4* c);           // reason4... behind the last error; reason4none: not said

// Session lock: one byte (0x80000000) of the given file, held shared by every copy that
// has the database open and exclusively by an upgrade or re-index. Taking it again
// converts the lock (shared <-> exclusive); 0, r4locked or a negative error.
int code4sessionLock(CODE4* c, const char* path, int exclusive);
int code4sessionUnlock(CODE4* c);

// A table's files held against every writer while their index is replaced: on the
// files by path (nothing is opened as a table, so a damaged index does not matter),
// the locks other xBase programs honour, both exclusive: the whole-file range of the
// .dbf and the index lock of the .cdx (when there is one). Tried under the engine's
// lock policy: 0 and *hold, r4locked, or an error. A deny-write handle of this engine
// on the same .dbf (under another name: a hard link) works under the hold's range.
// The hold is a rebuild's: its work files are the table's path without extension
// followed by "_reindex." (T_reindex.dbf, ...); it removes those a rebuild cut short
// left, finishing first an index write of it, and marks the table (T_reindex.mrk)
// until hold4release removes the work files. d4open of a marked table does the same
// under a hold it can have at once, and fails with e4index when the index is half
// written and the hold busy or the write's source gone.
int code4holdTable(CODE4* c, const char* dbfPath, const char* cdxPath, HOLD4** hold);
// Writes the index file at builtPath over the held index, in place: programs that
// have the index open keep the same file and see its change counter move. Its space
// is had first; when it cannot be (a full disk), the held index is unchanged. The
// built file is synced and named in the marker before the first byte is written, so
// a write cut short is finished from it. 0 or e4write (the system's error in
// code4errorSystem).
int hold4replaceIndex(HOLD4* h, const char* builtPath);
// Rewrites in place every number field of the held table's counted records that holds
// a comma in its decimal point's place (as a writer formatting numbers in a locale with
// a decimal comma left it) with the point: the same number, and every other byte as it
// was. 0 and the count of fields rewritten in *repaired, or an error (e4data: the
// header makes no sense; e4read, e4write with the system's error).
int hold4repairNumbers(HOLD4* h, long* repaired);
// Releases the locks and frees the hold.
int hold4release(HOLD4* h);

// Tables.
DATA4* d4open(CODE4* c, const char* path);
// Writes a new table (.dbf, with .fpt when it has memo fields and .cdx when it has tags)
// and opens it; null on failure.
DATA4* d4create(CODE4* c, const char* path, const FIELD4INFO* fields, const TAG4INFO* tags);
int d4close(DATA4* d);
TAG4* d4tag(DATA4* d, const char* name);
int d4tagSelect(DATA4* d, TAG4* tag);  // null selects record order
int d4seek(DATA4* d, const char* key);
int d4seekDouble(DATA4* d, double key);
int d4seekNext(DATA4* d, const char* key);
int d4top(DATA4* d);
int d4go(DATA4* d, long recno);  // 0, or r4entry when there is no such record
int d4skip(DATA4* d, long n);
// 1: forward d4skip in record order reads the records that follow in blocks, one system
// call per block; each record is then as stored when its block was read (this handle's
// own writes drop the block). For a pass that reads every record at once; 0 (the
// default) reads each record as stored at the step. Returns the previous value.
int d4readAhead(DATA4* d, int on);
long d4recNo(DATA4* d);      // 0 when not on a record (or appending); count + 1 at end of file
long d4recCountDo(DATA4* d); // re-read from the header
int d4lock(DATA4* d, long recno);
int d4unlock(DATA4* d);
int d4flush(DATA4* d);
int d4appendStartVB(DATA4* d, int useMemoEntries);
int d4blank(DATA4* d);
int d4append(DATA4* d);
// d4append then d4unlock, the new record never locked between them. Under
// d4lockAppend it leaves every lock to d4unlock.
int d4appendUnlock(DATA4* d);
// Holds the append lock, with the memo and index locks, across the appends that follow
// (a batch), until d4unlock or d4close: each append then takes no lock, does not read the
// count again and writes only its memos; its record and keys are kept in memory. The
// next other call on the handle (d4unlock, d4close, a move, a seek, a change, d4lock,
// d4recCountDo), and the append that makes them 256 or comes 0.2 s or more after the
// first of them, stores them all first, in the order d4append does for one record: the
// records marked deleted, each changed index page once, the count, the records with
// their own marks. Its result is then the store's: when that fails none of the batch is
// stored. A writer stopped before the count leaves records beyond it all marked deleted,
// taken over by the next append; after it, the rows counted deleted. Other handles wait
// for the locks meanwhile. 0, r4locked or an error.
int d4lockAppend(DATA4* d);
int d4delete(DATA4* d);
int d4deleted(DATA4* d);
int d4reindex(DATA4* d);

// Fields of the current record.
FIELD4* d4field(DATA4* d, const char* name);
long f4long(FIELD4* f);
double f4double(FIELD4* f);
int f4assignLong(FIELD4* f, long value);
int f4assignDouble(FIELD4* f, double value);
int f4assignNVB(FIELD4* f, const char* bytes, int len);
int f4memoAssignN(FIELD4* f, const char* bytes, unsigned len);
unsigned long f4memoLenVB(FIELD4* f);
const char* f4memoPtr(FIELD4* f);  // the memo's bytes, NUL-terminated
// 0 when the current record's memo was read (or is empty); else the error its read
// gave (e4data, e4read), its length then 0.
int f4memoError(FIELD4* f);
char* f4ptr(FIELD4* f);            // the field's bytes in the record buffer
int f4len_v(FIELD4* f);
int f4decimals(FIELD4* f);  // the decimals of a number field; 0 for other fields
const char* f4name(FIELD4* f);

// Utilities.
// Writes the YYYYMMDD date text in the picture's form (YYYY or CCYY, YY, MM, MMM, DD;
// other characters as they stand) and a terminating NUL into result.
int date4format(const char* date, char* result, const char* picture);
// Copies at most size - 1 characters and a NUL; the number copied.
int u4ncpy(char* dest, const char* src, unsigned size);
void u4memCpy(void* dest, const void* src, unsigned len);

namespace xb {
// Called with a table's path and what was done when the engine finished or undid an
// operation on it that a writer stopped part-way left (the program logs it). Null:
// nobody is told.
extern void (*repairHook)(const std::string& tablePath, const std::string& what);
}  // namespace xb
