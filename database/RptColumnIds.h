#pragma once
// The ids of the report columns, as the column catalogue (svlrepcols, column rowid)
// numbers them and the stored report definitions list them; named after the catalogue's
// headings.

#include <cstdint>

// Columns of the inventory reports (report type 1).
namespace invcol {
inline constexpr int32_t kProductName = 1001;
inline constexpr int32_t kPartNumber = 1002;
inline constexpr int32_t kLocation = 1003;
inline constexpr int32_t kGroup = 1004;
inline constexpr int32_t kManufacturer = 1005;
inline constexpr int32_t kVendor = 1006;
inline constexpr int32_t kCustom1 = 1007;
inline constexpr int32_t kCustom2 = 1008;
inline constexpr int32_t kCustom3 = 1009;
inline constexpr int32_t kCustom4 = 1010;
inline constexpr int32_t kReorderLevel = 1011;
inline constexpr int32_t kReorderQty = 1012;
inline constexpr int32_t kLeadTime = 1013;
inline constexpr int32_t kPhysicalUnits = 1014;
inline constexpr int32_t kAllocatedUnits = 1015;
inline constexpr int32_t kAvailableUnits = 1016;
inline constexpr int32_t kUnitsOnOrder = 1017;
inline constexpr int32_t kStdCost = 1018;
inline constexpr int32_t kStdPrice = 1019;
inline constexpr int32_t kOnOrderValueActualCost = 1020;
inline constexpr int32_t kStockValueStdCost = 1021;
inline constexpr int32_t kStockValueStdPrice = 1022;
inline constexpr int32_t kAvgCostPerUnit = 1023;
inline constexpr int32_t kAvgPricePerUnit = 1024;
inline constexpr int32_t kStockValueAvgCost = 1025;
inline constexpr int32_t kStockValueAvgPrice = 1026;
inline constexpr int32_t kNotes = 1027;
inline constexpr int32_t kOnOrderValueStdCost = 1028;
inline constexpr int32_t kOnOrderValueAvgCost = 1029;
}  // namespace invcol

// Columns of the transaction reports (report type 2).
namespace trancol {
inline constexpr int32_t kDate = 2001;
inline constexpr int32_t kType = 2002;
inline constexpr int32_t kProductName = 2003;
inline constexpr int32_t kPartNumber = 2004;
inline constexpr int32_t kUnits = 2005;
inline constexpr int32_t kAmountPerUnit = 2006;
inline constexpr int32_t kExtendedAmount = 2007;
inline constexpr int32_t kNotes = 2008;
inline constexpr int32_t kCategory = 2009;
inline constexpr int32_t kAccount = 2010;
inline constexpr int32_t kLocation = 2011;
inline constexpr int32_t kGroup = 2012;
inline constexpr int32_t kManufacturer = 2013;
inline constexpr int32_t kVendor = 2014;
inline constexpr int32_t kCustom1 = 2015;
inline constexpr int32_t kCustom2 = 2016;
inline constexpr int32_t kCustom3 = 2017;
inline constexpr int32_t kCustom4 = 2018;
}  // namespace trancol
