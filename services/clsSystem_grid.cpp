// clsSystem: grid CSV export, grid selection helpers and the import preview grid.

#include <QCoreApplication>
#include <QFile>
#include <QFileInfo>
#include <QSaveFile>
#include <optional>
#include <vector>

#include "platform/controls/GridControl.h"
#include "platform/runtime/App.h"
#include "platform/runtime/Collection.h"
#include "platform/runtime/Convert.h"
#include "platform/runtime/Error.h"
#include "platform/runtime/LocaleInfo.h"
#include "platform/runtime/Strings.h"
#include "platform/ui/FileDialogs.h"
#include "platform/ui/Prompt.h"
#include "platform/ui/WaitCursor.h"
#include "services/ProgressSteps.h"
#include "services/CsvFile.h"
#include "services/EventPump.h"
#include "services/clsImportColDef.h"
#include "services/clsSystem.h"
#include "services/frmProgress.h"

namespace {

constexpr int kMaxSignificantDigits = 15;

bool IsDigit(QChar c) { return c >= QLatin1Char('0') && c <= QLatin1Char('9'); }

// The number a plain decimal text (an optional sign, digits and at most one `point`)
// stands for, written with "." and without a "+" sign or trailing fraction zeros
// ("-1234.50" gives "-1234.5"); nullopt for any other text, and for texts that a
// spreadsheet would change by reading them as a number: a leading zero before another
// digit ("00042") and more than 15 significant digits.
std::optional<QString> PlainNumber(QStringView text, QChar point) {
  const qsizetype n = text.size();
  qsizetype i = 0;
  bool negative = false;
  if (i < n && (text[i] == QLatin1Char('-') || text[i] == QLatin1Char('+'))) {
    negative = text[i] == QLatin1Char('-');
    ++i;
  }
  auto digitsFrom = [&](qsizetype from) {
    qsizetype end = from;
    while (end < n && IsDigit(text[end])) ++end;
    return end;
  };
  const qsizetype wholeStart = i;
  const qsizetype wholeEnd = digitsFrom(wholeStart);
  qsizetype fractionStart = wholeEnd;
  qsizetype fractionEnd = wholeEnd;
  if (wholeEnd < n && text[wholeEnd] == point) {
    fractionStart = wholeEnd + 1;
    fractionEnd = digitsFrom(fractionStart);
  }
  if (fractionEnd != n) return std::nullopt;
  const QStringView whole = text.sliced(wholeStart, wholeEnd - wholeStart);
  if (whole.isEmpty() && fractionEnd == fractionStart) return std::nullopt;
  if (whole.size() > 1 && whole[0] == QLatin1Char('0')) return std::nullopt;
  while (fractionEnd > fractionStart && text[fractionEnd - 1] == QLatin1Char('0')) --fractionEnd;
  const QStringView fraction = text.sliced(fractionStart, fractionEnd - fractionStart);

  qsizetype zeros = 0;  // leading zeros of the digits, fraction included
  while (zeros < whole.size() && whole[zeros] == QLatin1Char('0')) ++zeros;
  if (zeros == whole.size()) {
    qsizetype f = 0;
    while (f < fraction.size() && fraction[f] == QLatin1Char('0')) ++f;
    zeros += f;
  }
  const qsizetype significant = whole.size() + fraction.size() - zeros;
  if (significant > kMaxSignificantDigits) return std::nullopt;

  QString out;
  out.reserve(whole.size() + fraction.size() + 3);
  if (negative && significant > 0) out += QLatin1Char('-');
  if (whole.isEmpty()) {
    out += QLatin1Char('0');
  } else {
    out += whole;
  }
  if (!fraction.isEmpty()) {
    out += QLatin1Char('.');
    out += fraction;
  }
  return out;
}

// Number rules of the export, with the user's separators and currency symbol read once.
struct CsvNumberRules {
  rt::LocaleInfo locale = rt::LocaleInfo::Current();

