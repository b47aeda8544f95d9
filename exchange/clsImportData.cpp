#include "exchange/clsImportData.h"

#include <QCoreApplication>
#include <QPointer>
#include <QSet>
#include <algorithm>

#include "database/clsTran.h"
#include "exchange/CsvNumber.h"
#include "exchange/frmImportPreview.h"
#include "platform/runtime/Codepage.h"
#include "platform/runtime/Collection.h"
#include "platform/runtime/DateTime.h"
#include "platform/runtime/Error.h"
#include "platform/runtime/Strings.h"
#include "platform/ui/ModalRunner.h"
#include "platform/ui/WaitCursor.h"
#include "platform/ui/WindowRegistry.h"
#include "services/EventPump.h"
#include "services/clsImportColDef.h"
#include "services/clsSystem.h"
#include "services/frmProgress.h"

namespace {

constexpr int32_t kMaxFailingRows = 50;

const QString kCrLf = QStringLiteral("\r\n");
const QString kCrLf2 = QStringLiteral("\r\n\r\n");

// The definition whose keyword equals `heading` exactly, first in collection order.
const clsImportColDef* DefinitionOf(const QString& heading, const rt::Collection& coll) {
  for (int32_t i = 1; i <= coll.Count(); ++i) {
    const clsImportColDef* def = ImportColDefOf(coll.Item(i));
    if (def != nullptr && def->sKeyword == heading) return def;
  }
  return nullptr;
}

}  // namespace

QString clsImportData::FmtRowNum(int32_t nRow) { return QStringLiteral("Row ") + QString::number(nRow); }

bool clsImportData::IsImportRelevant(const QString& sHeading, const rt::Collection& ImportColColl) const {
  return gSystem().ImportIsColumnRelevant(sHeading, ImportColColl);
}

const CsvFile* clsImportData::Load(const QString& sFilename) {
  if (read_ && readName_ == sFilename) return &file_;
  read_ = false;
  cancelled_ = false;
  QString path = gSystem().ResolvePathCase(sFilename);
  if (path.isEmpty()) path = sFilename;
  // Read behind a progress window whose Cancel stops the reading.
  clsSystem& sys = gSystem();
  QPointer<frmProgress> dlg;
  const auto removeDlg = sys.WaitDlgRemoveOnExit(dlg);
  sys.WaitDlgShow(dlg, QStringLiteral("Import Data"), QStringLiteral("Reading the file. Please wait..."), true, true);
  EventPump pump;
  const bool read = file_.Read(path, [&](qint64 done, qint64 total) {
    if (!pump.Due()) return true;
    sys.WaitDlgUpdate(dlg, total > 0 ? static_cast<int32_t>(done * 100 / total) : 0);
    QCoreApplication::processEvents();
    return dlg.isNull() || !dlg->Cancelled();
  });
  if (!read) {
    cancelled_ = file_.Cancelled();
    return nullptr;
  }
  read_ = true;
  readName_ = sFilename;
  return &file_;
}

bool clsImportData::ValidateCols(const QString& sFilename, const rt::Collection& ImportColColl,
                                 QStringList& arDataCols, QString& sErrorBuf) {
  const ui::ScopedHourglass hourglass;
  sErrorBuf.clear();
  bool ok = true;
  try {
    const CsvFile* file = Load(sFilename);
    if (cancelled_) return false;
    if (file == nullptr || !file->HasHeading()) {
      // A file that could not be read says why.
      const QString why = file == nullptr ? QStringLiteral(". ") + file_.ErrorText() : QString();
      sErrorBuf += QStringLiteral("Unable to read column headers from row 1 of file ") + sFilename + why + kCrLf2;
      return false;
    }
    arDataCols = CsvHeadings(file->HeadingLine());
    const QStringList headings = arDataCols.mid(1);
    for (int32_t i = 1; i <= ImportColColl.Count(); ++i) {
      const clsImportColDef* def = ImportColDefOf(ImportColColl.Item(i));
      if (def == nullptr || !def->bMustExist || headings.contains(def->sKeyword)) continue;
      ok = false;
      sErrorBuf += QStringLiteral("Required column '") + def->sKeyword +
                   QStringLiteral("' is missing from the first row.") + kCrLf2;
    }
    for (const QString& heading : headings) {
      if (IsImportRelevant(heading, ImportColColl)) continue;
      ok = false;
      sErrorBuf += QStringLiteral("Unrecognized column '") + heading +
                   QStringLiteral("' found on the first row.") + kCrLf2;
    }
    // A column named twice would take two values of each row: refused.
    QSet<QString> seen;
    QSet<QString> reported;
    for (const QString& heading : headings) {
      if (!IsImportRelevant(heading, ImportColColl)) continue;
      if (!seen.contains(heading)) {
        seen.insert(heading);
      } else if (!reported.contains(heading)) {
        reported.insert(heading);
        ok = false;
        sErrorBuf += QStringLiteral("Column '") + heading +
                     QStringLiteral("' appears more than once on the first row.") + kCrLf2;
      }
    }
  } catch (...) {
    rt::TrapError();
    gSystem().ShowError(QStringLiteral("clsImportData_ValidateCols"));
    ok = false;
  }
  return ok;
}

