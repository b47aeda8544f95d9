#pragma once
// Stock figures derived from the transactions table; never stored. One product's
// figures walk its rows on tag prodid; every product's figures come from one pass in
// record order (deleted rows skipped, as the tags skip them). Both feed the same
// accumulator, so they give the same numbers.
//
// Sums are kept in 128-bit integers of currency units and each units x price product
// is rounded half to even at the fourth decimal, as a currency product is; averages
// are divided in double and rounded to currency. A figure that does not fit a
// currency value is an Overflow error (kError, number 6), never a wrap; the record is
// then left as it was. In the one pass such a product alone fails: the others' figures
// are exact.

#include <cstdint>
#include <unordered_map>
#include <unordered_set>
#include <vector>

#include "database/store/Codes.h"
#include "database/store/Result.h"
#include "database/store/Session.h"
#include "database/store/StockFigures.h"
#include "database/store/Transactions.h"

struct DATA4;

namespace store {

class Stock {
 public:
  explicit Stock(Session session) : session_(std::move(session)) {}

  // Which figures are worked out: every one, or the unit counts alone (on order,
  // physical, allocated, available; the amounts stay 0), which need no price.
  enum class Figures { kAll, kUnits };
  // Adds the transactions of stats.m_nProductID onto the record and derives the
  // averages and stock values.
  Status ProductStats(StockFigures& stats, DATA4* open = nullptr, Figures which = Figures::kAll) const;
  // The figures of every product that has transactions (a product without any has no
  // entry: its figures are all 0). A product whose figures do not fit has no entry and
  // is in `failed`. Both are empty after a failure of the pass. A caller's open table
  // is left in record order.
  Status AllProductStats(std::unordered_map<int32_t, StockFigures>& stats, std::unordered_set<int32_t>& failed,
                         DATA4* open = nullptr, Figures which = Figures::kAll) const;
  // Of entries to be stored in this order (one, a batch, an import), the positions of
  // those that would leave their product's figures not fitting: each is added to its
  // product's rows and the entries before it that were not refused; an entry whose id
  // is 1 or more takes the place of the stored row of that id (an edit). Where the
  // figures are already out of range, an entry that moves none of them further out (a
  // Ship, a Shrinkage, fewer units) is taken, so the figures can be repaired. Up to
  // `seeksBeforeOnePass` products are summed by seeks, more in one pass over the table.
  Result<std::vector<size_t>> Overflowing(const std::vector<TranRow>& entries, DATA4* open = nullptr,
                                          size_t seeksBeforeOnePass = 512) const;
  // True when the product has a transaction of the type.
  Result<bool> ProductHasTranType(int32_t prodId, int32_t type, DATA4* open = nullptr) const;

 private:
  Session session_;
};

}  // namespace store
