#include "reports/mdlTranGrid.h"

#include <algorithm>
#include <array>
#include <bit>
#include <cmath>
#include <memory>
#include <optional>
#include <unordered_set>
#include <vector>

#include "database/RptColumnIds.h"
#include "database/clsDB.h"
#include "database/clsRptDef.h"
#include "database/store/ReportTables.h"
#include "database/store/Scans.h"
#include "platform/controls/GridControl.h"
#include "platform/runtime/Currency.h"
#include "platform/runtime/Error.h"
#include "platform/ui/Prompt.h"
#include "reports/mdlGrid.h"
#include "services/clsSystem.h"

namespace reports {
namespace {

// Missing products named one per line in the summary message, at most.
constexpr size_t kMissingListed = 20;

// What a transaction row shows of its product.
using ProductInfo = store::ProductLabels;

// The values of the keys met during one load, kept in the table itself (open
// addressing), so that a look-up touches one place. Values move when it grows.
template <class Key, class Value>
class FlatMap {
 public:
  // The value of `key`; `added` tells whether it was just made (value-initialised).
  Value& Find(Key key, bool* added) {
    if ((count_ + 1) * 2 > slots_.size()) Grow();
    for (size_t i = Slot(key);; i = (i + 1) & (slots_.size() - 1)) {
      Entry& e = slots_[i];
      if (!e.used) {
        e.used = true;
        e.key = key;
        ++count_;
        *added = true;
        return e.value;
      }
      if (e.key == key) {
        *added = false;
        return e.value;
      }
    }
  }

 private:
  struct Entry {
    Key key{};
    bool used = false;
    Value value{};
  };
  // The top bits of the key times the golden ratio: every bit of the key counts.
  size_t Slot(Key key) const { return static_cast<size_t>((static_cast<uint64_t>(key) * 0x9E3779B97F4A7C15ULL) >> shift_); }
  void Grow() {
    std::vector<Entry> old(std::max<size_t>(64, slots_.size() * 2));
    old.swap(slots_);
    shift_ = 64 - std::countr_zero(slots_.size());
    for (Entry& e : old) {
      if (!e.used) continue;
      size_t i = Slot(e.key);
      while (slots_[i].used) i = (i + 1) & (slots_.size() - 1);
      slots_[i] = std::move(e);
    }
  }
  std::vector<Entry> slots_;
  int shift_ = 64;
  size_t count_ = 0;
};

// Small numbers for the keys met during one load, kept in a plain array (ids, days:
// few and close together, so a look-up stays in the cache); other keys in a FlatMap.
template <class Key>
class KeyIndex {
 public:
  static constexpr int kNone = -1;
  // The slot of `key`, whose place in the array is `dense` (-1: none); `added` tells
  // whether it was just made (value kNone).
  int& Find(Key key, int64_t dense, bool* added) {
    if (dense < 0 || dense >= kDenseMax) {
      int& slot = map_.Find(key, added);
      if (*added) slot = kNone;
      return slot;
    }
    const size_t at = static_cast<size_t>(dense);
    if (at >= array_.size()) array_.resize(std::max(at + 1, array_.size() * 2), kUnseen);
    int& slot = array_[at];
    *added = slot == kUnseen;
    if (*added) slot = kNone;
    return slot;
  }

