// Report definition records: parsing, rebuilding, escapes, delimiters, failures.
#include <gtest/gtest.h>

#include "database/clsRptDef.h"
#include "platform/ui/testing/TestPrompts.h"

struct clsRptDefTestAccess {
  static QString Build(clsRptDef& def) { return def.BuildRptBuffer(); }
};

namespace {

using ui::test::ScopedFakePrompts;

const QChar k254(0x00FE);
const QChar k253(0x00FD);

class RptDefTest : public ::testing::Test {
 protected:
  void TearDown() override {
    EXPECT_TRUE(prompts_->Unexpected().isEmpty()) << prompts_->Unexpected().join('\n').toStdString();
  }

  QString Rebuild(const QString& text) {
    clsRptDef def;
    EXPECT_TRUE(def.InitFromBuf(text, 7)) << text.toStdString();
    return clsRptDefTestAccess::Build(def);
  }

  ScopedFakePrompts prompts_;
};

struct InvMembers {
  int32_t group, level, searchBy;
  const char* search;
  int32_t indicate, location;
};
struct TranMembers {
  int32_t type, product, cat, acct, range;
  const char* begin;
  const char* end;
};
struct OptMembers {
  bool allowEdit;
  int32_t freeze;
  bool rowNumbers;
  int32_t orientation, sortOrder;
};

struct BuiltIn {
  int32_t id;
  const char* text;
  int32_t type;
  const char* title;
  const char* columns;
  InvMembers inv;
  TranMembers tran;
  OptMembers opt;
  const char* rebuilt;  // the text BuildRptBuffer writes back
};

constexpr InvMembers kInvReset{-1, 0, 0, "", 0, -1};
constexpr TranMembers kTran{0, -1, -1, -1, 0, "20030216", "20030216"};
const char* const kTranCols = "2001~2002~2003~2004~2005~2006~2007~2008~2009~2010";
const char* const kShortCols = "1001~1002~1003~1004~1005~1006~1011~1014~1015~1016~1017";

// The seven records the database upgrade writes. Type-1 records of the older form carry
// five criteria pieces; rebuilding writes the sixth (location, -1 = all).
const BuiltIn kBuiltIns[] = {
    {1, "1^Found Products^1001~1002~1003~1004~1005~1006^-1~0~0~~0^True~1~True~2~0", 1,
     "Found Products", "1001~1002~1003~1004~1005~1006", {-1, 0, 0, "", 0, -1}, {},
     {true, 1, true, 2, 0},
     "1^Found Products^1001~1002~1003~1004~1005~1006^-1~0~0~~0~-1^True~1~True~2~0"},
    {2,
     "2^Transactions for a Product^2001~2002~2003~2004~2005~2006~2007~2008~2009~2010^0~-1~-1~-1~0~20030216~20030216^True~1~True~2~1",
     2, "Transactions for a Product", kTranCols, kInvReset, kTran, {true, 1, true, 2, 1}, nullptr},
    {101,
     "2^Transaction History^2001~2002~2003~2004~2005~2006~2007~2008~2009~2010^0~-1~-1~-1~0~20030216~20030216^True~1~True~2~1",
     2, "Transaction History", kTranCols, kInvReset, kTran, {true, 1, true, 2, 1}, nullptr},
    {102,
     "1^Inventory of All Products^1001~1002~1003~1004~1005~1006~1007~1008~1009~1010~1011~1012~1013~1014~1015~1016~1017~1020~1028~1029~1021~1025~1022~1026~1023~1024~1018~1019~1027^-1~0~0~~1^True~2~True~2~0",
     1, "Inventory of All Products",
     "1001~1002~1003~1004~1005~1006~1007~1008~1009~1010~1011~1012~1013~1014~1015~1016~1017~1020~1028~1029~1021~1025~1022~1026~1023~1024~1018~1019~1027",
     {-1, 0, 0, "", 1, -1}, {}, {true, 2, true, 2, 0},
     "1^Inventory of All Products^1001~1002~1003~1004~1005~1006~1007~1008~1009~1010~1011~1012~1013~1014~1015~1016~1017~1020~1028~1029~1021~1025~1022~1026~1023~1024~1018~1019~1027^-1~0~0~~1~-1^True~2~True~2~0"},
    {103,
     "1^Out of Stock Products only (zero available units)^1001~1002~1003~1004~1005~1006~1011~1014~1015~1016~1017^-1~2~0~~0^True~2~True~2~0",
     1, "Out of Stock Products only (zero available units)", kShortCols, {-1, 2, 0, "", 0, -1}, {},
     {true, 2, true, 2, 0},
     "1^Out of Stock Products only (zero available units)^1001~1002~1003~1004~1005~1006~1011~1014~1015~1016~1017^-1~2~0~~0~-1^True~2~True~2~0"},
    {104,
     "1^Re-Order Products only (at or below re-order level)^1001~1002~1003~1004~1005~1006~1011~1014~1015~1016~1017^-1~3~0~~0^True~2~True~2~0",
     1, "Re-Order Products only (at or below re-order level)", kShortCols, {-1, 3, 0, "", 0, -1},
     {}, {true, 2, true, 2, 0},
     "1^Re-Order Products only (at or below re-order level)^1001~1002~1003~1004~1005~1006~1011~1014~1015~1016~1017^-1~3~0~~0~-1^True~2~True~2~0"},
    {105,
     "1^All EXCEPT products with zero available units^1001~1002~1003~1004~1005~1006~1011~1014~1015~1016~1017^-1~1~0~~0^True~2~True~2~0",
     1, "All EXCEPT products with zero available units", kShortCols, {-1, 1, 0, "", 0, -1}, {},
     {true, 2, true, 2, 0},
     "1^All EXCEPT products with zero available units^1001~1002~1003~1004~1005~1006~1011~1014~1015~1016~1017^-1~1~0~~0~-1^True~2~True~2~0"},
};

TEST_F(RptDefTest, BuiltInRecordsParseToTheirMembersAndRebuild) {
  for (const BuiltIn& b : kBuiltIns) {
    SCOPED_TRACE(b.id);
    clsRptDef def;
    ASSERT_TRUE(def.InitFromBuf(QString::fromLatin1(b.text), b.id));
    EXPECT_EQ(def.RptID(), b.id);
    EXPECT_EQ(def.RptDBID(), QStringLiteral("~") + QString::number(b.id));
    EXPECT_EQ(def.RptType(), b.type);
    EXPECT_EQ(def.RptTypeDesc(), b.type == 1 ? "Inventory" : "Transactions");
    EXPECT_EQ(def.RptName(), QString::fromLatin1(b.title));
    EXPECT_EQ(def.m_collColumns.join('~'), QString::fromLatin1(b.columns));
    EXPECT_TRUE(def.AllowEditRptDef());

    const clsInvSelCriteria& inv = def.m_udInvSelCriteria;
    EXPECT_EQ(inv.m_nProductGroup, b.inv.group);
    EXPECT_EQ(inv.m_udInvLevel, b.inv.level);
    EXPECT_EQ(inv.m_udProdSearchByName, b.inv.searchBy);
    EXPECT_EQ(inv.m_NameSearchStr, QString::fromLatin1(b.inv.search));
    EXPECT_EQ(inv.m_udIndicate, b.inv.indicate);
    EXPECT_EQ(inv.m_nProductLocation, b.inv.location);

    const clsTranSelCriteria& tran = def.m_udTranSelCriteria;
    if (b.type == 2) {
      EXPECT_EQ(tran.m_udTranType, b.tran.type);
      EXPECT_EQ(tran.m_nProductID, b.tran.product);
      EXPECT_EQ(tran.m_nTranCatID, b.tran.cat);
      EXPECT_EQ(tran.m_nTranAcctID, b.tran.acct);
      EXPECT_EQ(tran.m_DtRange, b.tran.range);
      EXPECT_EQ(tran.DateBegin(), QString::fromLatin1(b.tran.begin));
      EXPECT_EQ(tran.DateEnd(), QString::fromLatin1(b.tran.end));
    } else {  // the unused criteria keep their reset values
      EXPECT_EQ(tran.m_nProductID, -1);
      EXPECT_EQ(tran.DateBegin(), "3/15/2026");
    }

    const clsRptOptions& o = def.m_udRptOptions;
    EXPECT_EQ(o.m_bAllowDataEdit, b.opt.allowEdit);
    EXPECT_EQ(o.m_nNumOfColumns2Freeze, b.opt.freeze);
    EXPECT_EQ(o.m_bShowRowNumbers, b.opt.rowNumbers);
    EXPECT_EQ(o.m_udPageOrientation, b.opt.orientation);
    EXPECT_EQ(o.m_udRptColSortOrder, b.opt.sortOrder);

    const QString expected = QString::fromLatin1(b.rebuilt ? b.rebuilt : b.text);
    const QString rebuilt = clsRptDefTestAccess::Build(def);
    EXPECT_EQ(rebuilt, expected);
    EXPECT_EQ(Rebuild(rebuilt), rebuilt);  // the written form is a fixed point
  }
}

TEST_F(RptDefTest, QuickInventoryRecordWithLocationRebuildsExactly) {
  const QString text = QStringLiteral("1^Quick Inventory^1002~1001~1014~1015~1016~1017^-1~0~0~~0~-1^True~1~True~2~0");
  EXPECT_EQ(Rebuild(text), text);
  const QString located = QStringLiteral("1^Bin 4^1001^12~3~1~ab~2~44^False~0~False~1~1");
  clsRptDef def;
  ASSERT_TRUE(def.InitFromBuf(located, 5));
  EXPECT_EQ(def.m_udInvSelCriteria.m_nProductLocation, 44);
  EXPECT_EQ(def.m_udInvSelCriteria.m_nProductGroup, 12);
  EXPECT_EQ(def.m_udInvSelCriteria.m_NameSearchStr, "ab");
  EXPECT_FALSE(def.m_udRptOptions.m_bAllowDataEdit);
  EXPECT_EQ(def.m_udRptOptions.m_udPageOrientation, 1);
  EXPECT_EQ(clsRptDefTestAccess::Build(def), located);
}

TEST_F(RptDefTest, TitleAndSearchTextAreEscapedAndTrimmed) {
  clsRptDef def;
  def.CreateNew(1);
  def.SetRptName(QStringLiteral("A^B~C"));
  def.m_udInvSelCriteria.m_NameSearchStr = QStringLiteral("x~y^z");
  const QString text = clsRptDefTestAccess::Build(def);
  EXPECT_TRUE(text.startsWith(QStringLiteral("1^A&hat;B&tilda;C^^-1~0~0~x&tilda;y&hat;z~0~-1^"))) << text.toStdString();

  clsRptDef back;
  ASSERT_TRUE(back.InitFromBuf(text, 3));
  EXPECT_EQ(back.RptName(), "A^B~C");
  EXPECT_EQ(back.m_udInvSelCriteria.m_NameSearchStr, "x~y^z");

  ASSERT_TRUE(back.InitFromBuf(QStringLiteral("1^  Padded  ^^^"), 3));
  EXPECT_EQ(back.RptName(), "Padded");
  // "&" is not escaped: an escape typed into a title reads back as its character.
  ASSERT_TRUE(back.InitFromBuf(QStringLiteral("1^a&hat;b^^^"), 3));
  EXPECT_EQ(back.RptName(), "a^b");
}

TEST_F(RptDefTest, AlternateDelimitersAreChosenFromTheText) {
  const QString f(k254), l(k253);
  clsRptDef def;
  const QString alt = "2" + f + "Old^Style" + f + "2001" + l + "2002" + f + "4" + l + "9" + l + "-1" + l +
                      "-1" + l + "100" + l + "1/2/2003" + l + "1/31/2003" + f + "False" + l + "3" + l +
                      "True" + l + "1" + l + "1";
  ASSERT_TRUE(def.InitFromBuf(alt, 9));
  EXPECT_EQ(def.RptName(), "Old^Style");
  EXPECT_EQ(def.m_collColumns, QStringList({"2001", "2002"}));
  EXPECT_EQ(def.m_udTranSelCriteria.m_udTranType, 4);
  EXPECT_EQ(def.m_udTranSelCriteria.m_nProductID, 9);
  EXPECT_EQ(def.m_udTranSelCriteria.DateBegin(), "1/2/2003");
  EXPECT_EQ(def.m_udTranSelCriteria.DateEnd(), "1/31/2003");
  EXPECT_EQ(def.m_udRptOptions.m_nNumOfColumns2Freeze, 3);
  EXPECT_FALSE(def.m_udRptOptions.m_bAllowDataEdit);
  // Written back with "^" and "~" only.
  EXPECT_EQ(clsRptDefTestAccess::Build(def),
            "2^Old&hat;Style^2001~2002^4~9~-1~-1~100~1/2/2003~1/31/2003^False~3~True~1~1");
}

TEST_F(RptDefTest, CharactersOfCode253And254InATitleKeepTheRecordReadable) {
  // A title or search text holding these letters must not switch the delimiters of a
  // record written with "^" and "~".
  for (const QString& title : {QStringLiteral("Hýbrid parts"), QStringLiteral("þorn"),
                               QString(k254) + k253}) {
    SCOPED_TRACE(title.toStdString());
    clsRptDef def;
    def.CreateNew(1);
    def.SetRptName(title);
    def.m_udInvSelCriteria.m_NameSearchStr = QStringLiteral("ý");
    def.m_collColumns = {"1001"};
    const QString text = clsRptDefTestAccess::Build(def);
    clsRptDef back;
    ASSERT_TRUE(back.InitFromBuf(text, 4));
    EXPECT_EQ(back.RptName(), title);
    EXPECT_EQ(back.m_udInvSelCriteria.m_NameSearchStr, "ý");
    EXPECT_EQ(back.m_collColumns, QStringList{"1001"});
  }
}

TEST_F(RptDefTest, EmptyFieldsKeepResetValues) {
  clsRptDef def;
  ASSERT_TRUE(def.InitFromBuf(QStringLiteral("1^Bare^^^"), 11));
  EXPECT_TRUE(def.m_collColumns.isEmpty());
  EXPECT_EQ(def.m_udInvSelCriteria.m_nProductGroup, -1);
  EXPECT_EQ(def.m_udInvSelCriteria.m_nProductLocation, -1);
  EXPECT_TRUE(def.m_udRptOptions.m_bShowRowNumbers);
  EXPECT_EQ(def.m_udRptOptions.m_nNumOfColumns2Freeze, 1);
  EXPECT_EQ(def.m_udRptOptions.m_udPageOrientation, 2);
  EXPECT_EQ(clsRptDefTestAccess::Build(def), "1^Bare^^-1~0~0~~0~-1^True~1~True~2~0");
  // Extra fields are ignored; short lists leave their members alone.
  ASSERT_TRUE(def.InitFromBuf(QStringLiteral("2^T^2001^1~2~3^True~5^extra^more"), 11));
  EXPECT_EQ(def.m_udTranSelCriteria.m_udTranType, 0);
  EXPECT_EQ(def.m_udRptOptions.m_nNumOfColumns2Freeze, 1);
}

TEST_F(RptDefTest, ColumnListKeepsOnlyNumericPieces) {
  clsRptDef def;
  ASSERT_TRUE(def.InitFromBuf(QStringLiteral("1^C^1001~x~~1002~ 1003 ^^"), 1));
  EXPECT_EQ(def.m_collColumns, QStringList({"1001", "1002", "1003"}));
  // A column listed twice is kept once, at its first place.
  ASSERT_TRUE(def.InitFromBuf(QStringLiteral("1^C^1014~1001~1014~1002~1001^^"), 1));
  EXPECT_EQ(def.m_collColumns, QStringList({"1014", "1001", "1002"}));
}

TEST_F(RptDefTest, OnlyExactTrueIsTrue) {
  clsRptDef def;
  for (const char* piece : {"true", "1", "", "TRUE", "T"}) {
    SCOPED_TRACE(piece);
    const QString p = QString::fromLatin1(piece);
    ASSERT_TRUE(def.InitFromBuf("1^O^^^" + p + "~1~" + p + "~2~0", 1));
    EXPECT_FALSE(def.m_udRptOptions.m_bAllowDataEdit);
    EXPECT_FALSE(def.m_udRptOptions.m_bShowRowNumbers);
  }
  ASSERT_TRUE(def.InitFromBuf(QStringLiteral("1^O^^^True~1~ True ~2~0"), 1));
  EXPECT_TRUE(def.m_udRptOptions.m_bAllowDataEdit);
  EXPECT_TRUE(def.m_udRptOptions.m_bShowRowNumbers);  // pieces are trimmed first
}

TEST_F(RptDefTest, UnreadableRecordsFail) {
  clsRptDef def;
  EXPECT_FALSE(def.InitFromBuf(QString(), 1));  // no message
  EXPECT_TRUE(prompts_->Shown().isEmpty());

  prompts_->Expect(QStringLiteral("Unable to parse report record. Invalid report record format!"));
  EXPECT_FALSE(def.InitFromBuf(QStringLiteral("1^Short^1001^-1~0"), 1));
  EXPECT_EQ(prompts_->Last().icon, ui::vbExclamation);
  EXPECT_EQ(prompts_->Pending(), 0);
}

struct BadPiece {
  const char* text;
  const char* keptTitle;
  int32_t keptGroup;   // m_nProductGroup after the failure
  int32_t keptIndicate;
};

TEST_F(RptDefTest, NonNumericPieceIsAnErrorAndKeepsWhatWasFilled) {
  const BadPiece cases[] = {
      {"x^T^1001^^", "T", -1, 0},              // type
      {"1^T^1001^5~0~0~~2~^", "T", 5, 2},      // six pieces, the sixth empty
      {"1^T^1001^5~z~0~~2^", "T", 5, 0},       // inventory level
      {"1^T^1001^7~0~0~~1^True~x~True~2~0", "T", 7, 1},  // options after the criteria
      {"2^T^2001^0~-1~-1~-1~~a~b^", "T", -1, 0},  // empty date-range code
  };
  for (const BadPiece& c : cases) {
    SCOPED_TRACE(c.text);
    prompts_->ExpectContaining(QStringLiteral("clsRptDef_ParseRptBuffer"));
    clsRptDef def;
    EXPECT_FALSE(def.InitFromBuf(QString::fromLatin1(c.text), 1));
    EXPECT_EQ(prompts_->Last().title, "Error");
    EXPECT_EQ(def.RptName(), QString::fromLatin1(c.keptTitle));
    EXPECT_EQ(def.m_udInvSelCriteria.m_nProductGroup, c.keptGroup);
    EXPECT_EQ(def.m_udInvSelCriteria.m_udIndicate, c.keptIndicate);
  }
  EXPECT_EQ(prompts_->Pending(), 0);
}

TEST_F(RptDefTest, UnknownTypeIgnoresAndDropsTheCriteria) {
  clsRptDef def;
  ASSERT_TRUE(def.InitFromBuf(QStringLiteral("3^Odd^1001^junk~x^True~1~True~2~0"), 8));
  EXPECT_EQ(def.RptTypeDesc(), "Undefined");
  EXPECT_EQ(clsRptDefTestAccess::Build(def), "3^Odd^1001^^True~1~True~2~0");
}

TEST_F(RptDefTest, RelativeDateRangeIsWorkedOutForToday) {
  clsRptDef def;
  ASSERT_TRUE(def.InitFromBuf(QStringLiteral("2^Month^2001^0~-1~-1~-1~1~1/1/2001~1/31/2001^True~1~True~2~0"), 8));
  EXPECT_EQ(def.m_udTranSelCriteria.DateBegin(), "3/1/2026");
  EXPECT_EQ(def.m_udTranSelCriteria.DateEnd(), "3/31/2026");
  EXPECT_EQ(clsRptDefTestAccess::Build(def),
            "2^Month^2001^0~-1~-1~-1~1~3/1/2026~3/31/2026^True~1~True~2~0");
}

TEST_F(RptDefTest, ResetGivesFreshUntitledNamesAndDefaults) {
  clsRptDef fresh;
  EXPECT_EQ(fresh.RptID(), 0);
  EXPECT_EQ(fresh.RptType(), 0);
  EXPECT_TRUE(fresh.RptName().isEmpty());

  clsRptDef a, b;
  a.CreateNew(2);
  b.CreateNew(1);
  EXPECT_EQ(a.RptType(), 2);
  EXPECT_EQ(a.RptID(), -1);
  EXPECT_EQ(a.RptDBID(), "~-1");
  ASSERT_TRUE(a.RptName().startsWith("Untitled "));
  const int na = a.RptName().mid(9).toInt();
  EXPECT_EQ(b.RptName(), "Untitled " + QString::number(na + 1));

  a.SetAllowEditRptDef(false);
  a.m_collColumns = {"2001"};
  a.m_udRptOptions.m_bShowRowNumbers = false;
  a.CreateNew(1);
  EXPECT_TRUE(a.AllowEditRptDef());
  EXPECT_TRUE(a.m_collColumns.isEmpty());
  EXPECT_TRUE(a.m_udRptOptions.m_bShowRowNumbers);
}

}  // namespace
