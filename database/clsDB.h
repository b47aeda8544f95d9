#pragma once
// clsDB: the database object. One instance for the whole run, reached through gDB();
// it owns the engine (CBEngine) and the database folder (DBPath) while a database is
// open. No table stays open between operations (but the counters table during a
// Batch): each operation opens what it needs (OpenTable), positions, reads or writes,
// and closes it again.
//
// Table handles (DATA4*): a non-null handle is the caller's open table, used and left
// open; a null one makes the operation open the table itself and close it before it
// returns.
//
// Writes lock the one record, write, flush and unlock; a record another user holds
// ends the operation with a "RECORD LOCKED: " box and a failure result. Failures are
// reported through clsSystem::ShowError with the label "clsDB_<procedure>".
// The members are implemented across topic files (clsDB_<topic>.cpp); most call a
// store of database/store/ (Session() gives one on the open folder) and turn its
// result into the messages and error reports above; a window that needs none of those
// messages may call a store on Session() directly. The facade calls the engine itself
// only to start it (OpenDB) and in the members given a caller's field handle
// (AssignValue, ProductsFields_AssignValue). The records (clsProd, clsRptDef,
// clsRptColDef) read and write themselves through the stores and take the clsDB they
// work on as a last argument (default gDB()); clsTran is filled by the facade.
// Single-threaded: call only from the user-interface thread.

#include <QList>
#include <QString>
#include <QVariant>
#include <cstdint>
#include <optional>
#include <string>

#include "database/clsDBFile.h"
#include "database/clsProductStats.h"  // (records: transactions, stock figures, products)
#include "database/store/Counters.h"
#include "database/store/Session.h"
#include <unordered_map>
#include <unordered_set>
#include <utility>
#include <vector>

#include "database/store/Lists.h"

struct CODE4;
struct DATA4;
struct FIELD4;
class QComboBox;
class clsTran;
namespace ctl {
class ListViewControl;
}
namespace store {
class ReportTables;
}

class clsDB {
 public:
  clsDB() = default;
  ~clsDB();
  clsDB(const clsDB&) = delete;
  clsDB& operator=(const clsDB&) = delete;

  // ---- Opening, creating and closing (clsDB_open.cpp) -------------------------------
  bool IsOpen() const { return m_bIsOpen; }
  const QString& DBPath() const { return m_sDBPath; }
  // The live engine; null while none is started.
  CODE4* CBEngine() const { return m_engine.code; }
  // Return code of the last engine call an operation recorded; -1 after release.
  int16_t LastEngineResult() const { return m_engine.lastResult; }
  // The engine and its last result, as the stores record them.
  store::Engine& EngineState() const { return m_engine; }
  // A store session on the database folder (names resolved as on disk).
  store::Session Session() const;
  // The database version found by the last check.
  int32_t DBVersionInUse() const { return m_nDBVersion; }

  // Opens a table on the engine, owned by the handle; not ok after the "Unable to
  // open: " box.
  store::Table OpenTable(const QString& sTablePath);
  // Starts the engine (10 lock attempts 100 ms apart), checks and upgrades the folder,
  // holds the session lock of svlid.dbf shared (an upgrade or re-index of another copy
  // holds it exclusively) and remembers the folder as the last database. An engine
  // still running is released first. CBEngine() is null after a failed open.
  bool OpenDB(const QString& sDBPath);
  // Closes every window but the main window and releases the engine; always false.
  bool CloseDB();
  // Copies the templates of the program folder into a folder holding no data files,
  // then opens it.
  bool NewDB(const QString& sDBPath);
  // Opens the remembered folder; false without a message when none is remembered.
  bool OpenLastDB();
  // True when all 16 data files exist / none of them exists; else the message.
  bool DirContainsValidData(const QString& sDir);
  bool DirIsClean(const QString& sDir);
  void SetLastDBDir(const QString& sDir);
  QString GetLastDBDir() const;
  void ClearLastDBDir();
  // ~/SVLData.
  QString DBDefaultPath() const;
  // Categories, counters, parameters, products, transactions.
  QList<clsDBFile> DataFilePaths() const;
  // The check run by OpenDB before a folder counts as open: data files present, then
  // the folder brought to dbschema::kDbVersion. Refused unchanged, with a message naming
  // the folder: a version above it, and a counters table without a "dbversion" row. A
  // step that changes anything holds the session lock exclusively (lastid.dbf for the
  // oldest layout, svlid.dbf otherwise), so another copy with the folder open makes it
  // refuse. The oldest layout is converted in the staging folder svlupgrade.tmp on a
  // second session and moved into place, svlid.* last; a failure discards the staging
  // and never writes the old files. Version 3 to 4 rebuilds the transactions beside the
  // old table; 4 to 5 writes the built-in report definitions, 5 to 6 copies the
  // catalogue, each raising the version only when that worked. Row copies assign ids,
  // codes and types as 32-bit whole numbers and amounts as decimals; a value that does
  // not fit stops the copy with the error report, never a blank field.
  bool CheckFilesAndUpgrade(const QString& sDBPath);

