#include "database/store/Stock.h"

#include <algorithm>
#include <array>
#include <cmath>
#include <limits>
#include <optional>
#include <string>
#include <utility>

#include "database/store/Fields.h"
#include "database/store/RowScan.h"
#include "database/store/Seek.h"
#include "database/store/Transactions.h"
#include "platform/runtime/Error.h"
#include "platform/xbase/Engine.h"

namespace store {
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

// Running sums of one product's rows; with `unitsOnly` the unit counts alone. A row
// adds to the sums of one cache line: those of receiving and shipping in the first, the
// others in the second; the physical units follow from the received and shipped ones.
class alignas(64) StockWalk {
 public:
  void Apply(const TranFields& f, bool unitsOnly = false) {
    const long type = f4long(f.trantype);
    if (type < 1 || type > 5) return;
    Apply(static_cast<TranType>(type), Amount(f.units), [&f] { return Amount(f.unitprc); }, unitsOnly);
  }
  void Apply(const TranRow& r) {
    Apply(r.type, r.units, [&r] { return r.unitPrice; });
  }
  // Takes back what Apply(r) added.
  void Remove(const TranRow& r) {
    Apply(r.type, rt::Currency::FromRaw(0) - r.units, [&r] { return r.unitPrice; });
  }
  void Include(const StockWalk& o) {
    const std::pair<Wide*, Wide> sums[] = {{&receivedUnits_, o.receivedUnits_}, {&receivedCost_, o.receivedCost_},
                                           {&shippedUnits_, o.shippedUnits_},   {&shippedValue_, o.shippedValue_},
                                           {&onOrder_, o.onOrder_},             {&onOrderCost_, o.onOrderCost_},
                                           {&allocated_, o.allocated_}};
    for (const auto& [sum, more] : sums) *sum = Add(*sum, more);
  }

  // One row; `price` gives its unit amount, read only for the types that use it.
  template <class Price>
  void Apply(TranType type, rt::Currency u, Price price, bool unitsOnly = false) {
    const Wide units = u.Raw();
    switch (type) {
      case TranType::kOnOrder:
        onOrder_ = Add(onOrder_, units);
        if (!unitsOnly) onOrderCost_ = Add(onOrderCost_, Product(u, price()));
        break;
      case TranType::kReceive:
        receivedUnits_ = Add(receivedUnits_, units);
        if (!unitsOnly) receivedCost_ = Add(receivedCost_, Product(u, price()));
        break;
      case TranType::kShrinkage:
        receivedUnits_ = Add(receivedUnits_, -units);
        break;
      case TranType::kShip:
        shippedUnits_ = Add(shippedUnits_, units);
        if (!unitsOnly) shippedValue_ = Add(shippedValue_, Product(u, price()));
        break;
      case TranType::kAllocate:
        allocated_ = Add(allocated_, units);
        break;
    }
  }

  // True when the figures worked out from these sums alone fit.
  bool Fits() const {
    try {
      StockFigures figures;
      Finish(figures);
      return true;
    } catch (const rt::VbError& e) {
      if (e.number() != rt::kErrOverflow) throw;
      return false;
    }
  }

  // True when some figure of these sums alone lies further outside the currency range
  // than in `before`, or has left it: the unit counts and sums of amounts, the
  // averages, and the stock values at them while the physical units fit (beyond that
  // they follow the physical units).
  bool WorseThan(const StockWalk& before) const {
    const Beyond now = Outside(), then = before.Outside();
    for (size_t k = 0; k < now.sums.size(); ++k) {
      if (now.sums[k] > then.sums[k]) return true;
    }
    const bool physicalFits = now.sums[0] == 0 && then.sums[0] == 0;
    for (size_t k = 0; k < now.derived.size(); ++k) {
      if ((k < 2 || physicalFits) && now.derived[k] > then.derived[k]) return true;
    }
    return false;
  }

