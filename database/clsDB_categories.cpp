// clsDB: the category lists (svlcat), the list loaders, generic record look-ups,
// deleting a row under its lock, row counts.

#include <QComboBox>
#include <QCoreApplication>
#include <QSignalBlocker>
#include <optional>
#include <vector>

#include "database/DbAccess.h"
#include "database/Module1.h"
#include "database/clsDB.h"
#include "database/clsRptDef.h"
#include "database/store/Categories.h"
#include "database/store/Lists.h"
#include "database/store/Records.h"
#include "platform/controls/ListViewControl.h"
#include "platform/runtime/Codepage.h"
#include "platform/runtime/Error.h"
#include "platform/ui/Prompt.h"
#include "platform/ui/WaitCursor.h"
#include "platform/xbase/Engine.h"
#include "services/clsSystem.h"

using dbaccess::Field;

namespace {

const QString kRowId = QStringLiteral("rowid");
const QString kType = QStringLiteral("type");
const QString kDesc = QStringLiteral("desc");

// The field of the products or transactions that refers to a list's entries, and the
// renamable field whose name is the list's own (none for manufacturers and vendors).
struct ListUse {
  bool products;
  const char* field;
  std::optional<store::CustomField> name;
};

ListUse UseOf(store::ListType type) {
  using store::CustomField;
  using store::ListType;
  switch (type) {
    case ListType::kProductGroup: return {true, "groupid", CustomField::kGroup};
    case ListType::kLocation: return {true, "location", CustomField::kLocation};
    case ListType::kManufacturer: return {true, "manuf", std::nullopt};
    case ListType::kVendor: return {true, "vendor", std::nullopt};
    case ListType::kTranCategory: return {false, "catid", CustomField::kTranCategory};
    case ListType::kTranAccount: return {false, "shipmethod", CustomField::kTranAccount};
  }
  return {true, "", std::nullopt};
}

// The list view stops redrawing for the scope (and the hourglass shows).
class FrozenView {
 public:
  explicit FrozenView(QWidget& w) : w_(w), wasEnabled_(w.updatesEnabled()) { w_.setUpdatesEnabled(false); }
  ~FrozenView() { w_.setUpdatesEnabled(wasEnabled_); }
  FrozenView(const FrozenView&) = delete;
  FrozenView& operator=(const FrozenView&) = delete;

 private:
  QWidget& w_;
  bool wasEnabled_;
  ui::ScopedHourglass wait_;
};

}  // namespace

// The fillers below show rows a store reads; the rows read before a failure are shown
// too, then the failure is reported.

void clsDB::LoadLV(ctl::ListViewControl& lv, const QString& sTablePath, const QString& sIDField,
                   const QString& sTextField, int32_t nListType, bool bClearFirst) {
  // Reported once the list redraws again and the hourglass is gone.
  const store::Status status = [&]() -> store::Status {
    try {
      const QString selectedKey = gSystem().LvGetSelectedItemKey(lv);
      FrozenView frozen(lv);
      if (!m_bIsOpen) return {};
      store::Table tb = OpenTable(sTablePath);
      if (!tb.ok()) return {};
      std::vector<store::ListRow> rows;
      const store::Status read = store::ReadList(Session(), tb.get(), sTablePath, sIDField, sTextField,
                                                 nListType >= 1 ? kType : QString(), nListType, rows);
      if (bClearFirst && (read.ok() || !rows.empty())) lv.ListItems().Clear();
      for (const store::ListRow& row : rows) {
        lv.ListItems().Add(0, QStringLiteral("N%1").arg(row.id), row.text);
        QCoreApplication::processEvents();
      }
      if (!read.ok()) return read;
      tb.Close();
      if (!selectedKey.isEmpty()) gSystem().LvSelectItem(lv, selectedKey);
      ctl::ListItem* item = nullptr;
      if (gSystem().LvGetSelectedItem(item, lv) && item != nullptr) item->EnsureVisible();
      return {};
    } catch (...) {
      return store::Status::FromException();
    }
  }();
  dbaccess::Report(status, "clsDB_LoadLV");
}