 private:
  static constexpr int64_t kDenseMax = int64_t{1} << 20;
  static constexpr int kUnseen = -2;
  std::vector<int> array_;
  FlatMap<Key, int> map_;
};

// A stored date "YYYYMMDD" (1900 to 2155) as a day number; -1 for any other text.
int64_t DayNumber(uint64_t key) {
  int d[8];
  for (int i = 0; i < 8; ++i) {
    const int c = static_cast<int>((key >> (8 * i)) & 0xFF);
    if (c < '0' || c > '9') return -1;
    d[i] = c - '0';
  }
  const int year = d[0] * 1000 + d[1] * 100 + d[2] * 10 + d[3];
  const int month = d[4] * 10 + d[5];
  const int day = d[6] * 10 + d[7];
  if (year < 1900 || year > 2155 || month < 1 || month > 12 || day < 1 || day > 31) return -1;
  return ((year - 1900) * 12 + month - 1) * 31 + day - 1;
}

bool IsProductColumn(int32_t id) {
  using namespace trancol;
  return id == kProductName || id == kPartNumber || (id >= kLocation && id <= kCustom4);
}

// The products of one load, each read once by its row id (a missing one too), with
// the shared cells of the columns that show them.
class ProductCache {
 public:
  ProductCache(const store::ReportTables& tables, const clsRptDef& def) : scan_(tables.ScanProducts()) {
    slotOf_.assign(static_cast<size_t>(def.m_collColumnDefs.Count()) + 1, -1);
    int k = 0;
    for (const clsRptColDef& c : def.m_collColumnDefs) {
      ++k;
      if (IsProductColumn(c.m_nRowID)) {
        slotOf_[static_cast<size_t>(k)] = stride_++;
        shown_.push_back(c.m_nRowID);
      }
    }
  }
  // The product's index, or -1 when it is missing.
  int Find(int32_t id) {
    bool added = false;
    int& index = index_.Find(id, id, &added);
    if (added) {
      std::optional<ProductInfo> p = Read(id);
      index = p ? static_cast<int>(products_.size()) : -1;
      if (p) products_.push_back(std::move(*p));
      cells_.resize(products_.size() * static_cast<size_t>(stride_));
    }
    return index;
  }
  const ProductInfo& Info(int i) const { return products_[static_cast<size_t>(i)]; }
  size_t Count() const { return products_.size(); }
  // The shared cell of product i in grid column k, a product column.
  ctl::SharedCell& Cell(int i, int k) {
    return cells_[static_cast<size_t>(i) * static_cast<size_t>(stride_) + static_cast<size_t>(slotOf_[static_cast<size_t>(k)])];
  }

 private:
  // Only the fields a column shows.
  std::optional<ProductInfo> Read(int32_t id) {
    if (!scan_.Find(id)) return std::nullopt;
    const store::ProductView& row = scan_.row();
    ProductInfo p;
    for (int32_t colId : shown_) {
      switch (colId) {
        case trancol::kProductName: p.name = row.Name(); break;
        case trancol::kPartNumber: p.partNo = row.PartNo(); break;
        case trancol::kLocation: p.location = row.Location(); break;
        case trancol::kGroup: p.group = row.Group(); break;
        case trancol::kManufacturer: p.manuf = row.Manuf(); break;
        case trancol::kVendor: p.vendor = row.Vendor(); break;
        default: {
          const size_t i = static_cast<size_t>(colId - trancol::kCustom1);
          p.custom[i] = row.Custom(i);
        }
      }
    }
    return p;
  }

  store::ProductScan scan_;
  std::vector<int> slotOf_;  // per grid column: its place among the product columns
  std::vector<int32_t> shown_;  // the product columns' ids
  int stride_ = 0;           // product columns
  KeyIndex<int32_t> index_;
  std::vector<ProductInfo> products_;
  std::vector<ctl::SharedCell> cells_;  // per product, per product column
};

// The raw value a transaction row shows of its product in column `colId`.
QVariant ProductValue(int32_t colId, const ProductInfo& p) {
  switch (colId) {
    case trancol::kProductName: return p.name;
    case trancol::kPartNumber: return p.partNo;
    case trancol::kLocation: return p.location;
    case trancol::kGroup: return p.group;
    case trancol::kManufacturer: return p.manuf;
    case trancol::kVendor: return p.vendor;
    case trancol::kCustom1:
    case trancol::kCustom2:
    case trancol::kCustom3:
    case trancol::kCustom4: return p.custom[static_cast<size_t>(colId - trancol::kCustom1)];
    default: return QString();
  }
}

bool IsAmountColumn(const clsRptColDef& def) {
  const QString& t = def.m_sDataType;
  return t.size() == 1 && (t[0] == u'U' || t[0] == u'C' || t[0] == u'A');
}

bool IsIntegerColumn(const clsRptColDef& def) { return def.m_sDataType == QLatin1String("I"); }

// The rows of one load: what the columns show of each transaction placed, decoded once
// from its record (dates, types and products as indexes into what they show); a cell is
// made when the grid reads it, as the grid's writer would have written it.
class TranRows final : public ctl::grid::RowSource {
 public:
  // One transaction placed: indexes of its date, type (0 to 5) and product, and its
  // numbers.
  struct Item {
    int32_t id = 0;
    int32_t date = 0, product = 0, cat = 0, acct = 0;
    uint8_t type = 0;
    double units = 0, price = 0, extended = 0;
  };