  // False as soon as the text holds a character no number written in the locale has.
  bool MayBeNumber(const QString& text) const {
    for (const QChar c : text) {
      if (IsDigit(c) || QStringView(u" +-,.()").contains(c)) continue;
      if (!locale.decimalSeparator.contains(c) && !locale.groupSeparator.contains(c) &&
          !locale.currencySymbol.contains(c) && !locale.negativeSign.contains(c)) {
        return false;
      }
    }
    return true;
  }

  // The bare number a cell's text is written as: the text without its commas (kept
  // where the comma is the decimal separator) read as a number in the user's locale,
  // grouping and currency symbol cleaned off, written with "."; nullopt when the text
  // is to be written as a text. Plain texts, the most common, take the short ways; the
  // full reading at the end gives the same for them.
  std::optional<QString> Number(const QString& text) const {
    const QChar point = locale.decimalSeparator.size() == 1 ? locale.decimalSeparator[0] : QChar();
    if (!point.isNull()) {
      if (std::optional<QString> plain = PlainNumber(text, point)) return plain;
    }
    if (!MayBeNumber(text)) return std::nullopt;
    QString probe = text;
    if (point != QLatin1Char(',') && probe.contains(QLatin1Char(','))) {
      probe.remove(QLatin1Char(','));
      if (!point.isNull()) {
        if (std::optional<QString> plain = PlainNumber(probe, point)) return plain;
      }
    }
    const std::optional<QString> number = rt::StrictNumericCText(probe, locale);
    if (!number) return std::nullopt;
    return PlainNumber(*number, QLatin1Char('.'));
  }

  // The CSV field of one cell's text.
  QString Field(QString text) const {
    const QString upper = text.toUpper();
    if (upper == QLatin1String("TRUE")) {
      text = QStringLiteral("Yes");
    } else if (upper == QLatin1String("FALSE")) {
      text = QStringLiteral("No");
    } else if (std::optional<QString> number = Number(text)) {
      return *number;
    }
    text.replace(QLatin1Char('"'), QStringLiteral("\"\""));
    return QLatin1Char('"') + text + QLatin1Char('"');
  }
};

// A cell's text as exported: the shown text where the column maps or formats it.
QString ExportText(const ctl::GridControl& grid, int row, int col) {
  if (!grid.ColFormat(col).isEmpty() || grid.ColHasComboList(col)) {
    return grid.Cell(ctl::flexcpTextDisplay, row, col).toString();
  }
  return grid.TextMatrix(row, col);
}

[[noreturn]] void RaiseFileError(int32_t number, const QString& detail) {
  rt::Raise(number, rt::App::ProductName(), rt::ErrorDescription(number) + QStringLiteral(": ") + detail);
}

[[noreturn]] void RaiseWriteError(const QSaveFile& file) {
  RaiseFileError(rt::kErrPathFileAccess,
                 file.fileName() + QStringLiteral(" (") + file.errorString() + QLatin1Char(')'));
}

}  // namespace

