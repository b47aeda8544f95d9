#pragma once
// clsExportProducts: every visible product written to a CSV file in the product import
// layout (ProductCsv.h), in part-number order when part numbers are shown first, else
// in name order, so that the file can be edited elsewhere and imported again. The file
// is written through CsvWriter: a failed export leaves an existing file as it was.

#include <QString>

class clsExportProducts {
 public:
  void Init(const QString& sPath) { path_ = sPath; }
  // True when every row was written and the file is in place; a failure has been shown.
  bool Export();
  // The 17 keywords joined by commas.
  static QString HeadingRow();

 private:
  QString path_;
};
