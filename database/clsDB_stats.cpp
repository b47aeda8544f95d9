// clsDB: stock figures derived from the transactions table. One product's figures walk
// its rows on tag prodid; every product's figures come from one pass in record order.
// Both feed the same accumulator, so they give the same numbers.
//
// Sums are kept in 128-bit integers of currency units (1/10000) and each u x p product
// is rounded half to even at the fourth decimal, as a currency product is; a figure
// that does not fit a currency value at the end raises Overflow (never wraps).

#include <limits>
#include <string>
#include <unordered_map>

#include "database/DbAccess.h"
#include "database/clsDB.h"
#include "platform/runtime/Error.h"
#include "platform/xbase/Engine.h"

using dbaccess::Check;
using dbaccess::Field;
using dbaccess::ScopedTable;

namespace {

using Wide = __int128;

Wide Add(Wide a, Wide b) {
  Wide sum = 0;
  if (__builtin_add_overflow(a, b, &sum)) rt::Raise(rt::kErrOverflow);
  return sum;
}

// u x p in currency units, rounded half to even (|u.raw x p.raw| < 2^126).
Wide Product(rt::Currency u, rt::Currency p) {
  const Wide num = static_cast<Wide>(u.Raw()) * p.Raw();
  constexpr Wide den = rt::Currency::kScale;
  Wide q = num / den;
  const Wide r = num % den;
  const Wide twice = (r < 0 ? -r : r) * 2;
  if (twice > den || (twice == den && q % 2 != 0)) q += num < 0 ? -1 : 1;
  return q;
}

rt::Currency ToCurrency(Wide v) {
  if (v < std::numeric_limits<int64_t>::min() || v > std::numeric_limits<int64_t>::max()) {
    rt::Raise(rt::kErrOverflow);
  }
  return rt::Currency::FromRaw(static_cast<int64_t>(v));
}

double ToDouble(Wide v) { return static_cast<double>(v) / rt::Currency::kScale; }

// The fields one row contributes.
struct TranFields {
  explicit TranFields(DATA4* tb)
      : type(Field(tb, QStringLiteral("trantype"))),
        units(Field(tb, QStringLiteral("units"))),
        price(Field(tb, QStringLiteral("unitprc"))) {}
  FIELD4* type;
  FIELD4* units;
  FIELD4* price;
};

// Running sums of one product's rows.
class StockWalk {
 public:
  void Apply(const TranFields& f) {
    const long type = f4long(f.type);
    if (type < 1 || type > 5) return;
    const rt::Currency u = rt::Currency::FromDouble(f4double(f.units));
    const Wide units = u.Raw();
    switch (type) {
      case 1:
        onOrder_ = Add(onOrder_, units);
        onOrderCost_ = Add(onOrderCost_, Product(u, Price(f)));
        break;
      case 2:
        physical_ = Add(physical_, units);
        receivedUnits_ = Add(receivedUnits_, units);
        receivedCost_ = Add(receivedCost_, Product(u, Price(f)));
        break;
      case 3:
        physical_ = Add(physical_, -units);
        receivedUnits_ = Add(receivedUnits_, -units);
        break;
      case 4:
        physical_ = Add(physical_, -units);
        shippedUnits_ = Add(shippedUnits_, units);
        shippedValue_ = Add(shippedValue_, Product(u, Price(f)));
        break;
      default:
        allocated_ = Add(allocated_, units);
        break;
    }
  }

  // Adds the sums onto the record's figures and derives the others. The record is
  // changed only when every figure fits.
  void Finish(clsProductStats& stats) const {
    clsProductStats s = stats;
    s.m_curNumUnitsInStock_Physical = ToCurrency(Add(s.m_curNumUnitsInStock_Physical.Raw(), physical_));
    s.m_curNumUnitsAllocated = ToCurrency(Add(s.m_curNumUnitsAllocated.Raw(), allocated_));
    s.m_curNumUnitsOnOrder = ToCurrency(Add(s.m_curNumUnitsOnOrder.Raw(), onOrder_));
    s.m_curOnOrderCostActual = ToCurrency(onOrderCost_);
    // Averages are divided in double precision and rounded to four decimals; a divisor
    // of 0 or below leaves the average as it came in.
    if (receivedUnits_ > 0) {
      s.m_curAvgCostPerUnit = rt::Currency::FromDouble(ToDouble(receivedCost_) / ToDouble(receivedUnits_));
    }
    if (shippedUnits_ > 0) {
      s.m_curAvgPricePerUnit = rt::Currency::FromDouble(ToDouble(shippedValue_) / ToDouble(shippedUnits_));
    }
    s.m_curNumUnitsInStock_Available = s.m_curNumUnitsInStock_Physical - s.m_curNumUnitsAllocated;
    s.m_curStkCostAvg = s.m_curNumUnitsInStock_Physical * s.m_curAvgCostPerUnit;
    s.m_curStkPriceAvg = s.m_curNumUnitsInStock_Physical * s.m_curAvgPricePerUnit;
    stats = s;
  }

