#include "services/frmRptOption.h"

#include <gmock/gmock.h>
#include <gtest/gtest.h>

#include <QCheckBox>
#include <QDialog>
#include <QLineEdit>
#include <QRadioButton>

#include "platform/ui/ModalRunner.h"
#include "platform/ui/testing/TestPrompts.h"
#include "services/mdlRegistry.h"
#include "tests/services/ScriptedTest.h"

namespace {


// The registry folder lives as long as the test process: each test starts from
// nothing stored.
class RptOptionTest : public uitest::ScriptedTest {
 protected:
  void SetUp() override {
    for (const char* name :
         {"RptPageOrientation", "RptPrintSingleRowOnly", "RptPrintDateTime", "TitleProdList"})
      mdlRegistry::PrefSaveString(QString::fromLatin1(name), QString());
  }
  static void Store(const char* name, const char* value) {
    mdlRegistry::PrefSaveString(QString::fromLatin1(name), QString::fromLatin1(value));
  }
};

TEST_F(RptOptionTest, OpensWithTheRememberedOptions) {
  const struct {
    const char* orientation;
    const char* rowOnly;
    const char* dateTime;
    bool portrait;
    bool selectedOnly;
    bool stamp;
  } cases[] = {
      {"", "", "", false, false, false},  // first run: landscape, entire view
      {"1", "1", "1", true, true, true},    {"2", "0", "0", false, false, false},
      {"0", "2", "x", false, false, false}, {"7", "1", "1", false, true, true},
  };
  for (const auto& c : cases) {
    SCOPED_TRACE(c.orientation);
    Store("RptPageOrientation", c.orientation);
    Store("RptPrintSingleRowOnly", c.rowOnly);
    Store("RptPrintDateTime", c.dateTime);
    frmRptOption form;
    EXPECT_EQ(form.windowTitle(), QStringLiteral("Report Options"));
    EXPECT_FALSE(form.m_bOK);
    EXPECT_EQ(form.optOrientation[1]->isChecked(), c.portrait);
    EXPECT_EQ(form.optOrientation[0]->isChecked(), !c.portrait);
    EXPECT_EQ(form.optWhatToPrint[1]->isChecked(), c.selectedOnly);
    EXPECT_EQ(form.optWhatToPrint[0]->isChecked(), !c.selectedOnly);
    EXPECT_EQ(form.ckDT->isChecked(), c.stamp);
  }
}

TEST_F(RptOptionTest, OkRemembersTheOptionsAndTheTitleUnderItsKey) {
  frmRptOption form;
  form.txtTitle->setText(QStringLiteral("Caller title"));
  form.RestoreRptTitle(QStringLiteral("TitleProdList"));
  EXPECT_EQ(form.txtTitle->text(), QStringLiteral("Caller title"));  // nothing remembered yet
  runner->Then(QStringLiteral("frmRptOption"), [](QDialog& d) {
    ASSERT_TRUE(ui::test::SetChecked(d, QStringLiteral("optOrientation_1"), true));
    ASSERT_TRUE(ui::test::SetChecked(d, QStringLiteral("optWhatToPrint_1"), true));
    ASSERT_TRUE(ui::test::SetChecked(d, QStringLiteral("ckDT"), true));
    ASSERT_TRUE(ui::test::SetText(d, QStringLiteral("txtTitle"), QStringLiteral("My products")));
    ASSERT_TRUE(ui::test::Click(d, QStringLiteral("OKButton")));
  });
  EXPECT_EQ(ui::RunModal(form), QDialog::Accepted);
  EXPECT_TRUE(form.m_bOK);
  EXPECT_EQ(form.m_nOrientation, 1);
  EXPECT_EQ(form.m_nRowOnly, 1);
  EXPECT_EQ(form.m_nDTStamp, 1);
  EXPECT_EQ(mdlRegistry::PrefGetLong(QStringLiteral("RptPageOrientation")), 1);
  EXPECT_EQ(mdlRegistry::PrefGetLong(QStringLiteral("RptPrintSingleRowOnly")), 1);
  EXPECT_EQ(mdlRegistry::PrefGetLong(QStringLiteral("RptPrintDateTime")), 1);
  EXPECT_EQ(mdlRegistry::PrefGetString(QStringLiteral("TitleProdList")),
            QStringLiteral("My products"));

  // The next window opens with all of it.
  frmRptOption again;
  again.txtTitle->setText(QStringLiteral("Caller title"));
  again.RestoreRptTitle(QStringLiteral("TitleProdList"));
  EXPECT_EQ(again.txtTitle->text(), QStringLiteral("My products"));
  EXPECT_TRUE(again.optOrientation[1]->isChecked());
  EXPECT_TRUE(again.optWhatToPrint[1]->isChecked());
  EXPECT_TRUE(again.ckDT->isChecked());
}

TEST_F(RptOptionTest, WithoutAKeyNoTitleIsRemembered) {
  Store("TitleProdList", "Stored");
  frmRptOption form;
  form.txtTitle->setText(QStringLiteral("Caller title"));
  form.RestoreRptTitle(QString());
  EXPECT_EQ(form.txtTitle->text(), QStringLiteral("Caller title"));
  runner->Then([](QDialog& d) { ASSERT_TRUE(ui::test::Click(d, QStringLiteral("OKButton"))); });
  ui::RunModal(form);
  EXPECT_TRUE(form.m_bOK);
  EXPECT_EQ(form.m_nOrientation, 2);
  EXPECT_EQ(mdlRegistry::PrefGetString(QStringLiteral("RptPageOrientation")), QStringLiteral("2"));
  EXPECT_EQ(mdlRegistry::PrefGetString(QStringLiteral("RptPrintSingleRowOnly")),
            QStringLiteral("0"));
  EXPECT_EQ(mdlRegistry::PrefGetString(QStringLiteral("TitleProdList")), QStringLiteral("Stored"));
}

TEST_F(RptOptionTest, CancelAndEscapeSaveNothing) {
  for (bool escape : {false, true}) {
    frmRptOption form;
    runner->Then([escape](QDialog& d) {
      ASSERT_TRUE(ui::test::SetChecked(d, QStringLiteral("optOrientation_1"), true));
      if (!escape) {
        ASSERT_TRUE(ui::test::Click(d, QStringLiteral("CancelButton")));
      }
    });
    EXPECT_EQ(ui::RunModal(form), QDialog::Rejected);
    EXPECT_FALSE(form.m_bOK);
    EXPECT_EQ(mdlRegistry::PrefGetString(QStringLiteral("RptPageOrientation")), QString());
  }
}

TEST_F(RptOptionTest, SetPageOrientationChecksPortraitOnlyForOne) {
  frmRptOption form;
  for (int32_t code : {1, 2, 0, -1, 3}) {
    form.SetPageOrientation(code);
    EXPECT_EQ(form.optOrientation[1]->isChecked(), code == 1) << code;
  }
}

}  // namespace