  explicit TranRows(const clsRptDef& def) {
    columns_.resize(static_cast<size_t>(def.m_collColumnDefs.Count()) + 1);
    int k = 0;
    for (const clsRptColDef& c : def.m_collColumnDefs) {
      Column& col = columns_[static_cast<size_t>(++k)];
      col.def = c;
      switch (c.m_nRowID) {
        case trancol::kDate: col.field = Field::kDate; break;
        case trancol::kType: col.field = Field::kType; break;
        case trancol::kUnits: col.field = Field::kUnits; break;
        case trancol::kAmountPerUnit: col.field = Field::kPrice; break;
        case trancol::kExtendedAmount: col.field = Field::kExtended; break;
        case trancol::kNotes: col.field = Field::kNotes; break;
        case trancol::kCategory: col.field = Field::kCategory; break;
        case trancol::kAccount: col.field = Field::kAccount; break;
        default: col.field = IsProductColumn(c.m_nRowID) ? Field::kProduct : Field::kNone;
      }
      shown_[static_cast<size_t>(col.field)] = true;
    }
  }

  void Reserve(size_t n) { items_.reserve(n); }

  // `note`: the note shown, when there is one.
  void Append(const Item& item, const QString* note) {
    if (note && Shows(Field::kNotes)) notes_.emplace_back(static_cast<uint32_t>(items_.size()), *note);
    items_.push_back(item);
    Use(dateUsed_, item.date);
    Use(typeUsed_, item.type);
    Use(productUsed_, item.product);
    if (Shows(Field::kCategory)) cats_.Add(item.cat);
    if (Shows(Field::kAccount)) accts_.Add(item.acct);
  }
  uint32_t Items() const { return static_cast<uint32_t>(items_.size()); }

  // Takes the room of the arrays of `old`, the rows of a load before that no grid shows
  // any more: a reload writes pages already made instead of fresh ones.
  void ReuseRoom(TranRows& old) {
    old.items_.clear();
    items_.swap(old.items_);
  }

  // The cells of the dates (stored texts), types (0 to 5) and products met, once the
  // rows are all in.
  void Finish(const std::vector<QString>& dates, const std::array<QString, 6>& typeDesc, const ProductCache& products) {
    for (Column& col : columns_) {
      const auto entries = [&](size_t n, auto raw) {
        col.shown.Resize(n);
        for (size_t e = 0; e < n; ++e) SetGridCell(col.shown, e, col.def, raw(e));
      };
      switch (col.field) {
        case Field::kDate: entries(dates.size(), [&](size_t e) { return QVariant(dates[e]); }); break;
        case Field::kType: entries(typeDesc.size(), [&](size_t e) { return QVariant(typeDesc[e]); }); break;
        case Field::kProduct:
          entries(products.Count(),
                  [&](size_t e) { return ProductValue(col.def.m_nRowID, products.Info(static_cast<int>(e))); });
          break;
        default: break;
      }
    }
  }

