#include "database/store/Upgrade.h"

#include <utility>
#include <vector>

#include "database/store/Fields.h"
#include "database/store/RowScan.h"
#include "database/store/Seek.h"
#include "platform/xbase/Engine.h"

namespace store {
namespace {

constexpr FieldMap kProductMap[] = {{"rowid", "prodid", From::kNumber},     {"groupid", "catid", From::kNumber},
                                    {"prodname", "prodname", From::kText},  {"partno", "partno", From::kText},
                                    {"reordlev", "reordlev", From::kDecimal}, {"location", "leadtime", From::kNumber}};

constexpr FieldMap kTranMap[] = {{"rowid", "tranid", From::kNumber},    {"prodid", "prodid", From::kNumber},
                                 {"trandate", "trandate", From::kText}, {"trantype", "trantype", From::kNumber},
                                 {"units", "units", From::kDecimal},    {"unitprc", "unitprc", From::kDecimal},
                                 {"whseid", nullptr, From::kWarehouse}, {"notes", "note", From::kTextToMemo},
                                 {"catid", "supid", From::kNumber}};

constexpr FieldMap kTran34Map[] = {{"rowid", "rowid", From::kNumber},       {"prodid", "prodid", From::kNumber},
                                   {"catid", "catid", From::kNumber},       {"shipmethod", "shipmethod", From::kNumber},
                                   {"trandate", "trandate", From::kText},   {"trantype", "trantype", From::kNumber},
                                   {"units", "units", From::kDecimal},      {"unitprc", "unitprc", From::kDecimal},
                                   {"notes", "notes", From::kMemo}};

// The warehouse every transaction of the oldest layout is given.
constexpr long kOldestWarehouse = 50;

// Old counter key -> new key.
constexpr const char* kCounterMoves[][2] = {
    {"trans.dbf", "svltran.dbf"}, {"products.dbf", "svlprod.dbf"}, {"svlcat.dbf", "svlcat.dbf"}};

// Fills one new field; errors throw (a value that does not fit stops the copy).
void Assign(const Session& s, FIELD4* to, FIELD4* from, From kind) {
  switch (kind) {
    case From::kNumber:
      s.Check(f4assignLong(to, Long32(from)), "f4assignLong");
      break;
    case From::kDecimal:
      s.Check(f4assignDouble(to, f4double(from)), "f4assignDouble");
      break;
    case From::kText:
      s.Check(AssignText(to, Text(from)), "f4assignNVB");
      break;
    case From::kMemo:
      s.Check(AssignMemo(to, Memo(from)), "f4memoAssignN");
      break;
    case From::kTextToMemo: {
      // A text field is padded to its width; the memo keeps the text without the padding.
      QString text = Text(from);
      while (text.endsWith(QLatin1Char(' '))) text.chop(1);
      s.Check(AssignMemo(to, text), "f4memoAssignN");
      break;
    }
    case From::kWarehouse:
      s.Check(f4assignLong(to, kOldestWarehouse), "f4assignLong");
      break;
  }
}

}  // namespace

const RowLayout kOldestProducts{"prodid", kProductMap};
const RowLayout kOldestTransactions{"tranid", kTranMap};
const RowLayout kTransactions3To4{"rowid", kTran34Map};

Result<bool> CopyRows(const Session& s, const RowLayout& layout, DATA4* from, DATA4* to,
                      const std::function<bool(int32_t copied)>& afterRow) {
  return Guarded<Result<bool>>([&]() -> Result<bool> {
    RowScan scan(s, from);
    bool on = scan.First(layout.sourceTag);
    std::vector<std::pair<FIELD4*, FIELD4*>> fields;
    for (const FieldMap& m : layout.fields) {
      fields.emplace_back(FieldOf(to, m.to), m.from != nullptr ? FieldOf(from, m.from) : nullptr);
    }
    int32_t copied = 0;
    for (; on; on = scan.Next()) {
      s.Check(d4blank(to), "d4blank");
      for (size_t i = 0; i < fields.size(); ++i) Assign(s, fields[i].first, fields[i].second, layout.fields[i].kind);
      s.Check(d4append(to), "d4append");
      if (!afterRow(++copied)) return false;
    }
    s.Check(d4flush(to), "d4flush");
    return true;
  });
}

Status CopyOldestCounters(const Session& s, DATA4* from, DATA4* to) {
  return Guarded<Status>([&]() -> Status {
    FIELD4* oldId = FieldOf(from, "lastid");
    FIELD4* newId = CounterFields(to).lastid;
    SelectTag(s, from, "tblname");
    SelectTag(s, to, "tblname");
    Status status;
    for (const auto& move : kCounterMoves) {
      if (SeekWhole(s, from, WholeKey(QLatin1String(move[0]), false)) != 0) continue;
      if (SeekWhole(s, to, WholeKey(QLatin1String(move[1]), false)) != 0) {
        status = Status::Of(Failure::kNotFound);
        break;
      }
      s.Check(f4assignLong(newId, Long32(oldId)), "f4assignLong");
    }
    s.Check(d4flush(to), "d4flush");
    return status;
  });
}

}  // namespace store