  // ---- Tables, files and field access (clsDB_tables.cpp) ----------------------------
  // Full paths in the open folder (tables, indexes) or the program folder (index
  // templates), computed on each call (those of the folder once per Batch).
  QString ProductsTable() const;
  QString ProductsTableIndex() const;
  QString ProductsTableIndexSource() const;
  QString TranTable() const;
  QString TranTableIndex() const;
  QString TranTableIndexSource() const;
  QString ParamTable() const;
  QString ParamTableIndex() const;
  QString ParamTableIndexSource() const;
  QString LastIdTable() const;
  QString LastIdTableIndex() const;
  QString LastIdTableIndexSource() const;
  QString CategoryTable() const;
  QString CategoryTableIndex() const;
  QString CategoryTableIndexSource() const;
  QString UserTable() const;
  QString RptColTable() const;

  // "YYYYMMDD" of the date the text holds; "" when it holds none.
  QString CBDateFormat(const QString& sDate) const;
  // Assigns a text value to a field of the current record by type code: 1 text,
  // 2 and 9 date, 3 4 5 7 number (its stored text form, rt::ParseStored; unchanged when
  // not numeric), 6 flag ("True" / "False"), 8 memo; any other code does nothing.
  void AssignValue(FIELD4* fld, const QString& sVal, int32_t udDispDataType);
  // The products field of that name (compared case-sensitively) by its type code.
  void ProductsFields_AssignValue(const QString& sFieldName, const QString& sVal, DATA4* tb);

  // ---- Batches of writes (clsDB_batch.cpp) -----------------------------------------
  // A long run of writes (an import) holds a Batch for its scope: the counters table
  // stays open on this object and the data file paths are looked up once. Each id is
  // still taken under its counter row's lock (the row read again once locked) and each
  // row written, flushed and unlocked on its own, so other copies see what they saw
  // without one. Batches nest; the outermost closes the table, as does CloseDB. Where
  // the table does not open the calls open it themselves, as without a batch.
  class Batch {
   public:
    explicit Batch(clsDB& db);
    ~Batch();
    Batch(const Batch&) = delete;
    Batch& operator=(const Batch&) = delete;

   private:
    clsDB& db_;
  };
  bool InBatch() const { return m_batch.depth > 0; }

  // ---- Counters, part numbers and database version (clsDB_counters.cpp) -----------
  // The counter's next value, advanced when bIncrement; a missing counter is created
  // holding startId + 1 and gives startId. 0 when the row is locked, -1 on failure;
  // no value is handed out in either case.
  int32_t GetNextID(const QString& sTablename, bool bIncrement, int32_t startId);
  // The first of `count` values taken from the counter at once, as GetNextID gives them
  // one after the other (the counter advances by count); 0 or -1 as GetNextID.
  int32_t ReserveIDs(const QString& sTablename, int32_t count, int32_t startId);
  // As ReserveIDs, a failure (kLocked for a locked row) not reported: CounterValue
  // reports it.
  store::Result<int32_t> TakeIDs(const QString& sTablename, int32_t count, int32_t startId);
  // The counter's value; 0 when its row was locked and -1 on failure, reported.
  static int32_t CounterValue(const store::Result<int32_t>& value);
  // The counter's next value without changing it; 0 when missing or on failure.
  int32_t QueryNextID(const QString& sTablename);
  void SetNextID(const QString& sTablename, int32_t nNextID);
  // Gives a new product without a part number the next automatic part number
  // (nothing is advanced). Works on any record with nProdId and sPartNo.
  template <class Product>
  void AssignPartNumber(Product& ProdInfo) {
    AssignPartNumber(ProdInfo.nProdId, ProdInfo.sPartNo);
  }
  void AssignPartNumber(int32_t nProdId, QString& sPartNo);
  int32_t IncrementNextPartNumber();
  void SetNextPartNumber(int32_t nNextPartNo);
  int32_t QueryNextPartNumber();
  // The "dbversion" row of the counters table at sPath; 0 when it has none, -1 when
  // the table cannot be read (each after its message).
  int32_t DBVer(const QString& sPath);
  // The same of the open folder.
  int32_t DBVer() { return DBVer(LastIdTable()); }
  bool SetDBVer(int32_t nVersion);

