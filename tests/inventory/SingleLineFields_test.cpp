#include <QApplication>
#include <QClipboard>
#include <QDialog>
#include <QLabel>
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

// No field takes a pasted line break; each window of fields has a fixed size (no resize
// handle below its buttons) and shows its whole heading.
TEST_F(SingleLineFieldsTest, FieldsTakeNoLineBreakAndWindowsCannotBeResized) {
  const int32_t id = AddProduct(QString(40, QLatin1Char('W')) + QStringLiteral("X"), QStringLiteral("W-1"));
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
    EXPECT_EQ(window->minimumSize(), window->maximumSize()) << name;
    for (const QLabel* label : window->findChildren<QLabel*>(QStringLiteral("lblHeading")))
      EXPECT_GE(label->width(), label->sizeHint().width()) << name;
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