clsImportData::RowRules clsImportData::Rules(const rt::Collection& ImportColColl,
                                             const QStringList& arDataCols) const {
  RowRules rules;
  rules.locale = rt::LocaleInfo::Current();
  rules.defs.assign(static_cast<size_t>(std::max<qsizetype>(arDataCols.size(), 1)), nullptr);
  for (qsizetype i = 1; i < arDataCols.size(); ++i) {
    const clsImportColDef* def = DefinitionOf(arDataCols[i], ImportColColl);
    rules.defs[static_cast<size_t>(i)] = def;
    const qsizetype times = def == nullptr || def->sTimesKeyword.isEmpty() ? -1 : arDataCols.indexOf(def->sTimesKeyword, 1);
    if (times > 0) rules.products.emplace_back(static_cast<int>(i), static_cast<int>(times));
  }
  return rules;
}

bool clsImportData::CheckRow(const CsvRow& row, const RowRules& rules, QString& sErrorBuf) const {
  const int n = static_cast<int>(rules.defs.size()) - 1;
  const auto labelOf = [&] { return FmtRowNum(row.Line()); };
  if (row.Count() > n) {
    sErrorBuf += labelOf() +
                 QStringLiteral(
                     ": Missing data. Number of entries on this row do NOT equal the number "
                     "of columns on the first row. LINE CONTENT: ") +
                 row.Text() + kCrLf2;
    return false;
  }
  bool ok = true;
  // A cell missing at the end of a short row is an empty value: a required column
  // without it fails like an empty cell.
  for (int i = 1; i <= n; ++i) {
    const clsImportColDef* def = rules.defs[static_cast<size_t>(i)];
    if (def == nullptr) continue;
    // Only a quoted cell's value differs from the cell (CsvFieldValue).
    const QStringView cell = row.Cell(i);
    const QString unquoted = cell.startsWith(u'"') ? CsvFieldValue(cell) : QString();
    const QStringView value = cell.startsWith(u'"') ? QStringView(unquoted) : cell;
    auto about = [&] {
      return labelOf() + QStringLiteral(": The value [") + value.toString() +
             QStringLiteral("] entered for column ") + def->sKeyword;
    };
    if (value.isEmpty()) {
      if (!def->bNullOK) {
        ok = false;
        sErrorBuf += labelOf() + QStringLiteral(": A value must be entered for column ") + def->sKeyword +
                     QLatin1Char('.') + kCrLf;
      }
      continue;
    }
    // The tables hold code page 1252: any other character would be stored as "?".
    const bool ascii = std::all_of(value.begin(), value.end(), [](QChar c) { return c.unicode() < 0x80; });
    if (const QString bad = ascii ? QString() : rt::FirstNonCp1252(value.toString()); !bad.isEmpty()) {
      ok = false;
      sErrorBuf += about() + QStringLiteral(" holds the character \"") + bad +
                   QStringLiteral("\", which cannot be stored.") + kCrLf;
      continue;
    }
    switch (def->nDataType) {
      case 0:
        if (!def->bMultiLine && (value.contains(u'\r') || value.contains(u'\n'))) {
          // Shown up to the line break, so the message keeps to its own line.
          qsizetype end = 0;
          while (value[end] != u'\r' && value[end] != u'\n') ++end;
          ok = false;
          sErrorBuf += labelOf() + QStringLiteral(": The value [") + value.first(end).toString() +
                       QStringLiteral("...] entered for column ") + def->sKeyword +
                       QStringLiteral(" holds a line break, which this column cannot store.") + kCrLf;
        } else if (def->nMaxLen > 0 && value.size() > def->nMaxLen) {
          ok = false;
          sErrorBuf += about() + QStringLiteral(" must not be longer than ") + QString::number(def->nMaxLen) +
                       QStringLiteral(" characters.") + kCrLf;
        }
        break;
      case 1:
      case 2: {
        const std::optional<rt::Currency> number = ReadCsvNumber(value.toString(), rules.locale);
        if (!number) {
          ok = false;
          sErrorBuf += about() + QStringLiteral(" must be numeric.") + kCrLf;
        } else if (def->bValueRange && (*number < def->curLowRange || *number > def->curHighRange)) {
          ok = false;
          sErrorBuf += about() + QStringLiteral(" must be between ") + def->curLowRange.ToString() +
                       QStringLiteral(" and ") + def->curHighRange.ToString() + QLatin1Char('.') + kCrLf;
        }
        break;
      }
      case 3:
        if (value != u"Y" && value != u"N") {
          ok = false;
          sErrorBuf += about() + QStringLiteral(" must be either 'Y' or 'N'.") + kCrLf;
        }
        break;
      case 4:
        if (!rt::IsDate(value.toString())) {
          ok = false;
          sErrorBuf += about() + QStringLiteral(" must be a valid date.") + kCrLf;
        }
        break;
      default:
        break;
    }
  }
  // Numbers that are each in range but whose product no figure can hold.
  for (const auto& [a, b] : rules.products) {
    if (!ok || a > row.Count() || b > row.Count()) break;
    const std::optional<rt::Currency> x = ReadCsvNumber(row.Value(a), rules.locale);
    const std::optional<rt::Currency> y = ReadCsvNumber(row.Value(b), rules.locale);
    if (x && y && !TranValueFits(*x, *y)) {
      ok = false;
      sErrorBuf += labelOf() + QStringLiteral(": ") + TranValueTooLargeText(rules.defs[static_cast<size_t>(a)]->sKeyword,
                                                                   rules.defs[static_cast<size_t>(a)]->sTimesKeyword) + kCrLf;
    }
  }
  return ok;
}