  // ---- Category lists and record lookups (clsDB_categories.cpp) -------------------
  void LoadLV(ctl::ListViewControl& lv, const QString& sTablePath, const QString& sIDField,
              const QString& sTextField, int32_t nListType, bool bClearFirst);
  // True when no row of the table refers to the id through the field (an empty
  // table path: nothing refers).
  bool CanDeleteItem(int32_t nID, const QString& sTablePath, const QString& sField);
  // Deletes the row with the id under its lock; true also when it is not there.
  bool DeleteRecord(int32_t nID, const QString& sTablePath, DATA4* tb, const QString& sTagName);
  bool GetBoolValueFromStr(const QString& sVal);
  // The ids the rows of the table hold in sField, read in one pass; false (set empty)
  // when the table cannot be read. An empty table path: true and no ids.
  bool IdsInUse(const QString& sTablePath, const QString& sField, std::unordered_set<int32_t>& ids);
  int32_t CategoryIDLookup_Original(QString& sDesc, int32_t nType, DATA4* tb);
  // Trims the caller's text; -1 for an empty text; the entry's id, added when missing.
  int32_t CategoryIDLookupOrAdd(QString& sDesc, int32_t nType, DATA4* tb);
  // The id of the entry of that list whose whole text equals sDesc apart from case
  // and surrounding blanks; -1 when none (tb must be open).
  int32_t CategoryIDGet(const QString& sDesc, int32_t nType, DATA4* tb);
  // Key kind 2: numeric key; else text key (the whole value, trimmed). The result
  // field of the row found, -1 when none.
  int32_t RecordExists(int32_t nKeyKind, const QVariant& vKey, const QString& sTablePath,
                       const QString& sTagName, const QString& sResultField, DATA4* tb);
  bool RecordExistsNoTag(int32_t nKeyKind, const QVariant& vKey, const QString& sField,
                         const QString& sTablePath, DATA4* tb);
  // The new entry's id; -1 when nothing was added (tb must be open).
  int32_t AddCategory(const QString& sDesc, int32_t nType, DATA4* tb);
  int32_t GetCategoryType(int32_t nID, DATA4* tb);
  // Rewrites the entry's text under its lock (tb must be open). False after "Unable to
  // update this item in table <sTableName>! ..." for a row that is gone, or "RECORD
  // LOCKED: Unable to update <sTableName>!" for a row another user holds.
  bool SetCategoryDesc(int32_t nID, const QString& sDesc, DATA4* tb, const QString& sTableName,
                       const QString& sIDField = QStringLiteral("rowid"), const QString& sTextField = QStringLiteral("desc"));
  void RecordNonExistMsg();
  int32_t GetRecCount(const QString& sTablePath, const QString& sTagName);
  int32_t GetRecCountFast(const QString& sTablePath, const QString& sTagName);
  QString GetCategoryDesc(int32_t nID, DATA4* tb, const QString& sTagName = QStringLiteral("rowid"),
                          const QString& sFieldName = QStringLiteral("desc"));

