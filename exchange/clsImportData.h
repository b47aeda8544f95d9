#pragma once
// clsImportData: the checks and the preview that both CSV imports run before they write
// anything. The caller builds the column definitions (an rt::Collection of
// clsImportColDef, keyed by keyword), then calls ValidateCols, ValidateRows and
// PreviewData in this order and imports the rows of File(). The file is read once, by
// the first operation that names it, behind a progress window with Cancel; the later
// ones reuse what it read. Messages are
// appended to the caller's buffer with CR LF line breaks, rows labelled "Row " and their
// line number in the file. Nothing here writes to the database.

#include <QString>
#include <QStringList>
#include <cstdint>
#include <utility>
#include <vector>

#include "platform/runtime/LocaleInfo.h"
#include "services/CsvFile.h"

class clsImportColDef;
namespace rt {
class Collection;
}

class clsImportData {
 public:
  // True when the heading row holds every required column, no other and none twice;
  // fills `arDataCols` (1-based, trimmed, upper case); empties, then fills `sErrorBuf`:
  // missing columns first, then unrecognized ones, then repeated ones.
  bool ValidateCols(const QString& sFilename, const rt::Collection& ImportColColl, QStringList& arDataCols,
                    QString& sErrorBuf);
  // True when no data row failed and the user did not cancel. Stops after the 51st
  // failing row. `nNumRows`: the lines after the heading that were read, blank included.
  bool ValidateRows(const QString& sFilename, const rt::Collection& ImportColColl,
                    const QStringList& arDataCols, QString& sErrorBuf, int32_t& nNumRows);
  // Checks one line (trimmed) as row `nRow`; True when every check passed. Each
  // heading's definition is resolved once per file. A cell missing at the end of a short
  // row is an empty value (a required column fails), a text longer than the definition's
  // nMaxLen fails instead of being cut, and a value holding a character outside code
  // page 1252 fails naming it, so no row that passed fails in the import.
  bool ValidateARow(int32_t nRow, const QString& sLine, const rt::Collection& ImportColColl,
                    const QStringList& arDataCols, QString& sErrorBuf);
  // True when the heading equals the keyword of one of the definitions, exactly.
  bool IsImportRelevant(const QString& sHeading, const rt::Collection& ImportColColl) const;
  // Shows the rows in the "Preview Data" dialog; always True. `bContinue` is True only
  // when the user pressed Continue.
  bool PreviewData(const QString& sFilename, const rt::Collection& ImportColColl,
                   const QStringList& arDataCols, int32_t nNumRows, bool& bContinue);
  // "Row " and the number.
  static QString FmtRowNum(int32_t nRow);

  // True when the user stopped the reading of the file or the row checks (Cancel of
  // their progress window); no message was added then.
  bool Cancelled() const { return cancelled_; }

  // The file as read by the operations above (empty before the first).
  const CsvFile& File() const { return file_; }

 private:
  // The definition of each heading position (nullptr: not imported), with the
  // settings the checks read once.
  struct RowRules {
    std::vector<const clsImportColDef*> defs;  // index = heading position; 0 unused
    std::vector<std::pair<int, int>> products;  // positions whose numbers multiply (sTimesKeyword)
    rt::LocaleInfo locale;
  };
  RowRules Rules(const rt::Collection& ImportColColl, const QStringList& arDataCols) const;
  bool CheckRow(const CsvRow& row, const RowRules& rules, QString& sErrorBuf) const;
  // The file named, read now unless the last read was of it; nullptr when unreadable.
  const CsvFile* Load(const QString& sFilename);

  CsvFile file_;
  QString readName_;
  bool read_ = false;
  bool cancelled_ = false;
};
