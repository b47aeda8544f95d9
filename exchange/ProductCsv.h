#pragma once
// The product CSV layout: 17 columns from "PRODUCTNAME" to "NOTES", read in any order
// and letter case (all required, no others), and the rules by which an export writes
// its rows.

#include <QSaveFile>
#include <QString>
#include <QStringList>
#include <cstdint>

#include "platform/runtime/Currency.h"

namespace rt {
class Collection;
}

namespace productcsv {

// The heading keywords in the order the export writes them.
const QStringList& Keywords();

// The highest number a number column takes.
constexpr int64_t kHighestNumber = 2000000000;

// Fills the empty `columns` with the 17 definitions, in that order, each under its
// keyword: all required; a value needed for PRODUCTNAME only; the five number columns
// range 0 to kHighestNumber; texts no longer than the product field they go to, on one
// line but for NOTES.
void SetupColumns(rt::Collection& columns);

// The heading row: the keywords joined by single commas.
QString HeadingRow();

// A text value: quoted, with its quotes doubled, when it holds a comma, a double quote
// or a line break (which the reader then keeps in the value); else as it is.
QString TextField(const QString& text);
// A number value (WriteCsvNumber): never quoted.
QString NumberField(rt::Currency value);

}  // namespace productcsv

// CsvWriter: a CSV file written to a temporary file beside the target and renamed over
// it by Commit, so a failed or abandoned export leaves the old file as it was. A target
// that may not be written (a folder, a read-only file, a folder that refuses new files)
// is refused by Open, and ErrorText says why. UTF-8 with a byte-order mark (spreadsheet
// programs then read it as UTF-8); every row ends with CR LF.
class CsvWriter {
 public:
  explicit CsvWriter(const QString& path) : file_(path) {}

  bool Open();
  // The fields joined by single commas; False when the write failed.
  bool WriteRow(const QStringList& fields);
  bool WriteLine(const QString& line);
  // Renames the written file over the target; False (and no change) on failure.
  bool Commit();
  QString ErrorText() const { return refused_.isEmpty() ? file_.errorString() : refused_; }

 private:
  QSaveFile file_;
  QString refused_;
  bool failed_ = false;
};