  // The pick lists by their type, for windows (which name no table or field). Each
  // call opens the category table itself ("Unable to open: " box) and reports a
  // failure; the rows are in the order of their texts.
  // The list's entries into the combo box (a blank first with id 0 when bAddBlankItem),
  // selecting nSelectID when above 0. Rows are added without signals and the selection
  // is left as it was (an emptied combo selects nothing, not its blank row), so a record
  // saved with nothing chosen holds -1 for "none"; choosing the blank row stores 0.
  void LoadListCombo(QComboBox& cbo, store::ListType type, bool bClearFirst, bool bAddBlankItem,
                     int32_t nSelectID);
  // The grid's drop-down of the list: "#id;text" items joined by '|', a blank first
  // with id 0; empty after the failure message.
  QString ListComboStr(store::ListType type);
  // The same list as id/text pairs (id 0 a blank first), for GridControl::setColComboMap:
  // descriptions holding '|', ';' or '#' stay whole.
  std::vector<std::pair<int64_t, QString>> ListComboMap(store::ListType type);
  // The list's entries; false after the message (the rows read before an error kept).
  bool ListEntries(store::ListType type, std::vector<store::ListRow>& rows);
  // The list editor's list view, cleared and filled, the selection kept.
  void LoadListView(ctl::ListViewControl& lv, store::ListType type);
  // A new entry of the list; its id, -1 when nothing was added.
  int32_t AddListEntry(const QString& sDesc, store::ListType type);
  // Rewrites the entry's text under its lock (SetCategoryDesc's messages).
  bool SetListEntryText(int32_t nID, const QString& sDesc);
  // Whether a product or transaction refers to the entry (one that cannot be read
  // counts as referring).
  bool ListEntryInUse(int32_t nID, store::ListType type);
  // The entries the products or transactions refer to, read in one pass; false (set
  // empty) when they cannot be read.
  bool ListIdsInUse(store::ListType type, std::unordered_set<int32_t>& ids);
  // Deletes the entry under its lock; true also when it is not there.
  bool DeleteListEntry(int32_t nID);
  // The database's own name for the list (the caption of the field that refers to
  // it); empty where it has none.
  QString ListName(store::ListType type);

  // The stored report definitions in the report chooser's list view, their type icons
  // numbered 1 (inventory) and 2 (transactions) of the list's own image list.
  void LvLoadReports(ctl::ListViewControl& lv, const QString& sSelRptID, bool bClear,
                     bool bUserDefinedOnly);

  // ---- Database parameters, captions and settings (clsDB_params.cpp) ---------------
  // Names are matched whole, trimmed, without regard to case; the first row in tag
  // order wins. The overloads without a handle open and close the table.
  QString GetParamValue(const QString& sid, DATA4* tbParam);
  QString GetParamValue(const QString& sid);
  bool SetParamValue(const QString& sid, const QString& sValue, DATA4* tbParam);
  bool SetParamValue(const QString& sid, const QString& sValue);
  bool DeleteParam(const QString& sid, DATA4* tbParam);
  bool DeleteParam(const QString& sid);
  QString MakeCustomFieldParamName(const QString& sTableFile, const QString& sFieldName) const;
  QString MakeHideFieldParamName(const QString& sTableFile, const QString& sFieldName) const;
  // The database's own name for the field (empty: the built-in caption), and its change.
  QString CustomFieldName(store::CustomField field);
  bool SetCustomFieldName(store::CustomField field, const QString& sName);
  QString PartNoDesc();
  QString LocationDesc();
  QString ProdGroupDesc();
  QString ProdCustom1Desc();
  QString Cust1Desc();
  QString Cust2Desc();
  QString Cust3Desc();
  QString Cust4Desc();
  QString TranCatDesc();
  QString TranAcctDesc();
  bool HideCurrInvColumn(const QString& sFieldName);
  int32_t DecimalsUnits();
  int32_t DecimalsPerUnit();
  int32_t DecimalsAmounts();
  QString DecimalsUnitsFormat();
  QString DecimalsPerUnitFormat();
  QString DecimalsAmountsFormat();
  // The pattern of a figure with `places` decimals, thousands grouped.
  QString NumberFormat(int32_t places) const;
  bool ProdPartNumberFirstGet();
  bool ProdAssignPartNumberGet();
  bool TranCheckInventoryLevelGet();
  bool ProdPartNumberFirstSet(bool bOn);
  bool ProdAssignPartNumberSet(bool bOn);
  bool TranCheckInventoryLevelSet(bool bOn);
  QString InvLevelDesc(int32_t udLevel) const;
  // Copies the parameter templates into a folder that has no parameter table.
  void CheckParamTable(const QString& sDBPath);

