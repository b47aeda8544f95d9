#pragma once
// Scans of the products and transactions tables for the grids that list them. A scan walks
// the caller's open table and leaves it on the current record; the scan's view reads
// that record field by field (fields looked up once), so a
// caller converts only what it shows and nothing is built per row. A scan selects the
// tags it needs on the table. Engine codes are recorded on the session; errors throw
// (rt::VbError, number = the code).
//
// Whole numbers are the low 32 bits of the stored number; a product's amounts are
// currency, a transaction's the stored number as a double (the grids show them as
// numbers) or as currency.

#include <QString>
#include <array>
#include <cstdint>
#include <string>

#include "database/store/Codes.h"
#include "database/store/Fields.h"
#include "database/store/RowScan.h"
#include "database/store/Session.h"

namespace store {

// What a report row shows of a product besides its figures (the report fillers' rows
// build on it); texts trimmed.
struct ProductLabels {
  QString name, partNo;
  int32_t location = 0, group = 0, manuf = 0, vendor = 0;
  std::array<QString, 4> custom;
};

// A view of the products table's current record for scans: each field read when
// asked, nothing copied per row; texts trimmed.
class ProductView {
 public:
  explicit ProductView(DATA4* prod) : f_(prod) {}
  bool Hidden() const { return f_.Hidden(); }
  int32_t Id() const;
  QString Name() const;
  QString PartNo() const;
  QString LeadTime() const;
  QString Custom(size_t i) const;  // custom1 to custom4: i 0 to 3
  int32_t Location() const;
  int32_t Group() const;
  int32_t Manuf() const;
  int32_t Vendor() const;
  // The amounts as currency, read from their stored text.
  rt::Currency ReorderLevel() const { return Amount(f_.reordlev); }
  rt::Currency ReorderQty() const { return Amount(f_.reordqty); }
  rt::Currency StdCost() const { return Amount(f_.stdcost); }
  rt::Currency StdPrice() const { return Amount(f_.stdprice); }
  bool HasNotes() const { return HasMemo(f_.notes); }
  bool NotesReadable() const { return MemoReadable(f_.notes); }
  QString Notes() const;  // trimmed

 private:
  ProductFields f_;
};

// The products of the caller's open table.
class ProductScan {
 public:
  ProductScan(Session session, DATA4* prod);
  const ProductView& row() const { return row_; }
  // The first, then the next visible product in part-number or name order (SearchType);
  // false after the last.
  bool FirstVisible(SearchType order);
  bool NextVisible();
  // Makes the product of the id, hidden or not, the current record; false when there
  // is none.
  bool Find(int32_t id);
  // The records of the table, deleted and hidden ones included, as its header says now.
  long RecordCount() const { return scan_.RecordCount(); }

 private:
  bool SkipHidden(bool on);
  RowScan scan_;
  ProductView row_;
};

// The current record of the transactions table.
class TranView {
 public:
  explicit TranView(DATA4* tran) : f_(tran) {}
  int32_t Id() const;
  int32_t ProdId() const;
  int32_t Type() const;
  int32_t CatId() const;
  int32_t ShipMethod() const;
  double Units() const;
  double UnitPrice() const;
  // The same, with the amount as currency in `amount`: the text read once.
  double Units(rt::Currency* amount) const { return NumberAndAmount(f_.units, amount); }
  double UnitPrice(rt::Currency* amount) const { return NumberAndAmount(f_.unitprc, amount); }
  // The amounts as currency, read from their stored text.
  rt::Currency UnitsAmount() const { return Amount(f_.units); }
  rt::Currency UnitPriceAmount() const { return Amount(f_.unitprc); }
  bool HasNotes() const { return HasMemo(f_.notes); }
  bool NotesReadable() const { return MemoReadable(f_.notes); }
  QString Notes() const;  // trimmed
  QString Date() const;   // the stored date, trimmed
  // The stored date's bytes (8 in a date field) as one number: equal dates, equal keys.
  uint64_t DateKey() const;
  // The stored date of a key, trimmed ("" for a blank date).
  static QString DateText(uint64_t key);

 private:
  friend class TranScan;
  TranFields f_;
};

// The transactions of the caller's open table.
class TranScan {
 public:
  TranScan(Session session, DATA4* tran);
  const TranView& row() const { return row_; }
  // The walks of a report: the first, then (Next) the next row of one product or of
  // one type, in the order of its tag; or every row in record order, deleted rows left
  // out (as the tags leave them out). False after the last. The walk of every row reads
  // the table in blocks (d4readAhead) until the scan ends or starts another walk: each
  // row as stored when its block was read.
  bool OfProduct(int32_t prodId);
  bool OfType(int32_t type);
  bool All();
  // The numeric tags of the rows of one product or one type.
  enum class ByNumber { kProduct, kType };
  // The first, then the next row whose number on the tag equals `value`, in tag order.
  // False after the last.
  bool FirstWithNumber(ByNumber tag, int32_t value);
  bool Next();
  // Makes the transaction of the id the current record; false when there is none.
  bool Find(int32_t id);
  // The records of the table, deleted ones included, as its header says now.
  long RecordCount() const { return scan_.RecordCount(); }

 private:
  bool Matches(bool on) const { return on && (number_ == nullptr || Long32(number_) == value_); }
  RowScan scan_;
  TranView row_;
  FIELD4* number_ = nullptr;  // a walk by number: the tag's field and the value it holds
  int32_t value_ = 0;
};

}  // namespace store