  void Fill(int col, const uint32_t* items, size_t n, ctl::grid::CellColumn& out, size_t at) const override {
    const Column* c = col > 0 && static_cast<size_t>(col) < columns_.size() ? &columns_[static_cast<size_t>(col)] : nullptr;
    const Field field = c ? c->field : Field::kNone;
    switch (field) {
      case Field::kDate: return FillShown(*c, &Item::date, items, n, out, at);
      case Field::kType: return FillShown(*c, &Item::type, items, n, out, at);
      case Field::kProduct: return FillShown(*c, &Item::product, items, n, out, at);
      case Field::kUnits: return FillNumbers(*c, &Item::units, items, n, out, at);
      case Field::kPrice: return FillNumbers(*c, &Item::price, items, n, out, at);
      case Field::kExtended: return FillNumbers(*c, &Item::extended, items, n, out, at);
      case Field::kCategory: return FillIds(*c, &Item::cat, items, n, out, at);
      case Field::kAccount: return FillIds(*c, &Item::acct, items, n, out, at);
      case Field::kNotes:
        for (size_t i = 0; i < n; ++i) {
          if (!IsItem(items[i])) continue;
          if (const QString* note = NoteOf(items[i]))
            SetGridCell(out, at + i, c->def, *note);
          else
            out.SetEmpty(at + i);
        }
        return;
      case Field::kNone:
      case Field::kCount: break;
    }
    for (size_t i = 0; i < n; ++i)
      if (IsItem(items[i])) out.SetEmpty(at + i);
  }

  int64_t RowData(uint32_t item) const override { return items_[item].id; }

  bool Entries(int col, const uint32_t* items, size_t n, uint32_t* entries,
               const ctl::grid::CellColumn** cells) const override {
    if (col <= 0 || static_cast<size_t>(col) >= columns_.size()) return false;
    const Column& c = columns_[static_cast<size_t>(col)];
    const auto index = [&](auto Item::*field) {
      for (size_t i = 0; i < n; ++i) entries[i] = static_cast<uint32_t>(items_[items[i]].*field);
      *cells = &c.shown;
      return true;
    };
    switch (c.field) {
      case Field::kDate: return index(&Item::date);
      case Field::kType: return index(&Item::type);
      case Field::kProduct: return index(&Item::product);
      default: return false;
    }
  }

  bool WidthCells(int col, ctl::grid::CellColumn& out, bool* extremes) const override {
    *extremes = false;
    if (col <= 0 || static_cast<size_t>(col) >= columns_.size()) return true;
    const Column& c = columns_[static_cast<size_t>(col)];
    const auto used = [&](const std::vector<bool>& flags) {
      for (size_t e = 0; e < flags.size() && e < c.shown.Size(); ++e)
        if (flags[e]) {
          out.Resize(out.Size() + 1);
          ctl::grid::CopyCell(c.shown, e, out, out.Size() - 1);
        }
      return true;
    };
    const auto ids = [&](const DistinctIds& ids) {
      out.Resize(ids.inOrder.size());
      for (size_t i = 0; i < ids.inOrder.size(); ++i) SetGridCell(out, i, c.def, ids.inOrder[i]);
      return true;
    };
    switch (c.field) {
      case Field::kDate: return used(dateUsed_);
      case Field::kType: return used(typeUsed_);
      case Field::kProduct: return used(productUsed_);
      case Field::kUnits: return Extremes(c, &Item::units, out, extremes);
      case Field::kPrice: return Extremes(c, &Item::price, out, extremes);
      case Field::kExtended: return Extremes(c, &Item::extended, out, extremes);
      case Field::kCategory: return ids(cats_);
      case Field::kAccount: return ids(accts_);
      case Field::kNotes:
        out.Resize(notes_.size());
        for (size_t i = 0; i < notes_.size(); ++i) SetGridCell(out, i, c.def, notes_[i].second);
        return true;
      case Field::kNone:
      case Field::kCount: break;
    }
    return true;
  }

 private:
  enum class Field : uint8_t { kNone, kDate, kType, kProduct, kUnits, kPrice, kExtended, kNotes, kCategory, kAccount, kCount };
  struct Column {
    clsRptColDef def;
    Field field = Field::kNone;
    ctl::grid::CellColumn shown;  // date, type and product columns: the cell of each
  };

  // The ids of a column, each once, first seen first.
  struct DistinctIds {
    // Ids are small numbers mostly: those below 2^16 are marked in a table.
    static constexpr int32_t kDense = int32_t{1} << 16;
    std::vector<bool> dense;
    std::unordered_set<int32_t> others;
    std::vector<int32_t> inOrder;

    void Add(int32_t v) {
      if (v >= 0 && v < kDense) {
        if (dense.empty()) dense.resize(kDense);
        if (!dense[static_cast<size_t>(v)]) dense[static_cast<size_t>(v)] = true, inOrder.push_back(v);
      } else if (others.insert(v).second) {
        inOrder.push_back(v);
      }
    }
  };