  // ---- Transactions, stock figures, products, product summary ----------------------
  // (clsDB_transactions.cpp, clsDB_stats.cpp, clsDB_products.cpp, clsDB_summary.cpp)
  // 1 "On Order", 2 "Receive", 3 "Shrinkage", 4 "Ship", 5 "Allocate", else "Unknown".
  QString GetTranTypeDesc(int32_t udTranType) const;
  // Appends the five types, Allocate before Ship, with their codes as item data.
  void cboTranactionTypes(QComboBox& cbo);
  // udOper 0 add (a new id from the counter, written back into nTranID only once the
  // row was appended), 1 update of nTranID under its lock, 2 delete. False when nothing
  // was written: a failed counter or append, a missing row, a locked row.
  bool SaveTran(int32_t udOper, clsTran& udTran, DATA4* tb_tran);
  bool SaveTran(int32_t udOper, clsTran& udTran) { return SaveTran(udOper, udTran, nullptr); }
  // Adds the transactions as SaveTran adds each in turn, under one hold of the table's
  // append lock, their ids taken from the counter at once and written into nTranID:
  // how many were added, in order. Fewer when one could not be saved (reported as
  // SaveTran reports it; LastSaveFailure says why).
  size_t AddTrans(std::vector<clsTran>& trans, DATA4* tb_tran);
  // The rows of the transactions as AddTrans stores them (their ids not set).
  std::vector<store::TranRow> TranRows(const std::vector<clsTran>& trans) const;
  // Why the last add or update of a transaction or product row (SaveTran,
  // clsProd::SaveProduct) failed: kLocked when another user held the row, the table's
  // append lock or the counter; kNone when it was written.
  store::Failure LastSaveFailure() const { return m_lastSaveFailure; }
  void NoteSave(store::Failure failure) { m_lastSaveFailure = failure; }
  // SaveTran's update of an outstanding row (udFromType On Order or Allocate) into the
  // record, done only while the row still has that type under its lock: a row another
  // user converted or deleted meanwhile gives the message below and false.
  bool ConvertTran(clsTran& udTran, int32_t udFromType);
  static constexpr char kConvertGoneMsg[] =
      "Unable to update transaction! Another user has already changed or deleted it.";
  // Fills the record from row nTranID; false (record untouched) when it is missing or
  // cannot be read. A row that cannot be read is reported here; one that is missing
  // gives RecordNonExistMsg when bSayMissing.
  bool GetTran(int32_t nTranID, clsTran& udTran, bool bSayMissing = false);
  // Appends a copy of udTran with the given type and units, dated sPrevDate when that
  // is a date; the save's result.
  bool CopyTran(const clsTran& udTran, int32_t udType, rt::Currency curUnits, const QString& sPrevDate);
  // Adds the transactions of udProductStats.m_nProductID (tag prodid) onto the record
  // and computes averages and stock values. False after the error report when the
  // table cannot be read or a figure does not fit a currency value.
  bool GetProductStats(clsProductStats& udProductStats, DATA4* tb_tran);
  bool GetProductStats(clsProductStats& udProductStats) { return GetProductStats(udProductStats, nullptr); }
  // The figures of every product that has transactions, in one pass over the table in
  // record order; the same numbers GetProductStats gives a fresh record. A product
  // without transactions has no entry (its figures are all 0). A product whose figures
  // do not fit a currency value has no entry either: it is in `failed` (one error report
  // for all of them), the others are exact. `unitsOnly`: only the unit counts (on order,
  // physical, allocated, available) are worked out, the amounts stay 0. A caller's open
  // table is left in record order. False (both empty) after the error report when the
  // table cannot be read.
  bool GetAllProductStats(std::unordered_map<int32_t, clsProductStats>& stats, std::unordered_set<int32_t>& failed,
                          DATA4* tb_tran, bool unitsOnly = false);
  // The same on the transactions of a report load (`unitsOnly` as below).
  bool GetProductStats(clsProductStats& udProductStats, const store::ReportTables& tables, bool unitsOnly = false);
  bool GetAllProductStats(std::unordered_map<int32_t, clsProductStats>& stats, std::unordered_set<int32_t>& failed,
                          const store::ReportTables& tables, bool unitsOnly = false);
  // Of the entries (new rows, or edits of stored ones, saved in this order), the
  // positions of those that would make their product's stock figures not fit a currency
  // value, counting the product's stored rows and the entries before them (figures
  // already out of range: those that would move them further out). nullopt
  // after the error report when the table cannot be read.
  std::optional<std::vector<size_t>> TranFiguresOverflow(const std::vector<clsTran>& entries, DATA4* tb_tran);
  std::optional<std::vector<size_t>> TranFiguresOverflow(const std::vector<clsTran>& entries) {
    return TranFiguresOverflow(entries, nullptr);
  }
  bool ProductHasATranType(int32_t nProdId, int32_t udTranType, DATA4* tb_tran);
  bool ProductHasATranType(int32_t nProdId, int32_t udTranType) {
    return ProductHasATranType(nProdId, udTranType, nullptr);
  }
  bool ProductHasTransactions(int32_t nProdId);
  // False after the record-gone message when the row does not exist.
  bool TransactionExists(int32_t nTranID);
  // Whether the row of the id is stored (no message but the open failure's box).
  bool TranStored(int32_t nTranID);

