#pragma once
// clsSystem: the program's service object. One instance for the whole run, reached
// through gSystem(); every window, class and user control calls it. The members are
// implemented across topic files (clsSystem_<topic>.cpp); this header holds them all.
// Single-threaded: call only from the user-interface thread.

#include <QDateTime>
#include <QString>
#include <QStringList>
#include <QPointer>
#include <QVariant>
#include <cstdint>
#include <initializer_list>
#include <vector>

#include "platform/runtime/Currency.h"
#include "platform/runtime/ScopeGuard.h"

class CsvFile;
class frmProgress;
class QComboBox;
class QFileInfo;
class QListWidget;
class QTextEdit;
class QWidget;
namespace ctl {
class ColumnHeader;
class GridControl;
class ListItem;
class ListViewControl;
}  // namespace ctl
class QCheckBox;
namespace ui {
class TextSurface;
}
namespace rt {
class Collection;
}


class clsSystem {
 public:
  clsSystem() = default;
  clsSystem(const clsSystem&) = delete;
  clsSystem& operator=(const clsSystem&) = delete;

  // ---- Error reports and message window -------------------------------------------
  // (section: errors)
  // Shows the pending error (rt::Err()) as a critical box titled "Error", naming the
  // failing procedure `sModule`; does nothing when no error is pending. An error with
  // advice (a full disk, a damaged file) shows only its advice, and the report goes
  // to the log. The error stays pending.
  void ShowError(const QString& sModule);
  // Shows `sMsg` in frmMessage, modally and owned by the main window, with the icon of
  // `MsgType` (1 information, 2 warning, 3 critical, 4 locked, else none) and the help
  // topic `nHelpTopicID` (below 1: none). Returns when the user closed it.
  void ShowMsg(const QString& sMsg, int32_t MsgType = 1, int32_t nHelpTopicID = 0);
  // `nTimes` carriage return + line feed pairs / line feeds / carriage returns;
  // the empty text for 0 or less.
  QString CRLF(int32_t nTimes = 1) const;
  QString LF(int32_t nTimes = 1) const;
  QString CR(int32_t nTimes = 1) const;

  // ---- Screen, shell launching and system queries ----------------------------------
  // (section: screen)
  // Screen size in pixels (through platform/ui/Screen.h).
  int16_t ScreenWidthPix() const;
  int16_t ScreenHeightPix() const;
  // True when the screen is narrower than 800 pixels.
  bool IsLowRes() const;
  double Pix2TwipsX(int32_t nNumPix) const;
  double Pix2TwipsY(int32_t nNumPix) const;
  double Twips2PixX(int32_t nTwips) const;  // not rounded
  double Twips2PixY(int32_t nTwips) const;
  int16_t cMinResWidth() const { return 640; }
  int16_t cMinResHeight() const { return 480; }
  QString cDvWebsite() const;
  // Shell "open" of a folder, a web address, a file (with parameters); each shows a
  // warning when the shell fails.
  void ShowFolder(const QString& sFolder);
  void GotoWebsite(const QString& sWebSite);
  void LaunchFile(const QString& sFilepath, const QString& sShowName = {},
                  const QString& cmdLineParams = {});
  // Opens a new mail to `sEmailAddress`; nothing is shown on failure.
  void SendEmail(const QString& sEmailAddress);
  void GotoDVWebsite();

