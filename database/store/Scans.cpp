#include "database/store/Scans.h"

#include <algorithm>
#include <cstring>
#include <string>
#include <utility>

#include "database/store/Seek.h"
#include "platform/xbase/Engine.h"

namespace store {

namespace {
// The low 32 bits of a whole number field.
int32_t Low32(FIELD4* f) { return static_cast<int32_t>(f4long(f)); }
}  // namespace

int32_t ProductView::Id() const { return Low32(f_.rowid); }
int32_t ProductView::Location() const { return Low32(f_.location); }
int32_t ProductView::Group() const { return Low32(f_.groupid); }
int32_t ProductView::Manuf() const { return Low32(f_.manuf); }
int32_t ProductView::Vendor() const { return Low32(f_.vendor); }
QString ProductView::Name() const { return TrimmedText(f_.prodname); }
QString ProductView::PartNo() const { return TrimmedText(f_.partno); }
QString ProductView::LeadTime() const { return TrimmedText(f_.leadtime); }
QString ProductView::Custom(size_t i) const { return TrimmedText(f_.custom.at(i)); }
QString ProductView::Notes() const { return Memo(f_.notes).trimmed(); }

ProductScan::ProductScan(Session session, DATA4* prod) : scan_(std::move(session), prod), row_(prod) {}

bool ProductScan::FirstVisible(SearchType order) {
  return SkipHidden(scan_.First(order == SearchType::kPartNo ? "partno" : "prodname"));
}

bool ProductScan::NextVisible() { return SkipHidden(scan_.Next()); }

bool ProductScan::SkipHidden(bool on) {
  while (on && row_.Hidden()) on = scan_.Next();
  return on;
}

bool ProductScan::Find(int32_t id) { return scan_.Find("rowid", id); }

int32_t TranView::Id() const { return Low32(f_.rowid); }
int32_t TranView::ProdId() const { return Low32(f_.prodid); }
int32_t TranView::Type() const { return Low32(f_.trantype); }
int32_t TranView::CatId() const { return Low32(f_.catid); }
int32_t TranView::ShipMethod() const { return Low32(f_.shipmethod); }
double TranView::Units() const { return f4double(f_.units); }
double TranView::UnitPrice() const { return f4double(f_.unitprc); }

uint64_t TranView::DateKey() const {
  uint64_t key = 0;
  std::memcpy(&key, f4ptr(f_.trandate), std::min<size_t>(sizeof key, static_cast<size_t>(f4len_v(f_.trandate))));
  return key;
}

QString TranView::Notes() const { return Memo(f_.notes).trimmed(); }
QString TranView::Date() const { return TrimmedText(f_.trandate); }

QString TranView::DateText(uint64_t key) {
  const char* bytes = reinterpret_cast<const char*>(&key);
  return QString::fromLatin1(bytes, static_cast<qsizetype>(qstrnlen(bytes, sizeof key))).trimmed();
}

TranScan::TranScan(Session session, DATA4* tran) : scan_(std::move(session), tran), row_(tran) {}

bool TranScan::OfProduct(int32_t prodId) {
  number_ = nullptr;
  return scan_.FirstWithKey("prodid", std::to_string(prodId));
}

bool TranScan::OfType(int32_t type) {
  number_ = nullptr;
  return scan_.FirstWithKey("trantype", std::to_string(type));
}

bool TranScan::All() {
  number_ = nullptr;
  return scan_.FirstInRecordOrder(RowScan::Read::kBlocks);
}

bool TranScan::FirstWithNumber(ByNumber tag, int32_t value) {
  const bool byProduct = tag == ByNumber::kProduct;
  number_ = byProduct ? row_.f_.prodid : row_.f_.trantype;
  value_ = value;
  return Matches(scan_.FirstFromNumber(byProduct ? "prodid" : "trantype", value));
}

bool TranScan::Next() { return Matches(scan_.Next()); }

bool TranScan::Find(int32_t id) {
  number_ = nullptr;
  return scan_.Find("rowid", id);
}

}  // namespace store