  bool Shows(Field f) const { return shown_[static_cast<size_t>(f)]; }
  static void Use(std::vector<bool>& flags, int index) {
    const size_t at = static_cast<size_t>(index);
    if (at >= flags.size()) flags.resize(at + 1);
    flags[at] = true;
  }

  // Cells of an index into the column's shown cells: the first cell of each written
  // from them, the others sharing its stored copy.
  template <class Index>
  void FillShown(const Column& c, Index Item::*field, const uint32_t* items, size_t n, ctl::grid::CellColumn& out,
                 size_t at) const {
    constexpr size_t kNone = ~size_t{0};
    std::vector<size_t> first(n < 64 ? 0 : c.shown.Size(), kNone);
    for (size_t i = 0; i < n; ++i) {
      if (!IsItem(items[i])) continue;
      const size_t e = static_cast<size_t>(items_[items[i]].*field);
      if (first.empty()) {
        ctl::grid::CopyCell(c.shown, e, out, at + i);
      } else if (first[e] == kNone) {
        ctl::grid::CopyCell(c.shown, e, out, at + i);
        first[e] = at + i;
      } else {
        out.CopyCell(first[e], at + i);
      }
    }
  }
  // Each item's value of `field`, written by put(cell, value).
  template <class Value, class Put>
  void FillValues(Value Item::*field, const uint32_t* items, size_t n, size_t at, const Put& put) const {
    for (size_t i = 0; i < n; ++i)
      if (IsItem(items[i])) put(at + i, items_[items[i]].*field);
  }
  void FillNumbers(const Column& c, double Item::*field, const uint32_t* items, size_t n, ctl::grid::CellColumn& out,
                   size_t at) const {
    const bool amount = IsAmountColumn(c.def);
    FillValues(field, items, n, at, [&](size_t cell, double v) {
      if (!amount)
        SetGridCell(out, cell, c.def, v);
      else if (v == 0)
        out.SetEmpty(cell);
      else
        out.SetDouble(cell, v);
    });
  }
  void FillIds(const Column& c, int32_t Item::*field, const uint32_t* items, size_t n, ctl::grid::CellColumn& out,
               size_t at) const {
    const bool integer = IsIntegerColumn(c.def);
    FillValues(field, items, n, at, [&](size_t cell, int32_t v) {
      if (integer)
        out.SetInt(cell, v == -1 ? 0 : v);
      else
        SetGridCell(out, cell, c.def, v);
    });
  }
  // The smallest and the largest number shown (an exact zero shows none); false when a
  // value is not a number.
  bool Extremes(const Column& c, double Item::*field, ctl::grid::CellColumn& out, bool* extremes) const {
    if (!IsAmountColumn(c.def)) return false;
    bool any = false;
    double lo = 0, hi = 0;
    for (const Item& item : items_) {
      const double v = item.*field;
      if (std::isnan(v)) return false;
      if (v == 0) continue;
      if (!any || v < lo) lo = v;
      if (!any || v > hi) hi = v;
      any = true;
    }
    out.Resize(any ? 2 : 0);
    if (any) out.SetDouble(0, lo), out.SetDouble(1, hi);
    *extremes = true;
    return true;
  }
  const QString* NoteOf(uint32_t item) const {
    auto it = std::lower_bound(notes_.begin(), notes_.end(), item,
                               [](const std::pair<uint32_t, QString>& n, uint32_t i) { return n.first < i; });
    return it != notes_.end() && it->first == item ? &it->second : nullptr;
  }