  // ---- Text, number and date procedures ---------------------------------------------
  // (section: text)
  // Small stateless helpers (except NextDocNum and the clock and locale readers).
  // Text positions count from 1; character codes are code page 1252 codes; arrays
  // filled by reference hold their entries at 1..n with entry 0 present and unused.
  // Numbers and counters
  int16_t NotBelowZeroInt(int16_t nVal) const { return nVal < 0 ? 0 : nVal; }
  int32_t NotBelowZeroLong(int32_t nVal) const { return nVal < 0 ? 0 : nVal; }
  int32_t NotBelowMinVal(int32_t nVal, int32_t nMinVal) const { return nVal < nMinVal ? nMinVal : nVal; }
  int32_t NotAboveMaxVal(int32_t nVal, int32_t nMaxVal) const { return nMaxVal < nVal ? nMaxVal : nVal; }
  int32_t Minus1ToZero(int32_t nVal) const { return nVal == -1 ? 0 : nVal; }
  void IncL(int32_t& nVal) const { ++nVal; }
  // 1, 2, 3, ... for the run.
  int32_t NextDocNum() { return ++m_nextDocNum; }
  // The leading number of a numeric text, rounded half to even and clamped to
  // -32768..32767; 0 for a text that is not numeric.
  int16_t Str2Int(const QString& sVal) const;
  int16_t CompareInt(const QString& s1, const QString& s2) const;
  int16_t CompareStrNoCase(const QString& s1, const QString& s2) const;
  QString FormatLongWithCommas(int32_t nVal) const;  // "##,##0"
  // "0" when not numeric or 0, else "#,###".
  QString CommafyNoDec(const QVariant& vVal) const;
  // The empty text when the text is not numeric or its value is exactly 0; else
  // sPrefix and the text.
  QString ZeroToNullStr(const QString& sVal, const QString& sPrefix = {}) const;
  // The value in the format; the empty text only when the value is exactly 0 (0.25
  // shown without decimal places reads "0", not blank).
  QString FormatNonZero(rt::Currency value, const QString& sFormat) const;
  QString GetCurrencySymbol() const;
  // Without the locale's thousands separators and currency symbol.
  QString NumCleanStr(const QString& sVal) const;

  // Text cleaning, filling and cutting
  QString DoubleQuote() const { return QStringLiteral("\""); }
  QString QuoteStr(const QString& sStr, bool bSingleQuote) const;
  QString RemoveChar(const QString& sStr, const QString& sCharToRemove) const;
  QString RemoveLastChar(const QString& sStr, const QString& sChar = {}) const;
  QString RemoveSurroundingQuote(const QString& sStr) const;
  QString StrGetTextTilChar(const QString& sStr, const QString& sChar) const;
  // sStr cut or filled to nWidth with the first character of sChar, after sStr when
  // AppendType is 2, before it otherwise; an empty sChar leaves a short sStr as it is.
  QString PadChar(const QString& sStr, int16_t nWidth, const QString& sChar,
                  int32_t AppendType) const;
  QString PadZeros(const QString& sStr, int16_t nWidth, int32_t AppendType) const;
  QString PadSpaces(const QString& sStr, int16_t nWidth, int32_t AppendType) const;
  QString PrePad2Zeros(const QString& sStr) const;
  // nWidth - 1 characters: padded with blanks, or cut to nWidth - 4 and ".. ".
  QString PadOrTruncate(const QString& sStr, int32_t nWidth) const;
  // The text, or its longest head that with ".." fits below `maxWidth` on `surface`.
  QString TrimTextToFit(const ui::TextSurface& surface, const QString& sText,
                        double maxWidth) const;
  QString StrTruncate(const QString& sStr, int32_t nLen) const;
  // Cuts sStr (the caller's variable too) at its first NUL.
  QString StrTrimNull(QString& sStr) const;
  QString RemoveCRLF(const QString& sStr) const;
  int32_t CharCountInStr(const QString& sStr, const QString& sChar) const;
  bool StrDigitsOnly(const QString& sStr) const;
  bool StrAlphaOnly(const QString& sStr) const;
  bool StrAlphaDigitOnly(const QString& sStr) const;
  bool EmailAddressIsValid(const QString& sEmail) const;