void clsSystem::SaveGrid(ctl::GridControl& grid, int32_t nStartRow, int32_t nStartCol,
                         int32_t nEndRow, int32_t nEndCol) {
  QString sFile = ui::ProposedFolder(m_lastExportFolder) + QLatin1Char('/');
  if (!GetFilename(sFile, QStringLiteral("MS Excel Comma Delimited File (*.csv)|*.csv"), 0x280806,
                   QStringLiteral("Save As..."), true)) {
    return;
  }
  m_lastExportFolder = QFileInfo(sFile).absolutePath();
  QCoreApplication::processEvents();
  ui::ScopedHourglass hourglass;

  const QString& path = sFile;  // the name chosen, in its letter case
  QSaveFile file(path);
  if (const QString refusal = WriteRefusal(path); !refusal.isEmpty()) {
    ui::SetScreenMousePointer(ui::vbDefault);
    ui::MsgBox(refusal, ui::vbExclamation | ui::vbOKOnly);
    return;
  }

  try {
    if (!file.open(QIODevice::WriteOnly)) RaiseWriteError(file);
    // UTF-8 with a byte-order mark, so that spreadsheet programs read it as UTF-8.
    if (file.write("\xEF\xBB\xBF") != 3) RaiseWriteError(file);
    const CsvNumberRules rules;
    ProgressSteps progress(rt::App::ProductName(),
                           QStringLiteral("Saving ") + sFile + QStringLiteral(". Please wait..."));
    const int64_t total = int64_t{nEndRow} - nStartRow + 1;
    QStringList fields;
    for (int32_t r = nStartRow; r <= nEndRow && r < grid.Rows(); ++r) {
      if (!progress.Step(int64_t{r} - nStartRow, total)) {
        file.cancelWriting();  // the old file, if any, stays as it was
        return;
      }
      fields.clear();
      for (int32_t c = nStartCol; c <= nEndCol && c < grid.Cols(); ++c) {
        fields.append(rules.Field(ExportText(grid, r, c)));
      }
      const QByteArray line = fields.join(QLatin1Char(',')).toUtf8() + "\r\n";
      if (file.write(line) != line.size()) RaiseWriteError(file);
    }
    if (!file.commit()) RaiseWriteError(file);
  } catch (...) {
    rt::TrapError();
    file.cancelWriting();
    ui::SetScreenMousePointer(ui::vbDefault);
    ShowError(QStringLiteral("clsSystem_SaveGrid"));
    return;
  }

  const int answer = ui::MsgBox(
      sFile + QStringLiteral(" has been saved. Would you like to open this file now?"),
      ui::vbYesNoCancel | ui::vbQuestion | ui::vbDefaultButton2);
  if (answer == ui::vbYes) LaunchFile(sFile);
}

void clsSystem::GridSelectRow(ctl::GridControl& grid, int32_t nRow) {
  if (nRow < 0 || nRow > grid.Rows() - 1) return;
  grid.Select(nRow, 0);
  grid.ShowCell(nRow, 0);
}

void clsSystem::GridSelectRowAtID(ctl::GridControl& grid, int32_t nSelRowID) {
  for (int32_t r = 0; r < grid.Rows(); ++r) {
    if (grid.RowData(r).toDouble() == nSelRowID) {
      GridSelectRow(grid, r);
      return;
    }
  }
}

bool clsSystem::GridFind(ctl::GridControl& grid, const QString& strFind, bool bWholeWordOnly,
                         bool bMatchCase, bool bDirectionUp) {
  const QString s = bMatchCase ? strFind : strFind.toUpper();
  const QString sTrimmed = rt::Trim(s);
  auto matches = [&](int32_t r, int32_t c) {
    const QString t = bMatchCase ? grid.TextMatrix(r, c) : grid.TextMatrix(r, c).toUpper();
    return bWholeWordOnly ? rt::Trim(t) == sTrimmed : t.contains(s);
  };
  const int32_t step = bDirectionUp ? -1 : 1;
  for (int32_t r = grid.Row() + step; bDirectionUp ? r >= 1 : r < grid.Rows(); r += step) {
    for (int32_t c = 0; c < grid.Cols(); ++c) {
      if (matches(r, c)) {
        grid.Select(r, c);
        grid.ShowCell(r, c);
        return true;
      }
    }
  }
  return false;
}

void clsSystem::GrdRemoveHiddenRows(ctl::GridControl& grid) {
  std::vector<int> hidden;
  for (int32_t i = 1; i < grid.Rows(); ++i)
    if (grid.RowHidden(i)) hidden.push_back(i);
  grid.RemoveItems(std::move(hidden));
}

bool clsSystem::ImportIsColumnRelevant(const QString& sColName,
                                       const rt::Collection& ImportColColl) const {
  for (int32_t i = 1; i <= ImportColColl.Count(); ++i) {
    const clsImportColDef* def = ImportColDefOf(ImportColColl.Item(i));
    if (def != nullptr && def->sKeyword == sColName) return true;
  }
  return false;
}