  std::vector<Column> columns_;  // by grid column; column 0 shows nothing
  std::array<bool, static_cast<size_t>(Field::kCount)> shown_{};
  ctl::grid::BigVector<Item> items_;
  std::vector<std::pair<uint32_t, QString>> notes_;  // by item
  std::vector<bool> dateUsed_, typeUsed_, productUsed_;
  DistinctIds cats_, accts_;
};

struct MissingProduct {
  int32_t tranId, prodId;
};

// One load or reload: the tables, their fields, the cell writer and what was skipped.
class TranPlacer {
 public:
  TranPlacer(ctl::GridControl& grd, const clsRptDef& def, const store::ReportTables& tables,
             const store::TranView& tran)
      : grd_(grd), def_(def), t_(tran), products_(tables, def),
        writer_(grd) {
    for (int32_t t = 0; t <= 5; ++t) typeDesc_[static_cast<size_t>(t)] = gDB().GetTranTypeDesc(t);
    for (const clsRptColDef& c : def.m_collColumnDefs) {
      withNotes_ = withNotes_ || c.m_nRowID == trancol::kNotes;
      withNumbers_ = withNumbers_ || (c.m_nRowID >= trancol::kUnits && c.m_nRowID <= trancol::kExtendedAmount);
      withExtended_ = withExtended_ || c.m_nRowID == trancol::kExtendedAmount;
    }
    const clsTranSelCriteria& crit = def.m_udTranSelCriteria;
    if (crit.m_DtRange > 0) {
      dateBegin_ = crit.dbDateBegin();
      dateEnd_ = crit.dbDateEnd();
    }
  }

  // Places the rows of a load in `rows` instead of the grid.
  void PlaceIn(TranRows* rows) { rows_ = rows; }

  // Tests and places the current record; `row` below 1 appends one.
  void Display(int& row, bool ignoreCriteria) {
    const int32_t tranId = t_.Id();
    const int32_t prodId = t_.ProdId();
    const int32_t type = t_.Type();
    DateInfo& dateInfo = DateOf(t_.DateKey());
    const QString& date = dateInfo.text;
    if (!ignoreCriteria && !Passes(prodId, type, date)) return;
    const int p = products_.Find(prodId);
    if (p < 0) {
      missing_.push_back({tranId, prodId});
      return;
    }
    if (withNumbers_) {
      if (withExtended_) {
        rt::Currency units, price;
        units_ = t_.Units(&units);
        price_ = t_.UnitPrice(&price);
        // Units times price as currency, exact to the fourth decimal.
        extended_ = rt::ProductToDouble(units, price);
      } else {
        units_ = t_.Units();
        price_ = t_.UnitPrice();
      }
    }
    if (rows_) {
      TranRows::Item f;
      f.id = tranId;
      f.date = static_cast<int32_t>(&dateInfo - dates_.data());
      f.type = static_cast<uint8_t>(type >= 1 && type <= 5 ? type : 0);
      f.product = p;
      f.cat = t_.CatId();
      f.acct = t_.ShipMethod();
      f.units = units_;
      f.price = price_;
      f.extended = extended_;
      QString note;
      const bool noted = withNotes_ && t_.HasNotes();
      if (noted) note = notes_.Text(t_);
      rows_->Append(f, noted ? &note : nullptr);
      return;
    }
    const bool appended = row < 1;  // a new row's cells are empty
    if (appended) row = writer_.AppendRow();
    grd_.setRowData(row, tranId);
    const ProductInfo& info = products_.Info(p);
    int k = 0;
    for (const clsRptColDef& c : def_.m_collColumnDefs) {
      ++k;
      auto value = [&] { return Value(c.m_nRowID, info, type, date); };
      // Values that repeat are stored once: by date, type or product.
      switch (const int32_t id = c.m_nRowID) {
        case trancol::kDate: writer_.SetShared(row, k, c, dateInfo.cell, value); break;
        case trancol::kType:
          if (type >= 0 && type <= 5)
            writer_.SetShared(row, k, c, typeCell_[static_cast<size_t>(type)], value);
          else
            writer_.Set(row, k, c, value());
          break;
        case trancol::kUnits: writer_.SetNumber(row, k, c, units_); break;
        case trancol::kAmountPerUnit: writer_.SetNumber(row, k, c, price_); break;
        case trancol::kExtendedAmount: writer_.SetNumber(row, k, c, extended_); break;
        case trancol::kNotes:
          // Most transactions have no note: an empty cell, without building a value.
          if (t_.HasNotes())
            writer_.SetText(row, k, c, notes_.Text(t_));
          else if (!appended)
            grd_.setTextMatrix(row, k, QString());
          break;
        case trancol::kCategory: writer_.SetInteger(row, k, c, t_.CatId()); break;
        case trancol::kAccount: writer_.SetInteger(row, k, c, t_.ShipMethod()); break;
        default:
          if (IsProductColumn(id))
            writer_.SetShared(row, k, c, products_.Cell(p, k), value);
          else
            writer_.Set(row, k, c, value());
      }
    }
  }