  // Comma-separated fields, lists and collections. A CSV line is split in three
  // steps: StrReplaceChar(line, ",", CSVDelimiter(), false), StrParse2Array on
  // CSVDelimiter(), CSVField_GetValue on each field.
  QString CSVDelimiter() const { return QString(QChar(0x00FE)); }  // code 254
  QString CSVField_GetValue(const QString& sField) const;
  QString StrReplaceChar(const QString& sStr, const QString& sChar2Replace,
                         const QString& sCharNew, bool bReplaceInQuoted) const;
  void StrParse2Array(const QString& sText, QStringList& sArray, const QString& sDelim,
                      bool bMakeUpperCase) const;
  bool StrExistsInArray(const QString& sText, const QStringList& sArray, int32_t& nPos) const;
  void CollectionClear(rt::Collection& colX) const;
  void CollSetValueAtExistingKey(rt::Collection& colX, const QVariant& vValue,
                                 const QString& sKey) const;

  // Hexadecimal text of code page 1252 codes
  QString StringToHexStr(const QString& sStr) const;
  QString HexStrToString(const QString& sHex) const;

  // Names of people and of the machine
  QString MakeFullName(const QString& sFirstname, const QString& sLastname) const;
  QString MakeFullNameNoComma(const QString& sFirstname, const QString& sLastname) const;
  QString GetLocalComputerName() const;

  // Dates and times (clsSystem_dates.cpp). Displayed dates use the locale's formats
  // with four-digit years; stored dates are "YYYYMMDD", stored times "hh:mm:ss".
  QString LongDate() const;
  QString CurrDateLong() const;
  QString ShortDate() const;
  QString CurrDateShort() const;
  QString CurrTimeAMPM() const;       // "h:mm:ss AMPM"
  QString CurrDateTimeShort() const;  // short date " @ " CurrTimeAMPM
  QString CurrDateTimeLong() const;   // long date " @ " "h:mm AMPM"
  QString NeutralShortDate() const;   // "MMM-DD-YY"
  QString CBDateFormat(const QString& sDate) const;
  QString CBTimeFormat(const QString& sTime) const;
  // The stored date in sDateFormat (a named format or a pattern); the empty text for
  // an empty, malformed or impossible stored date. Reads the four-digit year.
  QString DBDateToDislayDate(const QString& sDBDate, const QString& sDateFormat) const;
  QString DBTimeToDislayTime(const QString& sDBTime) const;
  // The date (and time) the text reads as; 1 January 1800 when it is none.
  QDateTime Str2Date(const QString& sDate) const;
  int16_t CompareDate(const QString& sDate1, const QString& sDate2) const;
  int16_t GetNumDaysInMonth(int16_t nMonth, int16_t nYear) const;
  bool IsLeapYear(int16_t nYear) const;
  // Codes 1 this month, 2 this year, 11 last month, 12 last year: the first and last
  // day as short dates, True; other codes False with both set to CurrDateTimeShort.
  bool MakeDateRange(int32_t DtRange, QString& sDateBegin, QString& sDateEnd) const;

  // Boolean flags
  QString Bool2TorF(bool bVal) const { return bVal ? QStringLiteral("T") : QStringLiteral("F"); }
  bool DBTF2TrueFalse(const QVariant& vVal) const;
  bool Str2Bool(const QString& sVal) const { return sVal == QLatin1String("True"); }
  bool CK2TrueFalse(const QCheckBox& ck) const;  // ticked only
  int32_t TrueFalse2ZeroOne(bool bVal) const { return bVal ? 1 : 0; }

