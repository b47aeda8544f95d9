#pragma once
// The transactions table (svltran): one row per stock movement of a product. Rows are
// found by row id (tag rowid) or by product (tag prodid). A row changes only under
// its lock; a new row gets the id its caller took from the svltran.dbf counter
// (Counters) and is unlocked again once written.
//
// Each call works on the caller's open table when `open` is given (left open, with no
// lock of the call left on it, also after a failure), else opens and closes the table
// itself. Failures: kNotFound, kLocked, kNotStored, kNotOpened, kError.

#include <QString>
#include <cstdint>
#include <functional>
#include <vector>

#include "database/store/Codes.h"
#include "database/store/Result.h"
#include "database/store/Session.h"
#include "platform/runtime/Currency.h"

struct DATA4;

namespace store {

struct TranFields;

struct TranRow {
  int32_t id = -1;
  int32_t prodId = -1;
  QString date;  // the stored "YYYYMMDD" text ("" or blanks: no date)
  TranType type = TranType::kReceive;
  rt::Currency units;
  rt::Currency unitPrice;
  QString note;        // trimmed when read
  int32_t catId = -1;  // list type kTranCategory
  int32_t acctId = -1; // list type kTranAccount, stored in shipmethod

  bool operator==(const TranRow&) const = default;
};

class Transactions {
 public:
  explicit Transactions(Session session) : session_(std::move(session)) {}

  // Appends the row under `id`; row.id becomes `id` only once the row is written.
  Status Append(TranRow& row, int32_t id, DATA4* open = nullptr) const;
  // Appends the rows in order under ids firstId, firstId + 1, ... under one hold of the
  // table's append lock; each row's id is set once it is written. After a failure the
  // rows before it are stored, the others keep their ids.
  Status AppendAll(std::vector<TranRow>& rows, int32_t firstId, DATA4* open = nullptr) const;
  // Rewrites every field but the id of the row row.id. With `loaded` (the row as the
  // caller read it): kChanged when the stored row, once locked, differs from it;
  // after the write `loaded` holds the row as now stored.
  Status Update(const TranRow& row, DATA4* open = nullptr, TranRow* loaded = nullptr) const;
  // Update of an outstanding row that still has type `from` once it is locked (another
  // user may have converted or deleted it meanwhile): kNotFound when it no longer has.
  Status Convert(const TranRow& row, TranType from, DATA4* open = nullptr, TranRow* loaded = nullptr) const;
  Result<TranRow> Get(int32_t id, DATA4* open = nullptr) const;
  // Deletes every row of the product, each under its lock. kLocked: another user holds
  // a row (the rows before it are deleted); a later call goes on from there.
  Status DeleteOfProduct(int32_t prodId, DATA4* open = nullptr) const;
  Result<bool> ProductHasTransactions(int32_t prodId, DATA4* open = nullptr) const;
  // Deletes the row of the id under its lock when `still` holds for it as locked (read
  // again): kChanged when it does not, kNotFound when there is no such row.
  Status DeleteIf(int32_t id, const std::function<bool(const TranRow&)>& still, DATA4* open = nullptr) const;

  static constexpr char kFile[] = "svltran.dbf";
  static constexpr char kCounter[] = "svltran.dbf";
  static constexpr int32_t kFirstId = 1000;

 private:
  // Runs a write on the table (tag rowid selected, its fields resolved); a write that
  // throws gives up the record lock first.
  Status Write(DATA4* open, const std::function<Status(DATA4*, const TranFields&)>& write) const;
  Session session_;
};

}  // namespace store
