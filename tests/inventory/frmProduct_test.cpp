// The product editor and the commands that open it.

#include "inventory/frmProduct.h"

#include <QApplication>
#include <QCheckBox>
#include <QClipboard>
#include <QComboBox>
#include <QFile>
#include <QLabel>
#include <QLineEdit>
#include <QPlainTextEdit>
#include <QPushButton>

#include "inventory/ProductCommands.h"
#include "platform/controls/NumericEdit.h"
#include "database/clsTran.h"
#include "tests/database/DbTestSupport.h"
#include "tests/database/StockTestSupport.h"
#include "tests/inventory/ProdTestSupport.h"
#include "tests/inventory/TranTestSupport.h"

namespace {

using prodtest::ProdTest;
using ui::test::Click;
using ui::test::SetText;
using ui::test::TextOf;

class frmProductTest : public ProdTest {};

TEST_F(frmProductTest, ValidateAppliesItsRulesInOrder) {
  const int32_t other = AddProduct(QStringLiteral("Widget"), QStringLiteral("AB-1"));
  const QString dup = QStringLiteral(
      "DUPLICATE Part Number: A product with this Part Number already exists. Do you still wish to save this "
      "information?");
  struct Case {
    const char* name;
    const char* partNo;
    bool editOther;  // the dialog edits the product that has AB-1
    const char* message;
    int answer;
    bool valid;
  };
  const Case cases[] = {
      {"   ", "AB-1", false, "Product Name is required!", ui::vbOK, false},  // the part number is not checked then
      {"Gadget", "", false, nullptr, 0, true},
      {"Gadget", "   ", false, nullptr, 0, true},
      {"Gadget", " ab-1 ", false, "dup", ui::vbNo, false},
      {"Gadget", "ab-1", false, "dup", ui::vbCancel, false},
      {"Gadget", "AB-1", false, "dup", ui::vbYes, true},
      {"Gadget", "AB-1", true, nullptr, 0, true},  // its own part number
      {"Gadget", "AB-10", false, nullptr, 0, true},
      {"Gadget", "AB-", false, nullptr, 0, true},
      {"Huge", "", false, "huge", ui::vbOK, false},  // beginning inventory 2000000000 at 500000
  };
  for (const Case& c : cases) {
    SCOPED_TRACE(std::string(c.name) + "/" + c.partNo);
    clsProd p;
    p.Init();
    if (c.editOther) p.nProdId = other;
    frmProduct dlg;
    ASSERT_TRUE(dlg.Init(p));
    dlg.txtName->setText(QLatin1String(c.name));
    dlg.txtPN->setText(QLatin1String(c.partNo));
    const bool huge = c.message != nullptr && std::string(c.message) == "huge";
    if (huge) {
      dlg.fpBI->setValue(rt::Currency(2000000000));
      dlg.fpStdCost->setValue(rt::Currency(500000));
    }
    prompts->Clear();
    if (huge) {
      prompts->Expect(TranValueTooLargeText(QStringLiteral("Beginning Inventory"), QStringLiteral("Std Unit Cost")));
    } else if (c.message != nullptr) {
      prompts->Expect(c.message == std::string("dup") ? dup : QLatin1String(c.message), c.answer);
    }
    EXPECT_EQ(dlg.Validate(), c.valid);
    ASSERT_EQ(prompts->Shown().size(), c.message != nullptr ? 1 : 0);
    if (c.message != nullptr) {
      const ui::test::ShownPrompt& shown = prompts->Last();
      const bool question = c.message == std::string("dup");
      EXPECT_EQ(shown.buttons, question ? ui::vbYesNoCancel : ui::vbOKOnly);
      EXPECT_EQ(shown.icon, question ? ui::vbQuestion : ui::vbExclamation);
      EXPECT_EQ(shown.defaultButton, question ? 2 : 1);
    }
  }
}

// With automatic part numbers the proposal is shown, and the counter moves on only when
// the stored product kept it.
TEST_F(frmProductTest, PartNumberCounterAdvancesOnlyWhenTheProposalWasKept) {
  struct Case {
    const char* typed;  // nullptr: keep the proposal
    bool cancel;
    int32_t nextAfter;
    const char* stored;
  };
  const Case cases[] = {
      {nullptr, false, 10006, "10005"},
      {"A-7", false, 10005, "A-7"},
      {nullptr, true, 10005, nullptr},
  };
  for (const Case& c : cases) {
    SCOPED_TRACE(c.typed == nullptr ? "kept" : c.typed);
    ASSERT_TRUE(gDB().ProdAssignPartNumberSet(true));
    gDB().SetNextPartNumber(10005);
    runner->Then(QStringLiteral("frmProduct"), [&](QDialog& d) {
      EXPECT_EQ(TextOf(d, QStringLiteral("txtPN")), QStringLiteral("10005"));
      SetText(d, QStringLiteral("txtName"), QStringLiteral("Bolt"));
      if (c.typed != nullptr) SetText(d, QStringLiteral("txtPN"), QLatin1String(c.typed));
      Click(d, c.cancel ? QStringLiteral("CancelButton") : QStringLiteral("OKButton"));
    });
    clsProd p;
    p.Init();
    const int32_t id = inventory::AddEditNewProduct(p);
    EXPECT_EQ(gDB().QueryNextPartNumber(), c.nextAfter);
    if (c.stored == nullptr) {
      EXPECT_EQ(id, -1);
      continue;
    }
    ASSERT_GT(id, 0);
    EXPECT_EQ(Load(id).sPartNo, QLatin1String(c.stored));
    // Editing it again keeps its part number and the counter.
    runner->Then(QStringLiteral("frmProduct"), [&](QDialog& d) {
      EXPECT_EQ(TextOf(d, QStringLiteral("txtPN")), QLatin1String(c.stored));
      Click(d, QStringLiteral("OKButton"));
    });
    clsProd again;
    again.nProdId = id;
    EXPECT_EQ(inventory::AddEditNewProduct(again), id);
    EXPECT_EQ(Load(id).sPartNo, QLatin1String(c.stored));
  }
}

// A save that failed is no confirmed edit: the dialog stays open with the entries and
// the command reports nothing stored.
TEST_F(frmProductTest, AFailedSaveKeepsTheEditorOpenAndCountsAsNotSaved) {
  const int32_t id = AddProduct(QStringLiteral("Washer"), QStringLiteral("W-1"));
  dbtest::OtherUser other(gDB().ProductsTable());  // another user holds the product's record lock
  ASSERT_TRUE(other.LockRow("partno", QStringLiteral("W-1")));
  code4lockAttempts(gDB().CBEngine(), 1);
  code4lockDelay(gDB().CBEngine(), 0);
  prompts->Expect(QStringLiteral("RECORD LOCKED: Unable to update product record!"));
  bool openAfterOk = false;
  runner->Then(QStringLiteral("frmProduct"), [&](QDialog& d) {
    SetText(d, QStringLiteral("txtName"), QStringLiteral("Washer, steel"));
    Click(d, QStringLiteral("OKButton"));
    openAfterOk = d.isVisible() && TextOf(d, QStringLiteral("txtName")) == QStringLiteral("Washer, steel");
    Click(d, QStringLiteral("CancelButton"));
  });
  clsProd p;
  p.nProdId = id;
  EXPECT_EQ(inventory::AddEditNewProduct(p), -1);
  EXPECT_TRUE(openAfterOk);
}

// Another user changed the product while the editor was open: No shows the stored row
// in place of the entries and the next OK saves without asking.
TEST_F(frmProductTest, NoToAnotherUsersChangeShowsTheStoredProduct) {
  const int32_t id = AddProduct(QStringLiteral("Washer"), QStringLiteral("W-1"));
  bool reloaded = false;
  runner->Then(QStringLiteral("frmProduct"), [&](QDialog& d) {
    {
      dbtest::OtherUser other(gDB().ProductsTable());
      ASSERT_TRUE(other.SetNumber(id, "reordlev", 11));
    }
    SetText(d, QStringLiteral("txtName"), QStringLiteral("Washer, steel"));
    prompts->ExpectContaining(QStringLiteral("Another user has changed this product (Washer [W-1])"), ui::vbNo);
    Click(d, QStringLiteral("OKButton"));
    auto& dlg = static_cast<frmProduct&>(d);
    reloaded = d.isVisible() && dlg.txtName->text() == QStringLiteral("Washer") &&
               dlg.fpReorder->Value() == rt::Currency(11);
    Click(d, QStringLiteral("OKButton"));
  });
  clsProd p;
  p.nProdId = id;
  EXPECT_EQ(inventory::AddEditNewProduct(p), id);
  EXPECT_TRUE(reloaded);
}

// An existing product that cannot be read is not shown as a blank form.
TEST_F(frmProductTest, AProductThatCannotBeReadIsNotOpened) {
  prompts->Expect(QStringLiteral("Product ID not found. Unable to read product record!"));
  clsProd p;
  p.nProdId = 4242;
  EXPECT_EQ(inventory::AddEditNewProduct(p), -1);
  EXPECT_TRUE(runner->Ran().isEmpty());
}

// A table that does not open: the editor names it, opens no stored product and stores
// nothing, and an OK is no confirmed save.
TEST_F(frmProductTest, ATableThatDoesNotOpenIsNamedAndNothingCountsAsSaved) {
  const int32_t id = AddProduct(QStringLiteral("Rivet"), QStringLiteral("R-1"));
  const QString cat = gDB().CategoryTable();
  ASSERT_TRUE(QFile::rename(cat, cat + QStringLiteral(".away")));
  const QString named = QStringLiteral("Unable to open the following table(s):\r\n\r\nCategories\r\n");

  // Each of the four combos reports the table at load, then the editor's own opening.
  auto unableToOpen = [&](int times) {
    for (int i = 0; i < times; ++i) prompts->Expect(QStringLiteral("Unable to open: ") + cat);
  };
  unableToOpen(5);
  prompts->Expect(named);
  clsProd stored;
  stored.nProdId = id;
  EXPECT_EQ(inventory::AddEditNewProduct(stored), -1);
  EXPECT_TRUE(runner->Ran().isEmpty());

  clsProd fresh;
  fresh.Init();
  unableToOpen(4);
  frmProduct dlg;
  ASSERT_TRUE(dlg.Init(fresh));
  dlg.txtName->setText(QStringLiteral("Staple"));
  unableToOpen(1);
  prompts->Expect(named);
  dlg.OKButton_Click();
  EXPECT_FALSE(dlg.m_bOK);
  EXPECT_LT(fresh.nProdId, 1);
  ASSERT_TRUE(QFile::rename(cat + QStringLiteral(".away"), cat));
}

TEST_F(frmProductTest, HeadingShowsTheFirst40CharactersOfTheName) {
  const QString forty(40, QLatin1Char('n'));
  struct Case {
    QString name;
    bool stored;
    QString heading;
  };
  const Case cases[] = {
      {forty, true, QStringLiteral("Edit '") + forty + QStringLiteral("'")},
      {forty + QStringLiteral("X"), true, QStringLiteral("Edit '") + forty + QStringLiteral("...'")},
      {QStringLiteral("Nut"), false, QStringLiteral("New Product")},
  };
  for (const Case& c : cases) {
    SCOPED_TRACE(c.name.toStdString());
    clsProd p;
    p.Init();
    p.sProdName = c.name;
    if (c.stored) p.nProdId = AddProduct(c.name, QString());
    frmProduct dlg;
    ASSERT_TRUE(dlg.Init(p));
    EXPECT_EQ(dlg.lblHeading->text(), c.heading);
    EXPECT_EQ(dlg.windowTitle(), c.heading);
    EXPECT_EQ(dlg.fpBI->isHidden(), c.stored);
    EXPECT_EQ(dlg.cmdPrint->isHidden(), !c.stored);
  }
}

TEST_F(frmProductTest, HideNoticeAsksOnlyWhenTheUserChecksTheBox) {
  const int32_t id = AddProduct(QStringLiteral("Old"), QStringLiteral("O-1"), true);
  clsProd p;
  p.nProdId = id;
  frmProduct dlg;
  ASSERT_TRUE(dlg.Init(p));
  EXPECT_TRUE(dlg.ckHide->isChecked());
  EXPECT_TRUE(dlg.lblMsg->text().startsWith(QStringLiteral("Since Hide Product is checked")));
  EXPECT_TRUE(prompts->Shown().isEmpty());
  dlg.ckHide->setChecked(false);
  EXPECT_TRUE(dlg.lblMsg->text().isEmpty());
  prompts->ExpectContaining(QStringLiteral("Product List Maintenance Window"));
  dlg.ckHide->setChecked(true);
  EXPECT_EQ(prompts->Last().title, QStringLiteral("Product is now hidden"));
  EXPECT_EQ(prompts->Last().icon, ui::vbInformation);
}

// Notes of any length are stored whole; Go hands the whole text to the shell as one
// target, never as a program with arguments.
TEST_F(frmProductTest, NotesAreStoredWholeAndGoOpensTheTextAsOneTarget) {
  QString notes;
  for (int i = 0; i < 2000; ++i) notes += QStringLiteral("line %1 of the notes\n").arg(i, 4, 10, QLatin1Char('0'));
  ASSERT_GT(notes.size(), 40000);
  clsProd p;
  p.Init();
  frmProduct dlg;
  ASSERT_TRUE(dlg.Init(p));
  dlg.txtName->setText(QStringLiteral("Manual"));
  dlg.txtNotes->setPlainText(notes);
  dlg.txtCustom[2]->setText(QStringLiteral("https://example.com/a b?x=1"));
  dlg.txtCustom[3]->setText(QStringLiteral(" /usr/bin/env rm -rf x "));
  dlg.OKButton_Click();
  ASSERT_TRUE(dlg.m_bOK);
  EXPECT_EQ(Load(p.nProdId).sNotes, notes) << "whole, its last line break kept";

  dlg.cmdCustom3->click();
  dlg.cmdCustom4->click();
  ASSERT_EQ(shell->Calls().size(), 2);
  EXPECT_EQ(shell->Calls()[0].file, QStringLiteral("https://example.com/a b?x=1"));
  EXPECT_EQ(shell->Calls()[1].file, QStringLiteral("/usr/bin/env rm -rf x"));
  for (const ui::test::ShellCall& call : shell->Calls()) EXPECT_TRUE(call.params.isEmpty());

  dlg.txtCustom[2]->clear();
  prompts->ExpectContaining(QStringLiteral("Do you want to browse for a file now?"), ui::vbNo);
  dlg.cmdCustom3->click();
  EXPECT_EQ(shell->Calls().size(), 2);
}

// A list button opens the list editor (keeping the other windows), then refills its
// combo with the selection it had.
TEST_F(frmProductTest, ListButtonsRefillTheirComboKeepingTheSelection) {
  const int32_t bins = AddCategory(QStringLiteral("Bins"), 3);
  clsProd p;
  p.Init();
  p.nLocation = bins;
  frmProduct dlg;
  ASSERT_TRUE(dlg.Init(p));
  EXPECT_EQ(dlg.cboLocation->count(), 2);
  AddCategory(QStringLiteral("Attic"), 3);
  QString tag;
  runner->Then(QStringLiteral("frmEditCategories"), [&](QDialog& d) { tag = ui::Tag(&d); });
  dlg.cmdCatProdLocation->click();
  EXPECT_EQ(tag, QStringLiteral("PRODUCTLOCATIONS"));
  EXPECT_EQ(dlg.cboLocation->count(), 3);
  EXPECT_EQ(gSystem().cboGetItemID(*dlg.cboLocation), bins);

  // The empty entry stores 0, no selection -1; a new product starts with none.
  dlg.txtName->setText(QStringLiteral("Shelf"));
  dlg.cboLocation->setCurrentIndex(0);
  dlg.cboGroup->setCurrentIndex(-1);
  dlg.OKButton_Click();
  ASSERT_TRUE(dlg.m_bOK);
  const clsProd stored = Load(p.nProdId);
  EXPECT_EQ(stored.nLocation, 0);
  EXPECT_EQ(stored.nGroup, -1);
}

// Saving only a changed name writes every other field back as stored, figures with
// more decimals than the editor shows and a list id its list no longer holds included.
TEST_F(frmProductTest, AnEditOfTheNameKeepsEveryOtherStoredByte) {
  clsProd p = stocktest::SampleProduct();
  p.nLocation = AddCategory(QStringLiteral("Bins"), 3);
  p.nGroup = AddCategory(QStringLiteral("Tools"), 1);
  p.nManuf = 4242;
  p.nVendor = AddCategory(QStringLiteral("Seller"), 5);
  p.curReOrderLevel = stocktest::Cur("11.75");
  p.curReOrderQty = stocktest::Cur("20.5");
  p.curStdCost = stocktest::Cur("3.4567");
  p.curStdPrice = stocktest::Cur("765.1049");
  p.nProdId = stocktest::StoreProduct(p);
  ASSERT_GT(p.nProdId, 0);
  auto before = dbtest::StoredFields(gDB().ProductsTable(), p.nProdId);
  before.erase("prodname");
  for (const int places : {0, 1, 2, 3, 4}) {
    for (const char* param : {"Decimals_Units", "Decimals_PerUnit"})
      ASSERT_TRUE(gDB().SetParamValue(QLatin1String(param), QString::number(places)));
    clsProd loaded = Load(p.nProdId);
    frmProduct dlg;
    ASSERT_TRUE(dlg.Init(loaded));
    const QString name = QStringLiteral("Widget %1").arg(places);
    dlg.txtName->setText(name);
    dlg.OKButton_Click();
    ASSERT_TRUE(dlg.m_bOK);
    EXPECT_EQ(Load(p.nProdId).sProdName, name);
    auto after = dbtest::StoredFields(gDB().ProductsTable(), p.nProdId);
    after.erase("prodname");
    EXPECT_EQ(after, before) << places << " decimals";
    // A figure typed and taken back (5 and Backspace, or retyped as shown) keeps its bytes.
    for (const char* field : {"fpReorder", "fpReorderQty", "fpStdCost", "fpStdPrice"}) {
      for (const bool retype : {false, true}) {
        clsProd again = Load(p.nProdId);
        frmProduct edit;
        ASSERT_TRUE(edit.Init(again));
        ASSERT_TRUE(trantest::TypeAndTakeBack(edit, QLatin1String(field), retype));
        edit.OKButton_Click();
        ASSERT_TRUE(edit.m_bOK);
        after = dbtest::StoredFields(gDB().ProductsTable(), p.nProdId);
        after.erase("prodname");
        EXPECT_EQ(after, before) << places << " decimals, " << field << (retype ? " typed again" : " 5 and Backspace");
      }
    }
  }
}

TEST_F(frmProductTest, ANewProductSavedWithNothingChosenStoresMinusOne) {
  for (int32_t type : {3, 1, 4, 5}) AddCategory(QStringLiteral("Entry %1").arg(type), type);
  clsProd p;
  p.Init();
  frmProduct dlg;
  ASSERT_TRUE(dlg.Init(p));
  for (QComboBox* cbo : {dlg.cboLocation, dlg.cboGroup, dlg.cboManuf, dlg.cboVendor}) {
    EXPECT_EQ(cbo->count(), 2) << cbo->objectName().toStdString();
    EXPECT_EQ(cbo->currentIndex(), -1) << cbo->objectName().toStdString();
  }
  dlg.txtName->setText(QStringLiteral("Shelf"));
  dlg.OKButton_Click();
  ASSERT_TRUE(dlg.m_bOK);
  const clsProd stored = Load(p.nProdId);
  EXPECT_EQ(std::vector<int32_t>({stored.nLocation, stored.nGroup, stored.nManuf, stored.nVendor}),
            std::vector<int32_t>(4, -1));
}

// A character the tables cannot hold (code page 1252) is refused in every stored text
// field, naming the field by its caption and bringing its page forward; what the code
// page holds passes.
TEST_F(frmProductTest, TypedCharactersTheTablesCannotHoldAreRefused) {
  const struct {
    const char* field;
    const char* text;
    const char* message;  // nullptr: saved
    int page;
  } cases[] = {
      {"txtName", "\u0141\u00f3d\u017a", "The character \"\u0141\" in Name cannot be stored.", 0},
      {"txtPN", "AB-\u20ac\U0001F600", "The character \"\U0001F600\" in Part Number cannot be stored.", 0},
      {"txtCustom1", "\u7ea2", "The character \"\u7ea2\" in Colour cannot be stored.", 2},
      {"txtNotes", "line\n\u0410", "The character \"\u0410\" in Notes cannot be stored.", 3},
      {"txtNotes", "caf\u00e9 \u20ac5 \u2014 na\u00efve", nullptr, 0},
  };
  for (const auto& c : cases) {
    SCOPED_TRACE(c.field);
    clsProd p;
    p.Init();
    frmProduct dlg;
    ASSERT_TRUE(dlg.Init(p));
    dlg.lblCust[1]->setText(QStringLiteral("Colour:"));  // a caption the user gave the field
    dlg.txtName->setText(QStringLiteral("Screw"));
    SetText(dlg, QLatin1String(c.field), QString::fromUtf8(c.text));
    if (c.message != nullptr) {
      prompts->Expect(QString::fromUtf8(c.message) + QStringLiteral(" Please remove or replace it."));
    }
    dlg.OKButton_Click();
    EXPECT_EQ(dlg.m_bOK, c.message == nullptr);
    if (c.message != nullptr) {
      EXPECT_EQ(dlg.tabProduct->currentIndex(), c.page);
    }
  }
}

// Line breaks pasted into the single-line fields are stored as the spaces the fields
// show; the part number can then be typed and found.
TEST_F(frmProductTest, PastedLineBreaksAreStoredAsSpaces) {
  clsProd p;
  p.Init();
  frmProduct dlg;
  ASSERT_TRUE(dlg.Init(p));
  dlg.show();
  auto paste = [](QLineEdit* field, const char* text) {
    QApplication::clipboard()->setText(QString::fromLatin1(text));
    field->selectAll();
    field->paste();
  };
  paste(dlg.txtPN, "LB\n1");
  paste(dlg.txtName, "Line\r\nBreak");
  paste(dlg.txtLeadTime, "2\rweeks");
  for (QLineEdit* custom : dlg.txtCustom) paste(custom, "two\nlines");
  dlg.OKButton_Click();
  ASSERT_TRUE(dlg.m_bOK);
  const clsProd stored = Load(p.nProdId);
  EXPECT_EQ(stored.sPartNo, QStringLiteral("LB 1"));
  EXPECT_EQ(stored.sProdName, QStringLiteral("Line Break"));
  EXPECT_EQ(stored.sLeadTime, QStringLiteral("2 weeks"));
  for (const QString& custom : {stored.sCustom1, stored.sCustom2, stored.sCustom3, stored.sCustom4})
    EXPECT_EQ(custom, QStringLiteral("two lines"));
  clsProd found;
  DATA4* tb = nullptr;
  EXPECT_EQ(found.LookupProduct(1, QStringLiteral("lb 1"), tb), p.nProdId);
}

// Enter on a number field holding a text to be named shows the message and leaves the
// user in the field with the value it kept; only the next Enter saves.
TEST_F(frmProductTest, EnterOnANumberToBeNamedStaysInTheFieldAndSavesNothing) {
  const struct {
    const char* locale;
    const char* field;
    int page;
    rt::Currency clsProd::*member;
    const char* keys;
    const char* message;
  } cases[] = {
      {"de_DE", "fpStdCost", 1, &clsProd::curStdCost, "1e3",
       "\"1e3\" is not a number. Please type a number such as 1.234,50. The field keeps 5."},
      {"en_US", "fpBI", 0, &clsProd::curBeginningInventory, "10,000,000,000",
       "\"10,000,000,000\" is too large. Please type a number no larger than 9,000,000,000. The field keeps 5."},
      {"de_DE", "fpReorder", 1, &clsProd::curReOrderLevel, "-10.000.000.000",
       "\"-10.000.000.000\" is too small. Please type a number no smaller than -9.000.000.000. The field keeps 5."},
  };
  for (const auto& c : cases) {
    SCOPED_TRACE(c.keys);
    testenv::ScopedLocale locale(QLatin1String(c.locale));
    clsProd p;
    p.Init();
    frmProduct dlg;
    ASSERT_TRUE(dlg.Init(p));
    dlg.txtName->setText(QStringLiteral("Bolt"));
    dlg.tabProduct->setCurrentIndex(c.page);
    trantest::EnterNamesTheText(dlg, QLatin1String(c.field), QLatin1String(c.keys), QString::fromUtf8(c.message), *prompts);
    EXPECT_FALSE(dlg.m_bOK);
    EXPECT_LT(p.nProdId, 1);
    trantest::PressKey(Qt::Key_Return);
    ASSERT_TRUE(dlg.m_bOK);
    EXPECT_GT(p.nProdId, 0);
    EXPECT_EQ(p.*c.member, rt::Currency(5));  // as saved
  }
}

TEST_F(frmProductTest, BeginningInventoryIsRecordedOnceForANewProduct) {
  clsProd p;
  p.Init();
  frmProduct dlg;
  ASSERT_TRUE(dlg.Init(p));
  dlg.txtName->setText(QStringLiteral("Screw"));
  dlg.fpBI->setValue(rt::Currency(12));
  dlg.fpStdCost->setValue(rt::Currency::FromDouble(3.5));
  dlg.OKButton_Click();
  ASSERT_TRUE(dlg.m_bOK);
  EXPECT_TRUE(gDB().ProductHasTransactions(p.nProdId));

  // Saving it again from the editor records nothing more.
  clsProd again;
  again.nProdId = p.nProdId;
  frmProduct edit;
  ASSERT_TRUE(edit.Init(again));
  edit.OKButton_Click();
  ASSERT_TRUE(edit.m_bOK);
  clsProductStats stats;
  stats.Init(p.nProdId);
  DATA4* tb = nullptr;
  ASSERT_TRUE(gDB().GetProductStats(stats, tb));
  EXPECT_EQ(stats.m_curNumUnitsInStock_Physical, rt::Currency(12));
}

}  // namespace