  // ---- Wait cursor, progress dialog, help and version -------------------------------
  // (section: progress)
  // The version as "<major>.<minor>" ("6.0"); the product name, " - v" and that.
  QString GetVersionString() const;
  QString GetAppTitle() const;
  // Hourglass, then a new progress dialog in `frm`, titled `sTitle`, reading
  // `sCaption`, with or without its bar and Cancel button; it is application-modal
  // until removed. In the work loop: WaitDlgUpdate, let events run, read
  // frm->Cancelled(); WaitDlgRemoveOnExit removes it when the work's scope is left.
  void WaitDlgShow(QPointer<frmProgress>& frm, const QString& sTitle, const QString& sCaption,
                   bool bShowProgressBar, bool bShowCancel);
  // Sets the bar to `nPctDone` when it is 0 to 100; anything else, or a dialog that
  // is gone, is ignored.
  void WaitDlgUpdate(frmProgress* frm, int32_t nPctDone);
  // Unloads the dialog (when there is one), empties `frm`; default pointer.
  void WaitDlgRemove(QPointer<frmProgress>& frm);
  // A guard that calls WaitDlgRemove(frm) when its scope is left, however it is left.
  // Declared inside a trap's try block, it removes the dialog before the error report.
  [[nodiscard]] auto WaitDlgRemoveOnExit(QPointer<frmProgress>& frm) {
    return rt::ScopeGuard([this, &frm] { WaitDlgRemove(frm); });
  }
  void WaitDlgTest();
  // The help contents page (the help folder's index.html).
  QString HelpFilename() const;
  // Open the help window at its contents / at a topic page; always False.
  bool ShowHelpContents();
  bool ShowHelpTopic(int32_t nTopicID);
  bool ShowHelpTopicPopup(int32_t nTopicID);
  // Ctrl (bit 2 of `Shift`) with key code 69 (E).
  bool KeyPressedCtrlE(int16_t KeyCode, int16_t Shift) const;

  // ---- Files, folders and file dialogs ----------------------------------------------
  // (section: files)
  // Paths: MakePath joins with "/"; a folder already ending in "/" or "\" gets no
  // second separator. Letter case: members that look up or read an existing file or
  // folder (the exists tests, reads, the source of a copy or rename, the file list)
  // find it whatever its case, an exact match first, because databases made on Windows
  // hold SVLPROD.DBF as well as svlprod.dbf. Members that write, delete or name a
  // target (WriteToFile, DeleteFile, DirDelete, the target of a copy or rename) use
  // the name exactly as given, so a name the user chose is never taken for another
  // file; the database layer passes its own files under their resolved names.
  // Writes and copies go through a QSaveFile opened Unbuffered (see HiveStore.h) and
  // renamed over the target, so a failed write leaves the old file. Failures report
  // through ShowError with a pending error the member set itself, never a stale one.
  QString MakePath(const QString& sDirPath, const QString& sFile) const;
  // The part after the last "/" or "\"; else after the last ":"; else the whole text.
  QString FileNameOnly(const QString& sPath) const;
  // The existing file or folder whose path equals `sPath` apart from letter case;
  // the empty text when there is none.
  QString ResolvePathCase(const QString& sPath) const;