bool clsDB::IdsInUse(const QString& sTablePath, const QString& sField, std::unordered_set<int32_t>& ids) {
  ids.clear();
  if (sTablePath.isEmpty()) return true;
  const store::Table tb = OpenTable(sTablePath);
  if (!tb.ok()) return false;
  const store::Session session = Session();
  store::Result<std::unordered_set<int32_t>> values =
      store::Records(session).Values(tb.get(), rt::ToCp1252(sField).c_str());
  dbaccess::Report(values.status, "clsDB_CanDeleteItem");
  if (!values.ok()) return false;
  ids = std::move(values.value);
  return true;
}

bool clsDB::CanDeleteItem(int32_t nID, const QString& sTablePath, const QString& sField) {
  if (sTablePath.isEmpty()) return true;
  const store::Table tb = OpenTable(sTablePath);
  if (!tb.ok()) return false;
  const store::Session session = Session();
  // A reference that cannot be read keeps the item.
  const store::Result<bool> refers = store::Records(session).Refers(tb.get(), rt::ToCp1252(sField).c_str(), nID);
  dbaccess::Report(refers.status, "clsDB_CanDeleteItem");
  return refers.ok() && !refers.value;
}

bool clsDB::DeleteRecord(int32_t nID, const QString& sTablePath, DATA4* tb, const QString& sTagName) {
  const store::Table table = dbaccess::UseTable(tb, sTablePath, *this);
  if (!table.ok()) return false;
  const store::Session session = Session();
  const store::Status status = store::Records(session).Delete(table.get(), rt::ToCp1252(sTagName).c_str(), nID);
  dbaccess::Report(status, "clsDB_DeleteItem",
                   QStringLiteral("RECORD LOCKED: Unable to Delete from ") + sTablePath + QStringLiteral("(id=%1) !").arg(nID));
  return status.ok();
}

bool clsDB::GetBoolValueFromStr(const QString& sVal) {
  if (sVal.compare(QLatin1String("True"), Qt::CaseInsensitive) == 0) return true;
  if (sVal.compare(QLatin1String("False"), Qt::CaseInsensitive) == 0) return false;
  ui::MsgBox(QStringLiteral("Invalid boolean value passed to clsDB_AssingValue"), ui::vbExclamation);
  return false;
}

int32_t clsDB::CategoryIDGet(const QString& sDesc, int32_t nType, DATA4* tb) {
  try {
    // The handle must be open: a missing one fails as a field look-up on it does.
    if (tb == nullptr) Field(tb, kType);
  } catch (...) {
    dbaccess::ReportTrapped("clsDB_CategoryIDGet");
    return -1;
  }
  const store::Session session = Session();
  const store::Result<int32_t> id = store::Categories(session).FindId(sDesc, static_cast<store::ListType>(nType), tb);
  dbaccess::Report(id.status, "clsDB_CategoryIDGet");
  return id.ok() ? id.value : -1;
}

int32_t clsDB::CategoryIDLookupOrAdd(QString& sDesc, int32_t nType, DATA4* tb) {
  sDesc = sDesc.trimmed();
  if (sDesc.isEmpty()) return -1;
  const store::Table table = dbaccess::UseTable(tb, CategoryTable(), *this);
  if (!table.ok()) return -1;
  DATA4* open = table.get();
  const int32_t id = CategoryIDGet(sDesc, nType, open);
  return id >= 1 ? id : AddCategory(sDesc, nType, open);
}

int32_t clsDB::CategoryIDLookup_Original(QString& sDesc, int32_t nType, DATA4* tb) {
  // The same look-up as CategoryIDLookupOrAdd: the first row of the text may belong to
  // another list, so taking only that row would add the entry a second time.
  sDesc = sDesc.trimmed();
  if (sDesc.isEmpty()) return 0;
  return CategoryIDLookupOrAdd(sDesc, nType, tb);
}

