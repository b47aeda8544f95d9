// clsDB: the product summary, a plain text of a product's fields and stock figures in
// the message window. Each line is labelled with its report column's display name, so
// a caption changed for reports is the caption shown here.

#include "database/DbAccess.h"
#include "database/clsDB.h"
#include "database/clsProd.h"
#include "database/clsRptColDef.h"
#include "platform/runtime/Error.h"
#include "platform/runtime/Format.h"
#include "platform/ui/Prompt.h"
#include "services/clsSystem.h"

namespace {

constexpr int16_t kLabelWidth = 35;

class SummaryText {
 public:
  // The column's display name and ":", cut or padded to 35 characters (a column the
  // catalogue lacks gives a blank label), the value and `breaks` line breaks.
  void Line(int32_t nColID, const QString& value, int32_t breaks) {
    DATA4* catalogue = nullptr;
    DATA4* params = nullptr;
    col_.Read(nColID, catalogue, params, QStringLiteral(":"));
    text_ += gSystem().PadSpaces(col_.m_sDisplayName, kLabelWidth, 2) + value + gSystem().CRLF(breaks);
  }
  void Append(const QString& s) { text_ += s; }
  const QString& Text() const { return text_; }

 private:
  clsRptColDef col_;
  QString text_;
};

QString Formatted(rt::Currency value, const QString& format) {
  return rt::Format(QVariant::fromValue(value), format);
}

QString BlankWhenZero(rt::Currency value, const QString& format) { return gSystem().FormatNonZero(value, format); }

}  // namespace

void clsDB::ShowProductSummary(int32_t nProdId) {
  try {
    clsProd prod;
    DATA4* tbProd = nullptr;
    if (!prod.LoadProduct(nProdId, tbProd)) {
      ui::MsgBox(QStringLiteral("Unable to read product information!"), ui::vbExclamation | ui::vbOKOnly);
      return;
    }
    clsProductStats stats;
    stats.Init(nProdId);

    SummaryText s;
    s.Append(QStringLiteral("PRODUCT SUMMARY") + gSystem().CRLF(1) + QString(15, u'-') + gSystem().CRLF(2));
    s.Line(1001, prod.sProdName, 1);
    s.Line(1002, prod.sPartNo, 2);

    DATA4* tbTran = nullptr;
    if (GetProductStats(stats, tbTran)) {
      const QString units = DecimalsUnitsFormat();
      const QString amounts = DecimalsAmountsFormat();
      const QString perUnit = DecimalsPerUnitFormat();
      const rt::Currency physical = stats.m_curNumUnitsInStock_Physical;
      const rt::Currency onOrder = stats.m_curNumUnitsOnOrder;
      // Each figure under the catalogue column that holds that figure in the inventory
      // views.
      s.Line(1015, BlankWhenZero(stats.m_curNumUnitsAllocated, units), 1);
      s.Line(1016, BlankWhenZero(stats.m_curNumUnitsInStock_Available, units), 1);
      s.Line(1017, BlankWhenZero(onOrder, units), 1);
      s.Line(1020, BlankWhenZero(stats.m_curOnOrderCostActual, amounts), 2);
      s.Line(1028, BlankWhenZero(onOrder * prod.curStdCost, amounts), 1);
      s.Line(1029, BlankWhenZero(onOrder * stats.m_curAvgCostPerUnit, amounts), 1);
      s.Line(1021, BlankWhenZero(physical * prod.curStdCost, amounts), 2);
      s.Line(1025, BlankWhenZero(physical * stats.m_curAvgCostPerUnit, amounts), 1);
      s.Line(1022, BlankWhenZero(physical * prod.curStdPrice, amounts), 2);
      s.Line(1026, BlankWhenZero(physical * stats.m_curAvgPricePerUnit, amounts), 1);
      s.Line(1023, Formatted(stats.m_curAvgCostPerUnit, perUnit), 2);
      s.Line(1024, Formatted(stats.m_curAvgPricePerUnit, perUnit), 1);
      s.Line(1014, BlankWhenZero(physical, units), 2);
    } else {
      s.Append(QStringLiteral("ERROR: Unable to get Product statistics!") + gSystem().CRLF(2));
    }

    const QString perUnit = DecimalsPerUnitFormat();
    s.Line(1018, Formatted(prod.curStdCost, perUnit), 1);
    s.Line(1019, Formatted(prod.curStdPrice, perUnit), 2);
    DATA4* tbCat = nullptr;
    s.Line(1003, GetCategoryDesc(prod.nLocation, tbCat), 1);
    s.Line(1004, GetCategoryDesc(prod.nGroup, tbCat), 2);
    s.Line(1005, GetCategoryDesc(prod.nManuf, tbCat), 1);
    s.Line(1006, GetCategoryDesc(prod.nVendor, tbCat), 2);
    s.Line(1007, prod.sCustom1, 1);
    s.Line(1008, prod.sCustom2, 1);
    s.Line(1009, prod.sCustom3, 1);
    s.Line(1010, prod.sCustom4, 2);
    s.Line(1011, prod.curReOrderLevel.ToString(), 1);
    s.Line(1012, prod.curReOrderQty.ToString(), 1);
    s.Line(1013, prod.sLeadTime, 2);
    s.Line(1027, QString(), 1);
    s.Append(prod.sNotes + gSystem().CRLF(1));

    gSystem().ShowMsg(s.Text(), 1, -1);
  } catch (...) {
    dbaccess::ReportTrapped("clsDB_ShowProductSummary");
  }
}