  // True for an existing folder (a plain file is not one); False for the empty text.
  bool DirExists(const QString& sDir) const;
  // Creates the one folder (its parent must exist); False when it could not (also when
  // it exists), with the error report "cls_CreateDir" when `bShowErrors`.
  bool CreateDir(const QString& sDirPath, bool bShowErrors = false);
  // Deletes the folder tree `sDir` (read-only files too; links are removed, never
  // followed). Refuses an empty, relative or root path and a link. True only when the
  // folder is gone; stops at the first entry that cannot be deleted.
  bool DirDelete(const QString& sDir);
  // True when a file (not a folder) of that name exists; a name with * or ? is a
  // pattern that counts when any file matches. False for the empty text.
  bool FileExists(const QString& txtFilename) const;
  // Copies, replacing `sDest` (exactly that name) atomically (its old content stays when
  // the copy fails); error report "clsSystem_FileCopyFn" and False on failure.
  bool FileCopyFn(const QString& sSrc, const QString& sDest);
  // The same copy, showing nothing: 0, or the error number (with the system's errno in
  // *systemError). For work that holds locks others need (the re-index): no box waits
  // for OK while they are held; the caller reports once the files are let go.
  int32_t FileCopyQuiet(const QString& sSrc, const QString& sDest, int* systemError = nullptr);
  // True without copying when `sDest` exists in any letter case; else FileCopyFn.
  bool FileCopyFn_NonExist(const QString& sSrc, const QString& sDest);
  // Renames (moves) a file; fails (error report "clsSystem_FileRename", False) when
  // `sDest` exists already.
  bool FileRename(const QString& sSrc, const QString& sDest);
  // True when the file exists and its owner may not write it.
  bool FileReadOnly(const QString& sFile) const;
  // Why the file cannot be written: "Unable to write to : " and the path, then the
  // reason (a folder, a read-only file, a missing folder or one that takes no new
  // files; `failure`, the error of a failed open, when none of these); the empty text
  // when nothing stands in the way and `failure` is empty.
  QString WriteRefusal(const QString& sFile, const QString& failure = {}) const;
  // Open / Save As dialogs (flags 0x281804 / 0x280806) through GetFilename.
  bool GetFilenameOpen(QString& FileName, const QString& sFilter, const QString& sDlgTitle = {},
                       QWidget* hWnd = nullptr);
  bool GetFilenameSaveAs(QString& FileName, const QString& sFilter,
                         const QString& sDlgTitle = {}, QWidget* hWnd = nullptr);
  // Creates an empty, uniquely named "<prefix><hex>.tmp" file in the temporary folder
  // and returns its path; the empty text when none could be created.
  QString GetTempFileName();
  // The Open (or Save) dialog opened on `FileName` with the classic filter and flags;
  // True and the chosen path in `FileName`, False (name unchanged) when cancelled.
  bool GetFilename(QString& FileName, const QString& sFilter, int32_t nFlags,
                   const QString& sDlgTitle = {}, bool bShowSave = false,
                   QWidget* hWnd = nullptr);
  // Replaces the file's content with `sBuf` (UTF-8) through a temporary file renamed
  // over it, so a failed write keeps the old content. A target that may not be written:
  // the warning of WriteRefusal when `bDisplayError`; a failed write: the
  // error report "clsSystem_WriteToFile".
  bool WriteToFile(const QString& sBuf, const QString& sFile, bool bDisplayError);
  // A name with "*" is refused (False); a missing file gives True; else deletes it.
  bool DeleteFile(const QString& sFile, bool bDisplayError);
  // The Save dialog (flags 0x806); the chosen path, or the empty text.
  QString GetSaveFileName(const QString& sTitle, const QString& sFilter,
                          const QString& sDefaultExt, const QString& FileName);
  // Line `nRowNum` (from 1) of a text file, trimmed of blanks; CR, LF and CR LF each
  // end a line; decoded as the whole file is (TextEncoding). False when there is no
  // such line.
  bool FileReadRowNum(const QString& sFilePath, int32_t nRowNum, QString& sLine);
  // The whole file as text (UTF-8 when valid, else code page 1252).
  bool FileRead(QString& txtDocBuf, const QString& txtDocPath);
  // Fills a report-layout list view (four columns, made by the caller) with the
  // entries of `sFolder`: name in lower case, size ("<n> KB", at least "1 KB"), type
  // name in lower case, last-write date and time. Window events run every 20 entries.
  void LvGetFileList(ctl::ListViewControl& lv, const QString& sFolder);

  // ---- List-view, combo-box, list-box and form procedures ----------------------------
  // (section: lists)
  // List views: items 1..Count; "first" is the lowest index.
  // The first selected item in `SelItem` and True; False (SelItem nullptr) when none.
  bool LvGetSelectedItem(ctl::ListItem*& SelItem, const ctl::ListViewControl& lv) const;
  bool LvSelectFirstItem(ctl::ListViewControl& lv);
  QString LvGetSelectedItemText(const ctl::ListViewControl& lv) const;
  int32_t LvNumItemsSelected(const ctl::ListViewControl& lv) const;
  QString LvGetSelectedItemKey(const ctl::ListViewControl& lv) const;
  bool LvIsItemSelected(const ctl::ListViewControl& lv) const;
  // Selects (and shows) the first item whose key equals `sKey` exactly.
  bool LvSelectItem(ctl::ListViewControl& lv, const QString& sKey);
  bool LvSelectAllItems(ctl::ListViewControl& lv);
  bool LvInvertSelection(ctl::ListViewControl& lv);
  // Selects (and shows) the first item whose text equals `sText` apart from case.
  bool LvSelectItemByText(ctl::ListViewControl& lv, const QString& sText);
  // Sorts on the clicked column, flipping the order on every click.
  void LVSort(ctl::ListViewControl& lv, const ctl::ColumnHeader& ColumnHeader);

