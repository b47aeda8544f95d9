#pragma once
// Shared fixture of the report window tests: the database fixture (scripted prompts and
// dialogs, a new database) with a recording main window installed.

#include <QComboBox>
#include <QListWidget>
#include <QPalette>

#include "database/store/Codes.h"
#include "services/FakeMainWindowHub.h"
#include "services/clsSystem.h"
#include "tests/database/DbTestSupport.h"

namespace rpttest {

class ReportsTest : public dbtest::DbTest {
 protected:
  void SetUp() override {
    DbTest::SetUp();
    OpenNewDatabase();
  }
  ScopedFakeMainWindowHub hub;
};

// The texts of a list box, top to bottom.
inline QStringList Texts(const QListWidget& list) {
  QStringList texts;
  for (int i = 0; i < list.count(); ++i) texts << list.item(i)->text();
  return texts;
}

// The item data (ids) of a list box, top to bottom.
inline QList<int> Ids(const QListWidget& list) {
  QList<int> ids;
  for (int i = 0; i < list.count(); ++i) ids << list.item(i)->data(Qt::UserRole).toInt();
  return ids;
}

// Whether a criteria list is drawn in the narrowed colour.
inline bool IsRed(const QComboBox& cbo) {
  return cbo.palette().color(QPalette::ButtonText) == QColor(255, 0, 0);
}

// Adds an entry to a category list; its id.
inline int32_t AddCategory(const QString& desc, store::ListType type) {
  DATA4* tb = gDB().OpenTable(gDB().CategoryTable());
  const int32_t id = gDB().AddCategory(desc, store::Code(type), tb);
  d4close(tb);
  return id;
}

}  // namespace rpttest