  // "name [part]", or "part [name]" when bPartNoFirst.
  QString MakeProductName2(const QString& sName, const QString& sPartNo, bool bPartNoFirst) const;
  QString MakeProductName(const QString& sName, const QString& sPartNo);
  bool GetProductName(int32_t nProdId, QString& sName, QString& sPartNo, DATA4* tb_prod);
  bool GetProductName(int32_t nProdId, QString& sName, QString& sPartNo) {
    return GetProductName(nProdId, sName, sPartNo, nullptr);
  }
  QString GetProductName2(int32_t nProdId);
  // The visible products, by part number or name as the database orders them.
  void cboProducts(QComboBox& cbo);
  // Row id of the product whose whole part number matches (hidden ones too); -1.
  int32_t LookUpByPartNo(const QString& sPartNo, DATA4* tb_prod);
  int32_t LookUpByPartNo(const QString& sPartNo) { return LookUpByPartNo(sPartNo, nullptr); }
  // True when a product other than nThisProdID has the part number (whole, any case).
  bool ProductPNExists(const QString& sPartNo, int32_t nThisProdID, DATA4* tb_prod);
  bool ProductPNExists(const QString& sPartNo, int32_t nThisProdID) {
    return ProductPNExists(sPartNo, nThisProdID, nullptr);
  }
  // Standard cost (udAmtType 1) or price (2); 0 otherwise or when not found.
  rt::Currency ProductStdUnitAmt(int32_t nProdId, int32_t udAmtType, DATA4* tb_prod);
  rt::Currency ProductStdUnitAmt(int32_t nProdId, int32_t udAmtType) {
    return ProductStdUnitAmt(nProdId, udAmtType, nullptr);
  }
  bool ProductExists(int32_t nProdId);
  // Whether the row of the id is stored (no message but the open failure's box).
  bool ProductStored(int32_t nProdId);
  bool HideProduct(int32_t nProdId, DATA4* tb_prod);
  bool DeleteProduct(int32_t nProdId);
  // Deletes every transaction of the product. A row another user holds: after the
  // engine's attempts a Retry/Cancel box, at most kDeleteTranAttempts times; then
  // (or on Cancel) false with the row left.
  bool DeleteProductTransactions(int32_t nProdId);
  static constexpr int kDeleteTranAttempts = 5;
  // The visible products whose part number (nSearchType 1) or name begins with the
  // search text (trimmed, any case), keys "N" & id; an empty text lists nothing.
  void LookupProducts(ctl::ListViewControl& lv, int32_t nSearchType, const QString& sSearch, DATA4* tb_prod);
  // Every product, hidden ones included, in part-number order when part numbers come
  // first, else in name order. False after the "Unable to open: " box or the error
  // report (rows read before an error kept).
  bool LoadProductGrid(std::vector<store::ProductGridRow>& rows);
  // The "PRODUCT SUMMARY" text of the product in the message window. Each figure is
  // labelled with the heading of the catalogue column that shows it in the inventory
  // views (invcol::); a column missing from the catalogue gives a blank label.
  void ShowProductSummary(int32_t nProdId);
  // ---- end of transactions, stock figures, products, product summary ----------------

