// Both imports run as the user runs them, over small files whose rows are short, span
// lines or hold characters the tables cannot store, and with another copy holding the
// transactions table: what is refused at the check, what is written, what stays.

#include <gmock/gmock.h>
#include <gtest/gtest.h>

#include <map>
#include <memory>

#include "exchange/ProductCsv.h"
#include "exchange/ExchangeCommands.h"
#include "platform/xbase/LockManager.h"
#include "tests/exchange/ExchangeTestSupport.h"

namespace {

using exchangetest::Cur;
using exchangetest::ExchangeTest;

class ImportRowsTest : public ExchangeTest {
 protected:
  // The product every case starts from.
  static void Seed() {
    clsProd p = stocktest::NewProduct(QStringLiteral("HB-0840"), QStringLiteral("Hex bolt"));
    p.sLeadTime = QStringLiteral("2 weeks");
    p.sCustom1 = QStringLiteral("zinc");
    p.curStdCost = Cur("3.5");
    EXPECT_GT(stocktest::StoreProduct(p), 0);
  }

  // The products ("part|name|lead time|custom 1|notes") and then the transactions
  // ("part: units").
  static QStringList State() {
    QStringList out;
    std::map<int32_t, QString> parts;
    for (const clsProd& p : Products()) {
      parts[p.nProdId] = p.sPartNo;
      out << QStringList{p.sPartNo, p.sProdName, p.sLeadTime, p.sCustom1, p.sNotes}.join(u'|');
    }
    for (const clsTran& t : Transactions()) out << parts[t.nProdId] + QStringLiteral(": ") + t.curUnits.ToString();
    return out;
  }
};

// The product heading row with PRODUCTNAME moved to the end.
QByteArray NameLastHeading() {
  QStringList keywords = productcsv::Keywords();
  keywords.move(0, keywords.size() - 1);
  return keywords.join(u',').toLatin1();
}

TEST_F(ImportRowsTest, RowsAreCheckedWholeAndWrittenWholeOrNotAtAll) {
  const QByteArray all = productcsv::HeadingRow().toLatin1();
  const QString seed = QStringLiteral("HB-0840|Hex bolt|2 weeks|zinc|");
  const QString imported2 =
      QStringLiteral("Imported 2 Products! These products will now appear on the 'Current Inventory' screen.");
  enum Kind { kProducts, kTransactions };
  const struct Case {
    const char* name;
    Kind kind;
    QByteArray file;  // as written, line ends included
    QStringList failures;  // in the failure window; none: the import runs
    QStringList boxes;     // the message boxes, in order
    QStringList state;
    bool holdTransactions = false;  // another copy holds the transactions' append lock
    const char* closing = nullptr;  // in the closing window of a transaction import
  } cases[] = {
      {"short rows without the required name", kProducts,
       NameLastHeading() + "\r\nNONAME-1,Aisle 9\r\nHB-0840\r\n",
       {"Row 2: A value must be entered for column PRODUCTNAME.", "Row 3: A value must be entered for column PRODUCTNAME."},
       {},
       {seed}},
      {"a short row keeps what the product holds", kProducts, all + "\r\nHex bolt M8,HB-0840\r\nWasher,WA-1\r\n",
       {},
       {imported2},
       {"HB-0840|Hex bolt M8|2 weeks|zinc|", "WA-1|Washer|||"}},
      {"a transaction row without units", kTransactions,
       "PARTNUMBER,UNITS,AMOUNTPERUNIT\r\nHB-0840,5,\r\nHB-0840,2,1\r\nHB-0840\r\n",
       {"Row 4: A value must be entered for column UNITS."},
       {},
       {seed}},
      // Told once, by the closing message.
      {"a Receive refused by another copy", kProducts, all + "\r\nNut,NU-1,,,12,,,,,,,,,,,,\r\n",
       {},
       {"Imported 0 of 1 Products! Row 2 could not be saved, so the import stopped there: that row and the rows "
        "after it were not imported. The table was in use by another user: try the import again in a moment."},
       {seed},
       true},
      {"transactions refused by another copy", kTransactions, "PARTNUMBER,UNITS,AMOUNTPERUNIT\r\nHB-0840,5,\r\n",
       {},
       {"RECORD LOCKED: Unable to update transaction!"},
       {seed},
       true,
       "Row 2: The transaction could not be saved; the import stopped here, so neither this row nor the rows after "
       "it were imported. The table was in use by another user: import this row and the rows after it again in a "
       "moment."},
      {"a line break in a field of one line", kProducts,
       all + "\r\n\"Hex\r\nbolt\",NU-1\r\nNut,NU-2,,,,,,,,,,,\"zinc\nplated\"\r\n",
       {"Row 2: The value [Hex...] entered for column PRODUCTNAME holds a line break, which this column cannot store.",
        "Row 4: The value [zinc...] entered for column CUSTOM1 holds a line break, which this column cannot store."},
       {},
       {seed}},
      {"a cell of two lines, CR LF", kProducts,
       all + "\r\nNut,NU-1,,,,,,,,,,,,,,,\"Please note,\r\nthen order \"\"by the box\"\"\"\r\nWasher,WA-1\r\n",
       {},
       {imported2},
       {seed, "NU-1|Nut|||Please note,\r\nthen order \"by the box\"", "WA-1|Washer|||"}},
      {"a cell of two lines, LF", kProducts,
       all + "\nNut,NU-1,,,,,,,,,,,,,,,\"Please note,\nthen order\"\nWasher,WA-1\n",
       {},
       {imported2},
       {seed, "NU-1|Nut|||Please note,\nthen order", "WA-1|Washer|||"}},
      {"characters the tables cannot hold", kProducts,
       all + "\r\nBolt,B-1,\xC5\x81\xC3\xB3\x64\xC5\xBA\r\nBolt \xF0\x9F\x98\x80,B-2\r\nCaf\xC3\xA9,B-3\r\n",
       {"Row 2: The value [\xC5\x81\xC3\xB3\x64\xC5\xBA] entered for column LOCATION holds the character \"\xC5\x81\", "
        "which cannot be stored.",
        "Row 3: The value [Bolt \xF0\x9F\x98\x80] entered for column PRODUCTNAME holds the character "
        "\"\xF0\x9F\x98\x80\", which cannot be stored."},
       {},
       {seed}},
  };
  FailLocksFast();
  for (const Case& c : cases) {
    SCOPED_TRACE(c.name);
    OpenNewDatabase();
    Seed();
    const QString path = Write(QStringLiteral("in.csv"), QByteArray());
    {
      QFile f(path);
      ASSERT_TRUE(f.open(QIODevice::WriteOnly));
      f.write(c.file);
    }
    std::unique_ptr<dbtest::HeldByteLock> lock;
    if (c.holdTransactions) {
      lock = std::make_unique<dbtest::HeldByteLock>(gDB().TranTable(), xb::LockManager::kAppendLock);
      ASSERT_TRUE(lock->held());
    }
    if (c.kind == kProducts) {
      ChooseInDialog(QStringLiteral("frmImportProducts"), path);
    } else {
      ChooseInDialog(QStringLiteral("frmImportTran"), path, QStringLiteral("Receive"));
    }
    QString failure;
    c.failures.isEmpty() ? Preview(true) : ExpectMsg(&failure);
    for (const QString& box : c.boxes) prompts->Expect(box);
    QString closing;
    if (c.closing != nullptr) ExpectMsg(&closing);
    (c.kind == kProducts ? exchange::ImportProducts : exchange::ImportTransactions)();
    for (const QString& message : c.failures) EXPECT_THAT(failure.toStdString(), ::testing::HasSubstr(message.toStdString()));
    EXPECT_THAT(closing.toStdString(), ::testing::HasSubstr(c.closing != nullptr ? c.closing : ""));
    lock.reset();
    EXPECT_EQ(State(), c.state);
  }
}

}  // namespace