  // Combo boxes and list boxes: each row carries its record id as item data
  // (Qt::UserRole, an int). The selected row's id; -1 when no row is selected.
  int32_t cboGetItemID(const QComboBox& cbo) const;
  // The selected row's id, or `stored` when no row is selected (an id loaded into the
  // combo that its list no longer holds): an editor writes such a field back unchanged.
  int32_t cboGetItemIDOr(const QComboBox& cbo, int32_t stored) const;
  // Makes the first row carrying `nID` the current one (a window's Click handler,
  // connected to currentIndexChanged, runs when the row changes, and not when the id is
  // missing or already selected; the product editor and transaction windows rely on
  // this); no match: unchanged.
  void cboSelectAtID(QComboBox& cbo, int32_t nID);
  void cboSelectAtIndex(QComboBox& cbo, int32_t nIndex);
  void lbSelectAtID(QListWidget& lb, int32_t nID);
  // Index of the first row carrying `nID`; 0 when none does.
  int16_t lbGetPosForID(const QListWidget& lb, int32_t nID) const;
  // The current row's id; -1 unless that row is also selected.
  int32_t lbGetItemID(const QListWidget& lb) const;
  // Removes from `lbDest` every row whose id stands in `lbSrc`.
  void LB2LBRemoveItems(const QListWidget& lbSrc, QListWidget& lbDest);
  void LBRemoveItemWithID(QListWidget& ListCtl, int32_t nID);
  // Removes the selected row; without one, "Please select a listbox item first!".
  void LBRemoveCurSelected(QListWidget& lb);
  // Swaps two rows (text and id) and selects the second; out of range: nothing.
  void LBSwapItems(QListWidget& ListCtl, int32_t nListIndex1, int32_t nListIndex2);

  // Windows, found by their tag (platform/ui/WindowRegistry.h).
  bool IsFormLoaded(const QString& TagVal) const;
  // WindowState: 0 normal, 1 minimized, 2 maximized.
  void BringFormToTop(const QString& sFormTag, int32_t WindowState);
  bool GetFormWithTag(const QString& sTag, QWidget*& frm) const;
  // Locks (light yellow, read-only or disabled) or unlocks the controls of `frm` whose
  // tag (ui::Tag) is `TagVal`.
  void LockControls(QWidget& frm, bool bLock, const QString& TagVal);
  // Replaces the selection of a line or text edit with `sText`.
  void TxtCtlInsertStr(QWidget& txt, const QString& sText);
  // Focus to the control only when it is visible; a text field's text is selected.
  void CtlSetFocus(QWidget* ctl);
  // The rule for text the user typed into fields that are stored: the tables hold code
  // page 1252 only. The first field (line, plain or rich text edit, editable combo)
  // holding a character outside it is brought forward (its tab) and gets the focus, and
  // the message naming the character and the field (its label's caption, else its
  // accessible name) is returned; empty when every character fits.
  QString UnstorableText(std::initializer_list<QWidget*> fields);
  // The same, the message shown; true when every character fits.
  bool StoredTextFits(std::initializer_list<QWidget*> fields);
  // The same rule for one text and the name of its field: the message, or empty.
  QString UnstorableText(const QString& sText, const QString& sFieldName) const;
  // The same, the message shown.
  bool StoredTextFits(const QString& sText, const QString& sFieldName);
  // Unloads every window whose tag differs from `sExceptTag` / equals `sFormTag`;
  // a window that refuses to close stays and the walk goes on.
  void UnloadAll(const QString& sExceptTag = {});
  void UnloadForm(const QString& sFormTag);
  // Input box until the answer (trimmed) is empty or, when `bNumericOnly`, a number.
  QString PromptInputString(const QString& sTitle, const QString& sPrompt,
                            const QString& sDefault, bool bNumericOnly = false);