int32_t clsDB::RecordExists(int32_t nKeyKind, const QVariant& vKey, const QString& sTablePath,
                            const QString& sTagName, const QString& sResultField, DATA4* tb) {
  const store::Table table = dbaccess::UseTable(tb, sTablePath, *this);
  if (!table.ok()) return -1;
  const store::Session session = Session();
  const store::Records records(session);
  const std::string tag = rt::ToCp1252(sTagName);
  const std::string field = rt::ToCp1252(sResultField);
  const store::Result<int32_t> found =
      nKeyKind == store::Code(store::KeyKind::kNumber)
          ? records.Find(table.get(), tag.c_str(), dbaccess::NumericKey(vKey).value_or(-1), field.c_str())
          : records.Find(table.get(), tag.c_str(), vKey.toString(), field.c_str());
  dbaccess::Report(found.status, "clsDB_RecordExists");
  return found.ok() ? found.value : -1;
}

bool clsDB::RecordExistsNoTag(int32_t nKeyKind, const QVariant& vKey, const QString& sField,
                              const QString& sTablePath, DATA4* tb) {
  const store::Table table = dbaccess::UseTable(tb, sTablePath, *this);
  if (!table.ok()) return false;
  const store::Session session = Session();
  const store::Records records(session);
  const std::string field = rt::ToCp1252(sField);
  const store::Result<bool> held = nKeyKind == store::Code(store::KeyKind::kNumber)
                                       ? records.Holds(table.get(), field.c_str(), dbaccess::NumericKey(vKey))
                                       : records.Holds(table.get(), field.c_str(), vKey.toString());
  dbaccess::Report(held.status, "clsDB_RecordExistsNoTag");
  return held.ok() && held.value;
}

int32_t clsDB::AddCategory(const QString& sDesc, int32_t nType, DATA4* tb) {
  if (sDesc.isEmpty() || tb == nullptr) return -1;
  const int32_t id = GetNextID(QLatin1String(store::Categories::kCounter), true, store::Categories::kFirstId);
  if (id <= 0) return -1;
  const store::Session session = Session();
  const store::Status status = store::Categories(session).Add(sDesc, static_cast<store::ListType>(nType), id, tb);
  // An append that did not happen adds nothing, whatever the counter gave.
  dbaccess::Report(status, "clsDB_AddCategory");
  return status.ok() ? id : -1;
}

bool clsDB::SetCategoryDesc(int32_t nID, const QString& sDesc, DATA4* tb, const QString& sTableName,
                            const QString& sIDField, const QString& sTextField) {
  if (tb == nullptr) return false;
  const store::Session session = Session();
  const store::Status status = store::Categories(session).SetText(nID, sDesc, tb, sIDField, sTextField);
  if (status.is(store::Failure::kNotFound)) {
    ui::MsgBox(QStringLiteral("Unable to update this item in table ") + sTableName +
                   QStringLiteral("! It may have been deleted by another user. Press Refresh to get the latest list."),
               ui::vbCritical);
    return false;
  }
  dbaccess::Report(status, "frmEditCategories_AddUpdateItem",
                   QStringLiteral("RECORD LOCKED: Unable to update ") + sTableName + QStringLiteral("!"));
  return status.ok();
}

int32_t clsDB::GetCategoryType(int32_t nID, DATA4* tb) {
  const store::Table table = dbaccess::UseTable(tb, CategoryTable(), *this);
  if (!table.ok()) return -1;
  const store::Session session = Session();
  const store::Result<store::ListType> type = store::Categories(session).TypeOf(nID, table.get());
  dbaccess::Report(type.status, "clsDB_GetCategoryType");
  return type.ok() ? store::Code(type.value) : -1;
}

QString clsDB::GetCategoryDesc(int32_t nID, DATA4* tb, const QString& sTagName, const QString& sFieldName) {
  const store::Table table = dbaccess::UseTable(tb, CategoryTable(), *this);
  if (!table.ok()) return {};
  const store::Session session = Session();
  const store::Result<QString> text = store::Categories(session).Text(nID, table.get(), sTagName, sFieldName);
  dbaccess::Report(text.status, "clsDB_GetCategoryDesc");
  return text.value;
}

