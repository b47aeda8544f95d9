#include "platform/ui/ModalRunner.h"

#include <gmock/gmock.h>
#include <gtest/gtest.h>

#include <QCheckBox>
#include <QComboBox>
#include <QDialog>
#include <QLineEdit>
#include <QPushButton>
#include <QVBoxLayout>

#include "platform/ui/testing/TestPrompts.h"

namespace {

using ::testing::ElementsAre;
using ::testing::IsEmpty;
using ui::test::ScopedFakeModalRunner;

// A small dialog in the program's pattern: named controls, OK validates and accepts.
class NameDialog : public QDialog {
 public:
  NameDialog() {
    setObjectName(QStringLiteral("frmName"));
    auto* layout = new QVBoxLayout(this);
    txtName = new QLineEdit(this);
    txtName->setObjectName(QStringLiteral("txtName"));
    ckActive = new QCheckBox(this);
    ckActive->setObjectName(QStringLiteral("ckActive"));
    cboKind = new QComboBox(this);
    cboKind->setObjectName(QStringLiteral("cboKind"));
    cboKind->addItems({QStringLiteral("Vendor"), QStringLiteral("Location")});
    auto* ok = new QPushButton(QStringLiteral("OK"), this);
    ok->setObjectName(QStringLiteral("cmdOK"));
    for (QWidget* w : {static_cast<QWidget*>(txtName), static_cast<QWidget*>(ckActive),
                       static_cast<QWidget*>(cboKind), static_cast<QWidget*>(ok)}) {
      layout->addWidget(w);
    }
    connect(ok, &QPushButton::clicked, this, [this] {
      if (!txtName->text().isEmpty()) accept();
    });
  }
  QLineEdit* txtName;
  QCheckBox* ckActive;
  QComboBox* cboKind;
};

TEST(FakeModalRunner, ScriptWorksTheNamedControls) {
  ScopedFakeModalRunner runner;
  runner->Then(QStringLiteral("frmName"), [](QDialog& dlg) {
    EXPECT_TRUE(dlg.isVisible());
    EXPECT_TRUE(ui::test::SetText(dlg, QStringLiteral("txtName"), QStringLiteral("Acme")));
    EXPECT_TRUE(ui::test::SetChecked(dlg, QStringLiteral("ckActive"), true));
    EXPECT_TRUE(ui::test::SetText(dlg, QStringLiteral("cboKind"), QStringLiteral("Location")));
    EXPECT_FALSE(ui::test::SetText(dlg, QStringLiteral("cboKind"), QStringLiteral("Nowhere")));
    EXPECT_FALSE(ui::test::Click(dlg, QStringLiteral("cmdMissing")));
    EXPECT_EQ(ui::test::TextOf(dlg, QStringLiteral("cmdOK")), QStringLiteral("OK"));
    EXPECT_TRUE(ui::test::Click(dlg, QStringLiteral("cmdOK")));
  });
  NameDialog dlg;
  EXPECT_EQ(ui::RunModal(dlg), QDialog::Accepted);
  EXPECT_FALSE(dlg.isVisible());
  EXPECT_EQ(dlg.txtName->text(), QStringLiteral("Acme"));
  EXPECT_TRUE(dlg.ckActive->isChecked());
  EXPECT_EQ(dlg.cboKind->currentText(), QStringLiteral("Location"));
  EXPECT_THAT(runner->Ran(), ElementsAre(QStringLiteral("frmName")));
  EXPECT_THAT(runner->Unexpected(), IsEmpty());
}

TEST(FakeModalRunner, DialogLeftOpenIsClosedAsEscape) {
  ScopedFakeModalRunner runner;
  // OK refuses while the name is empty, so the dialog stays open after the script.
  runner->Then([](QDialog& dlg) { ui::test::Click(dlg, QStringLiteral("cmdOK")); });
  NameDialog dlg;
  EXPECT_EQ(ui::RunModal(dlg), QDialog::Rejected);
  EXPECT_FALSE(dlg.isVisible());
}

TEST(FakeModalRunner, ReportsUnexpectedAndMisnamedDialogs) {
  ScopedFakeModalRunner runner;
  NameDialog dlg;
  EXPECT_EQ(ui::RunModal(dlg), QDialog::Rejected);
  runner->Then(QStringLiteral("frmOther"), [](QDialog& d) { d.accept(); });
  EXPECT_EQ(ui::RunModal(dlg), QDialog::Accepted);
  ASSERT_EQ(runner->Unexpected().size(), 2);
  EXPECT_TRUE(runner->Unexpected()[0].contains(QStringLiteral("frmName")));
  EXPECT_TRUE(runner->Unexpected()[1].contains(QStringLiteral("frmOther")));
}

TEST(FakeModalRunner, OwnerBecomesTheParentWindow) {
  ScopedFakeModalRunner runner;
  runner->Then([](QDialog& d) { d.accept(); });
  QWidget owner;
  auto* dlg = new NameDialog;  // deleted with its owner
  ui::RunModal(*dlg, &owner);
  EXPECT_EQ(dlg->parentWidget(), &owner);
  EXPECT_TRUE(dlg->isWindow());
  ASSERT_EQ(runner->Owners().size(), 1);
  EXPECT_EQ(runner->Owners()[0].data(), &owner);
}

}  // namespace
