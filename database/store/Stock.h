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
// then left as it was.

#include <cstdint>
#include <unordered_map>

#include "database/clsProductStats.h"
#include "database/store/Codes.h"
#include "database/store/Result.h"
#include "database/store/Session.h"

struct DATA4;

namespace store {

class Stock {
 public:
  explicit Stock(const Session& session) : session_(session) {}

  // Adds the transactions of stats.m_nProductID onto the record and derives the
  // averages and stock values.
  Status ProductStats(clsProductStats& stats, DATA4* open = nullptr) const;
  // The figures of every product that has transactions (a product without any has no
  // entry: its figures are all 0); empty after a failure. A caller's open table is
  // left in record order.
  Status AllProductStats(std::unordered_map<int32_t, clsProductStats>& stats, DATA4* open = nullptr) const;
  // True when the product has a transaction of the type.
  Result<bool> ProductHasTranType(int32_t prodId, int32_t type, DATA4* open = nullptr) const;

 private:
  const Session& session_;
};

}  // namespace store
