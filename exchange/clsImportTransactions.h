#pragma once
// clsImportTransactions: one transaction import. The file names the product (by part
// number), the units and the amount per unit of each transaction; the record given to
// Init holds what every transaction shares. Calling order: Init, ValidateData, then
// PreviewData after success, then DoImport after Continue. Nothing is written unless
// every check passed and the user continued.

#include <QString>
#include <QStringList>
#include <cstdint>

#include "database/clsTran.h"
#include "exchange/clsImportData.h"
#include "platform/runtime/Collection.h"

class clsImportTransactions {
 public:
  clsImportTransactions() { InitColumns(); }

  // The messages of the check that failed, or of the rows the import left out.
  QString m_ErrorBuf;

  // PARTNUMBER (text, needed), UNITS (0.1 to 2000000000, needed), AMOUNTPERUNIT (0 to
  // 2000000000, may be empty).
  void InitColumns();
  void Init(const QString& sFilename, const clsTran& tran);
  // The heading row, every data row and every part number.
  bool ValidateData();
  // True when the part number of every row belongs to exactly one visible product.
  bool ValidatePartNumbers();
  // True when the user stopped the reading or a check of ValidateData (Cancel of its
  // progress window): no message was added, nothing was written.
  bool Cancelled() const { return cancelled_ || data_.Cancelled(); }
  // True when the user pressed Continue in the preview.
  bool PreviewData();
  // Saves one transaction per data row and shows the closing message. A row whose
  // product no longer exists is left out and listed; a row whose save failed stops the
  // import there. False when a table did not open or an error was trapped.
  bool DoImport();
  QString FailureText() const;

  // The rows read, their count and the transactions saved by the last DoImport.
  int32_t RowCount() const { return nNumRows_; }
  int32_t Imported() const { return imported_; }
  const rt::Collection& Columns() const { return columns_; }

 private:
  // The value of the heading's cell of the row ("" past the row's end).
  QString CellOf(const CsvRow& row, const QString& heading) const;

  rt::Collection columns_;
  QStringList arDataCols_;
  QString sFilename_;
  clsTran tran_;
  int32_t nNumRows_ = 0;
  int32_t imported_ = 0;
  bool cancelled_ = false;
  clsImportData data_;
};