  // The grid keeps exactly the rows placed; rows placed in a TranRows become the grid's.
  void Finish(const std::shared_ptr<TranRows>& rows) {
    writer_.Finish();
    if (!rows) return;
    std::vector<QString> dates;
    dates.reserve(dates_.size());
    for (const DateInfo& d : dates_) dates.push_back(d.text);
    rows->Finish(dates, typeDesc_, products_);
    grd_.setRowSource(rows, rows->Items());
  }

  // One message for the notes that could not be read.
  void ReportUnreadable() const { notes_.ReportUnreadable(QStringLiteral("transactions"), gDB().TranTable()); }

  // One message for every transaction left out for its missing product.
  void ReportMissing() const {
    if (missing_.empty()) return;
    auto line = [](const MissingProduct& m) {
      return QStringLiteral("Transaction Id: %1 has an invalid Product Id: %2").arg(m.tranId).arg(m.prodId);
    };
    QString text;
    if (missing_.size() == 1) {
      text = line(missing_.front()) + QStringLiteral(" . Omitting this transaction from display.");
    } else {
      text = QStringLiteral("%1 transactions have an invalid Product Id. Omitting these transactions from display.")
                 .arg(missing_.size());
      for (size_t i = 0; i < missing_.size() && i < kMissingListed; ++i) text += gSystem().CRLF() + line(missing_[i]);
      if (missing_.size() > kMissingListed) text += gSystem().CRLF() + QStringLiteral("...");
    }
    ui::MsgBox(text, ui::vbOKOnly);
  }

 private:
  struct DateInfo {
    QString text;          // trimmed
    ctl::SharedCell cell;  // the cell that first showed it
  };
  DateInfo& DateOf(uint64_t key) {
    bool added = false;
    int& index = dateIndex_.Find(key, DayNumber(key), &added);
    if (added) {
      index = static_cast<int>(dates_.size());
      dates_.push_back({store::TranView::DateText(key), {}});
    }
    return dates_[static_cast<size_t>(index)];
  }

  bool Passes(int32_t prodId, int32_t type, const QString& date) const {
    const clsTranSelCriteria& crit = def_.m_udTranSelCriteria;
    if (crit.m_nProductID > 0 && crit.m_nProductID != prodId) return false;
    if (crit.m_udTranType > 0 && crit.m_udTranType != type) return false;
    if (crit.m_nTranCatID > 0 && crit.m_nTranCatID != t_.CatId()) return false;
    if (crit.m_nTranAcctID > 0 && crit.m_nTranAcctID != t_.ShipMethod()) return false;
    if (crit.m_DtRange > 0 && (date < dateBegin_ || date > dateEnd_)) return false;
    return true;
  }

  QVariant Value(int32_t colId, const ProductInfo& p, int32_t type, const QString& date) {
    switch (colId) {
      case trancol::kDate: return date;
      case trancol::kType: return type >= 1 && type <= 5 ? typeDesc_[static_cast<size_t>(type)] : typeDesc_[0];
      case trancol::kUnits: return units_;
      case trancol::kAmountPerUnit: return price_;
      case trancol::kExtendedAmount: return extended_;
      case trancol::kNotes:
        return withNotes_ && t_.HasNotes() ? notes_.Text(t_) : QString();
      case trancol::kCategory: return t_.CatId();
      case trancol::kAccount: return t_.ShipMethod();
      default: return ProductValue(colId, p);
    }
  }

