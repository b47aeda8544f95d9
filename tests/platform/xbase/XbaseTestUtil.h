#pragma once
// Helpers of the engine tests: fixture paths, scratch folders, the fixtures' listings
// (items.csv, items-tags.txt), field text of the current record.

#include <sys/types.h>

#include <chrono>
#include <cstdint>
#include <functional>
#include <map>
#include <string>
#include <thread>
#include <vector>

#include "platform/xbase/Bytes.h"
#include "platform/xbase/Engine.h"
#include "tests/database/ProcessTestSupport.h"

namespace xbtest {

// The folder of the xBase fixtures (read-only: copy before opening for writing).
std::string FixtureDir();
// A new empty folder for one test.
std::string NewDir();
// Copies the files of a fixture table (name without extension) into dir; the .dbf path.
std::string CopyFixture(const std::string& name, const std::string& dir);
std::string ReadFile(const std::string& path);
void WriteFile(const std::string& path, const std::string& bytes);

// What a table file's header says: its record count and where each record lies.
struct DbfLayout {
  explicit DbfLayout(const std::string& bytes) {
    const auto* b = reinterpret_cast<const uint8_t*>(bytes.data());
    count = xb::GetLE32(b + 4), headerLen = xb::GetLE16(b + 8), recordLen = xb::GetLE16(b + 10);
  }
  uint32_t count;
  size_t headerLen, recordLen;
  size_t At(size_t n) const { return headerLen + (n - 1) * recordLen; }  // record n's offset
  size_t Whole(size_t fileSize) const { return (fileSize - headerLen) / recordLen; }  // whole records in it
};

// One line of items.csv.
struct ItemRow {
  uint32_t recno = 0;
  bool deleted = false;
  std::string id, code, name, qty, ddate, kind, flag;
  size_t noteLen = 0;
  std::string noteHead;
};
const std::vector<ItemRow>& Items();  // index i holds record i + 1

// One tag of items-tags.txt: the record numbers of a full walk.
struct TagListing {
  std::string name;
  bool hasFor = false;
  bool descending = false;
  size_t keys = 0;
  std::vector<uint32_t> order;
};
const std::map<std::string, TagListing>& ItemTags();

// The field's bytes with trailing blanks cut.
std::string Text(FIELD4* f);

// An engine with the program's settings (shared, lock enforcement, no read locks) and
// short lock waits, closed when it goes out of scope.
class Engine {
 public:
  explicit Engine(int attempts = 2, int delayMs = 1);
  ~Engine();
  Engine(const Engine&) = delete;
  Engine& operator=(const Engine&) = delete;
  CODE4* get() const { return c_; }
  operator CODE4*() const { return c_; }

 private:
  CODE4* c_;
};

// Record numbers of a walk of the selected order: d4top then d4skip(1), or from the end
// backwards with d4skip(-1).
std::vector<uint32_t> WalkForward(DATA4* d);
std::vector<uint32_t> WalkBackward(DATA4* d);

// The engine keeps nothing of a closed file whose last write it cannot tell from the next.
inline void LetTheFileClockTick() { std::this_thread::sleep_for(std::chrono::milliseconds(30)); }

// Runs fn in a child process that exits with its result; Wait gives its exit status.
inline pid_t Spawn(const std::function<int()>& fn) { return proctest::Fork(fn); }
using proctest::Wait;

}  // namespace xbtest