  // ---- Grid CSV export, grid selection helpers and import preview ------------------
  // (section: grid)
  // Asks for a file and writes the cells (nStartRow, nStartCol)..(nEndRow, nEndCol) of
  // the grid as CSV (UTF-8 with a byte-order mark, so spreadsheets read it as UTF-8;
  // CR LF after every line; cells outside the grid add nothing, not even a separator);
  // then offers to open it. The dialog proposes the folder of the run's last export
  // (ui::ProposedFolder). A target that may not be written (a read-only file, a
  // folder that takes no new files) gives the warning of WriteRefusal and nothing is
  // deleted. A field
  // is a bare number only for a plain decimal text (sign, digits, at most one decimal
  // separator of the locale, no leading zero, at most 15 significant digits), written
  // with "."; any other text is quoted with its quotes doubled, "true"/"false" in any
  // case read "Yes"/"No". Columns with a format or a column list give their shown text.
  // Written to a temporary file renamed over the target: a failure keeps the old file.
  void SaveGrid(ctl::GridControl& grid, int32_t nStartRow, int32_t nStartCol, int32_t nEndRow,
                int32_t nEndCol);
  // Selects (and shows) cell (nRow, 0) when the row exists; else nothing.
  void GridSelectRow(ctl::GridControl& grid, int32_t nRow);
  // GridSelectRow for the first row whose row data equals `nSelRowID`.
  void GridSelectRowAtID(ctl::GridControl& grid, int32_t nSelRowID);
  // Searches the rows after (or, upward, before, down to row 1) the current row, each
  // left to right, for a cell containing (or, whole word, equal to, blanks cut) the
  // text; selects and shows the first match. No wrap-around.
  bool GridFind(ctl::GridControl& grid, const QString& strFind, bool bWholeWordOnly,
                bool bMatchCase, bool bDirectionUp);
  // Removes every hidden row but row 0.
  void GrdRemoveHiddenRows(ctl::GridControl& grid);
  // True when a clsImportColDef of the collection has `sColName` as its keyword exactly.
  bool ImportIsColumnRelevant(const QString& sColName, const rt::Collection& ImportColColl) const;
  // Fills `grid` with the preview of a CSV file: column 0 "Row" (the data line's
  // number), one column per relevant heading of `arDataCols` (1-based), one row per
  // non-blank data line, under a progress dialog whose Cancel stops loading (the
  // result stays True). False only after an error (reported "clsSystem_ImportLoadPreviewGrid").
  bool ImportLoadPreviewGrid(ctl::GridControl& grid, const QString& sFile,
                             const rt::Collection& ImportColColl, const QStringList& arDataCols,
                             int32_t nNumRows);
  // The same for a file already read, so an import never parses its file twice. Cancel
  // is polled after every line; events run at the first line and then every 50 ms.
  bool ImportLoadPreviewGrid(ctl::GridControl& grid, const CsvFile& file,
                             const rt::Collection& ImportColColl, const QStringList& arDataCols,
                             int32_t nNumRows);

