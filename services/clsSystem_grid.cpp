// clsSystem: grid CSV export, grid selection helpers and the import preview grid.

#include <QCoreApplication>
#include <QFile>
#include <QFileInfo>
#include <QLocale>
#include <QSaveFile>
#include <optional>
#include <vector>

#include "platform/controls/GridControl.h"
#include "platform/runtime/App.h"
#include "platform/runtime/Collection.h"
#include "platform/runtime/Convert.h"
#include "platform/runtime/Error.h"
#include "platform/runtime/Strings.h"
#include "platform/ui/Prompt.h"
#include "platform/ui/WaitCursor.h"
#include "services/clsImportColDef.h"
#include "services/TextLineReader.h"
#include "services/clsSystem.h"
#include "services/frmProgress.h"

namespace {

constexpr int kMaxSignificantDigits = 15;

bool IsDigit(QChar c) { return c >= QLatin1Char('0') && c <= QLatin1Char('9'); }

// The number a plain decimal text stands for, written with "." and without a "+" sign
// or trailing fraction zeros ("-1234.50" gives "-1234.5"); nullopt for any other text.
// Plain: an optional sign, digits and at most one `point`. Texts that a spreadsheet
// would change by reading them as a number stay texts: a leading zero before another
// digit ("00042") and more than 15 significant digits.
std::optional<QString> PlainNumber(const QString& text, QChar point) {
  qsizetype i = 0;
  bool negative = false;
  if (!text.isEmpty() && (text[0] == QLatin1Char('-') || text[0] == QLatin1Char('+'))) {
    negative = text[0] == QLatin1Char('-');
    ++i;
  }
  QString whole;
  QString fraction;
  bool seenPoint = false;
  for (; i < text.size(); ++i) {
    const QChar c = text[i];
    if (IsDigit(c)) {
      (seenPoint ? fraction : whole).append(c);
    } else if (c == point && !seenPoint) {
      seenPoint = true;
    } else {
      return std::nullopt;
    }
  }
  if (whole.isEmpty() && fraction.isEmpty()) return std::nullopt;
  if (whole.size() > 1 && whole[0] == QLatin1Char('0')) return std::nullopt;
  while (fraction.endsWith(QLatin1Char('0'))) fraction.chop(1);
  if (whole.isEmpty()) whole = QStringLiteral("0");

  QString digits = whole + fraction;
  qsizetype first = 0;
  while (first < digits.size() && digits[first] == QLatin1Char('0')) ++first;
  const qsizetype significant = digits.size() - first;
  if (significant > kMaxSignificantDigits) return std::nullopt;

  QString out = negative && significant > 0 ? QStringLiteral("-") : QString();
  out += whole;
  if (!fraction.isEmpty()) out += QLatin1Char('.') + fraction;
  return out;
}

// The CSV field of one cell's text.
QString CsvField(QString text, QChar point) {
  const QString upper = text.toUpper();
  if (upper == QLatin1String("TRUE")) {
    text = QStringLiteral("Yes");
  } else if (upper == QLatin1String("FALSE")) {
    text = QStringLiteral("No");
  } else if (std::optional<QString> number = PlainNumber(text, point)) {
    return *number;
  }
  text.replace(QLatin1Char('"'), QStringLiteral("\"\""));
  return QLatin1Char('"') + text + QLatin1Char('"');
}

// A cell's text as exported: the shown text where the column maps or formats it.
QString ExportText(const ctl::GridControl& grid, int row, int col) {
  if (!grid.ColFormat(col).isEmpty() || !grid.ColComboList(col).isEmpty()) {
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

// The fields of a CSV line, 1-based (entry 0 unused), each trimmed of blanks: split at
// every comma outside double-quoted stretches, a double quote toggling the state. The
// same fields as the three-step split, except that no other character splits.
QStringList SplitCsvLine(const QString& line) {
  QStringList fields{QString()};
  bool inQuotes = false;
  qsizetype start = 0;
  for (qsizetype i = 0; i < line.size(); ++i) {
    if (line[i] == QLatin1Char('"')) {
      inQuotes = !inQuotes;
    } else if (line[i] == QLatin1Char(',') && !inQuotes) {
      fields.append(rt::Trim(line.mid(start, i - start)));
      start = i + 1;
    }
  }
  fields.append(rt::Trim(line.mid(start)));
  return fields;
}

}  // namespace

void clsSystem::SaveGrid(ctl::GridControl& grid, int32_t nStartRow, int32_t nStartCol,
                         int32_t nEndRow, int32_t nEndCol) {
  QString sFile;
  if (!GetFilename(sFile, QStringLiteral("MS Excel Comma Delimited File (*.csv)|*.csv"), 0x280806,
                   QStringLiteral("Save As..."), true)) {
    return;
  }
  QCoreApplication::processEvents();
  ui::ScopedHourglass hourglass;

  QString path = ResolvePathCase(sFile);
  if (path.isEmpty()) path = sFile;
  const QFileInfo target(path);
  QSaveFile file(path);
  if (target.isDir() || (target.exists() && (!target.isWritable() || FileReadOnly(path))) ||
      !QFileInfo(target.absolutePath()).isWritable()) {
    ui::SetScreenMousePointer(ui::vbDefault);
    ui::MsgBox(QStringLiteral("Unable to write to : ") + sFile +
                   QStringLiteral(". This file may already be open by another application."),
               ui::vbExclamation | ui::vbOKOnly);
    return;
  }

  try {
    if (!file.open(QIODevice::WriteOnly)) RaiseWriteError(file);
    const QString decimal = QLocale().decimalPoint();
    const QChar point = decimal.size() == 1 ? decimal[0] : QLatin1Char('.');
    QStringList fields;
    for (int32_t r = nStartRow; r <= nEndRow && r < grid.Rows(); ++r) {
      fields.clear();
      for (int32_t c = nStartCol; c <= nEndCol && c < grid.Cols(); ++c) {
        fields.append(CsvField(ExportText(grid, r, c), point));
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
  QPointer<frmProgress> dlg;
  try {
    WaitDlgShow(dlg, QStringLiteral("Import Data Preview"),
                QStringLiteral("Preparing preview of data. If you don't care to see a preview of "
                               "the entire file, you may press cancel to continue"),
                true, true);
    grid.setRows(1);
    grid.setFixedRows(1);
    grid.setCols(1);
    grid.setFixedCols(1);
    grid.setTextMatrix(0, 0, QStringLiteral("Row"));

    std::vector<bool> relevant(static_cast<size_t>(arDataCols.size()), false);
    for (qsizetype i = 1; i < arDataCols.size(); ++i) {
      if (!ImportIsColumnRelevant(arDataCols[i], ImportColColl)) continue;
      relevant[static_cast<size_t>(i)] = true;
      grid.setCols(grid.Cols() + 1);
      grid.setTextMatrix(0, grid.Cols() - 1, arDataCols[i]);
    }
    const qsizetype nHeadings = arDataCols.isEmpty() ? 0 : arDataCols.size() - 1;

    QString path = ResolvePathCase(sFile);
    if (path.isEmpty()) path = sFile;
    QFile file(path);
    if (!file.open(QIODevice::ReadOnly)) {
      RaiseFileError(rt::kErrFileNotFound, sFile);
    }
    TextLineReader reader(file);
    QByteArray bytes;
    for (int32_t n = 1; reader.Next(bytes);) {
      if (n == 1 && bytes.startsWith("\xEF\xBB\xBF")) bytes.remove(0, 3);
      const QString data = rt::Trim(DecodeTextBytes(bytes));
      if (n != 1 && !data.isEmpty()) {
        const int32_t row = grid.Rows();
        grid.setRows(row + 1);
        grid.setTextMatrix(row, 0, n - 1);
        const QStringList fields = SplitCsvLine(data);
        const qsizetype nFields = fields.size() - 1;
        if (nFields <= nHeadings) {
          int32_t col = 1;
          for (qsizetype i = 1; i <= nFields; ++i) {
            if (!relevant[static_cast<size_t>(i)]) continue;
            if (col < grid.Cols()) grid.setTextMatrix(row, col, CSVField_GetValue(fields[i]));
            ++col;
          }
        }
      }
      const double pct = rt::RoundHalfEven(n / (nNumRows + 1.0) * 100.0);
      if (pct >= 0.0 && pct <= 100.0) WaitDlgUpdate(dlg, static_cast<int32_t>(pct));
      ++n;
      if (n % 100 == 0) QCoreApplication::processEvents();
      if (!dlg.isNull() && dlg->m_bCancel) break;
    }
    if (reader.Failed()) RaiseFileError(rt::kErrPathFileAccess, sFile);
    file.close();

    grid.setCell(ctl::flexcpAlignment, 0, 0, grid.Rows() - 1, 0, ctl::flexAlignLeftCenter);
    grid.AutoSize(0, grid.Cols() - 1);
    WaitDlgRemove(dlg);
    return true;
  } catch (...) {
    rt::TrapError();
    WaitDlgRemove(dlg);
    ShowError(QStringLiteral("clsSystem_ImportLoadPreviewGrid"));
    return false;
  }
}