  ctl::GridControl& grd_;
  const clsRptDef& def_;
  const store::TranView& t_;
  ProductCache products_;
  GridCellWriter writer_;
  std::array<QString, 6> typeDesc_;  // [0]: "Unknown"
  bool withNotes_ = false;
  bool withNumbers_ = false;  // units and price are read for each row
  bool withExtended_ = false;
  double units_ = 0, price_ = 0, extended_ = 0;
  QString dateBegin_, dateEnd_;
  std::vector<MissingProduct> missing_;
  GridNotes notes_;
  TranRows* rows_ = nullptr;
  KeyIndex<uint64_t> dateIndex_;
  std::vector<DateInfo> dates_;
  std::array<ctl::SharedCell, 6> typeCell_{};  // per type: the cell that first showed its text
};

// `before`: the rows of the grid's load before, let go of by now.
void LoadTranGridRowsHelper(ctl::GridControl& grd, const clsRptDef& def, GridLoad& load,
                            const store::ReportTables& tables, std::shared_ptr<const TranRows> before) {
  try {
    const clsTranSelCriteria& crit = def.m_udTranSelCriteria;
    const TranGridWalk walk = TranGridWalkFor(crit.m_nProductID, crit.m_udTranType);
    store::TranScan scan = tables.ScanTransactions();
    TranPlacer placer(grd, def, tables, scan.row());
    auto rows = std::make_shared<TranRows>(def);
    if (before.use_count() == 1) rows->ReuseRoom(const_cast<TranRows&>(*before));
    before.reset();
    placer.PlaceIn(rows.get());
    // Without a filter every row is shown: room for them all at once.
    if (walk == TranGridWalk::kAll && crit.m_nTranCatID <= 0 && crit.m_nTranAcctID <= 0 && crit.m_DtRange <= 0)
      rows->Reserve(static_cast<size_t>(std::max(0L, scan.RecordCount())));
    // Every transaction is read in record order (the grid is sorted afterwards, and the
    // index would add a lock per row); a product's or a type's through its tag.
    const bool first = walk == TranGridWalk::kOfProduct ? scan.OfProduct(crit.m_nProductID)
                       : walk == TranGridWalk::kOfType  ? scan.OfType(crit.m_udTranType)
                                                        : scan.All();
    for (bool more = first; more; more = scan.Next()) {
      try {
        int row = -1;
        placer.Display(row, false);
      } catch (...) {
        rt::TrapError();
        gSystem().ShowError(QStringLiteral("DisplayTranRecord"));
      }
      if (!load.Continue()) break;
    }
    if (load.grid() == nullptr) return;
    placer.Finish(rows);
    placer.ReportMissing();
    placer.ReportUnreadable();
  } catch (...) {
    rt::TrapError();
    gSystem().ShowError(QStringLiteral("LoadTranGridRowsHelper"));
  }
}

}  // namespace

TranGridWalk TranGridWalkFor(int32_t nProductID, int32_t udTranType) {
  if (nProductID > 0) return TranGridWalk::kOfProduct;
  if (udTranType > 0) return TranGridWalk::kOfType;
  return TranGridWalk::kAll;
}

bool LoadTranGrid(ctl::GridControl& grd, clsRptDef& RptDef, int32_t nSelRowID) {
  bool opened = true;
  std::shared_ptr<const TranRows> before = std::dynamic_pointer_cast<const TranRows>(grd.rowSource());
  LoadReportGrid(
      grd, RptDef, nSelRowID,
      [&](GridLoad& load) {
        opened = WithReportTables(
            [&](const store::ReportTables& tables) { LoadTranGridRowsHelper(grd, RptDef, load, tables, std::move(before)); });
      },
      QStringLiteral("LoadTranGrid"));
  return opened;
}

void ReloadTranRow(ctl::GridControl& grd, clsRptDef& RptDef, int32_t nRow, int32_t nTranID) {
  WithReportTables([&](const store::ReportTables& tables) {
    try {
      store::TranScan scan = tables.ScanTransactions();
      if (!scan.Find(nTranID)) return;
      TranPlacer placer(grd, RptDef, tables, scan.row());
      int row = nRow;
      placer.Display(row, true);
      placer.ReportMissing();
      placer.ReportUnreadable();
    } catch (...) {
      rt::TrapError();
      gSystem().ShowError(QStringLiteral("ReloadTranRow"));
    }
  });
}

}  // namespace reports