  // Adds the sums onto the record's figures and derives the others. The record is
  // changed only when every figure fits.
  void Finish(StockFigures& stats, bool unitsOnly = false) const {
    StockFigures s = stats;
    const Wide physical = Add(receivedUnits_, -shippedUnits_);
    s.m_curNumUnitsInStock_Physical = ToCurrency(Add(s.m_curNumUnitsInStock_Physical.Raw(), physical));
    s.m_curNumUnitsAllocated = ToCurrency(Add(s.m_curNumUnitsAllocated.Raw(), allocated_));
    s.m_curNumUnitsOnOrder = ToCurrency(Add(s.m_curNumUnitsOnOrder.Raw(), onOrder_));
    s.m_curNumUnitsInStock_Available = s.m_curNumUnitsInStock_Physical - s.m_curNumUnitsAllocated;
    if (unitsOnly) {
      stats = s;
      return;
    }
    s.m_curOnOrderCostActual = ToCurrency(onOrderCost_);
    // Averages are divided in double precision and rounded to four decimals; a divisor
    // of 0 or below leaves the average as it came in.
    if (receivedUnits_ > 0) {
      s.m_curAvgCostPerUnit = rt::Currency::FromDouble(ToDouble(receivedCost_) / ToDouble(receivedUnits_));
    }
    if (shippedUnits_ > 0) {
      s.m_curAvgPricePerUnit = rt::Currency::FromDouble(ToDouble(shippedValue_) / ToDouble(shippedUnits_));
    }
    s.m_curStkCostAvg = s.m_curNumUnitsInStock_Physical * s.m_curAvgCostPerUnit;
    s.m_curStkPriceAvg = s.m_curNumUnitsInStock_Physical * s.m_curAvgPricePerUnit;
    stats = s;
  }

 private:
  // How far each figure lies outside the currency range; 0 inside.
  struct Beyond {
    std::array<Wide, 7> sums{};       // physical, allocated, on order, available, on-order cost, received cost, shipped value
    std::array<double, 4> derived{};  // average cost, average price, the stock values at them
  };
  Beyond Outside() const {
    constexpr Wide kMax = std::numeric_limits<int64_t>::max();
    constexpr double kMaxUnits = static_cast<double>(kMax) / rt::Currency::kScale;
    const auto wide = [](Wide v) { return v > kMax ? v - kMax : v < -kMax - 1 ? -kMax - 1 - v : Wide{0}; };
    const auto real = [](double v) { return std::max(0.0, std::fabs(v) - kMaxUnits); };
    const Wide physical = receivedUnits_ - shippedUnits_;
    const double avgCost = receivedUnits_ > 0 ? ToDouble(receivedCost_) / ToDouble(receivedUnits_) : 0.0;
    const double avgPrice = shippedUnits_ > 0 ? ToDouble(shippedValue_) / ToDouble(shippedUnits_) : 0.0;
    Beyond b;
    b.sums = {wide(physical), wide(allocated_), wide(onOrder_), wide(physical - allocated_), wide(onOrderCost_),
              wide(receivedCost_), wide(shippedValue_)};
    b.derived = {real(avgCost), real(avgPrice), real(ToDouble(physical) * avgCost), real(ToDouble(physical) * avgPrice)};
    return b;
  }

  Wide receivedUnits_ = 0, receivedCost_ = 0, shippedUnits_ = 0, shippedValue_ = 0;
  Wide onOrder_ = 0, onOrderCost_ = 0, allocated_ = 0;
};

// Calls `row` for each row of the product on tag prodid until it returns false.
template <class Row>
void ForEachProductRow(const Session& s, DATA4* tb, int32_t prodId, Row row) {
  RowScan scan(s, tb);
  for (bool on = scan.FirstWithKey("prodid", std::to_string(prodId)); on; on = scan.Next()) {
    if (!row()) return;
  }
}

// The running sums of each product met in a pass, in the order met. Ids below kDense
// (row ids count up from 1) find their sums by index, in a table as long as the largest
// such id; others by hash.
class Walks {
 public:
  Walks() = default;

