#include "database/store/Scans.h"

#include <algorithm>
#include <cstring>
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

ProductLabels ProductView::Labels() const {
  ProductLabels p;
  p.name = Name();
  p.partNo = PartNo();
  p.location = Location();
  p.group = Group();
  p.manuf = Manuf();
  p.vendor = Vendor();
  for (size_t i = 0; i < p.custom.size(); ++i) p.custom[i] = Custom(i);
  return p;
}

ProductScan::ProductScan(Session session, DATA4* prod) : session_(std::move(session)), tb_(prod), row_(prod) {}

bool ProductScan::FirstVisible(SearchType order) {
  SelectTag(session_, tb_, order == SearchType::kPartNo ? "partno" : "prodname");
  byId_ = false;
  return SkipHidden(session_.Check(d4top(tb_), "d4top"));
}

bool ProductScan::NextVisible() { return SkipHidden(session_.Check(d4skip(tb_, 1), "d4skip")); }

bool ProductScan::SkipHidden(int rc) {
  while (rc == 0 && row_.Hidden()) rc = session_.Check(d4skip(tb_, 1), "d4skip");
  return rc == 0;
}

bool ProductScan::Find(int32_t id) {
  if (!byId_) SelectTag(session_, tb_, "rowid");
  byId_ = true;
  return SeekNumber(session_, tb_, id) == 0;
}

long ProductScan::RecordCount() const { return d4recCountDo(tb_); }

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

TranScan::TranScan(Session session, DATA4* tran) : session_(std::move(session)), tb_(tran), row_(tran) {}

TranScan::~TranScan() { ReadAhead(false); }

void TranScan::ReadAhead(bool on) {
  if (on && readAhead_ < 0) readAhead_ = d4readAhead(tb_, 1);
  if (!on && readAhead_ >= 0) d4readAhead(tb_, std::exchange(readAhead_, -1));
}

bool TranScan::First(const char* tag, const std::string& key) {
  walk_ = tag == nullptr ? Walk::kAll : Walk::kKey;
  key_ = key;
  ReadAhead(walk_ == Walk::kAll);
  if (walk_ == Walk::kAll) {
    session_.Check(d4tagSelect(tb_, nullptr), "d4tagSelect");
    const int rc = session_.Check(d4top(tb_), "d4top");
    return rc == 0 && (!d4deleted(tb_) || Next());
  }
  SelectTag(session_, tb_, tag);
  return session_.Check(d4seek(tb_, key_.c_str()), "d4seek") == 0;
}

bool TranScan::FirstWithNumber(ByNumber tag, int32_t value) {
  walk_ = Walk::kNumber;
  ReadAhead(false);
  const bool byProduct = tag == ByNumber::kProduct;
  number_ = byProduct ? row_.f_.prodid : row_.f_.trantype;
  value_ = value;
  SelectTag(session_, tb_, byProduct ? "prodid" : "trantype");
  return SeekNumber(session_, tb_, value) == 0 && Long32(number_) == value_;
}

bool TranScan::Next() {
  switch (walk_) {
    case Walk::kKey:
      return session_.Check(d4seekNext(tb_, key_.c_str()), "d4seekNext") == 0;
    case Walk::kNumber:
      return session_.Check(d4skip(tb_, 1), "d4skip") == 0 && Long32(number_) == value_;
    case Walk::kAll:
      break;
  }
  int rc = 0;
  do {
    rc = session_.Check(d4skip(tb_, 1), "d4skip");
  } while (rc == 0 && d4deleted(tb_));
  return rc == 0;
}

bool TranScan::Find(int32_t id) {
  ReadAhead(false);
  SelectTag(session_, tb_, "rowid");
  return SeekNumber(session_, tb_, id) == 0;
}

long TranScan::RecordCount() const { return d4recCountDo(tb_); }

}  // namespace store
