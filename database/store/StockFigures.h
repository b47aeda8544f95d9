#pragma once
// StockFigures: the stock figures of one product, derived from its transactions by
// Stock::ProductStats (one product) or Stock::AllProductStats (every product in one
// pass). A plain record; a new one holds 0 everywhere.

#include <cstdint>

#include "platform/runtime/Currency.h"

namespace store {

struct StockFigures {
  rt::Currency m_curNumUnitsInStock_Physical;   // received - shrinkage - shipped
  rt::Currency m_curNumUnitsAllocated;
  rt::Currency m_curNumUnitsInStock_Available;  // physical - allocated
  rt::Currency m_curNumUnitsOnOrder;
  rt::Currency m_curAvgCostPerUnit;
  rt::Currency m_curAvgPricePerUnit;
  rt::Currency m_curOnOrderCostActual;
  rt::Currency m_curStkCostAvg;                 // physical x average cost
  rt::Currency m_curStkPriceAvg;                // physical x average price
  int32_t m_nProductID = 0;

  // Sets the product id and zeroes the nine figures.
  void Init(int32_t nProductID) {
    *this = StockFigures{};
    m_nProductID = nProductID;
  }

  friend bool operator==(const StockFigures&, const StockFigures&) = default;
};

}  // namespace store