  StockWalk& operator[](int32_t id) {
    uint32_t* slot = nullptr;
    if (id >= 0 && id < kDense) {
      if (static_cast<size_t>(id) >= dense_.size()) dense_.resize(std::max<size_t>(id + 1, dense_.size() * 2));
      slot = &dense_[static_cast<size_t>(id)];
    } else {
      slot = &sparse_[id];
    }
    if (*slot == 0) {
      ids_.push_back(id);
      walks_.emplace_back();
      *slot = static_cast<uint32_t>(walks_.size());
    }
    return walks_[*slot - 1];
  }
  size_t size() const { return walks_.size(); }
  int32_t id(size_t i) const { return ids_[i]; }
  const StockWalk& walk(size_t i) const { return walks_[i]; }

 private:
  static constexpr int32_t kDense = 1 << 20;
  std::vector<int32_t> ids_;
  std::vector<StockWalk> walks_;
  std::vector<uint32_t> dense_;                  // index in walks_ + 1; 0: none yet
  std::unordered_map<int32_t, uint32_t> sparse_;  // the same for other ids
};

}  // namespace

Status Stock::ProductStats(StockFigures& stats, DATA4* open, Figures which) const {
  return Guarded<Status>([&]() -> Status {
    Table tb(session_, open, Transactions::kFile);
    if (!tb.ok()) return tb.failure();
    const TranFields fields(tb.get());
    const bool unitsOnly = which == Figures::kUnits;
    StockWalk walk;
    ForEachProductRow(session_, tb.get(), stats.m_nProductID, [&] {
      walk.Apply(fields, unitsOnly);
      return true;
    });
    walk.Finish(stats, unitsOnly);
    return Status::Ok();
  });
}

Status Stock::AllProductStats(std::unordered_map<int32_t, StockFigures>& stats, std::unordered_set<int32_t>& failed,
                              DATA4* open, Figures which) const {
  stats.clear();
  failed.clear();
  return Guarded<Status>([&]() -> Status {
    Table table(session_, open, Transactions::kFile);
    if (!table.ok()) return table.failure();
    DATA4* tb = table.get();
    const TranFields fields(tb);
    const bool unitsOnly = which == Figures::kUnits;
    Walks walks;
    std::unordered_set<int32_t> overflowed;
    // Runs one product's step; an Overflow fails that product alone.
    const auto guarded = [&](int32_t id, auto step) {
      try {
        step();
      } catch (const rt::VbError& e) {
        if (e.number() != rt::kErrOverflow) throw;
        overflowed.insert(id);
      }
    };
    // The tags leave deleted rows out; so does this pass.
    RowScan scan(session_, tb);
    for (bool on = scan.FirstInRecordOrder(RowScan::Read::kBlocks); on; on = scan.Next()) {
      const long id = f4long(fields.prodid);
      if (id < std::numeric_limits<int32_t>::min() || id > std::numeric_limits<int32_t>::max()) continue;
      const auto key = static_cast<int32_t>(id);
      StockWalk& walk = walks[key];
      guarded(key, [&] { walk.Apply(fields, unitsOnly); });
    }
    std::unordered_map<int32_t, StockFigures> result;
    result.reserve(walks.size());
    for (size_t i = 0; i < walks.size(); ++i) {
      const int32_t id = walks.id(i);
      if (overflowed.count(id) != 0) continue;
      StockFigures s;
      s.Init(id);
      guarded(id, [&] {
        walks.walk(i).Finish(s, unitsOnly);
        result.emplace(id, s);
      });
    }
    stats.swap(result);
    failed.swap(overflowed);
    return Status::Ok();
  });
}

