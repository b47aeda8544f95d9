// clsDB: the product summary, a plain text of a product's fields and stock figures in
// the message window. Each line is labelled with its report column's display name, so
// a caption changed for reports is the caption shown here.

#include "database/DbAccess.h"
#include "database/RptColumnIds.h"
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
    col_.Read(nColID, nullptr, nullptr, QStringLiteral(":"));
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
    if (!prod.LoadProduct(nProdId, nullptr)) {
      ui::MsgBox(QStringLiteral("Unable to read product information!"), ui::vbExclamation | ui::vbOKOnly);
      return;
    }
    clsProductStats stats;
    stats.Init(nProdId);

    SummaryText s;
    s.Append(QStringLiteral("PRODUCT SUMMARY") + gSystem().CRLF(1) + QString(15, u'-') + gSystem().CRLF(2));
    s.Line(invcol::kProductName, prod.sProdName, 1);
    s.Line(invcol::kPartNumber, prod.sPartNo, 2);

    if (GetProductStats(stats, nullptr)) {
      const QString units = DecimalsUnitsFormat();
      const QString amounts = DecimalsAmountsFormat();
      const QString perUnit = DecimalsPerUnitFormat();
      const rt::Currency physical = stats.m_curNumUnitsInStock_Physical;
      const rt::Currency onOrder = stats.m_curNumUnitsOnOrder;
      // Each figure under the catalogue column that holds that figure in the inventory
      // views.
      s.Line(invcol::kAllocatedUnits, BlankWhenZero(stats.m_curNumUnitsAllocated, units), 1);
      s.Line(invcol::kAvailableUnits, BlankWhenZero(stats.m_curNumUnitsInStock_Available, units), 1);
      s.Line(invcol::kUnitsOnOrder, BlankWhenZero(onOrder, units), 1);
      s.Line(invcol::kOnOrderValueActualCost, BlankWhenZero(stats.m_curOnOrderCostActual, amounts), 2);
      s.Line(invcol::kOnOrderValueStdCost, BlankWhenZero(onOrder * prod.curStdCost, amounts), 1);
      s.Line(invcol::kOnOrderValueAvgCost, BlankWhenZero(onOrder * stats.m_curAvgCostPerUnit, amounts), 1);
      s.Line(invcol::kStockValueStdCost, BlankWhenZero(physical * prod.curStdCost, amounts), 2);
      s.Line(invcol::kStockValueAvgCost, BlankWhenZero(physical * stats.m_curAvgCostPerUnit, amounts), 1);
      s.Line(invcol::kStockValueStdPrice, BlankWhenZero(physical * prod.curStdPrice, amounts), 2);
      s.Line(invcol::kStockValueAvgPrice, BlankWhenZero(physical * stats.m_curAvgPricePerUnit, amounts), 1);
      s.Line(invcol::kAvgCostPerUnit, Formatted(stats.m_curAvgCostPerUnit, perUnit), 2);
      s.Line(invcol::kAvgPricePerUnit, Formatted(stats.m_curAvgPricePerUnit, perUnit), 1);
      s.Line(invcol::kPhysicalUnits, BlankWhenZero(physical, units), 2);
    } else {
      s.Append(QStringLiteral("ERROR: Unable to get Product statistics!") + gSystem().CRLF(2));
    }

    const QString perUnit = DecimalsPerUnitFormat();
    s.Line(invcol::kStdCost, Formatted(prod.curStdCost, perUnit), 1);
    s.Line(invcol::kStdPrice, Formatted(prod.curStdPrice, perUnit), 2);
    DATA4* tbCat = nullptr;
    s.Line(invcol::kLocation, GetCategoryDesc(prod.nLocation, tbCat), 1);
    s.Line(invcol::kGroup, GetCategoryDesc(prod.nGroup, tbCat), 2);
    s.Line(invcol::kManufacturer, GetCategoryDesc(prod.nManuf, tbCat), 1);
    s.Line(invcol::kVendor, GetCategoryDesc(prod.nVendor, tbCat), 2);
    s.Line(invcol::kCustom1, prod.sCustom1, 1);
    s.Line(invcol::kCustom2, prod.sCustom2, 1);
    s.Line(invcol::kCustom3, prod.sCustom3, 1);
    s.Line(invcol::kCustom4, prod.sCustom4, 2);
    s.Line(invcol::kReorderLevel, prod.curReOrderLevel.ToString(), 1);
    s.Line(invcol::kReorderQty, prod.curReOrderQty.ToString(), 1);
    s.Line(invcol::kLeadTime, prod.sLeadTime, 2);
    s.Line(invcol::kNotes, QString(), 1);
    s.Append(prod.sNotes + gSystem().CRLF(1));

    gSystem().ShowMsg(s.Text(), 1, -1);
  } catch (...) {
    dbaccess::ReportTrapped("clsDB_ShowProductSummary");
  }
}
