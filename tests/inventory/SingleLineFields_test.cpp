// Line breaks pasted into the single-line fields of the product and transaction
// windows never reach a field's text.

#include <QApplication>
#include <QClipboard>
#include <QDialog>
#include <QLineEdit>
#include <functional>
#include <memory>

#include "inventory/frmBatchTran.h"
#include "inventory/frmInvAddUpateDel.h"
#include "inventory/frmLookupByPartNo.h"
#include "inventory/frmLookupProduct.h"
#include "inventory/frmProduct.h"
#include "inventory/frmScanNewTran.h"
#include "platform/ui/SingleLine.h"
#include "tests/inventory/ProdTestSupport.h"

namespace {

class SingleLineFieldsTest : public prodtest::ProdTest {};

TEST_F(SingleLineFieldsTest, NoFieldOfAnyWindowTakesAPastedLineBreak) {
  const int32_t id = AddProduct(QStringLiteral("Washer"), QStringLiteral("W-1"));
  const std::pair<const char*, std::function<std::unique_ptr<QDialog>()>> windows[] = {
      {"frmProduct",
       [id] {
         auto w = std::make_unique<frmProduct>();
         clsProd p;
         p.nProdId = id;
         EXPECT_TRUE(w->Init(p));
         return w;
       }},
      {"frmInvAddUpateDel",
       [id] {
         auto w = std::make_unique<frmInvAddUpateDel>();
         clsTran t;
         t.nProdId = id;
         t.udTranType = 2;
         w->Init(0, t, -1);
         return w;
       }},
      {"frmBatchTran", [] { return std::make_unique<frmBatchTran>(); }},
      {"frmScanNewTran", [] { return std::make_unique<frmScanNewTran>(); }},
      {"frmLookupByPartNo", [] { return std::make_unique<frmLookupByPartNo>(); }},
      {"frmLookupProduct", [] { return std::make_unique<frmLookupProduct>(); }},
  };
  QApplication::clipboard()->setText(QStringLiteral("two\r\nlines\n"));
  for (const auto& [name, make] : windows) {
    const std::unique_ptr<QDialog> window = make();
    window->show();
    const QList<QLineEdit*> fields = window->findChildren<QLineEdit*>();
    EXPECT_FALSE(fields.isEmpty()) << name;
    for (QLineEdit* field : fields) {
      // Number fields keep a rule of their own.
      if (field->validator() != nullptr && dynamic_cast<const ui::SingleLineValidator*>(field->validator()) == nullptr)
        continue;
      field->selectAll();
      field->paste();
      EXPECT_FALSE(field->text().contains(QLatin1Char('\n')) || field->text().contains(QLatin1Char('\r')))
          << name << " " << field->objectName().toStdString();
    }
    window->hide();
  }
}

}  // namespace
