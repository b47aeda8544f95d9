#include "database/DbAccess.h"

#include <QVariant>

#include "database/clsDB.h"
#include "database/store/Fields.h"
#include "database/store/Seek.h"
#include "platform/runtime/Codepage.h"
#include "platform/runtime/Convert.h"
#include "platform/runtime/Error.h"
#include "platform/ui/Prompt.h"
#include "platform/xbase/Engine.h"
#include "services/TrappedSlot.h"
#include "services/clsSystem.h"

namespace dbaccess {

store::Table UseTable(DATA4* open, const QString& path, clsDB& db) {
  return open != nullptr ? store::Table::Borrow(open) : db.OpenTable(path);
}

int Check(clsDB& db, int rc, const char* call) { return store::Check(db.EngineState(), rc, call); }

void SelectTag(clsDB& db, DATA4* tb, const QString& name) {
  store::SelectTag(db.Session(), tb, rt::ToCp1252(name).c_str());
}

FIELD4* Field(DATA4* tb, const QString& name) { return store::FieldOf(tb, rt::ToCp1252(name).c_str()); }

int32_t Long32(FIELD4* f) { return store::Long32(f); }

void ReportTrapped(const char* label) { ::ReportTrapped(QLatin1String(label)); }

void Report(const store::Status& status, const char* label, const QString& lockedMessage) {
  switch (status.failure) {
    case store::Failure::kNotOpened:
      ui::MsgBox(QStringLiteral("Unable to open: ") + status.description, ui::vbCritical);
      break;
    case store::Failure::kLocked:
      if (!lockedMessage.isEmpty()) ui::MsgBox(lockedMessage, ui::vbCritical);
      break;
    case store::Failure::kError:
      status.MakePending();
      gSystem().ShowError(QLatin1String(label));
      break;
    case store::Failure::kNone:
    case store::Failure::kNotFound:
    case store::Failure::kNotStored:
    case store::Failure::kChanged:
      break;
  }
}

bool OverwriteOtherChange(const QString& noun, const QString& name) {
  const QString text = QStringLiteral("Another user has changed this ") + noun + QStringLiteral(" (") + name +
                       QStringLiteral(") since you opened it.\n\nYes: save your entries over the other user's "
                                      "changes.\nNo: discard your entries and show the ") +
                       noun + QStringLiteral(" as it is stored now.");
  return ui::MsgBox(text, ui::vbYesNo | ui::vbExclamation | ui::vbDefaultButton2) == ui::vbYes;
}

QString NextIdLockedText() { return QStringLiteral("RECORD LOCKED: Unable to get next id (locked)!"); }

QString ParamLockedText() { return QStringLiteral("RECORD LOCKED: Unable to update parameter table!"); }

QString Upper(const QString& text) { return store::Upper(text); }

std::string WholeKey(const QString& key, bool upper) { return store::WholeKey(key, upper); }

std::optional<double> NumericKey(const QVariant& key) {
  switch (key.typeId()) {
    case QMetaType::Int:
    case QMetaType::UInt:
    case QMetaType::LongLong:
    case QMetaType::ULongLong:
    case QMetaType::Long:
    case QMetaType::Short:
    case QMetaType::Double:
    case QMetaType::Float: return key.toDouble();
    default: break;
  }
  return rt::ParseStored(key.toString());
}

QString FileIn(const QString& folder, const QString& file) {
  const QString path = gSystem().MakePath(folder, file);
  const QString found = gSystem().ResolvePathCase(path);
  return found.isEmpty() ? path : found;
}

}  // namespace dbaccess
