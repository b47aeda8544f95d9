#include "inventory/frmInvAddUpateDel.h"

#include <QApplication>
#include <QKeyEvent>
#include <QLabel>
#include <QPlainTextEdit>
#include <tuple>

#include "inventory/TranEntry.h"
#include "services/clsSystem.h"
#include "tests/inventory/TranTestSupport.h"

namespace {

using trantest::Cur;
using ui::test::Click;
using ui::test::SetText;

class frmInvAddUpateDelTest : public trantest::TranTest {
 protected:
  // A new transaction of the product and type, as the entry commands open it.
  static clsTran NewTran(int32_t prodId, int32_t type, const char* units = "0") {
    clsTran t;
    t.nProdId = prodId;
    t.udTranType = type;
    t.curUnits = Cur(units);
    return t;
  }
  // The row as another user writes it.
  static void Overwrite(clsTran t) {
    DATA4* tb = nullptr;
    ASSERT_TRUE(gDB().SaveTran(1, t, tb));
  }
};

TEST_F(frmInvAddUpateDelTest, ValidateChecksItsRulesInOrder) {
  frmInvAddUpateDel dlg;
  dlg.Init(0, NewTran(-1, -1), 5);
  dlg.txtDate->setText(QStringLiteral("10:30"));  // a time alone is not a date
  struct Step {
    std::function<void()> fix;  // corrects the field of the rule before
    const char* message;        // nullptr: Validate passes
  };
  const Step steps[] = {
      {[] {}, "Please enter a valid transaction date!"},
      {[&] { dlg.txtDate->setText(QStringLiteral("3/2/0026")); }, "Please enter a valid transaction date!"},
      {[&] { dlg.txtDate->setText(QStringLiteral("3/2/2026")); },
       "No product is selected. If the Product does not appear in Product field, it may be hidden. See View, "
       "Product List Maintenance menu to check whether a product is hidden."},
      {[&] { dlg.txtProduct->setProperty("Tag", QString::number(widget)); }, "Please select transaction type!"},
      {[&] { trantest::SelectId(dlg, QStringLiteral("cboType"), 2); }, "Please enter number of units!"},
      {[&] { trantest::SetNumber(dlg, QStringLiteral("fpUnits"), "6"); },
       "Number of units may not exceed 5 for this transaction!"},
      {[&] {
         trantest::SetNumber(dlg, QStringLiteral("fpUnits"), "5");
         dlg.txtNote->setPlainText(QStringLiteral("from \u0141\u00f3d\u017a"));
       },
       "The character \"\u0141\" in Notes cannot be stored. Please remove or replace it."},
      {[&] { dlg.txtNote->setPlainText(QStringLiteral("from Lodz, caf\u00e9")); }, nullptr},
  };
  for (const Step& s : steps) {
    s.fix();
    if (s.message) {
      prompts->Expect(QString::fromUtf8(s.message));
      EXPECT_FALSE(dlg.Validate()) << s.message;
      EXPECT_EQ(prompts->Last().icon, ui::vbExclamation);
    } else {
      EXPECT_TRUE(dlg.Validate());
    }
  }
  const clsTran& t = dlg.m_udTran;  // category and account: -1, nothing chosen
  EXPECT_EQ(std::tie(t.nProdId, t.curUnits, t.udTranType, t.nCatID, t.nAcctID), std::make_tuple(widget, Cur("5"), 2, -1, -1));
}

// The lists start with no row selected: a transaction saved with nothing chosen stores
// -1 ("none"), one whose blank row was chosen stores that row's 0.
TEST_F(frmInvAddUpateDelTest, NothingChosenIsStoredAsMinusOne) {
  store::Table catTable = gDB().OpenTable(gDB().CategoryTable());
  DATA4* cat = catTable.get();
  ASSERT_GT(gDB().AddCategory(QStringLiteral("Repairs"), 2, cat), 0);
  ASSERT_GT(gDB().AddCategory(QStringLiteral("Main"), 7, cat), 0);
  catTable.Close();
  for (const bool chooseBlank : {false, true}) {
    frmInvAddUpateDel dlg;
    dlg.Init(0, NewTran(widget, 2, "4"), -1);
    for (QComboBox* cbo : {dlg.cboCategory, dlg.cboAccount}) EXPECT_EQ(cbo->currentIndex(), -1) << chooseBlank;
    if (chooseBlank) dlg.cboCategory->setCurrentIndex(0);
    ASSERT_TRUE(Click(dlg, QStringLiteral("cmdOK")));
    ASSERT_TRUE(dlg.m_bOK);
    const clsTran stored = Stored(dlg.m_udTran.nTranID);
    EXPECT_EQ(std::vector<int32_t>({stored.nCatID, stored.nAcctID}), std::vector<int32_t>({chooseBlank ? 0 : -1, -1}));
  }
}

// A value no figure can hold is refused, naming the fields (the scan's entries come
// through this dialog too); Shrinkage has no amount to check.
TEST_F(frmInvAddUpateDelTest, AValueBeyondTheCurrencyRangeIsRefused) {
  const struct {
    int32_t type;
    const char* units;
    const char* amount;
    const char* message;
  } cases[] = {
      {2, "1000000", "99999999999", "Number of Units \u00D7 Cost Per Unit"},
      {4, "1000000", "99999999999", "Number of Units \u00D7 Price Per Unit"},
      {3, "1000000", "99999999999", nullptr},
      {2, "1000000", "922337203", nullptr},
  };
  for (const auto& c : cases) {
    SCOPED_TRACE(c.type);
    frmInvAddUpateDel dlg;
    dlg.Init(0, NewTran(widget, c.type), -1);
    trantest::SetNumber(dlg, QStringLiteral("fpUnits"), c.units);
    trantest::SetNumber(dlg, QStringLiteral("fpCost"), c.amount);
    if (c.message) {
      prompts->ExpectContaining(QString::fromUtf8(c.message) +
                                QStringLiteral(" is more than the largest value that can be recorded"));
    }
    EXPECT_EQ(dlg.Validate(), c.message == nullptr);
  }
}

// Running totals that would not fit refuse the entry by the product's name, however
// small the entry; an edit counts in place of the row it changes.
TEST_F(frmInvAddUpateDelTest, AnEntryThatWouldMakeTheFiguresOverflowIsRefusedByName) {
  ASSERT_GT(stocktest::AddTran(widget, 2, "800000000000000", "0"), 0);
  const int32_t stored = stocktest::AddTran(widget, 2, "100000000000000", "0");
  for (const int oper : {0, 1}) {
    frmInvAddUpateDel dlg;
    dlg.Init(oper, oper == 0 ? NewTran(widget, 2) : Stored(stored), -1);
    trantest::SetNumber(dlg, QStringLiteral("fpUnits"), "99999999999999");
    if (oper == 0) prompts->Expect(TranFiguresTooLargeText(QStringLiteral("Widget [W-1]")));
    EXPECT_EQ(dlg.Validate(), oper == 1) << "oper " << oper;
  }
}

// A product whose stored figures are already out of range (9.3 x 10^14 units in stock) takes
// each kind of entry that brings them back towards the range, and refuses a Receive.
TEST_F(frmInvAddUpateDelTest, AProductWhoseFiguresOverflowCanBeRepaired) {
  const struct {
    const char* name;
    int32_t oper;      // 0 new, 1 edit of the second stored row, 2 its delete
    int32_t type;      // of a new entry
    const char* units;
    bool saved;
  } cases[] = {
      {"a Receive", 0, 2, "10", false},        {"a Ship", 0, 4, "10", true},
      {"a Shrinkage", 0, 3, "10", true},       {"fewer units", 1, 2, "10", true},
      {"more units", 1, 2, "99999999999999", false}, {"a delete", 2, 2, "0", true},
  };
  for (const auto& c : cases) {
    SCOPED_TRACE(c.name);
    const int32_t prod = AddProductWithAmounts(QLatin1String("O-") + QLatin1String(c.name), QStringLiteral("Over"), "0", "1");
    ASSERT_GT(stocktest::AddTran(prod, 2, "900000000000000", "0"), 0);
    const int32_t second = stocktest::AddTran(prod, 2, "30000000000000", "0");
    frmInvAddUpateDel dlg;
    dlg.Init(c.oper, c.oper == 0 ? NewTran(prod, c.type) : Stored(second), -1);
    if (c.oper < 2) trantest::SetNumber(dlg, QStringLiteral("fpUnits"), c.units);
    if (!c.saved) prompts->Expect(TranFiguresTooLargeText(QStringLiteral("Over [O-") + QLatin1String(c.name) + u']'));
    if (c.oper == 2) prompts->Expect(QStringLiteral("Are you sure you want to delete this transaction?"), ui::vbYes);
    ASSERT_TRUE(Click(dlg, QStringLiteral("cmdOK")));
    EXPECT_EQ(dlg.m_bOK, c.saved);
    EXPECT_EQ(prompts->Pending(), 0);
  }
}

// Stock that cannot be worked out is never taken as enough: the Ship asks.
TEST_F(frmInvAddUpateDelTest, AShipWhoseStockCannotBeWorkedOutAsks) {
  ASSERT_TRUE(gDB().TranCheckInventoryLevelSet(true));
  ASSERT_GT(stocktest::AddTran(widget, 2, "900000000000000", "0"), 0);
  ASSERT_GT(stocktest::AddTran(widget, 2, "100000000000000", "0"), 0);  // physical stock beyond any figure
  for (const int answer : {ui::vbNo, ui::vbYes}) {
    frmInvAddUpateDel dlg;
    dlg.Init(0, NewTran(widget, 4, "100000000000000"), -1);
    prompts->ExpectContaining(QStringLiteral("Overflow: the stock figures of Widget [W-1]"));
    prompts->Expect(StockUnknownText(QStringLiteral("Widget [W-1]")) +
                        QStringLiteral("\n\nDo you still want to record this transaction?"),
                    answer);
    EXPECT_EQ(dlg.Validate(), answer == ui::vbYes);
    rt::Err().Clear();
  }
}

TEST_F(frmInvAddUpateDelTest, TheScanRoadStartsOnTheUnits) {
  for (const bool scan : {false, true}) {
    frmInvAddUpateDel dlg;
    dlg.Init(0, NewTran(widget, 2, "1"), -1);
    if (scan) dlg.FocusOnQty();
    dlg.show();
    QApplication::processEvents();
    QWidget* focus = dlg.focusWidget();
    QWidget* expected = scan ? static_cast<QWidget*>(dlg.fpUnits) : dlg.txtDate;
    EXPECT_TRUE(focus == expected || expected->isAncestorOf(focus)) << scan;
  }
}

// The field a validation message sends the user to is selected: typing replaces it.
TEST_F(frmInvAddUpateDelTest, TheFieldAMessageFocusesIsSelected) {
  frmInvAddUpateDel dlg;
  dlg.Init(0, NewTran(widget, 2, "0"), -1);
  dlg.show();
  dlg.cmdOK->setFocus();
  QApplication::processEvents();
  prompts->Expect(QStringLiteral("Please enter number of units!"));
  Click(dlg, QStringLiteral("cmdOK"));
  ASSERT_TRUE(dlg.isVisible());
  auto* text = dlg.fpUnits->findChild<QLineEdit*>();
  ASSERT_NE(text, nullptr);
  EXPECT_EQ(dlg.focusWidget(), dlg.fpUnits);
  EXPECT_EQ(text->selectedText(), text->text());
  QKeyEvent press(QEvent::KeyPress, Qt::Key_7, Qt::NoModifier, QStringLiteral("7"));
  QApplication::sendEvent(dlg.fpUnits, &press);
  EXPECT_EQ(dlg.fpUnits->Value(), Cur("7"));
}

// Enter on a number field holding a text to be named shows the message and leaves the
// user in the field with the value it kept; only the next Enter saves.
TEST_F(frmInvAddUpateDelTest, EnterOnANumberToBeNamedStaysInTheFieldAndSavesNothing) {
  const struct {
    const char* locale;
    int32_t type;
    const char* field;
    const char* keys;
    const char* message;
  } cases[] = {
      {"de_DE", 3, "fpUnits", "1O",
       "\"1O\" is not a number. Please type a number such as 1.234,50. The field keeps 5,00."},
      {"en_US", 2, "fpUnits", "100000000000000",
       "\"100000000000000\" is too large. Please type a number no larger than 99,999,999,999,999. The field keeps "
       "5.00."},
      {"fr_FR", 4, "fpCost", "1e3",
       "\"1e3\" is not a number. Please type a number such as 1\u202f234,50. The field keeps 5,00."},
  };
  for (const auto& c : cases) {
    SCOPED_TRACE(c.keys);
    testenv::ScopedLocale locale(QLatin1String(c.locale));
    const int rowsBefore = dbtest::LiveRows(gDB().TranTable());
    frmInvAddUpateDel dlg;
    dlg.Init(0, NewTran(widget, c.type, "1"), -1);
    trantest::EnterNamesTheText(dlg, QLatin1String(c.field), QLatin1String(c.keys), QString::fromUtf8(c.message), *prompts);
    EXPECT_FALSE(dlg.m_bOK);
    EXPECT_EQ(dbtest::LiveRows(gDB().TranTable()), rowsBefore);
    trantest::PressKey(Qt::Key_Return);
    EXPECT_TRUE(dlg.m_bOK);
    ASSERT_EQ(dbtest::LiveRows(gDB().TranTable()), rowsBefore + 1);
    const clsTran stored = Stored(dlg.m_udTran.nTranID);
    EXPECT_EQ(QLatin1String(c.field) == QLatin1String("fpUnits") ? stored.curUnits : stored.curUnitPrice, Cur("5"));
  }
}

// A long product name scrolled to its end while the box had focus shows its start again
// once the box is left.
TEST_F(frmInvAddUpateDelTest, ProductBoxShowsTheStartOfALongNameWhenLeft) {
  frmInvAddUpateDel dlg;
  dlg.Init(0, NewTran(widget, 1), -1);
  dlg.txtProduct->setText(QStringLiteral("Stainless Steel Ball Bearing Sealed Both Sides 40 mm Heavy Duty [B-40]"));
  dlg.show();
  QApplication::setActiveWindow(&dlg);
  dlg.txtProduct->setFocus(Qt::MouseFocusReason);
  for (const Qt::Key key : {Qt::Key_End, Qt::Key_Tab}) {
    QKeyEvent press(QEvent::KeyPress, key, Qt::NoModifier);
    QApplication::sendEvent(QApplication::focusWidget(), &press);
  }
  ASSERT_NE(QApplication::focusWidget(), dlg.txtProduct);
  EXPECT_EQ(dlg.txtProduct->cursorPosition(), 0);
}

TEST_F(frmInvAddUpateDelTest, TypeSetsTheCostCaptionAndShrinkageHidesTheCost) {
  frmInvAddUpateDel dlg;
  dlg.Init(0, NewTran(widget, 1), -1);
  const struct {
    int32_t type;
    bool costShown;
    const char* caption;
  } cases[] = {{3, false, "Cost Per Unit:"}, {2, true, "Cost Per Unit:"}, {4, true, "Price Per Unit:"},
               {5, true, "Price Per Unit:"}, {1, true, "Cost Per Unit:"}};
  EXPECT_EQ(dlg.txtProduct->cursorPosition(), 0);  // a long name shows its start
  dlg.show();
  QApplication::processEvents();
  const QSize size = dlg.size();
  for (const auto& c : cases) {
    trantest::SelectId(dlg, QStringLiteral("cboType"), c.type);
    QApplication::processEvents();
    EXPECT_EQ(dlg.size(), size) << c.type;  // the dialog does not jump
    EXPECT_EQ(!dlg.fpCost->isHidden(), c.costShown) << c.type;
    EXPECT_EQ(!dlg.lblCost->isHidden(), c.costShown) << c.type;
    EXPECT_EQ(dlg.lblCost->text(), QLatin1String(c.caption)) << c.type;
  }
}

// Units to ship against 5 received: the question only above the physical stock, Yes
// records, No and Cancel keep the dialog open with nothing stored.
TEST_F(frmInvAddUpateDelTest, NewShipBeyondPhysicalStockAsks) {
  ASSERT_TRUE(gDB().TranCheckInventoryLevelSet(true));
  const QString question5 =
      QStringLiteral("There are 5 units in physical stock. Recording this transaction will result in negative "
                     "physical stock.\n\nDo you still want to record this transaction?");
  const struct {
    int32_t product;
    const char* units;
    int answer;  // 0: no question
    bool saved;
  } cases[] = {{widget, "5", 0, true},          {widget, "5.01", ui::vbYes, true}, {widget, "6", ui::vbNo, false},
               {widget, "6", ui::vbCancel, false}, {gadget, "1", ui::vbNo, false}};
  int n = 0;
  for (const auto& c : cases) {
    SCOPED_TRACE(c.units);
    // A product of its own each time: 5 units received, or none for the gadget case.
    const int32_t product = AddProductWithAmounts(QStringLiteral("S-%1").arg(++n), QStringLiteral("Stock"), "1", "1");
    if (c.product == widget) {
      ASSERT_GT(stocktest::AddTran(product, 2, "5", "2"), 0);
    }
    const int rowsBefore = dbtest::LiveRows(gDB().TranTable());
    frmInvAddUpateDel dlg;
    dlg.Init(0, NewTran(product, 4, c.units), -1);
    if (c.answer != 0) {
      prompts->Expect(c.product == widget ? question5 : QString(question5).replace(QLatin1String("are 5"), QLatin1String("are 0")),
                      c.answer);
    }
    ASSERT_TRUE(Click(dlg, QStringLiteral("cmdOK")));
    if (c.answer != 0) {
      EXPECT_EQ(prompts->Last().buttons, ui::vbYesNoCancel);
      EXPECT_EQ(prompts->Last().icon, 0);
      EXPECT_EQ(prompts->Last().defaultButton, 2);
    }
    EXPECT_EQ(dlg.m_bOK, c.saved);
    EXPECT_EQ(dbtest::LiveRows(gDB().TranTable()), rowsBefore + (c.saved ? 1 : 0));
  }
}

TEST_F(frmInvAddUpateDelTest, EditingAShipAsksNoStockQuestion) {
  ASSERT_TRUE(gDB().TranCheckInventoryLevelSet(true));
  const int32_t id = stocktest::AddTran(widget, 4, "3", "5");
  frmInvAddUpateDel dlg;
  dlg.Init(1, Stored(id), -1);
  trantest::SetNumber(dlg, QStringLiteral("fpUnits"), "100");
  ASSERT_TRUE(Click(dlg, QStringLiteral("cmdOK")));
  EXPECT_TRUE(dlg.m_bOK);
  EXPECT_EQ(Stored(id).curUnits, Cur("100"));
  EXPECT_EQ(prompts->Shown().size(), 0);
}

// Saving only a new note writes every other field back as stored, figures with more
// decimals than the dialog shows (and the price a Shrinkage hides) and list ids their
// lists no longer hold included.
TEST_F(frmInvAddUpateDelTest, AnEditOfTheNoteKeepsEveryOtherStoredByte) {
  for (const int places : {0, 1, 2, 3, 4}) {
    for (const char* param : {"Decimals_Units", "Decimals_PerUnit"})
      ASSERT_TRUE(gDB().SetParamValue(QLatin1String(param), QString::number(places)));
    for (const int32_t type : {2, 3, 4}) {
      const int32_t id = stocktest::AddTran(widget, type, "38.2567", "765.1049");
      clsTran listed = Stored(id);
      listed.nCatID = 4242;
      listed.nAcctID = 4343;
      Overwrite(listed);
      const auto before = dbtest::StoredFields(gDB().TranTable(), id);
      frmInvAddUpateDel dlg;
      dlg.Init(1, Stored(id), -1);
      ASSERT_TRUE(SetText(dlg, QStringLiteral("txtNote"), QStringLiteral("counted")));
      ASSERT_TRUE(Click(dlg, QStringLiteral("cmdOK")));
      EXPECT_TRUE(dlg.m_bOK);
      EXPECT_EQ(Stored(id).sNote, QStringLiteral("counted"));
      EXPECT_EQ(dbtest::StoredFields(gDB().TranTable(), id), before) << places << " decimals, type " << type;
      // A figure typed and taken back (5 and Backspace, or retyped as shown) keeps every byte.
      for (const char* field : {"fpUnits", "fpCost"}) {
        for (const bool retype : {false, true}) {
          if (type == 3 && QLatin1String(field) == QLatin1String("fpCost")) continue;  // hidden
          frmInvAddUpateDel edit;
          edit.Init(1, Stored(id), -1);
          ASSERT_TRUE(trantest::TypeAndTakeBack(edit, QLatin1String(field), retype));
          ASSERT_TRUE(Click(edit, QStringLiteral("cmdOK")));
          EXPECT_TRUE(edit.m_bOK);
          EXPECT_EQ(dbtest::StoredFields(gDB().TranTable(), id), before)
              << places << " decimals, type " << type << ", " << field << (retype ? " typed again" : " 5 and Backspace");
        }
      }
    }
  }
}

// The counter row held by another user: the first OK stores nothing, the retry stores
// the one row.
TEST_F(frmInvAddUpateDelTest, RetryAfterAFailedSaveLeavesExactlyOneRow) {
  ASSERT_GT(stocktest::AddTran(gadget, 2, "1", "1"), 0);  // the counter row exists
  const int rowsBefore = dbtest::LiveRows(gDB().TranTable());
  frmInvAddUpateDel dlg;
  dlg.Init(0, NewTran(widget, 2, "4"), -1);
  {
    dbtest::OtherUser other(gDB().LastIdTable());
    ASSERT_TRUE(other.LockRow("TBLNAME", QStringLiteral("svltran.dbf")));
    FailLocksFast();
    prompts->Expect(QStringLiteral("RECORD LOCKED: Unable to get next id (locked)!"));
    prompts->Expect(QStringLiteral("Unable to save transaction. Press OK on the Transaction Dialog Box to retry."));
    ASSERT_TRUE(Click(dlg, QStringLiteral("cmdOK")));
    EXPECT_EQ(prompts->Last().title, QStringLiteral("Transaction Failed"));
    EXPECT_EQ(prompts->Last().icon, 0);
    EXPECT_FALSE(dlg.m_bOK);
    EXPECT_EQ(dlg.m_udTran.nTranID, -1);
  }
  ASSERT_TRUE(Click(dlg, QStringLiteral("cmdOK")));
  EXPECT_TRUE(dlg.m_bOK);
  EXPECT_GT(dlg.m_udTran.nTranID, 0);
  EXPECT_EQ(dbtest::LiveRows(gDB().TranTable()), rowsBefore + 1);
  EXPECT_EQ(Stored(dlg.m_udTran.nTranID).curUnits, Cur("4"));
}

TEST_F(frmInvAddUpateDelTest, NotesUpToTheLimitRoundTripWhole) {
  const QString emoji = QString::fromUtf8("\xF0\x9F\x93\xA6");  // two UTF-16 units
  const struct {
    QString typed;
    QString stored;  // null: refused
  } cases[] = {
      {QString(inventory::kTranNoteMaxChars, QLatin1Char('n')), QString(inventory::kTranNoteMaxChars, QLatin1Char('n'))},
      {QString(inventory::kTranNoteMaxChars + 9, QLatin1Char('x')), QString(inventory::kTranNoteMaxChars, QLatin1Char('x'))},
      {QStringLiteral("line one\nline two"), QStringLiteral("line one\nline two")},
      {QStringLiteral("  A1 "), QStringLiteral("  A1 ")},
      // The tables cannot hold the character: refused, not cut or stored as "?".
      {QString(inventory::kTranNoteMaxChars - 1, QLatin1Char('e')) + emoji, QString()},
  };
  for (const auto& c : cases) {
    frmInvAddUpateDel dlg;
    dlg.Init(0, NewTran(widget, 2, "1"), -1);
    ASSERT_TRUE(SetText(dlg, QStringLiteral("txtNote"), c.typed));
    if (c.stored.isNull()) {
      prompts->Expect(QStringLiteral("The character \"") + emoji +
                      QStringLiteral("\" in Notes cannot be stored. Please remove or replace it."));
    }
    ASSERT_TRUE(Click(dlg, QStringLiteral("cmdOK")));
    ASSERT_EQ(dlg.m_bOK, !c.stored.isNull());
    if (!dlg.m_bOK) continue;
    const int32_t id = dlg.m_udTran.nTranID;
    EXPECT_EQ(Stored(id).sNote, c.stored) << c.stored.size();
    // An edit of another field keeps the note as stored, its blanks included.
    frmInvAddUpateDel edit;
    edit.Init(1, Stored(id), -1);
    EXPECT_EQ(edit.txtNote->toPlainText(), c.stored);
    trantest::SetNumber(edit, QStringLiteral("fpUnits"), "12");
    ASSERT_TRUE(Click(edit, QStringLiteral("cmdOK")));
    EXPECT_EQ(Stored(id).sNote, c.stored) << c.stored.size();
  }
}

// How each way of leaving the dialog ends: its result and what is stored.
TEST_F(frmInvAddUpateDelTest, CancelAndDeleteAnswers) {
  const struct {
    int32_t mode;
    const char* button;
    int answer;  // to the delete question; 0 none
    bool ok;
    int rowsChange;
  } cases[] = {{0, "cmdCancel", 0, false, 0},
               {1, "cmdCancel", 0, false, 0},
               {2, "cmdCancel", 0, false, 0},
               {2, "cmdOK", ui::vbNo, false, 0},
               {2, "cmdOK", ui::vbCancel, false, 0},
               {2, "cmdOK", ui::vbYes, true, -1}};
  for (const auto& c : cases) {
    SCOPED_TRACE(testing::Message() << c.mode << c.button << c.answer);
    const int32_t id = stocktest::AddTran(widget, 2, "3", "2");
    const int rowsBefore = dbtest::LiveRows(gDB().TranTable());
    frmInvAddUpateDel dlg;
    dlg.Init(c.mode, c.mode == 0 ? NewTran(widget, 2, "1") : Stored(id), -1);
    if (c.answer) prompts->Expect(QStringLiteral("Are you sure you want to delete this transaction?"), c.answer);
    ASSERT_TRUE(Click(dlg, QLatin1String(c.button)));
    EXPECT_EQ(dlg.m_bOK, c.ok);
    EXPECT_EQ(dlg.result(), c.ok ? QDialog::Accepted : QDialog::Rejected);
    EXPECT_EQ(dbtest::LiveRows(gDB().TranTable()), rowsBefore + c.rowsChange);
    if (c.mode == 2) {
      EXPECT_FALSE(dlg.txtNote->isEnabled());
      EXPECT_EQ(dlg.cmdOK->text(), QStringLiteral("DELETE"));
    }
  }
}

// Another user changed the row while this dialog had it open: No shows the stored row
// in place of the entries, and the next OK saves it without asking.
TEST_F(frmInvAddUpateDelTest, NoToAnotherUsersChangeShowsTheStoredRow) {
  const int32_t id = stocktest::AddTran(widget, 2, "10", "2");
  frmInvAddUpateDel dlg;
  dlg.Init(1, Stored(id), -1);
  clsTran other = Stored(id);
  other.curUnits = Cur("50");
  other.sNote = QStringLiteral("counted");
  Overwrite(other);
  trantest::SetNumber(dlg, QStringLiteral("fpUnits"), "60");
  prompts->ExpectContaining(QStringLiteral("Another user has changed this transaction (Receive of Widget [W-1])"), ui::vbNo);
  ASSERT_TRUE(Click(dlg, QStringLiteral("cmdOK")));
  EXPECT_FALSE(dlg.m_bOK);
  EXPECT_EQ(dlg.fpUnits->Value(), Cur("50"));
  EXPECT_EQ(dlg.txtNote->toPlainText(), QStringLiteral("counted"));
  ASSERT_TRUE(Click(dlg, QStringLiteral("cmdOK")));
  EXPECT_TRUE(dlg.m_bOK);
  EXPECT_EQ(Stored(id).curUnits, Cur("50"));
}

// Another user received the order while this dialog had it open: the second receipt
// is refused and the first one stays.
TEST_F(frmInvAddUpateDelTest, ConversionOfAnOrderAnotherUserConvertedIsRefused) {
  const int32_t id = stocktest::AddTran(widget, 1, "10", "2");
  frmInvAddUpateDel dlg;
  dlg.Init(1, Stored(id), -1);
  dlg.ConvertFrom(1);
  EXPECT_FALSE(dlg.cboType->isEnabled());
  EXPECT_EQ(gSystem().cboGetItemID(*dlg.cboType), 2);
  EXPECT_EQ(dlg.txtDate->text(), gSystem().CurrDateShort());
  clsTran other = Stored(id);
  other.udTranType = 2;
  other.curUnits = Cur("7");
  Overwrite(other);
  trantest::SetNumber(dlg, QStringLiteral("fpUnits"), "10");
  prompts->Expect(QLatin1String(clsDB::kConvertGoneMsg));
  ASSERT_TRUE(Click(dlg, QStringLiteral("cmdOK")));
  EXPECT_FALSE(dlg.m_bOK);
  EXPECT_EQ(Stored(id).curUnits, Cur("7"));
}

}  // namespace