Result<std::vector<size_t>> Stock::Overflowing(const std::vector<TranRow>& entries, DATA4* open,
                                               size_t seeksBeforeOnePass) const {
  return Guarded<Result<std::vector<size_t>>>([&]() -> Result<std::vector<size_t>> {
    Table tb(session_, open, Transactions::kFile);
    if (!tb.ok()) return tb.failure();
    const TranFields fields(tb.get());
    std::unordered_set<int32_t> replaced;
    for (const TranRow& e : entries) {
      if (e.id > 0) replaced.insert(e.id);
    }
    const auto isOverflow = [](const rt::VbError& e) { return e.number() == rt::kErrOverflow; };
    // Each product's sums so far, the stored rows that entries replace left out;
    // nullopt when its stored rows cannot be summed.
    std::unordered_map<int32_t, std::optional<StockWalk>> walks;
    // The stored rows entries replace, and each product's sums of those not yet replaced.
    std::unordered_map<int32_t, TranRow> stored;
    std::unordered_map<int32_t, StockWalk> pending;
    std::unordered_set<int32_t> done;  // ids of the entries taken so far
    const auto apply = [&](std::optional<StockWalk>& walk) {
      if (!walk) return;
      try {
        if (const auto id = static_cast<int32_t>(f4long(fields.rowid)); replaced.count(id) != 0) {
          const long type = f4long(fields.trantype);
          if (done.count(id) != 0 || type < 1 || type > 5) return;  // a row of no type adds nothing
          TranRow& r = stored[id];
          r.prodId = static_cast<int32_t>(f4long(fields.prodid));
          r.type = static_cast<TranType>(type);
          r.units = Amount(fields.units);
          r.unitPrice = Amount(fields.unitprc);
          pending[r.prodId].Apply(r);
          return;
        }
        walk->Apply(fields);
      } catch (const rt::VbError& e) {
        if (!isOverflow(e)) throw;
        walk.reset();
      }
    };
    for (const TranRow& e : entries) walks.try_emplace(e.prodId);
    // Many products (an import): one pass in record order, the order the product tag
    // keeps each product's rows in, costs less than a seek per product.
    const bool onePass = walks.size() > seeksBeforeOnePass;
    if (onePass) {
      for (auto& [id, walk] : walks) walk.emplace();
      RowScan scan(session_, tb.get());
      for (bool on = scan.FirstInRecordOrder(RowScan::Read::kBlocks); on; on = scan.Next()) {
        const long id = f4long(fields.prodid);
        if (id < std::numeric_limits<int32_t>::min() || id > std::numeric_limits<int32_t>::max()) continue;
        const auto at = walks.find(static_cast<int32_t>(id));
        if (at != walks.end()) apply(at->second);
      }
    }
    std::unordered_set<int32_t> summed;
    std::vector<size_t> refused;
    for (size_t i = 0; i < entries.size(); ++i) {
      const TranRow& entry = entries[i];
      std::optional<StockWalk>& walk = walks[entry.prodId];
      if (!onePass && summed.insert(entry.prodId).second) {
        walk.emplace();
        ForEachProductRow(session_, tb.get(), entry.prodId, [&] {
          apply(walk);
          return true;
        });
      }
      try {
        if (!walk) rt::Raise(rt::kErrOverflow);
        // The product's figures before and after the entry, with the stored rows that
        // are still in place; an edit takes its stored row out.
        StockWalk before = *walk;
        before.Include(pending[entry.prodId]);
        const auto was = entry.id > 0 ? stored.find(entry.id) : stored.end();
        if (was != stored.end()) pending[was->second.prodId].Remove(was->second);
        StockWalk next = *walk;
        next.Apply(entry);
        StockWalk after = next;
        after.Include(pending[entry.prodId]);
        // Figures already out of range take what does not move them further out.
        if (after.Fits() || (!before.Fits() && !after.WorseThan(before))) {
          walk = next;
          if (was != stored.end()) stored.erase(was);
          if (entry.id > 0) done.insert(entry.id);
        } else {
          if (was != stored.end()) pending[was->second.prodId].Apply(was->second);
          refused.push_back(i);
        }
      } catch (const rt::VbError& e) {
        if (!isOverflow(e)) throw;
        refused.push_back(i);
      }
    }
    return refused;
  });
}

Result<bool> Stock::ProductHasTranType(int32_t prodId, int32_t type, DATA4* open) const {
  return Guarded<Result<bool>>([&]() -> Result<bool> {
    Table tb(session_, open, Transactions::kFile);
    if (!tb.ok()) return tb.failure();
    FIELD4* trantype = TranFields(tb.get()).trantype;
    bool found = false;
    ForEachProductRow(session_, tb.get(), prodId, [&] {
      found = f4long(trantype) == type;
      return !found;
    });
    return found;
  });
}

}  // namespace store
