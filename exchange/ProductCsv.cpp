#include "exchange/ProductCsv.h"

#include <memory>

#include "exchange/CsvNumber.h"
#include "platform/runtime/Collection.h"
#include "services/clsImportColDef.h"
#include "services/clsSystem.h"

namespace productcsv {
namespace {

struct Column {
  const char* keyword;
  int32_t dataType;
  int32_t maxLen;  // the product or list field's width
};

// Field widths of the products table (part number 40, name 120, lead time 20, custom
// fields 80) and of list entries (40); notes are a memo.
constexpr Column kColumns[] = {
    {"PRODUCTNAME", 0, 120},
    {"PARTNUMBER", 0, 40},
    {"LOCATION", 0, 40},
    {"GROUP", 0, 40},
    {"BEGINNINGINVENTORY", 2, 0},
    {"REORDERLEVEL", 1, 0},
    {"REORDERQUANTITY", 1, 0},
    {"LEADTIME", 0, 20},
    {"MANUFACTURER", 0, 40},
    {"VENDOR", 0, 40},
    {"STDUNITCOST", 2, 0},
    {"STDUNITPRICE", 2, 0},
    {"CUSTOM1", 0, 80},
    {"CUSTOM2", 0, 80},
    {"CUSTOM3", 0, 80},
    {"CUSTOM4", 0, 80},
    {"NOTES", 0, 0},
};

}  // namespace

const QStringList& Keywords() {
  static const QStringList keywords = [] {
    QStringList list;
    for (const Column& c : kColumns) list.append(QString::fromLatin1(c.keyword));
    return list;
  }();
  return keywords;
}

void SetupColumns(rt::Collection& columns) {
  for (const Column& c : kColumns) {
    auto def = std::make_shared<clsImportColDef>();
    def->sKeyword = QString::fromLatin1(c.keyword);
    def->nDataType = c.dataType;
    def->bMustExist = true;
    def->bNullOK = def->sKeyword != QLatin1String("PRODUCTNAME");
    def->bValueRange = c.dataType != 0;
    if (def->bValueRange) def->curHighRange = rt::Currency(kHighestNumber);
    def->nMaxLen = c.maxLen;
    def->bMultiLine = def->sKeyword == QLatin1String("NOTES");
    // The beginning inventory is recorded as a Receive at the standard cost.
    if (def->sKeyword == QLatin1String("BEGINNINGINVENTORY")) def->sTimesKeyword = QStringLiteral("STDUNITCOST");
    columns.Add(QVariant::fromValue(def), def->sKeyword);
  }
}

QString HeadingRow() { return Keywords().join(QLatin1Char(',')); }

QString TextField(const QString& text) {
  if (!text.contains(u',') && !text.contains(u'"') && !text.contains(u'\r') && !text.contains(u'\n')) return text;
  QString quoted = text;
  quoted.replace(QStringLiteral("\""), QStringLiteral("\"\""));
  return QLatin1Char('"') + quoted + QLatin1Char('"');
}

QString NumberField(rt::Currency value) { return WriteCsvNumber(value); }

}  // namespace productcsv

bool CsvWriter::Open() {
  const QString path = file_.fileName();
  refused_ = gSystem().WriteRefusal(path);
  if (refused_.isEmpty() && !file_.open(QIODevice::WriteOnly)) refused_ = gSystem().WriteRefusal(path, file_.errorString());
  failed_ = !refused_.isEmpty() || file_.write("\xEF\xBB\xBF") != 3;
  return !failed_;
}

bool CsvWriter::WriteLine(const QString& line) {
  const QByteArray bytes = line.toUtf8() + "\r\n";
  if (file_.write(bytes) != bytes.size()) failed_ = true;
  return !failed_;
}

bool CsvWriter::WriteRow(const QStringList& fields) { return WriteLine(fields.join(QLatin1Char(','))); }

bool CsvWriter::Commit() {
  if (failed_) {
    file_.cancelWriting();
    return false;
  }
  return file_.commit();
}