bool clsImportData::ValidateARow(int32_t nRow, const QString& sLine, const rt::Collection& ImportColColl,
                                 const QStringList& arDataCols, QString& sErrorBuf) {
  try {
    const QString text = rt::Trim(sLine);
    if (text.isEmpty()) return true;
    return CheckRow(CsvRow(nRow, text), Rules(ImportColColl, arDataCols), sErrorBuf);
  } catch (...) {
    rt::TrapError();
    gSystem().ShowError(QStringLiteral("clsImportData_ValidateARow"));
    return false;
  }
}

bool clsImportData::ValidateRows(const QString& sFilename, const rt::Collection& ImportColColl,
                                 const QStringList& arDataCols, QString& sErrorBuf, int32_t& nNumRows) {
  nNumRows = 0;
  cancelled_ = false;
  QPointer<frmProgress> dlg;
  try {
    const CsvFile* file = Load(sFilename);
    if (cancelled_) return false;
    if (file == nullptr) rt::Raise(rt::kErrFileNotFound, QStringLiteral("clsImportData"), sFilename);
    const auto removeDlg = gSystem().WaitDlgRemoveOnExit(dlg);
    gSystem().WaitDlgShow(dlg, QStringLiteral("Import Data"),
                          QStringLiteral("Validating Data. Please wait..."), false, true);
    const RowRules rules = Rules(ImportColColl, arDataCols);
    int32_t failed = 0;
    nNumRows = file->LinesAfterHeading();
    EventPump pump;
    for (const CsvRow& row : file->Rows()) {
      if (!CheckRow(row, rules, sErrorBuf)) ++failed;
      if (failed > kMaxFailingRows) {
        sErrorBuf += QStringLiteral("MORE THAN 50 ERRORS ENCOUNTERED. ABORTING...") + kCrLf2;
        nNumRows = row.Line() - 1;
        break;
      }
      if (pump.Due()) QCoreApplication::processEvents();
      if (!dlg.isNull() && dlg->Cancelled()) {
        cancelled_ = true;
        nNumRows = row.Line() - 1;
        break;
      }
    }
    return failed == 0 && !cancelled_;
  } catch (...) {
    rt::TrapError();
    gSystem().ShowError(QStringLiteral("clsImportData_ValidateRows"));
    return false;
  }
}

bool clsImportData::PreviewData(const QString& sFilename, const rt::Collection& ImportColColl,
                                const QStringList& arDataCols, int32_t nNumRows, bool& bContinue) {
  bContinue = false;
  frmImportPreview dlg;
  const CsvFile* file = Load(sFilename);
  dlg.Init(file != nullptr ? *file : CsvFile(), ImportColColl, arDataCols, nNumRows);
  ui::RunModal(dlg, ui::FindByTag(QStringLiteral("MAINFORM")));
  bContinue = dlg.bContinue;
  return true;
}
