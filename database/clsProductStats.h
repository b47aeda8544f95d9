#pragma once
// clsProductStats: the stock figures of one product as clsDB::GetProductStats and
// clsDB::GetAllProductStats hand them out; the record itself is the store's.

#include "database/store/StockFigures.h"

using clsProductStats = store::StockFigures;