bool clsSystem::ImportLoadPreviewGrid(ctl::GridControl& grid, const QString& sFile,
                                      const rt::Collection& ImportColColl,
                                      const QStringList& arDataCols, int32_t nNumRows) {
  CsvFile file;
  QString path = ResolvePathCase(sFile);
  if (path.isEmpty()) path = sFile;
  if (file.Read(path)) return ImportLoadPreviewGrid(grid, file, ImportColColl, arDataCols, nNumRows);
  try {
    PreviewGridHeading(grid, ImportColColl, arDataCols);
    RaiseFileError(rt::kErrFileNotFound, sFile + QStringLiteral(" (") + file.ErrorText() + QLatin1Char(')'));
  } catch (...) {
    rt::TrapError();
    ShowError(QStringLiteral("clsSystem_ImportLoadPreviewGrid"));
    return false;
  }
}

std::vector<int> clsSystem::PreviewGridHeading(ctl::GridControl& grid,
                                               const rt::Collection& ImportColColl,
                                               const QStringList& arDataCols) const {
  grid.setRows(1);
  grid.setFixedRows(1);
  grid.setCols(1);
  grid.setFixedCols(1);
  grid.setTextMatrix(0, 0, QStringLiteral("Row"));
  std::vector<int> columnOf(static_cast<size_t>(std::max<qsizetype>(arDataCols.size(), 1)), 0);
  for (qsizetype i = 1; i < arDataCols.size(); ++i) {
    if (!ImportIsColumnRelevant(arDataCols[i], ImportColColl)) continue;
    grid.setCols(grid.Cols() + 1);
    grid.setTextMatrix(0, grid.Cols() - 1, arDataCols[i]);
    columnOf[static_cast<size_t>(i)] = grid.Cols() - 1;
  }
  return columnOf;
}

bool clsSystem::ImportLoadPreviewGrid(ctl::GridControl& grid, const CsvFile& file,
                                      const rt::Collection& ImportColColl,
                                      const QStringList& arDataCols, int32_t nNumRows) {
  QPointer<frmProgress> dlg;
  try {
    const auto removeDlg = WaitDlgRemoveOnExit(dlg);
    WaitDlgShow(dlg, QStringLiteral("Import Data Preview"),
                QStringLiteral("Preparing preview of data. If you don't care to see a preview of "
                               "the entire file, you may press cancel to continue"),
                true, true);
    const std::vector<int> columnOf = PreviewGridHeading(grid, ImportColColl, arDataCols);
    const int nHeadings = static_cast<int>(columnOf.size()) - 1;

    // Every row added at once; a Cancel drops those not filled.
    grid.setRows(1 + static_cast<int>(file.Rows().size()));
    EventPump pump;
    int row = 1;
    for (const CsvRow& line : file.Rows()) {
      grid.setTextMatrix(row, 0, line.Line() - 1);
      if (line.Count() <= nHeadings) {
        for (int i = 1; i <= line.Count(); ++i) {
          const int col = columnOf[static_cast<size_t>(i)];
          if (col <= 0) continue;
          // The grid copies the text: an unquoted cell is passed without a copy of its own.
          const QStringView cell = line.Cell(i);
          grid.setTextMatrix(row, col, cell.startsWith(u'"') ? line.Value(i) : QString::fromRawData(cell.data(), cell.size()));
        }
      }
      ++row;
      if (!pump.Due()) continue;
      WaitDlgUpdate(dlg, static_cast<int32_t>(rt::RoundHalfEven(line.Line() / (nNumRows + 1.0) * 100.0)));
      QCoreApplication::processEvents();
      if (!dlg.isNull() && dlg->Cancelled()) break;
    }
    grid.setRows(row);

    grid.setCell(ctl::flexcpAlignment, 0, 0, grid.Rows() - 1, 0, ctl::flexAlignLeftCenter);
    grid.AutoSize(0, grid.Cols() - 1);
    return true;
  } catch (...) {
    rt::TrapError();
    ShowError(QStringLiteral("clsSystem_ImportLoadPreviewGrid"));
    return false;
  }
}
