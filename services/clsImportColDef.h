#pragma once
// clsImportColDef: one column a CSV import expects. Public fields only. The imports
// keep their definitions in an rt::Collection (keyed by the keyword) whose items hold
// std::shared_ptr<clsImportColDef>; ImportColDefOf reads one back.

#include <QMetaType>
#include <QString>
#include <QVariant>
#include <cstdint>
#include <memory>

#include "platform/runtime/Collection.h"
#include "platform/runtime/Currency.h"

class clsImportColDef {
 public:
  QString sKeyword;          // the heading expected in the file's first line ("PARTNUMBER")
  int32_t nDataType = 0;     // 0 text, 1 and 2 number, 3 Y/N flag, 4 date
  bool bMustExist = false;   // the heading must be present
  bool bNullOK = true;       // an empty value is accepted
  bool bValueRange = false;  // numbers are checked against curLowRange..curHighRange
  rt::Currency curLowRange;
  rt::Currency curHighRange;
  int32_t nMaxLen = 0;       // longest text value the column's field holds; 0: no limit
  bool bMultiLine = false;   // a text value may hold line breaks (a memo)
  QString sTimesKeyword;     // a row's number here times its number there must fit a currency value
  rt::Collection collValidValue;
};

using clsImportColDefPtr = std::shared_ptr<clsImportColDef>;
Q_DECLARE_METATYPE(clsImportColDefPtr)

// The definition an item of a definitions collection holds; nullptr for any other item.
inline const clsImportColDef* ImportColDefOf(const QVariant& item) {
  if (item.metaType() != QMetaType::fromType<clsImportColDefPtr>()) return nullptr;
  return item.value<clsImportColDefPtr>().get();
}