 private:
  static rt::Currency Price(const TranFields& f) { return rt::Currency::FromDouble(f4double(f.price)); }

  Wide physical_ = 0, allocated_ = 0, onOrder_ = 0, onOrderCost_ = 0;
  Wide receivedUnits_ = 0, receivedCost_ = 0, shippedUnits_ = 0, shippedValue_ = 0;
};

// Calls `row` for each row of the product on tag prodid until it returns false.
template <class Row>
void ForEachProductRow(DATA4* tb, int32_t nProdId, Row row) {
  dbaccess::SelectTag(tb, QStringLiteral("prodid"));
  Check(d4top(tb), "d4top");
  const std::string key = std::to_string(nProdId);
  for (int rc = Check(d4seek(tb, key.c_str()), "d4seek"); rc == 0;
       rc = Check(d4seekNext(tb, key.c_str()), "d4seekNext")) {
    if (!row()) return;
  }
}

}  // namespace

bool clsDB::GetProductStats(clsProductStats& udProductStats, DATA4*& tb_tran) {
  try {
    ScopedTable table(tb_tran, TranTable());
    if (!table.ok()) return false;
    const TranFields fields(table.get());
    StockWalk walk;
    ForEachProductRow(table.get(), udProductStats.m_nProductID, [&] {
      walk.Apply(fields);
      return true;
    });
    walk.Finish(udProductStats);
    return true;
  } catch (...) {
    dbaccess::ReportTrapped("clsDB_GetProductStats");
    return false;
  }
}

bool clsDB::GetAllProductStats(std::unordered_map<int32_t, clsProductStats>& stats, DATA4*& tb_tran) {
  stats.clear();
  try {
    ScopedTable table(tb_tran, TranTable());
    if (!table.ok()) return false;
    DATA4* tb = table.get();
    const TranFields fields(tb);
    FIELD4* prodid = Field(tb, QStringLiteral("prodid"));
    std::unordered_map<int32_t, StockWalk> walks;
    Check(d4tagSelect(tb, nullptr), "d4tagSelect");
    for (int rc = Check(d4top(tb), "d4top"); rc == 0; rc = Check(d4skip(tb, 1), "d4skip")) {
      // The tags leave deleted rows out; so does this pass.
      if (d4deleted(tb)) continue;
      const long id = f4long(prodid);
      if (id < std::numeric_limits<int32_t>::min() || id > std::numeric_limits<int32_t>::max()) continue;
      walks[static_cast<int32_t>(id)].Apply(fields);
    }
    std::unordered_map<int32_t, clsProductStats> result;
    result.reserve(walks.size());
    for (const auto& [id, walk] : walks) {
      clsProductStats s;
      s.Init(id);
      walk.Finish(s);
      result.emplace(id, s);
    }
    stats.swap(result);
    return true;
  } catch (...) {
    stats.clear();
    dbaccess::ReportTrapped("clsDB_GetAllProductStats");
    return false;
  }
}

bool clsDB::ProductHasATranType(int32_t nProdId, int32_t udTranType, DATA4*& tb_tran) {
  try {
    ScopedTable table(tb_tran, TranTable());
    if (!table.ok()) return false;
    FIELD4* type = Field(table.get(), QStringLiteral("trantype"));
    bool found = false;
    ForEachProductRow(table.get(), nProdId, [&] {
      found = f4long(type) == udTranType;
      return !found;
    });
    return found;
  } catch (...) {
    dbaccess::ReportTrapped("clsDB_ProductHasATranType");
    return false;
  }
}