void clsDB::LoadListCombo(QComboBox& cbo, store::ListType type, bool bClearFirst, bool bAddBlankItem,
                          int32_t nSelectID) {
  store::Status status;
  {
    const store::Table tb = OpenTable(CategoryTable());
    if (!tb.ok()) return;
    ui::ScopedHourglass wait;
    if (bClearFirst) cbo.clear();
    {
      // Adding rows selects nothing (an empty combo box would select its first row by
      // itself, and a blank first row would read as id 0 instead of -1 for none).
      const QSignalBlocker quiet(cbo);
      const int selected = cbo.currentIndex();
      if (bAddBlankItem) cbo.addItem(QString(), 0);
      std::vector<store::ListRow> rows;
      status = store::ReadList(Session(), tb.get(), CategoryTable(), kRowId, kDesc, kType, store::Code(type), rows);
      for (const store::ListRow& row : rows) cbo.addItem(row.text, row.id);
      cbo.setCurrentIndex(selected);
    }
    if (status.ok() && nSelectID > 0) gSystem().cboSelectAtID(cbo, nSelectID);
  }
  dbaccess::Report(status, "clsDB_LoadCbo");
}

QString clsDB::ListComboStr(store::ListType type) {
  QString list;
  for (const auto& [id, text] : ListComboMap(type)) list += QStringLiteral("#%1;").arg(id) + text + QStringLiteral("|");
  list.chop(1);
  return list;
}

std::vector<std::pair<int64_t, QString>> clsDB::ListComboMap(store::ListType type) {
  if (!m_bIsOpen) return {};
  store::Table tb = OpenTable(CategoryTable());
  if (!tb.ok()) return {};
  std::vector<store::ListRow> rows;
  const store::Status status =
      store::ReadList(Session(), tb.get(), CategoryTable(), kRowId, kDesc, kType, store::Code(type), rows);
  if (!status.ok()) {
    tb.Close();
    dbaccess::Report(status, "clsDB_LoadGridCboStr");
    return {};
  }
  std::vector<std::pair<int64_t, QString>> list;
  list.reserve(rows.size() + 1);
  list.emplace_back(0, QStringLiteral(" "));
  for (store::ListRow& row : rows) list.emplace_back(row.id, std::move(row.text));
  return list;
}

bool clsDB::ListEntries(store::ListType type, std::vector<store::ListRow>& rows) {
  rows.clear();
  const store::Table tb = OpenTable(CategoryTable());
  if (!tb.ok()) return false;
  const store::Status status =
      store::ReadList(Session(), tb.get(), CategoryTable(), kRowId, kDesc, kType, store::Code(type), rows);
  dbaccess::Report(status, "clsDB_ListEntries");
  return status.ok();
}

void clsDB::LoadListView(ctl::ListViewControl& lv, store::ListType type) {
  LoadLV(lv, CategoryTable(), kRowId, kDesc, store::Code(type), true);
}

// The editor's writes: the table is unlocked again when a write throws.
int32_t clsDB::AddListEntry(const QString& sDesc, store::ListType type) {
  if (sDesc.isEmpty()) return -1;
  const store::Table table = OpenTable(CategoryTable());
  if (!table.ok()) return -1;
  DATA4* tb = table.get();
  return store::UnlockedOnError(tb, [&] { return AddCategory(sDesc, store::Code(type), tb); });
}

bool clsDB::SetListEntryText(int32_t nID, const QString& sDesc) {
  if (sDesc.isEmpty()) return false;
  const store::Table table = OpenTable(CategoryTable());
  if (!table.ok()) return false;
  DATA4* tb = table.get();
  return store::UnlockedOnError(
      tb, [&] { return SetCategoryDesc(nID, sDesc, tb, QLatin1String(store::Categories::kFile)); });
}

bool clsDB::ListEntryInUse(int32_t nID, store::ListType type) {
  const ListUse use = UseOf(type);
  return !CanDeleteItem(nID, use.products ? ProductsTable() : TranTable(), QLatin1String(use.field));
}