  // Records an engine return code as the last engine result.
  void SetLastEngineResult(int rc);

  // ---- Check and upgrade (clsDB_upgrade*.cpp), maintenance (clsDB_maint.cpp) -------
  // Each step works on the folder passed in (also DBPath); a step that rewrites tables
  // holds the session lock exclusively and builds its new files beside the old ones
  // before renaming them into place, so a failed or interrupted step leaves the old
  // files usable and the step can run again.
  QString UpgradeMsg(const QString& sDBPath) const;
  QString UpgradeCompleteMsg(const QString& sDBPath) const;
  bool Upgrade2v5(const QString& sDBPath);
  bool Upgrade2v6(const QString& sDBPath);
  bool TableOpenCloseTest(const QString& sTablePath);
  void DeleteLastIdTable();
  bool UpgCopyLastIDs_PreDB30(const QString& sDBPath);
  bool UpgCopyProducts_PreDB30(const QString& sDBPath);
  bool UpgCopyTran_PreDB30(const QString& sDBPath);
  bool UpgradeSVLTran3_4(const QString& sDBPath);
  // Rebuilds the record's index from its template into a temporary file renamed over
  // the old index, after copying the old index aside (its name and a tick count); only
  // while no other copy has the database open. False (the old index kept) on any
  // failure; `refused` tells that another copy holds the database (the message said so).
  // The table is opened under a second name (hard links, or a copy where the file
  // system refuses links) in deny-write mode; the rebuild also repairs the table's
  // record count, and every number field a writer left with a decimal comma in its
  // point's place gets the point (their count in `corrected`). The window is frmDBMaint.
  bool ReIndexFile(const clsDBFile& file, bool* refused = nullptr, long* corrected = nullptr);

 private:
  // (section: upgrade)
  bool UpgradeOldestLayout(const QString& sDBPath);
  bool StageOldestLayout(const QString& sDBPath, const QString& sStaging);
  bool HoldExclusive(const QString& sLockPath, const QString& sDBPath);
  // The steps on the folder of a session: the database's own (the members above) or
  // the upgrade's staging folder, with the same messages and error reports.
  bool WriteBuiltInReports(const store::Session& at);
  QString GetParamValueIn(const store::Session& at, const QString& sid, DATA4* tbParam);
  bool SetParamValueIn(const store::Session& at, const QString& sid, const QString& sValue, DATA4* tbParam);
  bool SetDBVerIn(const store::Session& at, int32_t nVersion);
  void DeleteLastIdTableIn(const store::Session& at);
  bool UpgCopyLastIDsIn(const store::Session& at, const QString& sDBPath);
  bool UpgCopyProductsIn(const store::Session& at, const QString& sDBPath);
  bool UpgCopyTranIn(const store::Session& at, const QString& sDBPath);
  // (end of check and upgrade, maintenance)

 private:
  // (section: open)
  void ReleaseEngine();
  QString DataPath(const char* file) const;
  QString ProgramPath(const char* file) const;
  // (section: params)
  QString Caption(store::CustomField field, const char* defaultCaption);
  int32_t Decimals(const char* name);

  // (section: batch)
  void EndBatch();
  // The batch's handle of the counters table; null outside a batch.
  DATA4* BatchCounters();
  // The stored form of a transaction date, the last one remembered during a batch.
  QString StoredTranDate(const QString& sDate) const;
  struct BatchState {
    int depth = 0;
    bool countersOpened = false;
    store::Table counters;  // not ok: did not open
    store::CounterRows counterRows;  // rows found on counters
    std::unordered_map<std::string, QString> paths;
    QString lastDate, lastStoredDate;
  };
  mutable BatchState m_batch;

  bool m_bIsOpen = false;
  QString m_sDBPath;
  int32_t m_nDBVersion = 1;
  mutable store::Engine m_engine;
  store::Failure m_lastSaveFailure = store::Failure::kNone;
};

// The one database object, created on first use.
clsDB& gDB();