  // ---- Printing grids, list views and message texts ---------------------------------
  // (section: print)
  // Jobs go to the current printer (platform/ui/Printers.h); lengths are twips. Copies
  // are always separate jobs. List views and message texts print through one trapped
  // job runner (hourglass, job, abandon and report on error); a text that would run
  // over its column even when cut prints nothing, and zero or negative widths and line
  // heights are safe.
  // frmRptOption for `grid` (the title `sRptTitle`, replaced by the one remembered under
  // `sTitleKey`; the orientation `eOrientation`, 0 = the remembered one), then the
  // printer choice (offered with the report option's orientation, so the last choice
  // wins), then the print: the entire view, or only the rows marked in column
  // 0 (`firstColIsSelectionCol`), else the current row. Cancel in either window prints
  // nothing. Every row's hidden flag is put back afterwards, also when printing fails;
  // printer errors pass to the caller.
  void GridPrint(ctl::GridControl& grid, const QString& sRptTitle, const QString& sTitleKey,
                 bool firstColIsSelectionCol, int32_t eOrientation);
  // frmPrinterSelectionDlg. True when a printer and 1..999 copies were chosen: that
  // printer (with the chosen orientation) becomes the current one and `nNumCopies`
  // gets the copies. False on Cancel or failure (reported "SetPrinter"), `nNumCopies`
  // untouched.
  bool SetPrinter(int32_t& nNumCopies);
  // SetPrinter, then ListViewPrint with 1000-twip margins once per copy, each copy a
  // job of its own; "Document sent to the printer." when the last copy printed.
  // `bPrintPageNo` is not used: page numbers are always printed.
  void ListViewPrint_GetPrinter(const ctl::ListViewControl& lv, const QString& sHeading,
                                const QVariant& bPrintPageNo = {});
  // One job: on every page the heading centred, the column titles in bold, the rows and
  // the page number at the foot; columns wider than the page shrink alike and each
  // text is cut to its column. False without printing for a list view not in report
  // layout or a cancelled job; False after an error (reported "ListViewPrint").
  bool ListViewPrint(const ctl::ListViewControl& lv, int32_t LeftMarginWidth,
                     int32_t TopMarginHeight, int32_t RightMarginWidth,
                     int32_t BottomMarginHeight, const QString& sHeading);
  // The report-layout list as text 80 characters wide: the column titles, a line of
  // 80 "-", one line per row (CR LF after each); the empty text for another layout. A
  // column of n characters holds at most n - 1, so narrow columns never widen the line.
  QString LVContent(const ctl::ListViewControl& lv);
  // Message texts (frmMessage's Print, Save As and Email buttons).
  // Not provided: an OK box reading "EmailMsg".
  void EmailMsg(const QString& sMsg);
  // Prints the whole text page by page inside the margins (from the paper's edges),
  // the page number at the foot and the heading (when not empty) centred at the top
  // of every page. Failures: the error report "RTBPrint".
  void RTBPrint(const QTextEdit& rtb, int32_t LeftMarginWidth, double TopMarginHeight,
                double RightMarginWidth, double BottomMarginHeight, const QString& sHeading);
  // SetPrinter, then RTBPrint with 1000-twip margins once per copy.
  void RTBPrint_GetPrinter(const QTextEdit& rtb, const QString& sHeading);
  // The Save As dialog (proposing "Untitled <n>"), then SaveRTB.
  void SaveRTB_GetFileName(const QTextEdit& rtb);
  // Saves by the name's last three characters: "rtf" rich text (ToRtf: one font, \uN?
  // for non-ASCII, bold, italic and underline per run); "doc" that rich text beside a
  // word-processor document converted from it by `soffice --headless --convert-to doc`
  // in a temporary folder beside the target (no soffice on PATH: the "must be
  // installed" message); anything else plain text (UTF-8).
  // Files are written under exactly the name chosen, through a temporary file;
  // failures get the error report "clsSystem_SaveRTB". The empty name does nothing.
  void SaveRTB(const QTextEdit& rtb, const QString& sFilename);

 private:
  // (section: private state)
  // files
  QString TempFolderPath() const;
  QString AddTrailingBackslash(const QString& sPath) const;
  void LvAddFileItem(ctl::ListViewControl& lv, const QFileInfo& entry, const QString& sFolder);
  QString FileTimeToDisplay(const QDateTime& fileTime) const;
  QString FileSizeKBText(qint64 nBytes) const;
  int32_t m_nextDocNum = 0;
  // grids
  QString m_lastExportFolder;  // of SaveGrid's last file; empty: none yet
  // Resets `grid` to the preview's heading row; the grid column of each heading
  // position (0: not shown).
  std::vector<int> PreviewGridHeading(ctl::GridControl& grid, const rt::Collection& ImportColColl,
                                      const QStringList& arDataCols) const;
};

// The one service object, created on first use.
clsSystem& gSystem();