bool clsDB::ListIdsInUse(store::ListType type, std::unordered_set<int32_t>& ids) {
  const ListUse use = UseOf(type);
  return IdsInUse(use.products ? ProductsTable() : TranTable(), QLatin1String(use.field), ids);
}

bool clsDB::DeleteListEntry(int32_t nID) { return DeleteRecord(nID, CategoryTable(), nullptr, kRowId); }

QString clsDB::ListName(store::ListType type) {
  const ListUse use = UseOf(type);
  return use.name ? CustomFieldName(*use.name) : QString();
}

void clsDB::RecordNonExistMsg() {
  gSystem().ShowMsg(
      QStringLiteral("Record no longer exists or is inaccessible! Another user may have deleted this record."), 3,
      -1);
}

int32_t clsDB::GetRecCount(const QString& sTablePath, const QString& sTagName) {
  const store::Table tb = OpenTable(sTablePath);
  if (!tb.ok()) return -1;
  const store::Session session = Session();
  const store::Result<int32_t> n = store::Records(session).Count(tb.get(), rt::ToCp1252(sTagName).c_str(),
                                                                 [] { QCoreApplication::processEvents(); });
  dbaccess::Report(n.status, "clsDB_GetRecCount");
  return n.ok() ? n.value : -1;
}

int32_t clsDB::GetRecCountFast(const QString& sTablePath, const QString& sTagName) {
  const store::Table tb = OpenTable(sTablePath);
  if (!tb.ok()) return -1;
  const store::Session session = Session();
  const store::Result<int32_t> n = store::Records(session).CountFast(tb.get(), rt::ToCp1252(sTagName).c_str());
  dbaccess::Report(n.status, "clsDB_GetRecCountFast");
  return n.ok() ? n.value : -1;
}

void clsDB::LvLoadReports(ctl::ListViewControl& lv, const QString& sSelRptID, bool bClear,
                          bool bUserDefinedOnly) {
  // Reported once the hourglass is gone.
  const store::Status status = [&]() -> store::Status {
    try {
      const QString selectKey = sSelRptID.isEmpty() ? gSystem().LvGetSelectedItemKey(lv) : sSelRptID;
      if (bClear) lv.ListItems().Clear();
      ui::ScopedHourglass wait;
      // Sorting is switched on again on every way out, also when the table cannot be read.
      struct SortAgain {
        ctl::ListViewControl& lv;
        ~SortAgain() {
          if (!lv.Sorted()) lv.SetSorted(true);
        }
      } sortAgain{lv};
      lv.SetSorted(false);
      std::vector<store::ReportDefRow> rows;
      store::Status read;
      {
        const store::Table tb = OpenTable(ParamTable());
        if (!tb.ok()) return {};
        read = store::ReadReportDefs(Session(), tb.get(), bUserDefinedOnly, rows);
      }
      clsRptDef rpt;
      for (const store::ReportDefRow& row : rows) {
        if (!rpt.InitFromBuf(row.buffer, row.id)) continue;
        QString title = rpt.RptName();
        if (row.id == 101) title += QStringLiteral(" [default transactions report]");
        if (row.id == 102) title += QStringLiteral(" [default inventory detail report]");
        if (row.id == 106) title += QStringLiteral(" [default quick inventory report]");
        ctl::ListItem& item = lv.ListItems().Add(0, QStringLiteral("N%1").arg(rpt.RptID()), title);
        item.SetSubItems(1, rpt.RptTypeDesc());
        item.SetSmallIcon(rpt.RptType() == store::Code(store::ReportType::kInventory) ? 1 : 2);
      }
      if (!read.ok()) return read;
      lv.SetSorted(true);
      if (!selectKey.isEmpty()) {
        gSystem().LvSelectItem(lv, selectKey);
      } else {
        gSystem().LvSelectFirstItem(lv);
      }
      return {};
    } catch (...) {
      return store::Status::FromException();
    }
  }();
  dbaccess::Report(status, "clsDB_LvLoadReports");
}
